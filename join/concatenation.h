#pragma once

#include "report/failure.h"

#include <QString>
#include <QStringList>

#include <functional>

class Dialogs;

// Called before each input, between pieces of at most kJoinPieceBytes, and
// while the output is flushed to disk (then with an empty file name);
// returning false stops the join.
using JoinProgress = std::function<bool(qint64 bytesDone, qint64 bytesTotal, const QString& currentFile)>;
inline constexpr qint64 kJoinPieceBytes = qint64{8} << 20;

enum class JoinOutcome { Joined, Failed, Stopped };

struct JoinResult {
  JoinOutcome outcome = JoinOutcome::Joined;
  Err failure;         // set when Failed
  QString failedPath;  // the file the failure happened on
};

// Writes folder + outName as the bytes of folder + each of files, in list
// order, with nothing added. The output appears whole or not at all: an
// existing file of that name is replaced only after the last input was
// copied, and is untouched when the join fails or is stopped.
JoinResult JoinFiles(const QString& folder, const QString& outName, const QStringList& files,
                     const JoinProgress& progress = {});

// JoinFiles, with a failure shown in the error report.
JoinOutcome VoverorFile(const QString& folder, const QString& outName, const QStringList& strFiles,
                        Dialogs& dialogs, const JoinProgress& progress = {});
