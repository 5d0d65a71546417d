#include "files/filestatus.h"

#include "files/nativepath.h"
#include "files/win32_p.h"

#include <windows.h>

const SystemError kFileTooLargeError = ERROR_FILE_TOO_LARGE;
const SystemError kNotFoundError = ERROR_FILE_NOT_FOUND;
const SystemError kPathNotFoundError = ERROR_PATH_NOT_FOUND;
const SystemError kDiskFullError = ERROR_DISK_FULL;

bool IsLink(const QString& path) {
  const DWORD attributes = ::GetFileAttributesW(Win32Path(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::optional<FileStatus> StatusOf(const QString& path, SystemError& error) {
  const std::wstring native = Win32Path(path);
  HANDLE handle = ::CreateFileW(native.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  // A device opens only for no access at all, which still tells what it is.
  if (handle == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_NOT_FOUND &&
      ::GetLastError() != ERROR_PATH_NOT_FOUND)
    handle = ::CreateFileW(native.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = LastError();
    return std::nullopt;
  }
  std::optional<FileStatus> status = StatusOfHandle(handle, error);
  ::CloseHandle(handle);
  return status;
}
