#pragma once

#include "report/failure.h"

// The failures of system error codes whose description is not their number's
// standard one, for each system's own table of codes.

// Beyond a size limit of the output's file system (FAT's 4 GiB): 75, not a full disk.
Err FileTooLargeFailure();
// A drive mounted or set read-only: 70, saying why.
Err ReadOnlyDriveFailure();
// A code without a number of its own: 75, with the system's own message.
Err UnnumberedSystemFailure(int errorCode);
