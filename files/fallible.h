#pragma once

#include "files/filestatus.h"

#include <QString>

#include <utility>
#include <variant>

// What went wrong, as the file services and the engine find it; report/ says
// it in words.
enum class FailureKind {
  SystemError,         // the system refused, with its error code
  DriveUnavailable,    // the drive has no medium, is not ready, not mounted or gone
  NotPlainFile,        // an input that is a folder, FIFO, socket or device
  ReplacedMeanwhile,   // an input that was another file when opened than when looked at
  Shrank,              // an input cut short while it was copied
  SameAsInput,         // the output's name leads to an input
  OutputNotPlainFile,  // the output's name leads to a folder, device, FIFO or a link to nothing
  NameWindowsChanges,  // Windows would write another name, or no plain file
  ProcessSizeLimit,    // the output would pass this process's file-size limit (ulimit -f)
  Stopped,             // stopped by the user: a failure only for the temporary file it left
};

// The side of a join a failure happened on.
enum class FailureSide { Input, Output, Folder };

// A failure, the side and file it happened on, and what it left behind.
struct Failure {
  FailureKind kind = FailureKind::SystemError;
  FailureSide side = FailureSide::Output;
  QString path{};        // empty where the failure is no one file's
  SystemError code = 0;  // the system's error code, for SystemError
  QString leftBehind{};  // a temporary file the failed join could not remove
};

inline Failure SystemFailure(SystemError code, FailureSide side, const QString& path) {
  return {FailureKind::SystemError, side, path, code};
}

// A value, or the failure that kept it from being made.
template <typename T>
class Fallible {
 public:
  Fallible(T value) : held_(std::move(value)) {}
  Fallible(Failure failure) : held_(std::move(failure)) {}

  explicit operator bool() const { return held_.index() == 0; }
  const T& operator*() const { return std::get<0>(held_); }
  const T* operator->() const { return &std::get<0>(held_); }
  const Failure& failure() const { return std::get<1>(held_); }

 private:
  std::variant<T, Failure> held_;
};
