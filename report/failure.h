#pragma once

#include "files/fallible.h"

#include <QString>
#include <QtGlobal>

#include <optional>

// The failure being handled: a failure number and its description.
struct Err {
  qint32 Number = 0;
  QString Description;
};

// The failure as the error report shows it: its number, and its description
// with the file it happened on (named once) and the temporary file it left
// behind.
Err Described(const Failure& failure);

// Why the join flow refuses an output name, naming it as typed, where the
// failure is a refusal (SameAsInput, OutputNotPlainFile, NameWindowsChanges);
// nothing for any other failure, which the error report shows.
std::optional<QString> RefusalText(const Failure& failure, const QString& outName);

// The failure for an operating-system error code (errno, or the Windows
// error code on Windows); codes without a number of their own become 75
// with the system's message appended.
Err FailureFromSystemError(SystemError errorCode);

// Whether a drive whose folder would not open with the system's error code
// is unavailable (68): the drive or the folder is not there, has no medium,
// is not mounted or is gone. A folder that may not be read is not.
bool MeansUnavailable(SystemError errorCode);
