#pragma once

#include <QtGlobal>

// The error code of one kind of failure on the system the test runs on:
// the POSIX code, or the Windows code; 0 where that system has none.
int SystemCode(int posixError, quint32 windowsError);

// POSIX codes that not every system has; 0 where it has none.
extern const int kNoMediumError;
extern const int kQuotaExceededError;
