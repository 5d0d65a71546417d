#include "app/givenfolder.h"

#include "files/nativepath.h"

#include <QCoreApplication>
#include <QDir>
#include <QUrl>

#include <windows.h>

QString GivenPathArgument(int, char*[]) {
  // Qt reads the wide command line and has taken its own options out of it.
  const QString path = QCoreApplication::arguments().value(1);
  // A quoted path that ends in a backslash, as "C:\" for a drive's root,
  // comes out as C:" and runs on into what follows: the backslash was taken
  // to escape the quote. No Windows name holds a quote, so the first one
  // stands for that backslash.
  const qsizetype quote = path.indexOf(u'"');
  return quote < 0 ? path : path.left(quote) + u'\\';
}

QString DroppedPath(const QUrl& url) { return url.toLocalFile(); }

QString AbsoluteGivenPath(const QString& path) {
  return QDir::cleanPath(QDir::current().absoluteFilePath(QDir::fromNativeSeparators(path)));
}

QString FolderOfGivenPath(const QString& path) {
  // No error box for a drive without its medium; other drive threads ask at the same time.
  DWORD previousMode = 0;
  ::SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previousMode);
  const DWORD attributes = ::GetFileAttributesW(Win32Path(path).c_str());
  ::SetThreadErrorMode(previousMode, nullptr);
  const bool folderThere = attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return folderThere ? path : QDir::cleanPath(path + QStringLiteral("/.."));
}
