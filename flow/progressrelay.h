#pragma once

#include "join/concatenation.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

// Passes a join's progress, reported on the join's own thread, to the view
// on the window's thread: at once when the view has not heard for 50 ms,
// the join waiting for its answer, and every 50 ms while the join is inside
// one long write, so the window answers however slow the drive. A stop asked in the view ends the join at its next
// report.
class ProgressRelay {
 public:
  ProgressRelay(const JoinProgress& view, const QString& firstFile) : view_(view), file_(firstFile) {}

  // On the window's thread, until join returns.
  JoinResult Run(const std::function<JoinResult(const JoinProgress&)>& join);

 private:
  using Clock = std::chrono::steady_clock;

  // On the join's thread.
  bool Report(qint64 done, qint64 total, const QString& file);

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
