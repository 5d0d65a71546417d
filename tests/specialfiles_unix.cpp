#include "specialfiles.h"

#include <QFile>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

bool MakeFifo(const QString& path) { return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0; }

bool MakeHardLink(const QString& existing, const QString& link) {
  return ::link(QFile::encodeName(existing).constData(), QFile::encodeName(link).constData()) == 0;
}

QString NullDevice(const QString& folder) {
  if (::geteuid() != 0) return QStringLiteral("/dev/null");
  const QString path = folder + QStringLiteral("/null-device");
  if (::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, makedev(1, 3)) != 0) return QString();
  return path;
}
