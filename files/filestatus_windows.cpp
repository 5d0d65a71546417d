#include "files/filestatus.h"

#include "files/nativepath.h"
#include "files/win32_p.h"

#include <QByteArray>
#include <QStringList>

#include <windows.h>

const SystemError kFileTooLargeError = ERROR_FILE_TOO_LARGE;
const SystemError kNotFoundError = ERROR_FILE_NOT_FOUND;
const SystemError kPathNotFoundError = ERROR_PATH_NOT_FOUND;
const SystemError kDiskFullError = ERROR_DISK_FULL;
const SystemError kInUseError = ERROR_SHARING_VIOLATION;

bool IsLink(const QString& path) {
  const DWORD attributes = ::GetFileAttributesW(Win32Path(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::optional<FileStatus> StatusOf(const QString& path, SystemError& error) {
  const std::wstring native = Win32Path(path);
  HANDLE handle = ::CreateFileW(native.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  // A device opens only for no access at all, which still tells what it is.
  if (handle == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_NOT_FOUND &&
      ::GetLastError() != ERROR_PATH_NOT_FOUND)
    handle = ::CreateFileW(native.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = LastError();
    return std::nullopt;
  }
  std::optional<FileStatus> status = StatusOfHandle(handle, error);
  ::CloseHandle(handle);
  return status;
}

namespace {

// The zone a mark names by its "ZoneId=" line; a mark that names none, or
// none that can be read, is taken for the Internet's. Some programs write
// it in UTF-16.
int ZoneOfMark(const QByteArray& mark) {
  const QString text = mark.contains('\0')
                           ? QString::fromUtf16(reinterpret_cast<const char16_t*>(mark.constData()), mark.size() / 2)
                           : QString::fromLatin1(mark);
  for (const QString& line : text.split(u'\n')) {
    const QString field = line.trimmed();
    if (!field.startsWith(QStringLiteral("ZoneId="), Qt::CaseInsensitive)) continue;
    bool read = false;
    const int zone = field.sliced(7).trimmed().toInt(&read);
    if (read) return zone;
  }
  constexpr int kInternetZone = 3;
  return kInternetZone;
}

}  // namespace

bool HeldByAnotherProgram(const QString& path) {
  const HANDLE handle = ::CreateFileW(Win32Path(path).c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle != INVALID_HANDLE_VALUE) {
    ::CloseHandle(handle);
    return false;
  }
  // Not a matter of rights (those the folder may give): another open of it shares no deleting.
  return ::GetLastError() == ERROR_SHARING_VIOLATION || ::GetLastError() == ERROR_LOCK_VIOLATION;
}

// The mark is a stream of the file (Wine keeps it as a file of that name):
// "[ZoneTransfer]" and "ZoneId=3", and where the browser gave them, the
// addresses the file came from, which are not read.
std::optional<int> WebZoneOf(const QString& path) {
  const HANDLE stream = ::CreateFileW((Win32Path(path) + L":Zone.Identifier").c_str(), GENERIC_READ, kShareAll, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
  if (stream == INVALID_HANDLE_VALUE) return std::nullopt;
  char text[4096];
  DWORD length = 0;
  const bool read = ::ReadFile(stream, text, sizeof text, &length, nullptr);
  ::CloseHandle(stream);
  if (!read) return std::nullopt;
  return ZoneOfMark(QByteArray(text, static_cast<qsizetype>(length)));
}
