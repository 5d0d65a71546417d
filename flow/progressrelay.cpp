#include "flow/progressrelay.h"

namespace {

// How long the window may go without an answer while work runs.
constexpr std::chrono::milliseconds kAnswerEvery{50};

}  // namespace

bool ProgressRelay::Report(qint64 done, qint64 total, const QString& file) {
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

void ProgressRelay::Finish() {
  const std::lock_guard hold(lock_);
  finished_ = true;
  changed_.notify_all();
}

bool ProgressRelay::Answer(const JoinProgress& view, std::chrono::milliseconds stopGrace) {
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
