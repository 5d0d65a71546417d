#pragma once

#include "join/concatenation.h"

#include <QString>
#include <QStringList>

class Dialogs;

// Lists and orders the folder's files into strFiles; a failure is shown in
// the error report and ends it with false.
bool OrderFolder(const QString& folder, bool byDate, Dialogs& dialogs, QStringList& strFiles);

// How the one join flow is driven: the window asks and announces; entw-join
// takes the name from its arguments, replaces any plain file without asking
// with --force, and is silent when it succeeds. The window's join runs on a
// thread of its own, so that the progress view keeps the window and assistive
// technology answered.
struct JoinCommandSettings {
  Replacing replacing = Replacing::WhatStoodThere;
  bool announceJoined = true;
  bool answerWhileJoining = false;
};
enum class JoinCommandOutcome { Joined, Cancelled, Failed };

// The join button's work: lists and orders the open folder's files into
// strFiles, asks for the output name, joins (VoverorFile), and tells the user
// how it ended.
JoinCommandOutcome RunJoinCommand(const QString& openFolder, bool byDate, Dialogs& dialogs, QStringList& strFiles,
                                  const JoinCommandSettings& settings = {});
