#include "report/failure_p.h"

#include <cerrno>

namespace {

using namespace FailureNumber;

const SystemErrorFailure kFailures[] = {
    {ENOMEM, kOutOfMemory},
    {ENAMETOOLONG, kBadFileName},
    {EILSEQ, kBadFileName},
    {ENOENT, kFileNotFound},
    {EIO, kDeviceIoError},
    {EEXIST, kFileAlreadyExists},
    {ENOSPC, kDiskFull},
    {EDQUOT, kDiskFull},
    {EMFILE, kTooManyFiles},
    {ENFILE, kTooManyFiles},
    {ENOMEDIUM, kDeviceUnavailable},
    {ENODEV, kDeviceUnavailable},
    {ENXIO, kDeviceUnavailable},
    {EACCES, kPermissionDenied},
    {EPERM, kPermissionDenied},
    {ENOTDIR, kPathNotFound},
    {EFBIG, kPathFileAccessError, kFileTooLargeDescription},
    {EROFS, kPermissionDenied, kReadOnlyDriveDescription},
};

}  // namespace

const std::span<const SystemErrorFailure> kSystemErrorFailures(kFailures);
