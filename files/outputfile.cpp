#include "files/outputfile.h"

#include "files/outputfile_p.h"

#include <QRandomGenerator>

#include <algorithm>

bool IsJoinTemporaryName(QStringView name) {
  static constexpr QStringView kPrefix = u".entw-join-";
  static constexpr QStringView kSuffix = u".tmp";
  if (name.size() != kPrefix.size() + 8 + kSuffix.size() || !name.startsWith(kPrefix) || !name.endsWith(kSuffix))
    return false;
  const QStringView digits = name.sliced(kPrefix.size(), 8);
  return std::all_of(digits.begin(), digits.end(),
                     [](QChar digit) { return (digit >= u'0' && digit <= u'9') || (digit >= u'a' && digit <= u'f'); });
}

QString NewJoinTemporaryName() {
  return QStringLiteral(".entw-join-%1.tmp").arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'));
}
