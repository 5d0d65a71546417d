#include "join/concatenation.h"

#include "join/fileidentity.h"
#include "report/errorreport.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

#include <cerrno>
#include <memory>
#include <vector>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QFile>
#endif

namespace {

// The fallback copy moves data through one buffer of this size, whatever the file sizes.
constexpr qint64 kBufferBytes = qint64{1} << 20;
// Files below this size are gathered in the buffer and written many at a time.
constexpr qint64 kGatheredBelowBytes = qint64{64} << 10;

JoinResult Failure(const Err& failure, const QString& path) { return {JoinOutcome::Failed, failure, path}; }
JoinResult SystemFailure(int errorCode, const QString& path) {
  return Failure(FailureFromSystemError(errorCode), path);
}
JoinResult Stopped() { return {JoinOutcome::Stopped, {}, {}}; }
JoinResult Joined() { return {}; }

Err OutputIsInputFailure() {
  Err failure = FailureOfNumber(FailureNumber::kPathFileAccessError);
  failure.Description = QStringLiteral("結合するファイルと同じファイルには書き込めません。");
  return failure;
}

// Errors past this point have no errno of their own (Qt reports them in text).
JoinResult OutputFailure(int errorCode, const QSaveFile& output, const QString& outPath) {
  if (errorCode != 0) return SystemFailure(errorCode, outPath);
  Err failure = FailureOfNumber(FailureNumber::kPathFileAccessError);
  failure.Description += QStringLiteral("（%1）").arg(output.errorString());
  return Failure(failure, outPath);
}

bool DiskTooSmall(const QString& outPath, qint64 bytesNeeded) {
  const QStorageInfo storage(QFileInfo(outPath).absolutePath());
  return storage.isValid() && storage.isReady() && storage.bytesAvailable() >= 0 &&
         storage.bytesAvailable() < bytesNeeded;
}

struct InputFile {
  QString name;
  QString path;
  qint64 size = 0;
  FileIdentity identity;
};

JoinResult InspectInput(const QString& folder, const QString& name, InputFile& input) {
  input.name = name;
  input.path = folder + name;
  const std::optional<FileStatus> status = StatusOf(input.path);
  if (!status) return SystemFailure(errno, input.path);
  if (status->isFolder) return SystemFailure(EISDIR, input.path);
  input.size = status->size;
  input.identity = status->identity;
  return Joined();
}

// The output replaces its file only at the end, so it must be none of the inputs.
JoinResult InspectOutput(const QString& outPath, const std::vector<InputFile>& inputs) {
  const std::optional<FileStatus> status = StatusOf(outPath);
  if (!status) return Joined();
  if (status->isFolder) return SystemFailure(EISDIR, outPath);
  for (const InputFile& input : inputs) {
    if (input.identity == status->identity) return Failure(OutputIsInputFailure(), outPath);
  }
  return Joined();
}

#ifdef Q_OS_UNIX

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Whether a failed copy came from the output's side: a full disk or a size limit.
bool IsOutputError(int errorCode) {
  return errorCode == ENOSPC || errorCode == EDQUOT || errorCode == EFBIG || errorCode == EROFS;
}

// Kernel answers that mean "no kernel-side copy here", not a failed file.
bool IsKernelCopyRefused(int errorCode) {
  return errorCode == ENOSYS || errorCode == EXDEV || errorCode == EINVAL || errorCode == EOPNOTSUPP ||
         errorCode == EPERM;
}

// Copies each input to the end of the output's descriptor, in pieces.
class Copier {
 public:
  Copier(int output, const QString& outPath, qint64 bytesTotal, const JoinProgress& progress)
      : output_(output), outPath_(outPath), bytesTotal_(bytesTotal), progress_(progress) {}

  JoinResult CopyWhole(const InputFile& input) {
    const FileDescriptor source(::open(QFile::encodeName(input.path).constData(), O_RDONLY | O_CLOEXEC));
    if (source.get() < 0) return SystemFailure(errno, input.path);
    if (input.size < kGatheredBelowBytes) return Gather(source.get(), input);
    if (const JoinResult flushed = WriteGathered(); flushed.outcome != JoinOutcome::Joined) return flushed;
    ::posix_fadvise(source.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    // Whether the kernel copies depends on the pair of file systems, so each input tries it afresh.
    bool kernelCopy = true;
    qint64 copiedOfInput = 0;
    for (;;) {
      qint64 copied = kernelCopy ? CopyPieceInKernel(source.get()) : CopyPieceThroughBuffer(source.get());
      if (copied < 0) {
        if (errno == EINTR) continue;
        if (kernelCopy && IsKernelCopyRefused(errno)) {
          kernelCopy = false;
          continue;
        }
        return SystemFailure(errno, IsOutputError(errno) ? outPath_ : input.path);
      }
      if (copied == 0) {
        // Some file systems end a kernel copy early; reading tells the true end.
        if (kernelCopy && copiedOfInput < input.size) {
          kernelCopy = false;
          continue;
        }
        return Joined();
      }
      StartWriteBack(copied);
      copiedOfInput += copied;
      bytesDone_ += copied;
      if (progress_ && !progress_(bytesDone_, bytesTotal_, input.name)) return Stopped();
    }
  }

  // Writes what small inputs left in the buffer; the last input may have been one.
  JoinResult WriteGathered() {
    for (qint64 written = 0; written < gathered_;) {
      const ssize_t count = ::write(output_, buffer_.get() + written, gathered_ - written);
      if (count < 0) {
        if (errno == EINTR) continue;
        return SystemFailure(errno, outPath_);
      }
      written += count;
    }
    StartWriteBack(gathered_);
    gathered_ = 0;
    return Joined();
  }

  qint64 bytesDone() const { return bytesDone_; }

 private:
  // A join of many small files is bound by system calls per file: each one is
  // read into the buffer without a second read for its end, and the buffer is
  // written when full.
  JoinResult Gather(int source, const InputFile& input) {
    if (!buffer_) buffer_ = std::make_unique<char[]>(kBufferBytes);
    qint64 readOfInput = 0;
    for (;;) {
      if (gathered_ == kBufferBytes) {
        if (const JoinResult flushed = WriteGathered(); flushed.outcome != JoinOutcome::Joined) return flushed;
      }
      const qint64 room = kBufferBytes - gathered_;
      const ssize_t count = ::read(source, buffer_.get() + gathered_, room);
      if (count < 0) {
        if (errno == EINTR) continue;
        return SystemFailure(errno, input.path);
      }
      gathered_ += count;
      readOfInput += count;
      bytesDone_ += count;
      // A short read that reached the size seen when listing is the end of a
      // regular file; one that falls short of it may be a network file
      // system's, so reading goes on until a read returns nothing.
      if (count == 0 || (count < room && readOfInput >= input.size)) {
        if (progress_ && !progress_(bytesDone_, bytesTotal_, input.name)) return Stopped();
        return Joined();
      }
    }
  }

  // The disk starts writing what is copied while copying goes on, so that the
  // closing sync waits only for the last pieces.
  void StartWriteBack(qint64 length) {
#ifdef __linux__
    ::sync_file_range(output_, written_, length, SYNC_FILE_RANGE_WRITE);
#endif
    written_ += length;
  }

  qint64 CopyPieceInKernel(int source) {
#ifdef __linux__
    return ::copy_file_range(source, nullptr, output_, nullptr, kJoinPieceBytes, 0);
#else
    Q_UNUSED(source);
    errno = ENOSYS;
    return -1;
#endif
  }

  // Up to one piece through the buffer; -1 with errno on failure, 0 at end of file.
  qint64 CopyPieceThroughBuffer(int source) {
    if (!buffer_) buffer_ = std::make_unique<char[]>(kBufferBytes);
    qint64 copied = 0;
    while (copied < kJoinPieceBytes) {
      const ssize_t readCount = ::read(source, buffer_.get(), kBufferBytes);
      if (readCount < 0) {
        if (errno == EINTR) continue;
        return copied > 0 ? copied : -1;
      }
      if (readCount == 0) break;
      for (ssize_t written = 0; written < readCount;) {
        const ssize_t count = ::write(output_, buffer_.get() + written, readCount - written);
        if (count < 0) {
          if (errno == EINTR) continue;
          return -1;
        }
        written += count;
      }
      copied += readCount;
    }
    return copied;
  }

  const int output_;
  const QString& outPath_;
  const qint64 bytesTotal_;
  const JoinProgress& progress_;
  qint64 bytesDone_ = 0;
  qint64 written_ = 0;   // the output's length so far
  qint64 gathered_ = 0;  // bytes in the buffer not yet written
  std::unique_ptr<char[]> buffer_;
};

JoinResult CopyInputs(QSaveFile& output, const QString& outPath, const std::vector<InputFile>& inputs,
                      qint64 bytesTotal, const JoinProgress& progress) {
  Copier copier(output.handle(), outPath, bytesTotal, progress);
  for (const InputFile& input : inputs) {
    if (progress && !progress(copier.bytesDone(), bytesTotal, input.name)) return Stopped();
    const JoinResult result = copier.CopyWhole(input);
    if (result.outcome != JoinOutcome::Joined) return result;
  }
  if (const JoinResult flushed = copier.WriteGathered(); flushed.outcome != JoinOutcome::Joined) return flushed;
  // The commit's own sync ignores errors; a failed flush must not pass as a join.
  if (::fsync(output.handle()) != 0) return SystemFailure(errno, outPath);
  return Joined();
}

#else  // Platforms without POSIX descriptors copy through Qt's file classes.

JoinResult CopyInputs(QSaveFile& output, const QString& outPath, const std::vector<InputFile>& inputs,
                      qint64 bytesTotal, const JoinProgress& progress) {
  const auto buffer = std::make_unique<char[]>(kBufferBytes);
  qint64 bytesDone = 0;
  for (const InputFile& input : inputs) {
    if (progress && !progress(bytesDone, bytesTotal, input.name)) return Stopped();
    QFile source(input.path);
    if (!source.open(QIODevice::ReadOnly)) return OutputFailure(errno, output, input.path);
    for (;;) {
      const qint64 readCount = source.read(buffer.get(), kBufferBytes);
      if (readCount < 0) return SystemFailure(EIO, input.path);
      if (readCount == 0) break;
      if (output.write(buffer.get(), readCount) != readCount) return OutputFailure(errno, output, outPath);
      bytesDone += readCount;
      if (progress && !progress(bytesDone, bytesTotal, input.name)) return Stopped();
    }
  }
  if (!output.flush()) return OutputFailure(errno, output, outPath);
  return Joined();
}

#endif

}  // namespace

JoinResult JoinFiles(const QString& folder, const QString& outName, const QStringList& files,
                     const JoinProgress& progress) {
  const QString outPath = folder + outName;
  std::vector<InputFile> inputs(static_cast<size_t>(files.size()));
  qint64 bytesTotal = 0;
  for (qsizetype i = 0; i < files.size(); ++i) {
    const JoinResult inspected = InspectInput(folder, files[i], inputs[static_cast<size_t>(i)]);
    if (inspected.outcome != JoinOutcome::Joined) return inspected;
    bytesTotal += inputs[static_cast<size_t>(i)].size;
  }
  if (const JoinResult inspected = InspectOutput(outPath, inputs); inspected.outcome != JoinOutcome::Joined)
    return inspected;
  if (DiskTooSmall(outPath, bytesTotal)) return Failure(FailureOfNumber(FailureNumber::kDiskFull), outPath);

  QSaveFile output(outPath);
  errno = 0;
  if (!output.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
    // A missing folder part of the name: the path, not a file, was not found.
    return OutputFailure(errno == ENOENT ? ENOTDIR : errno, output, outPath);
  }
  const JoinResult copied = CopyInputs(output, outPath, inputs, bytesTotal, progress);
  if (copied.outcome != JoinOutcome::Joined) return copied;  // the unsaved output vanishes with `output`
  errno = 0;
  if (!output.commit()) return OutputFailure(errno, output, outPath);
  return Joined();
}

JoinOutcome VoverorFile(const QString& folder, const QString& outName, const QStringList& strFiles,
                        Dialogs& dialogs, const JoinProgress& progress) {
  const JoinResult result = JoinFiles(folder, outName, strFiles, progress);
  if (result.outcome == JoinOutcome::Failed)
    ReportError(QStringLiteral("VoverorFile"), WithFailedPath(result.failure, result.failedPath), dialogs);
  return result.outcome;
}
