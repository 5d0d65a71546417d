#include "files/nativepath.h"

#include <QDir>

#include <windows.h>

QString DriveCurrentFolder(QChar letter) {
  const std::wstring drive{static_cast<wchar_t>(letter.unicode()), L':'};
  std::wstring full(MAX_PATH, L'\0');
  DWORD length = ::GetFullPathNameW(drive.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length >= full.size()) {
    full.resize(length);
    length = ::GetFullPathNameW(drive.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  if (length == 0 || length >= full.size()) return QString(letter) + QStringLiteral(":/");
  const QString folder = QString::fromWCharArray(full.data(), static_cast<qsizetype>(length));
  return QDir::cleanPath(QDir::fromNativeSeparators(folder));
}

std::wstring Win32Path(const QString& path) {
  // D:x starts from D:'s own current folder, which may not be the process's.
  const bool driveRelative = path.size() >= 2 && path[0].isLetter() && path[1] == u':' &&
                             (path.size() == 2 || (path[2] != u'/' && path[2] != u'\\'));
  const QString current = driveRelative ? DriveCurrentFolder(path[0]) : QDir::currentPath();
  return ExtendedLengthPath(path, current).toStdWString();
}
