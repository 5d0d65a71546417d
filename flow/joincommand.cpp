#include "flow/joincommand.h"

#include "dialogs/dialogs.h"
#include "files/filenames.h"
#include "flow/progressrelay.h"
#include "join/joinorder.h"
#include "report/errorreport.h"
#include "resources/programinfo.h"

#include <QDir>

#include <chrono>
#include <optional>

namespace {

// How long a stopped join may take to stop before the window leaves it behind.
constexpr std::chrono::milliseconds kStoppedJoinGrace{2000};

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
  const QString question = plan->replacesReadOnly
                               ? QStringLiteral("「%1」は既に存在し、読み取り専用です。\r\n上書きしますか？")
                               : QStringLiteral("「%1」は既に存在します。\r\n上書きしますか？");
  if (replacing == Replacing::AnyPlainFile || dialogs.AskYesNo(question.arg(outName), JoinTitle())) return std::nullopt;
  return ShowCancelled(dialogs);
}

// What the progress says while the join waits for another program to let go
// of the file it replaces.
QString WaitingText(const QString& heldFile) {
  return QStringLiteral("ほかのプログラムが「%1」を使用中です。閉じられるのを待っています…")
      .arg(QDir::toNativeSeparators(DisplayFileName(heldFile)));
}

// The concatenation, JoinFiles with the plan, a failure shown in the error
// report; where the window must keep answering, on a thread of its own. A
// join left behind there, stuck in a drive, stops at its next report and
// removes what it wrote. A wait for another program reaches the view as
// progress, every byte copied, or where the join runs here, as a wait.
JoinOutcome VoverorFile(const QString& folder, const QString& outName, const JoinPlan& plan, Dialogs& dialogs,
                        const JoinProgress& progress, ProgressView& view, Replacing replacing,
                        bool answerWhileJoining) {
  const std::function<JoinResult(const JoinProgress&)> relayed = [folder, outName, plan,
                                                                  replacing](const JoinProgress& report) {
    const JoinWaiting wait = [report](const QString& heldFile) { return report(1, 1, WaitingText(heldFile)); };
    return JoinFiles(folder, outName, plan, report, replacing, wait);
  };
  const JoinWaiting wait = [&view](const QString& heldFile) { return view.WaitFor(WaitingText(heldFile)); };
  const JoinResult result = answerWhileJoining
                                ? ProgressRelay::Run(progress, plan.files.value(0), kStoppedJoinGrace, relayed)
                                      .value_or(JoinResult{JoinOutcome::Stopped, {}})
                                : JoinFiles(folder, outName, plan, progress, replacing, wait);
  if (result.outcome == JoinOutcome::Failed) ReportJoinFailure(result.failure, dialogs);
  return result.outcome;
}

// Work that may wait on a drive, done where the window is to keep answering
// on a thread of its own, with a progress view that names `item` and whose
// キャンセル leaves the work behind at once; nothing where it did.
template <typename Result>
std::optional<Result> LookAt(const QString& item, Dialogs& dialogs, const JoinCommandSettings& settings,
                             const std::function<Result()>& work) {
  if (!settings.answerWhileJoining) return work();
  const std::unique_ptr<ProgressView> progress = dialogs.OpenProgress(JoinTitle(), QStringLiteral("結合しています…"));
  const JoinProgress update = [&](qint64 done, qint64 total, const QString& file) {
    return progress->Update(done, total, file);
  };
  // Stopped meanwhile: the work's result is not used either.
  const std::function<std::optional<Result>(const JoinProgress&)> relayed = [work, item](const JoinProgress& report) {
    Result result = work();
    return report(0, 1, item) ? std::optional<Result>(std::move(result)) : std::nullopt;
  };
  return ProgressRelay::Run(update, item, std::chrono::milliseconds::zero(), relayed).value_or(std::nullopt);
}

Fallible<QStringList> ListAndOrder(const QString& folder, bool byDate) {
  const Fallible<QStringList> listing = ListJoinFolder(folder);
  return listing ? OrderJoinList(folder, *listing, byDate) : listing;
}

bool ReportedOrder(const Fallible<QStringList>& ordered, Dialogs& dialogs, QStringList& strFiles) {
  if (!ordered) {
    ReportError(QStringLiteral("cmdMain_Click"), Described(ordered.failure()), dialogs);
    return false;
  }
  strFiles = *ordered;
  return true;
}

}  // namespace

bool OrderFolder(const QString& folder, bool byDate, Dialogs& dialogs, QStringList& strFiles) {
  return ReportedOrder(ListAndOrder(folder, byDate), dialogs, strFiles);
}

JoinCommandOutcome RunJoinCommand(const QString& openFolder, bool byDate, Dialogs& dialogs, QStringList& strFiles,
                                  const JoinCommandSettings& settings) {
  const QString folder = FolderText(openFolder);
  const std::optional<Fallible<QStringList>> ordered =
      LookAt<Fallible<QStringList>>(QDir::toNativeSeparators(openFolder), dialogs, settings,
                                    [folder, byDate] { return ListAndOrder(folder, byDate); });
  if (!ordered) return ShowCancelled(dialogs);
  if (!ReportedOrder(*ordered, dialogs, strFiles)) return JoinCommandOutcome::Failed;
  if (strFiles.isEmpty()) {
    dialogs.ShowMessage(QStringLiteral("結合するファイルがありません。"), MessageStyle::kInformation, ProgramName());
    return JoinCommandOutcome::Failed;
  }

  const QString outName = TrimOutputName(dialogs.PromptText(QStringLiteral("結合後ファイル名:"), JoinTitle()));
  if (outName.isEmpty()) return ShowCancelled(dialogs);
  // The inputs are looked at once, for the question and the join alike.
  const std::optional<Fallible<JoinPlan>> plan =
      LookAt<Fallible<JoinPlan>>(DisplayFileName(outName), dialogs, settings,
                                 [folder, outName, files = strFiles] { return PlanJoin(folder, outName, files); });
  if (!plan) return ShowCancelled(dialogs);
  Replacing replacing = settings.replacing;
  if (const std::optional<JoinCommandOutcome> end = EndBeforeWriting(outName, *plan, dialogs, replacing)) return *end;

  JoinOutcome outcome;
  {
    const std::unique_ptr<ProgressView> progress = dialogs.OpenProgress(JoinTitle(), QStringLiteral("結合しています…"));
    const JoinProgress update = [&](qint64 done, qint64 total, const QString& file) {
      return progress->Update(done, total, DisplayFileName(file));
    };
    outcome = VoverorFile(folder, outName, **plan, dialogs, update, *progress, replacing, settings.answerWhileJoining);
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
