#include "report/failure_p.h"

#include <windows.h>

namespace {

// Windows' ERROR_DISK_QUOTA_EXCEEDED, which MinGW's headers lack.
constexpr DWORD kDiskQuotaExceeded = 1295;

}  // namespace

Err FailureFromSystemError(int errorCode) {
  switch (static_cast<DWORD>(errorCode)) {
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return FailureOfNumber(FailureNumber::kOutOfMemory);
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
      return FailureOfNumber(FailureNumber::kBadFileName);
    case ERROR_FILE_NOT_FOUND:
      return FailureOfNumber(FailureNumber::kFileNotFound);
    case ERROR_CRC:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
      return FailureOfNumber(FailureNumber::kDeviceIoError);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return FailureOfNumber(FailureNumber::kFileAlreadyExists);
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
    case kDiskQuotaExceeded:
    case ERROR_NOT_ENOUGH_QUOTA:
      return FailureOfNumber(FailureNumber::kDiskFull);
    case ERROR_TOO_MANY_OPEN_FILES:
      return FailureOfNumber(FailureNumber::kTooManyFiles);
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_READY:
    case ERROR_BAD_NETPATH:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_BAD_NET_NAME:
    case ERROR_NO_MEDIA_IN_DRIVE:
      return FailureOfNumber(FailureNumber::kDeviceUnavailable);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:  // held open by another program
    case ERROR_LOCK_VIOLATION:
      return FailureOfNumber(FailureNumber::kPermissionDenied);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY:
      return FailureOfNumber(FailureNumber::kPathNotFound);
    case ERROR_FILE_TOO_LARGE:
      return FileTooLargeFailure();
    case ERROR_WRITE_PROTECT:
      return ReadOnlyDriveFailure();
    default:
      return UnnumberedSystemFailure(errorCode);
  }
}
