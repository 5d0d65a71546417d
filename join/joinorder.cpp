#include "join/joinorder.h"

#include "files/filenames.h"
#include "files/folderlisting.h"
#include "files/outputfile.h"

#include <QCollator>
#include <QCollatorSortKey>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

struct SortItem {
  qint64 day = 0;  // Julian day of the local modification date; 0 in name order
  std::optional<QCollatorSortKey> key;
  QString foldedName;  // used instead of key where the locale has no collation
  QString name;
  QByteArray undecodedBytes;  // the name's bytes, where they are not UTF-8
};

// Case-insensitive collation of the user's locale. The C locale collates by
// code points and ignores case-insensitivity, so there names are case-folded.
class NameCollation {
 public:
  NameCollation() {
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
    collator_.setNumericMode(false);
    collator_.setIgnorePunctuation(false);
  }

  void Key(SortItem& item) const {
    if (HasUndecodedBytes(item.name)) {
      item.undecodedBytes = EncodeFileName(item.name);
    } else if (byCodePoints_) {
      item.foldedName = item.name.toCaseFolded();
    } else {
      item.key = collator_.sortKey(item.name);
    }
  }

  // Names that are not UTF-8 have no text to collate: they follow the
  // others of their day, in the order of their bytes.
  static bool Less(const SortItem& a, const SortItem& b) {
    if (a.day != b.day) return a.day < b.day;
    if (a.undecodedBytes.isEmpty() != b.undecodedBytes.isEmpty()) return a.undecodedBytes.isEmpty();
    if (!a.undecodedBytes.isEmpty()) return a.undecodedBytes < b.undecodedBytes;
    const int collated = a.key ? a.key->compare(*b.key) : a.foldedName.compare(b.foldedName);
    if (collated != 0) return collated < 0;
    return a.name < b.name;
  }

 private:
  QCollator collator_{QLocale()};
  bool byCodePoints_ = QLocale().language() == QLocale::C;
};

}  // namespace

Fallible<QStringList> ListJoinFolder(const QString& folder) {
  QStringList names;
  SystemError error = 0;
  if (!ListRegularFiles(folder, names, error))
    return SystemFailure(error == kNotFoundError ? kPathNotFoundError : error, FailureSide::Folder, folder);
  names.removeIf([](const QString& name) { return IsJoinTemporaryName(name); });
  return names;
}

Fallible<QStringList> OrderJoinList(const QString& folder, const QStringList& listing, bool byDate) {
  const NameCollation collation;
  std::optional<FolderDays> dates;
  if (byDate) dates.emplace(folder);
  std::vector<SortItem> items(static_cast<size_t>(listing.size()));
  for (qsizetype i = 0; i < listing.size(); ++i) {
    SortItem& item = items[static_cast<size_t>(i)];
    item.name = listing[i];
    if (byDate) {
      SystemError error = 0;
      const std::optional<qint64> day = dates->LocalDay(item.name, error);
      if (!day) return SystemFailure(error, FailureSide::Input, folder + item.name);
      item.day = *day;
    }
    collation.Key(item);
  }
  std::sort(items.begin(), items.end(), NameCollation::Less);
  QStringList ordered;
  ordered.reserve(listing.size());
  for (const SortItem& item : items) ordered.append(item.name);
  return ordered;
}
