#include "flow/progressrelay.h"

#include <future>

namespace {

// How long the window may go without an answer while a join runs.
constexpr std::chrono::milliseconds kAnswerEvery{50};

}  // namespace

JoinResult ProgressRelay::Run(const std::function<JoinResult(const JoinProgress&)>& join) {
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

bool ProgressRelay::Report(qint64 done, qint64 total, const QString& file) {
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
