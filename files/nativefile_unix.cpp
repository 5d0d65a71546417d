#include "files/nativefile.h"

#include "files/filenames.h"
#include "files/posix_p.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <limits>
#include <mutex>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Errors of copy_file_range that say the kernel will not copy between these
// two files, not that the files failed, so the join reads and writes instead:
// ENOSYS, kernels before 4.5 and container system-call filters (seccomp);
// EPERM, the same filters in older container runtimes; EXDEV, two file
// systems (any two before Linux 5.3, two of different types from 5.19 on);
// EINVAL and EOPNOTSUPP, file systems that cannot copy these files, such as
// pseudo file systems (procfs, sysfs) and some FUSE and network ones.
bool IsKernelCopyRefused(int errorCode) {
  return errorCode == ENOSYS || errorCode == EXDEV || errorCode == EINVAL || errorCode == EOPNOTSUPP ||
         errorCode == EPERM;
}

// A failed kernel copy that came from the output's side: a full disk or a size limit.
bool IsOutputError(int errorCode) {
  return errorCode == ENOSPC || errorCode == EDQUOT || errorCode == EFBIG || errorCode == EROFS;
}

}  // namespace

void NativeFile::Close() {
  if (handle_ >= 0) ::close(Descriptor(*this));
  handle_ = -1;
}

std::optional<FileStatus> NativeFile::Status(SystemError& error) const {
  struct stat status {};
  if (::fstat(Descriptor(*this), &status) != 0) {
    error = errno;
    return std::nullopt;
  }
  return StatusFrom(status);
}

qint64 NativeFile::Read(char* data, qint64 length, SystemError& error) {
  for (;;) {
    const ssize_t count = ::read(Descriptor(*this), data, static_cast<size_t>(length));
    if (count >= 0) return count;
    if (errno != EINTR) {
      error = errno;
      return -1;
    }
  }
}

bool NativeFile::WriteAll(const char* data, qint64 length, SystemError& error) {
  for (qint64 written = 0; written < length;) {
    const ssize_t count = ::write(Descriptor(*this), data + written, static_cast<size_t>(length - written));
    if (count < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return false;
    }
    written += count;
  }
  return true;
}

bool NativeFile::Seek(qint64 offset, SystemError& error) {
  if (::lseek(Descriptor(*this), static_cast<off_t>(offset), SEEK_SET) >= 0) return true;
  error = errno;
  return false;
}

bool NativeFile::SetLength(qint64 length, SystemError& error) {
  for (;;) {
    if (::ftruncate(Descriptor(*this), static_cast<off_t>(length)) == 0) return true;
    if (errno != EINTR) {
      error = errno;
      return false;
    }
  }
}

NativeFile::DataRange NativeFile::NextData(qint64 offset, qint64 end) const {
  // No data after `offset` is ENXIO; any other failure means the system cannot tell.
  const off_t start = ::lseek(Descriptor(*this), static_cast<off_t>(offset), SEEK_DATA);
  if (start < 0) return errno == ENXIO ? DataRange{end, end} : DataRange{offset, end};
  if (start >= end) return {end, end};
  const off_t hole = ::lseek(Descriptor(*this), start, SEEK_HOLE);
  // A hole that does not lie after the data would stall the copy: take the rest as data.
  return {start, hole <= start ? end : std::min<qint64>(hole, end)};
}

bool NativeFile::KeepsHoles() {
  // Large enough that a file system that allocates on extending (FAT, exFAT)
  // must take a cluster for it.
  constexpr off_t kProbeBytes = 64 << 10;
  struct stat status {};
  const bool kept = ::ftruncate(Descriptor(*this), kProbeBytes) == 0 && ::fstat(Descriptor(*this), &status) == 0 &&
                    status.st_size == kProbeBytes && status.st_blocks == 0;
  SystemError ignored = 0;
  return SetLength(0, ignored) && kept;
}

NativeFile NativeFiles::OpenInput(const QString& path, SystemError& error) {
  // Non-blocking: a FIFO put in a file's place must not hang the join.
  const int descriptor = ::open(EncodeFileName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) error = errno;
  return NativeFile(descriptor);
}

qint64 NativeFiles::CopyInKernel(NativeFile& from, NativeFile& to, qint64 length, CopyFailure& failure) {
  for (;;) {
    const ssize_t copied =
        ::copy_file_range(Descriptor(from), nullptr, Descriptor(to), nullptr, static_cast<size_t>(length), 0);
    if (copied >= 0) return copied;
    if (errno == EINTR) continue;
    failure.error = errno;
    failure.refused = IsKernelCopyRefused(errno);
    failure.onOutput = IsOutputError(errno);
    return -1;
  }
}

void NativeFiles::StartWriteBack(NativeFile& file, qint64 offset, qint64 length) {
  ::sync_file_range(Descriptor(file), offset, length, SYNC_FILE_RANGE_WRITE);
}

void NativeFiles::PrepareForJoins() {
  static std::once_flag once;
  std::call_once(once, [] { std::signal(SIGXFSZ, SIG_IGN); });
}

std::optional<qint64> NativeFiles::FileSizeLimit() {
  struct rlimit limit {};
  if (::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return std::nullopt;
  return static_cast<qint64>(std::min<rlim_t>(limit.rlim_cur, std::numeric_limits<qint64>::max()));
}

// A name here is bytes, kept as given; only '/' separates and NUL ends it.
bool NativeFiles::KeepsOutputName(const QString&) { return true; }
