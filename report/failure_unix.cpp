#include "report/failure_p.h"

#include <cerrno>

namespace {

using namespace FailureNumber;

const SystemErrorFailure kFailures[] = {
    {kOutOfMemory, {ENOMEM}},
    {kBadFileName, {ENAMETOOLONG, EILSEQ}},
    {kFileNotFound, {ENOENT}},
    {kDeviceIoError, {EIO}},
    {kFileAlreadyExists, {EEXIST}},
    {kDiskFull, {ENOSPC, EDQUOT}},
    {kTooManyFiles, {EMFILE, ENFILE}},
    {kDeviceUnavailable, {ENOMEDIUM, ENODEV, ENXIO}},
    {kPermissionDenied, {EACCES, EPERM}},
    {kPathNotFound, {ENOTDIR}},
    {kPathFileAccessError, {EFBIG}, kFileTooLargeDescription},
    {kPermissionDenied, {EROFS}, kReadOnlyDriveDescription},
};

}  // namespace

const std::span<const SystemErrorFailure> kSystemErrorFailures(kFailures);
