#include "flow/joincommand.h"

#include "dialogs/dialogs.h"
#include "files/filenames.h"
#include "flow/progressrelay.h"
#include "join/joinorder.h"
#include "report/errorreport.h"
#include "resources/programinfo.h"

#include <optional>

namespace {

QString JoinTitle() { return QStringLiteral("結合 - ") + ProgramName(); }

// A failure of the join, from its plan to its commit, as the error report shows it.
void ReportJoinFailure(const Failure& failure, Dialogs& dialogs) {
  ReportError(QStringLiteral("VoverorFile"), Described(failure), dialogs);
}

JoinCommandOutcome ShowCancelled(Dialogs& dialogs) {
  dialogs.ShowMessage(QStringLiteral("結合をキャンセルしました。"), MessageStyle::kInformation, ProgramName());
  return JoinCommandOutcome::Cancelled;
}

// How the command ends where outName is not to be written: a refused name
// is told, a failure reported; a plain file there is replaced only when the
// user says so or any may be. Nothing where the join goes on, with what it
// may replace.
std::optional<JoinCommandOutcome> EndBeforeWriting(const QString& outName, const Fallible<JoinPlan>& plan,
                                                   Dialogs& dialogs, Replacing& replacing) {
  if (!plan) {
    if (const std::optional<QString> refusal = RefusalText(plan.failure(), outName))
      dialogs.ShowMessage(*refusal, MessageStyle::kError, ProgramName());
    else
      ReportJoinFailure(plan.failure(), dialogs);
    return JoinCommandOutcome::Failed;
  }
  if (!plan->replaces) {
    // A file that takes the name before the join looks again was never confirmed.
    if (replacing == Replacing::WhatStoodThere) replacing = Replacing::Nothing;
    return std::nullopt;
  }
  if (replacing == Replacing::AnyPlainFile ||
      dialogs.AskYesNo(QStringLiteral("「%1」は既に存在します。\r\n上書きしますか？").arg(outName), JoinTitle()))
    return std::nullopt;
  return ShowCancelled(dialogs);
}

// The concatenation, JoinFiles with the plan, a failure shown in the error
// report; where the window must keep answering, on a thread of its own.
JoinOutcome VoverorFile(const QString& folder, const QString& outName, const JoinPlan& plan, Dialogs& dialogs,
                        const JoinProgress& progress, Replacing replacing, bool answerWhileJoining) {
  const auto join = [&](const JoinProgress& report) { return JoinFiles(folder, outName, plan, report, replacing); };
  const JoinResult result =
      answerWhileJoining ? ProgressRelay(progress, plan.files.value(0)).Run(join) : join(progress);
  if (result.outcome == JoinOutcome::Failed) ReportJoinFailure(result.failure, dialogs);
  return result.outcome;
}

}  // namespace

bool OrderFolder(const QString& folder, bool byDate, Dialogs& dialogs, QStringList& strFiles) {
  const Fallible<QStringList> listing = ListJoinFolder(folder);
  const Fallible<QStringList> ordered = listing ? OrderJoinList(folder, *listing, byDate) : listing;
  if (!ordered) {
    ReportError(QStringLiteral("cmdMain_Click"), Described(ordered.failure()), dialogs);
    return false;
  }
  strFiles = *ordered;
  return true;
}

JoinCommandOutcome RunJoinCommand(const QString& openFolder, bool byDate, Dialogs& dialogs, QStringList& strFiles,
                                  const JoinCommandSettings& settings) {
  const QString folder = FolderText(openFolder);
  if (!OrderFolder(folder, byDate, dialogs, strFiles)) return JoinCommandOutcome::Failed;
  if (strFiles.isEmpty()) {
    dialogs.ShowMessage(QStringLiteral("結合するファイルがありません。"), MessageStyle::kInformation, ProgramName());
    return JoinCommandOutcome::Failed;
  }

  const QString outName = TrimOutputName(dialogs.PromptText(QStringLiteral("結合後ファイル名:"), JoinTitle()));
  if (outName.isEmpty()) return ShowCancelled(dialogs);
  // The inputs are looked at once, for the question and the join alike.
  const Fallible<JoinPlan> plan = PlanJoin(folder, outName, strFiles);
  Replacing replacing = settings.replacing;
  if (const std::optional<JoinCommandOutcome> end = EndBeforeWriting(outName, plan, dialogs, replacing)) return *end;

  JoinOutcome outcome;
  {
    const std::unique_ptr<ProgressView> progress = dialogs.OpenProgress(JoinTitle(), QStringLiteral("結合しています…"));
    const JoinProgress update = [&](qint64 done, qint64 total, const QString& file) {
      return progress->Update(done, total, DisplayFileName(file));
    };
    outcome = VoverorFile(folder, outName, *plan, dialogs, update, replacing, settings.answerWhileJoining);
  }
  switch (outcome) {
    case JoinOutcome::Joined:
      if (settings.announceJoined) {
        dialogs.ShowMessage(QStringLiteral("結合を終えました。\r\nOutput File Name: ") + outName,
                            MessageStyle::kInformation, ProgramName());
      }
      return JoinCommandOutcome::Joined;
    case JoinOutcome::Stopped:
      return ShowCancelled(dialogs);
    case JoinOutcome::Failed:
      break;
  }
  return JoinCommandOutcome::Failed;
}
