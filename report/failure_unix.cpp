#include "report/failure_p.h"

#include <cerrno>

Err FailureFromSystemError(int errorCode) {
  switch (errorCode) {
    case ENOMEM:
      return FailureOfNumber(FailureNumber::kOutOfMemory);
    case ENAMETOOLONG:
    case EILSEQ:
      return FailureOfNumber(FailureNumber::kBadFileName);
    case ENOENT:
      return FailureOfNumber(FailureNumber::kFileNotFound);
    case EIO:
      return FailureOfNumber(FailureNumber::kDeviceIoError);
    case EEXIST:
      return FailureOfNumber(FailureNumber::kFileAlreadyExists);
    case ENOSPC:
    case EDQUOT:
      return FailureOfNumber(FailureNumber::kDiskFull);
    case EMFILE:
    case ENFILE:
      return FailureOfNumber(FailureNumber::kTooManyFiles);
    case ENOMEDIUM:
    case ENODEV:
    case ENXIO:
      return FailureOfNumber(FailureNumber::kDeviceUnavailable);
    case EACCES:
    case EPERM:
      return FailureOfNumber(FailureNumber::kPermissionDenied);
    case ENOTDIR:
      return FailureOfNumber(FailureNumber::kPathNotFound);
    case EFBIG:
      return FileTooLargeFailure();
    case EROFS:
      return ReadOnlyDriveFailure();
    default:
      return UnnumberedSystemFailure(errorCode);
  }
}
