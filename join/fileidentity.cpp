#include "join/fileidentity.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

std::optional<FileIdentity> IdentityOf(const QString& path) {
#ifdef Q_OS_UNIX
  struct stat status {};
  if (::stat(QFile::encodeName(path).constData(), &status) != 0) return std::nullopt;
  return FileIdentity{static_cast<quint64>(status.st_dev), static_cast<quint64>(status.st_ino), {}};
#else
  const QFileInfo info(path);
  if (!info.exists()) return std::nullopt;
  return FileIdentity{0, 0, info.canonicalFilePath().toCaseFolded()};
#endif
}
