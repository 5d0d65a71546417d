#include "join/nativefile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

bool ListRegularFiles(const QString& folder, QStringList& names, SystemError& error) {
  const QDir directory(folder);
  if (!directory.exists()) {
    error = kPathNotFoundError;
    return false;
  }
  names = directory.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
  return true;
}

FolderDays::FolderDays(const QString& folder) : folder_(folder) {}

FolderDays::~FolderDays() = default;

std::optional<qint64> FolderDays::LocalDay(const QString& name, SystemError& error) const {
  const QFileInfo info(folder_ + name);
  if (!info.exists()) {
    error = kNotFoundError;
    return std::nullopt;
  }
  return info.lastModified().toLocalTime().date().toJulianDay();
}
