#pragma once

#include "join/joinplan.h"

#include <QString>
#include <QStringList>

#include <functional>

// Called before each input, after each small input gathered, after each
// piece of at most kJoinPieceBytes copied or hole passed over, and while the
// output is flushed to disk (then with an empty file name); returning false
// stops the join.
using JoinProgress = std::function<bool(qint64 bytesDone, qint64 bytesTotal, const QString& currentFile)>;
inline constexpr qint64 kJoinPieceBytes = qint64{8} << 20;

// Called about every quarter second while another program (a virus scanner,
// the search indexer, a media player) holds the file that the output
// replaces, with that file's path, for up to about 30 seconds; returning
// false stops the join. Where it is not given, progress is called instead,
// as while the output is flushed.
using JoinWaiting = std::function<bool(const QString& heldFile)>;

enum class JoinOutcome { Joined, Failed, Stopped };

struct JoinResult {
  JoinOutcome outcome = JoinOutcome::Joined;
  Failure failure;  // when Failed
};

// What a join may replace at the output's name: nothing (the name was free
// when the caller looked), the plain file that stood there when it started,
// or also one that appears there meanwhile.
enum class Replacing { Nothing, WhatStoodThere, AnyPlainFile };

// Writes folder + outName as the bytes of folder + each of the plan's files,
// in list order, with nothing added; each input as it was when opened, up
// to its length then. The plan is PlanJoin's for the same folder and name:
// inputs it looked at are not looked at again, but each must still be the
// file it was when opened. The output appears whole or not at all: an
// existing file of that name is replaced only after the last input was
// copied, and is untouched when the join fails or is stopped. The output
// carries the web's mark of the least trusted zone its inputs came from.
JoinResult JoinFiles(const QString& folder, const QString& outName, const JoinPlan& plan,
                     const JoinProgress& progress = {}, Replacing replacing = Replacing::WhatStoodThere,
                     const JoinWaiting& waiting = {});
