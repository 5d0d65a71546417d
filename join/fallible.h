#pragma once

#include "report/failure.h"

#include <QString>

#include <utility>
#include <variant>

// A failure and the file it happened on, which its report names.
struct Failure {
  Err err;
  QString path{};        // empty where the failure is no one file's
  QString leftBehind{};  // a temporary file the failed join could not remove
};

// The failure as its report shows it: the description, then the file it
// happened on and the temporary file it left behind, as a person reads them.
Err Described(const Failure& failure);

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
