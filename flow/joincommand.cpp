#include "flow/joincommand.h"

#include "dialogs/dialogs.h"
#include "join/filenames.h"
#include "join/joinorder.h"
#include "report/errorreport.h"
#include "resources/programinfo.h"

#include <QDir>

#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace {

// How long the window may go without an answer while a join runs.
constexpr std::chrono::milliseconds kAnswerEvery{50};
// How long a stopped join may take to stop before the window leaves it behind.
constexpr std::chrono::milliseconds kStoppedJoinGrace{2000};

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

// Work's progress, reported on the work's own thread, passed to the view on
// the window's thread: at once when the view has not heard for
// kAnswerEvery, the work waiting for its answer, and every kAnswerEvery
// while the work is inside one long call, so the window answers however slow
// the drive. A stop asked in the view ends the work at its next report.
class ProgressRelay {
 public:
  explicit ProgressRelay(const QString& firstFile) : file_(firstFile) {}

  // On the work's thread.
  bool Report(qint64 done, qint64 total, const QString& file) {
    std::unique_lock hold(lock_);
    done_ = done;
    total_ = total;
    file_ = file;
    if (Clock::now() - lastAnswer_ >= kAnswerEvery && !leftBehind_) {
      reportWaiting_ = true;
      changed_.notify_all();
      changed_.wait(hold, [this] { return !reportWaiting_ || leftBehind_; });
    }
    return !stopAsked_ && !leftBehind_;
  }

  // On the window's thread, until the work has finished, or until stopGrace
  // after a stop was asked: work stuck meanwhile in a drive that does not
  // answer is left behind, nothing.
  template <typename Result>
  static std::optional<Result> Run(const JoinProgress& view, const QString& firstFile,
                                   std::chrono::milliseconds stopGrace,
                                   const std::function<Result(const JoinProgress&)>& work) {
    const auto relay = std::make_shared<ProgressRelay>(firstFile);
    // Finished however the work ends, a thrown failure included, which get() passes on.
    std::packaged_task<Result()> task([relay, work] {
      const struct Finish {
        ProgressRelay& relay;
        ~Finish() { relay.Finish(); }
      } finish{*relay};
      return work([relay](qint64 done, qint64 total, const QString& file) { return relay->Report(done, total, file); });
    });
    std::future<Result> result = task.get_future();
    // Never waited for: a thread stuck in a drive must not hold up the window or the program's end.
    std::thread(std::move(task)).detach();
    if (!relay->Answer(view, stopGrace)) return std::nullopt;
    return result.get();
  }

 private:
  using Clock = std::chrono::steady_clock;

  void Finish() {
    const std::lock_guard hold(lock_);
    finished_ = true;
    changed_.notify_all();
  }

  // Whether the work finished, not left behind.
  bool Answer(const JoinProgress& view, std::chrono::milliseconds stopGrace) {
    std::unique_lock hold(lock_);
    std::optional<Clock::time_point> giveUpAt;
    while (!finished_) {
      changed_.wait_for(hold, kAnswerEvery, [this] { return reportWaiting_ || finished_; });
      if (finished_) break;
      if (giveUpAt && Clock::now() >= *giveUpAt) {
        leftBehind_ = true;
        changed_.notify_all();
        return false;
      }
      const qint64 done = done_;
      const qint64 total = total_;
      const QString file = file_;
      hold.unlock();
      const bool goOn = view(done, total, file);
      hold.lock();
      if (!goOn && !giveUpAt) giveUpAt = Clock::now() + stopGrace;
      stopAsked_ = stopAsked_ || !goOn;
      lastAnswer_ = Clock::now();
      reportWaiting_ = false;
      changed_.notify_all();
    }
    return true;
  }

  std::mutex lock_;
  std::condition_variable changed_;
  // Until the work reports, nothing is done and the first file is next.
  qint64 done_ = 0;
  qint64 total_ = 1;
  QString file_;
  Clock::time_point lastAnswer_;
  bool reportWaiting_ = false;
  bool stopAsked_ = false;
  bool finished_ = false;
  bool leftBehind_ = false;
};

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

// The folder's files in join order, and the temporary files of joins found in it.
struct OrderedFolder {
  Fallible<QStringList> ordered;
  QStringList temporaries;
};

OrderedFolder ListAndOrder(const QString& folder, bool byDate) {
  QStringList temporaries;
  const Fallible<QStringList> listing = ListJoinFolder(folder, &temporaries);
  return {listing ? OrderJoinList(folder, *listing, byDate) : listing, temporaries};
}

bool ReportedOrder(const OrderedFolder& folder, Dialogs& dialogs, QStringList& strFiles) {
  if (!folder.ordered) {
    ReportError(QStringLiteral("cmdMain_Click"), Described(folder.ordered.failure()), dialogs);
    return false;
  }
  strFiles = *folder.ordered;
  return true;
}

}  // namespace

bool OrderFolder(const QString& folder, bool byDate, Dialogs& dialogs, QStringList& strFiles,
                 QStringList* temporaries) {
  const OrderedFolder ordered = ListAndOrder(folder, byDate);
  if (temporaries) *temporaries = ordered.temporaries;
  return ReportedOrder(ordered, dialogs, strFiles);
}

JoinOutcome VoverorFile(const QString& folder, const QString& outName, const QStringList& strFiles, Dialogs& dialogs,
                        const JoinProgress& progress, Replacing replacing) {
  return ReportedOutcome(JoinFiles(folder, outName, strFiles, progress, replacing), dialogs);
}

JoinCommandOutcome RunJoinCommand(const QString& openFolder, bool byDate, Dialogs& dialogs, QStringList& strFiles,
                                  const JoinCommandSettings& settings) {
  const QString folder = FolderText(openFolder);
  const std::optional<OrderedFolder> ordered =
      LookAt<OrderedFolder>(QDir::toNativeSeparators(openFolder), dialogs, settings,
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
                                 [folder, outName, files = strFiles, temporaries = ordered->temporaries] {
                                   return PlanJoin(folder, outName, files, temporaries);
                                 });
  if (!plan) return ShowCancelled(dialogs);
  if (!*plan) {
    ReportedOutcome({JoinOutcome::Failed, plan->failure()}, dialogs);
    return JoinCommandOutcome::Failed;
  }
  Replacing replacing = settings.replacing;
  if (const std::optional<JoinCommandOutcome> end = EndBeforeWriting(outName, (*plan)->target, dialogs, replacing))
    return *end;

  JoinOutcome outcome;
  {
    const std::unique_ptr<ProgressView> progress = dialogs.OpenProgress(JoinTitle(), QStringLiteral("結合しています…"));
    const JoinProgress update = [&](qint64 done, qint64 total, const QString& file) {
      return progress->Update(done, total, DisplayFileName(file));
    };
    const std::function<JoinResult(const JoinProgress&)> join = [folder, outName, joined = **plan,
                                                                 replacing](const JoinProgress& report) {
      return JoinFiles(folder, outName, joined, report, replacing);
    };
    // A join left behind, stuck in a drive, stops at its next report and removes what it wrote.
    const std::optional<JoinResult> result =
        settings.answerWhileJoining ? ProgressRelay::Run(update, strFiles.value(0), kStoppedJoinGrace, join)
                                    : join(update);
    outcome = ReportedOutcome(result.value_or(JoinResult{JoinOutcome::Stopped, {}}), dialogs);
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
