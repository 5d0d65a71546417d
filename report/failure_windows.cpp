#include "report/failure_p.h"

#include <windows.h>

namespace {

using namespace FailureNumber;

// Windows' ERROR_DISK_QUOTA_EXCEEDED, which MinGW's headers lack.
constexpr int kDiskQuotaExceeded = 1295;

const SystemErrorFailure kFailures[] = {
    {ERROR_NOT_ENOUGH_MEMORY, kOutOfMemory},
    {ERROR_OUTOFMEMORY, kOutOfMemory},
    {ERROR_INVALID_NAME, kBadFileName},
    {ERROR_BAD_PATHNAME, kBadFileName},
    {ERROR_FILENAME_EXCED_RANGE, kBadFileName},
    {ERROR_FILE_NOT_FOUND, kFileNotFound},
    {ERROR_CRC, kDeviceIoError},
    {ERROR_WRITE_FAULT, kDeviceIoError},
    {ERROR_READ_FAULT, kDeviceIoError},
    {ERROR_GEN_FAILURE, kDeviceIoError},
    {ERROR_IO_DEVICE, kDeviceIoError},
    {ERROR_FILE_EXISTS, kFileAlreadyExists},
    {ERROR_ALREADY_EXISTS, kFileAlreadyExists},
    {ERROR_HANDLE_DISK_FULL, kDiskFull},
    {ERROR_DISK_FULL, kDiskFull},
    {kDiskQuotaExceeded, kDiskFull},
    {ERROR_NOT_ENOUGH_QUOTA, kDiskFull},
    {ERROR_TOO_MANY_OPEN_FILES, kTooManyFiles},
    {ERROR_INVALID_DRIVE, kDeviceUnavailable},
    {ERROR_NOT_READY, kDeviceUnavailable},
    {ERROR_BAD_NETPATH, kDeviceUnavailable},
    {ERROR_DEV_NOT_EXIST, kDeviceUnavailable},
    {ERROR_BAD_NET_NAME, kDeviceUnavailable},
    {ERROR_NO_MEDIA_IN_DRIVE, kDeviceUnavailable},
    {ERROR_ACCESS_DENIED, kPermissionDenied},
    {ERROR_SHARING_VIOLATION, kPermissionDenied},  // held open by another program
    {ERROR_LOCK_VIOLATION, kPermissionDenied},
    {ERROR_PATH_NOT_FOUND, kPathNotFound},
    {ERROR_DIRECTORY, kPathNotFound},
    {ERROR_FILE_TOO_LARGE, kPathFileAccessError, kFileTooLargeDescription},
    {ERROR_WRITE_PROTECT, kPermissionDenied, kReadOnlyDriveDescription},
};

}  // namespace

const std::span<const SystemErrorFailure> kSystemErrorFailures(kFailures);
