#pragma once

#include <QString>
#include <QtGlobal>

// What the output file's platform files share: the names of its temporary files.

QString NewJoinTemporaryName();

// A temporary file untouched for this long, and held by no running join, was
// left by a join that was killed or crashed.
inline constexpr qint64 kStrayJoinTemporarySeconds = 10 * 60;

// Calls make with fresh temporary names until it makes its file under one:
// make returns true once it did, or false, with `taken` set where the name
// was in use already; any other failure ends the tries.
template <typename Make>
bool MakeUnderFreshTemporaryName(const Make& make) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    bool taken = false;
    if (make(NewJoinTemporaryName(), taken)) return true;
    if (!taken) return false;
  }
  return false;
}
