#include "app/givenfolder.h"

#include "files/nativepath.h"

#include <QDir>
#include <QUrl>

#include <windows.h>
// Needs windows.h first.
#include <shellapi.h>

QString GivenPathArgument(int, char*[]) {
  QString path;
  int count = 0;
  if (LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
    if (count > 1) path = QString::fromWCharArray(wide[1]);
    ::LocalFree(wide);
  }
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
  // No error box for a drive without its medium.
  const UINT previousMode = ::SetErrorMode(SEM_FAILCRITICALERRORS);
  const DWORD attributes = ::GetFileAttributesW(Win32Path(path).c_str());
  ::SetErrorMode(previousMode);
  const bool folderThere = attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return folderThere ? path : QDir::cleanPath(path + QStringLiteral("/.."));
}
