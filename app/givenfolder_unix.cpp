#include "app/givenfolder.h"

#include "files/filenames.h"

#include <QDir>
#include <QUrl>

#include <filesystem>
#include <system_error>

#include <sys/stat.h>

QString GivenPathArgument(int argc, char* argv[]) { return argc > 1 ? DecodeFileName(argv[1]) : QString(); }

// The URL's escapes are the name's bytes; decoded as text, those that are not UTF-8 would be lost.
QString DroppedPath(const QUrl& url) {
  return DecodeFileName(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

QString AbsoluteGivenPath(const QString& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(EncodeFileName(path).toStdString(), error);
  // Without a working folder the path stays as given, for the opening to fail on.
  return QDir::cleanPath(error ? path : DecodeFileName(absolute.native()));
}

QString FolderOfGivenPath(const QString& path) {
  struct stat status {};
  const bool folderThere = ::stat(EncodeFileName(path).constData(), &status) != 0 || S_ISDIR(status.st_mode);
  return folderThere ? path : QDir::cleanPath(path + QStringLiteral("/.."));
}
