#include "report/failure_p.h"

#include <windows.h>

namespace {

using namespace ShownAs;

// Windows' ERROR_DISK_QUOTA_EXCEEDED, which MinGW's headers lack.
constexpr int kDiskQuotaExceeded = 1295;
// Windows' ERROR_CLOUD_FILE_* codes, which MinGW's headers lack: those a read
// of an online-only file meets first (the sync program not running or ended,
// no network, no sign-in, no answer in time), then the others.
constexpr std::array<int, 6> kCloudFileOffline{362, 404, 388, 386, 426, 475};
constexpr std::array<int, 6> kCloudFileRefused{389, 393, 398, 395, 391, 387};
constexpr std::array<int, 6> kCloudFileOther1{358, 363, 364, 365, 366, 374};
constexpr std::array<int, 6> kCloudFileOther2{375, 377, 378, 379, 380, 381};
constexpr std::array<int, 6> kCloudFileOther3{382, 383, 390, 392, 394, 396};
constexpr std::array<int, 6> kCloudFileOther4{397, 434};

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
    {&kCloudFile, kCloudFileOffline},
    {&kCloudFile, kCloudFileRefused},
    {&kCloudFile, kCloudFileOther1},
    {&kCloudFile, kCloudFileOther2},
    {&kCloudFile, kCloudFileOther3},
    {&kCloudFile, kCloudFileOther4},
    // Also what an online-only file gives where its sync program is missing.
    {&kCannotAccessFile, {ERROR_CANT_ACCESS_FILE}},
    {nullptr, {ERROR_UNRECOGNIZED_VOLUME, ERROR_NO_NETWORK, ERROR_NETWORK_UNREACHABLE}, kDriveUnavailable},
};

}  // namespace

const std::span<const SystemErrorFailure> kSystemErrorFailures(kFailures);
