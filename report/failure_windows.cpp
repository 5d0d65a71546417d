#include "report/failure_p.h"

#include <windows.h>

namespace {

using namespace ShownAs;

// Windows' ERROR_DISK_QUOTA_EXCEEDED, which MinGW's headers lack.
constexpr int kDiskQuotaExceeded = 1295;

const SystemErrorFailure kFailures[] = {
    {&kOutOfMemory, {ERROR_NOT_ENOUGH_MEMORY, ERROR_OUTOFMEMORY}},
    {&kBadFileName, {ERROR_INVALID_NAME, ERROR_BAD_PATHNAME, ERROR_FILENAME_EXCED_RANGE}},
    {&kFileNotFound, {ERROR_FILE_NOT_FOUND}, kDriveUnavailable},
    {&kDeviceIoError, {ERROR_CRC, ERROR_WRITE_FAULT, ERROR_READ_FAULT, ERROR_GEN_FAILURE, ERROR_IO_DEVICE}},
    {&kFileAlreadyExists, {ERROR_FILE_EXISTS, ERROR_ALREADY_EXISTS}},
    {&kDiskFull, {ERROR_HANDLE_DISK_FULL, ERROR_DISK_FULL, kDiskQuotaExceeded, ERROR_NOT_ENOUGH_QUOTA}},
    {&kTooManyFiles, {ERROR_TOO_MANY_OPEN_FILES}},
    {&kDeviceUnavailable,
     {ERROR_INVALID_DRIVE, ERROR_NOT_READY, ERROR_BAD_NETPATH, ERROR_DEV_NOT_EXIST, ERROR_BAD_NET_NAME,
      ERROR_NO_MEDIA_IN_DRIVE},
     kDriveUnavailable},
    {&kPermissionDenied, {ERROR_ACCESS_DENIED}},
    // ERROR_DIRECTORY: a file where the folder was.
    {&kPathNotFound, {ERROR_PATH_NOT_FOUND, ERROR_DIRECTORY}, kDriveUnavailable},
    {&kFileTooLargeForDrive, {ERROR_FILE_TOO_LARGE}},
    {&kReadOnlyDrive, {ERROR_WRITE_PROTECT}},
    {&kInUse, {ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION}},
    {nullptr, {ERROR_UNRECOGNIZED_VOLUME, ERROR_NO_NETWORK, ERROR_NETWORK_UNREACHABLE}, kDriveUnavailable},
};

}  // namespace

const std::span<const SystemErrorFailure> kSystemErrorFailures(kFailures);
