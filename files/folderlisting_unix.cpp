#include "files/folderlisting.h"

#include "files/filenames.h"

#include <QDate>

#include <cerrno>
#include <ctime>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsRegularFileIn(DIR* directory, const char* name) {
  struct stat status {};
  return ::fstatat(::dirfd(directory), name, &status, 0) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

bool ListRegularFiles(const QString& folder, QStringList& names, SystemError& error) {
  DIR* directory = ::opendir(EncodeFileName(folder).constData());
  if (!directory) {
    error = errno;
    return false;
  }
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(directory);
    if (!entry) break;
    const char* name = entry->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
    // Only links, and file systems that do not say, need a look at what the entry is.
    if (entry->d_type == DT_REG ||
        ((entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) && IsRegularFileIn(directory, name)))
      names.append(DecodeFileName(name));
  }
  error = errno;
  ::closedir(directory);
  return error == 0;
}

struct FolderDays::Private {
  int folder = -1;
};

// Names are looked up in the open folder rather than each by its whole path;
// where it cannot be opened, the whole paths are used and report what is wrong.
FolderDays::FolderDays(const QString& folder)
    : folder_(folder), d_(new Private{::open(EncodeFileName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)}) {
  ::tzset();  // once here, not once per file
}

FolderDays::~FolderDays() {
  if (d_->folder >= 0) ::close(d_->folder);
}

// The C library's local time, which follows TZ and /etc/localtime.
std::optional<qint64> FolderDays::LocalDay(const QString& name, SystemError& error) const {
  const int folder = d_->folder;
  const QByteArray path = EncodeFileName(folder >= 0 ? name : folder_ + name);
  struct stat status {};
  struct tm local {};
  if (::fstatat(folder >= 0 ? folder : AT_FDCWD, path.constData(), &status, 0) != 0 ||
      !::localtime_r(&status.st_mtime, &local)) {
    error = errno;
    return std::nullopt;
  }
  return QDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday).toJulianDay();
}

HeldFolder::HeldFolder(const QString&) {}

HeldFolder::~HeldFolder() = default;

NativeFile HeldFolder::OpenInput(const QString&, const QString& path, SystemError& error) const {
  return NativeFiles::OpenInput(path, error);
}
