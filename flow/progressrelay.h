#pragma once

#include "join/concatenation.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

// Passes work's progress, reported on the work's own thread, to the view on
// the window's thread: at once when the view has not heard for 50 ms, the
// work waiting for its answer, and every 50 ms while the work is inside one
// long call, so the window answers however slow the drive. A stop asked in
// the view ends the work at its next report.
class ProgressRelay {
 public:
  explicit ProgressRelay(const QString& firstFile) : file_(firstFile) {}

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

  // On the work's thread.
  bool Report(qint64 done, qint64 total, const QString& file);

 private:
  using Clock = std::chrono::steady_clock;

  void Finish();
  // Whether the work finished, not left behind.
  bool Answer(const JoinProgress& view, std::chrono::milliseconds stopGrace);

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
