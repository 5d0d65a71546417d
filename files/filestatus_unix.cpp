#include "files/filestatus.h"

#include "files/filenames.h"
#include "files/posix_p.h"

#include <cerrno>

#include <sys/stat.h>

const SystemError kFileTooLargeError = EFBIG;
const SystemError kNotFoundError = ENOENT;
const SystemError kPathNotFoundError = ENOTDIR;
const SystemError kDiskFullError = ENOSPC;
const SystemError kInUseError = EBUSY;

bool IsLink(const QString& path) {
  struct stat status {};
  return ::lstat(EncodeFileName(path).constData(), &status) == 0 && S_ISLNK(status.st_mode);
}

std::optional<FileStatus> StatusOf(const QString& path, SystemError& error) {
  struct stat status {};
  if (::stat(EncodeFileName(path).constData(), &status) != 0) {
    error = errno;
    return std::nullopt;
  }
  return StatusFrom(status);
}

// A file open elsewhere is replaced all the same: the other program keeps reading the old one.
bool HeldByAnotherProgram(const QString&) { return false; }

std::optional<int> WebZoneOf(const QString&) { return std::nullopt; }
