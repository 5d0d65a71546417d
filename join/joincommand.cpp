#include "join/joincommand.h"

namespace {

bool IsTrimmedBlank(QChar character) { return character == u' ' || character == u'\u3000'; }

}  // namespace

QString TrimOutputName(const QString& typed) {
  qsizetype first = 0;
  qsizetype end = typed.size();
  while (first < end && IsTrimmedBlank(typed[first])) ++first;
  while (end > first && IsTrimmedBlank(typed[end - 1])) --end;
  return typed.mid(first, end - first);
}
