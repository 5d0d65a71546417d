#include "flow/joincommand.h"

#include "dialogs/dialogs.h"
#include "files/filenames.h"
#include "join/joinorder.h"
#include "report/errorreport.h"
#include "resources/programinfo.h"

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <optional>

namespace {

// How long the window may go without an answer while a join runs.
constexpr std::chrono::milliseconds kAnswerEvery{50};

QString JoinTitle() { return QStringLiteral("結合 - ") + ProgramName(); }

JoinOutcome ReportedOutcome(const JoinResult& result, Dialogs& dialogs) {
  if (result.outcome == JoinOutcome::Failed)
    ReportError(QStringLiteral("VoverorFile"), Described(result.failure), dialogs);
  return result.outcome;
}

JoinCommandOutcome ShowCancelled(Dialogs& dialogs) {
  dialogs.ShowMessage(QStringLiteral("結合をキャンセルしました。"), MessageStyle::kInformation, ProgramName());
  return JoinCommandOutcome::Cancelled;
}

// How the command ends where outName is not to be written: an input or what
// is no plain file is refused, another file is replaced only when the user
// says so or any may be; nothing where the join goes on, with what it may
// replace.
std::optional<JoinCommandOutcome> EndBeforeWriting(const QString& outName, OutputTarget target, Dialogs& dialogs,
                                                   Replacing& replacing) {
  switch (target) {
    case OutputTarget::Free:
      // A file that takes the name before the join looks again was never confirmed.
      if (replacing == Replacing::WhatStoodThere) replacing = Replacing::Nothing;
      return std::nullopt;
    case OutputTarget::PlainFile:
      break;
    default:
      dialogs.ShowMessage(RefusalText(RefusalOf(target), outName), MessageStyle::kError, ProgramName());
      return JoinCommandOutcome::Failed;
  }
  if (replacing == Replacing::AnyPlainFile ||
      dialogs.AskYesNo(QStringLiteral("「%1」は既に存在します。\r\n上書きしますか？").arg(outName), JoinTitle()))
    return std::nullopt;
  return ShowCancelled(dialogs);
}

// Passes a join's progress, reported on the join's own thread, to the view
// on the window's thread: at once when the view has not heard for
// kAnswerEvery, the join waiting for its answer, and every kAnswerEvery
// while the join is inside one long write, so the window answers however
// slow the drive. A stop asked in the view ends the join at its next report.
class ProgressRelay {
 public:
  ProgressRelay(const JoinProgress& view, const QString& firstFile) : view_(view), file_(firstFile) {}

  // On the window's thread, until join returns.
  JoinResult Run(const std::function<JoinResult(const JoinProgress&)>& join) {
    std::future<JoinResult> joined = std::async(std::launch::async, [this, &join] {
      // Finished however the join ends, a thrown failure included, which get() passes on.
      const struct Finish {
        ProgressRelay& relay;
        ~Finish() {
          const std::lock_guard hold(relay.lock_);
          relay.finished_ = true;
          relay.changed_.notify_all();
        }
      } finish{*this};
      return join([this](qint64 done, qint64 total, const QString& file) { return Report(done, total, file); });
    });
    std::unique_lock hold(lock_);
    while (!finished_) {
      changed_.wait_for(hold, kAnswerEvery, [this] { return reportWaiting_ || finished_; });
      if (finished_) break;
      const qint64 done = done_;
      const qint64 total = total_;
      const QString file = file_;
      hold.unlock();
      const bool goOn = view_(done, total, file);
      hold.lock();
      stopAsked_ = stopAsked_ || !goOn;
      lastAnswer_ = Clock::now();
      reportWaiting_ = false;
      changed_.notify_all();
    }
    hold.unlock();
    return joined.get();
  }

 private:
  using Clock = std::chrono::steady_clock;

  // On the join's thread.
  bool Report(qint64 done, qint64 total, const QString& file) {
    std::unique_lock hold(lock_);
    done_ = done;
    total_ = total;
    file_ = file;
    if (Clock::now() - lastAnswer_ < kAnswerEvery) return !stopAsked_;
    reportWaiting_ = true;
    changed_.notify_all();
    changed_.wait(hold, [this] { return !reportWaiting_; });
    return !stopAsked_;
  }

  const JoinProgress& view_;
  std::mutex lock_;
  std::condition_variable changed_;
  // Until the join reports, nothing is done and the first file is next.
  qint64 done_ = 0;
  qint64 total_ = 1;
  QString file_;
  Clock::time_point lastAnswer_;
  bool reportWaiting_ = false;
  bool stopAsked_ = false;
  bool finished_ = false;
};

}  // namespace

bool OrderFolder(const QString& folder, bool byDate, Dialogs& dialogs, QStringList& strFiles,
                 QStringList* temporaries) {
  const Fallible<QStringList> listing = ListJoinFolder(folder, temporaries);
  const Fallible<QStringList> ordered = listing ? OrderJoinList(folder, *listing, byDate) : listing;
  if (!ordered) {
    ReportError(QStringLiteral("cmdMain_Click"), Described(ordered.failure()), dialogs);
    return false;
  }
  strFiles = *ordered;
  return true;
}

JoinOutcome VoverorFile(const QString& folder, const QString& outName, const QStringList& strFiles, Dialogs& dialogs,
                        const JoinProgress& progress, Replacing replacing) {
  return ReportedOutcome(JoinFiles(folder, outName, strFiles, progress, replacing), dialogs);
}

JoinCommandOutcome RunJoinCommand(const QString& openFolder, bool byDate, Dialogs& dialogs, QStringList& strFiles,
                                  const JoinCommandSettings& settings) {
  const QString folder = FolderText(openFolder);
  QStringList temporaries;
  if (!OrderFolder(folder, byDate, dialogs, strFiles, &temporaries)) return JoinCommandOutcome::Failed;
  if (strFiles.isEmpty()) {
    dialogs.ShowMessage(QStringLiteral("結合するファイルがありません。"), MessageStyle::kInformation, ProgramName());
    return JoinCommandOutcome::Failed;
  }

  const QString outName = TrimOutputName(dialogs.PromptText(QStringLiteral("結合後ファイル名:"), JoinTitle()));
  if (outName.isEmpty()) return ShowCancelled(dialogs);
  // The inputs are looked at once, for the question and the join alike.
  const Fallible<JoinPlan> plan = PlanJoin(folder, outName, strFiles, temporaries);
  if (!plan) {
    ReportedOutcome({JoinOutcome::Failed, plan.failure()}, dialogs);
    return JoinCommandOutcome::Failed;
  }
  Replacing replacing = settings.replacing;
  if (const std::optional<JoinCommandOutcome> end = EndBeforeWriting(outName, plan->target, dialogs, replacing))
    return *end;

  JoinOutcome outcome;
  {
    const std::unique_ptr<ProgressView> progress = dialogs.OpenProgress(JoinTitle(), QStringLiteral("結合しています…"));
    const JoinProgress update = [&](qint64 done, qint64 total, const QString& file) {
      return progress->Update(done, total, DisplayFileName(file));
    };
    const auto join = [&](const JoinProgress& report) { return JoinFiles(folder, outName, *plan, report, replacing); };
    outcome = ReportedOutcome(
        settings.answerWhileJoining ? ProgressRelay(update, strFiles.value(0)).Run(join) : join(update), dialogs);
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
