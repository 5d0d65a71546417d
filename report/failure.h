#pragma once

#include "files/fallible.h"

#include <QString>
#include <QtGlobal>

// The failure being handled: a failure number and its description.
struct Err {
  qint32 Number = 0;
  QString Description;
};

// The failure as the error report shows it: its number, and its description
// with the file it happened on (named once) and the temporary file it left
// behind.
Err Described(const Failure& failure);

// Why the join flow refuses an output name (SameAsInput, OutputNotPlainFile,
// NameWindowsChanges), naming it as typed.
QString RefusalText(FailureKind kind, const QString& outName);

// The failure for an operating-system error code (errno, or the Windows
// error code on Windows); codes without a number of their own become 75
// with the system's message appended.
Err FailureFromSystemError(SystemError errorCode);

// Whether a drive whose folder would not open with the system's error code
// is unavailable (68): the drive or the folder is not there, has no medium,
// is not mounted or is gone. A folder that may not be read is not.
bool MeansUnavailable(SystemError errorCode);
