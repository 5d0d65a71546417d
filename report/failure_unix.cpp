#include "report/failure_p.h"

#include <cerrno>

namespace {

using namespace ShownAs;

const SystemErrorFailure kFailures[] = {
    {&kOutOfMemory, {ENOMEM}},
    {&kBadFileName, {ENAMETOOLONG, EILSEQ}},
    {&kFileNotFound, {ENOENT}, kDriveUnavailable},
    {&kDeviceIoError, {EIO}},
    {&kFileAlreadyExists, {EEXIST}},
    {&kDiskFull, {ENOSPC, EDQUOT}},
    {&kTooManyFiles, {EMFILE, ENFILE}},
    {&kDeviceUnavailable, {ENOMEDIUM, ENODEV, ENXIO}, kDriveUnavailable},
    {&kPermissionDenied, {EACCES, EPERM}},
    {&kPathNotFound, {ENOTDIR}, kDriveUnavailable},
    {&kFileTooLargeForDrive, {EFBIG}},
    {&kReadOnlyDrive, {EROFS}},
};

}  // namespace

const std::span<const SystemErrorFailure> kSystemErrorFailures(kFailures);
