#include "join/fileidentity.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

std::optional<FileStatus> StatusOf(const QString& path) {
#ifdef Q_OS_UNIX
  struct stat status {};
  if (::stat(QFile::encodeName(path).constData(), &status) != 0) return std::nullopt;
  return FileStatus{{static_cast<quint64>(status.st_dev), static_cast<quint64>(status.st_ino), {}},
                    static_cast<qint64>(status.st_size),
                    S_ISDIR(status.st_mode)};
#else
  const QFileInfo info(path);
  if (!info.exists()) {
    errno = ENOENT;
    return std::nullopt;
  }
  return FileStatus{{0, 0, info.canonicalFilePath().toCaseFolded()}, info.size(), info.isDir()};
#endif
}
