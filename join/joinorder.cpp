#include "join/joinorder.h"

#include "join/filenames.h"
#include "join/nativefile.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QDate>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <optional>
#include <vector>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QDateTime>
#include <QFileInfo>
#endif

namespace {

FileNames Failed(int errorCode, const QString& path) {
  FileNames result;
  result.ok = false;
  result.failure = FailureFromSystemError(errorCode);
  result.failedPath = path;
  return result;
}

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

#ifdef Q_OS_UNIX

class DirectoryStream {
 public:
  explicit DirectoryStream(const QByteArray& path) : stream_(::opendir(path.constData())) {}
  ~DirectoryStream() {
    if (stream_) ::closedir(stream_);
  }
  DirectoryStream(const DirectoryStream&) = delete;
  DirectoryStream& operator=(const DirectoryStream&) = delete;
  DIR* get() const { return stream_; }

 private:
  DIR* stream_;
};

bool IsRegularFileIn(DIR* directory, const char* name) {
  struct stat status {};
  return ::fstatat(::dirfd(directory), name, &status, 0) == 0 && S_ISREG(status.st_mode);
}

// The folder a date order reads its files' times from. Names are looked up
// in it directly rather than each by its whole path; where it cannot be
// opened, the whole paths are used and report what is wrong.
class DateFolder {
 public:
  explicit DateFolder(const QString& folder)
      : folder_(folder), fd_(::open(EncodeFileName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
  ~DateFolder() {
    if (fd_ >= 0) ::close(fd_);
  }
  DateFolder(const DateFolder&) = delete;
  DateFolder& operator=(const DateFolder&) = delete;

  // The local day of a modification time as a Julian day; any year works.
  std::optional<qint64> LocalDay(const QString& name, SystemError& error) const {
    struct stat status {};
    const QByteArray path = EncodeFileName(fd_ >= 0 ? name : folder_ + name);
    struct tm local {};
    if (::fstatat(fd_ >= 0 ? fd_ : AT_FDCWD, path.constData(), &status, 0) != 0 ||
        !::localtime_r(&status.st_mtime, &local)) {
      error = errno;
      return std::nullopt;
    }
    return QDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday).toJulianDay();
  }

 private:
  const QString folder_;
  const int fd_;
};

#else

class DateFolder {
 public:
  explicit DateFolder(const QString& folder) : folder_(folder) {}

  std::optional<qint64> LocalDay(const QString& name, SystemError& error) const {
    const QFileInfo info(folder_ + name);
    if (!info.exists()) {
      error = kNotFoundError;
      return std::nullopt;
    }
    return info.lastModified().toLocalTime().date().toJulianDay();
  }

 private:
  const QString folder_;
};

#endif

}  // namespace

FileNames ListJoinFolder(const QString& folder) {
  FileNames listing;
#ifdef Q_OS_UNIX
  const QByteArray encodedFolder = EncodeFileName(folder);
  const DirectoryStream directory(encodedFolder);
  if (!directory.get()) return Failed(errno == kNotFoundError ? kPathNotFoundError : errno, folder);
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(directory.get());
    if (!entry) break;
    const char* name = entry->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
    const bool regular = entry->d_type == DT_REG ||
                         ((entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) && IsRegularFileIn(directory.get(), name));
    if (!regular) continue;
    QString decoded = DecodeFileName(name);
    if (!IsJoinTemporaryName(decoded)) listing.names.append(std::move(decoded));
  }
  if (errno != 0) return Failed(errno, folder);
#else
  const QDir directory(folder);
  if (!directory.exists()) return Failed(kPathNotFoundError, folder);
  listing.names = directory.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
  listing.names.removeIf([](const QString& name) { return IsJoinTemporaryName(name); });
#endif
  return listing;
}

FileNames OrderJoinList(const QString& folder, const QStringList& listing, bool byDate) {
#ifdef Q_OS_UNIX
  if (byDate) ::tzset();  // once here, not once per file
#endif
  const NameCollation collation;
  std::optional<DateFolder> dates;
  if (byDate) dates.emplace(folder);
  std::vector<SortItem> items(static_cast<size_t>(listing.size()));
  for (qsizetype i = 0; i < listing.size(); ++i) {
    SortItem& item = items[static_cast<size_t>(i)];
    item.name = listing[i];
    if (byDate) {
      SystemError error = 0;
      const std::optional<qint64> day = dates->LocalDay(item.name, error);
      if (!day) return Failed(error, folder + item.name);
      item.day = *day;
    }
    collation.Key(item);
  }
  std::sort(items.begin(), items.end(), NameCollation::Less);
  FileNames ordered;
  ordered.names.reserve(listing.size());
  for (const SortItem& item : items) ordered.names.append(item.name);
  return ordered;
}
