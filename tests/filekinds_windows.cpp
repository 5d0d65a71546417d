#include "filekinds.h"

#include <QDir>
#include <QFile>

#include <windows.h>

namespace {

std::wstring Native(const QString& path) { return QDir::toNativeSeparators(path).toStdWString(); }

}  // namespace

bool MakeFifo(const QString&) { return false; }

bool MakeSymlink(const QString&, const QString&) { return false; }

bool MakeHardLink(const QString& existing, const QString& link) {
  return ::CreateHardLinkW(Native(link).c_str(), Native(existing).c_str(), nullptr) != 0;
}

QString NullDevice(const QString&) { return QStringLiteral("NUL"); }

// Windows has none; under Wine the host's opens as drive Z:'s, though Wine
// does not list it.
QString FullDevice() {
  const QString hosts = QStringLiteral("Z:/dev/full");
  QFile device(hosts);
  return device.open(QIODevice::WriteOnly | QIODevice::ExistingOnly) ? hosts : QString();
}

bool MakeSocket(const QString&) { return false; }

bool WriteFileNamedByBytes(const QString&, const QByteArray&, const QByteArray&) { return false; }

bool RemoveTree(const QString& path) { return QDir(path).removeRecursively(); }

bool SyncFileSystemOf(const QString&) { return true; }

// Joins here make no holes, so tests of them have nothing to make.
bool WriteFileWithHoles(const QString&, qint64, const QList<qint64>&, const QByteArray&) { return false; }

qint64 AllocatedBytesOf(const QString&) { return -1; }

qint64 SharedBytesOf(const QString&) { return -1; }

ScopedFileSizeLimit::ScopedFileSizeLimit(qint64) {}

ScopedFileSizeLimit::~ScopedFileSizeLimit() = default;

// Owners, modes and extended attributes as Linux has them.
GivenAttributes::GivenAttributes(const QString&) {}

QStringList GivenAttributes::LostBy(const QString&) const { return {}; }

bool GiveWindowsAttributes(const QString& path, const QStringList& attributes) {
  const DWORD given = (attributes.contains(u"hidden") ? FILE_ATTRIBUTE_HIDDEN : 0) |
                      (attributes.contains(u"readonly") ? FILE_ATTRIBUTE_READONLY : 0);
  return ::SetFileAttributesW(Native(path).c_str(), given == 0 ? FILE_ATTRIBUTE_NORMAL : given) != 0;
}

QStringList WindowsAttributesOf(const QString& path) {
  const DWORD attributes = ::GetFileAttributesW(Native(path).c_str());
  QStringList words;
  if (attributes == INVALID_FILE_ATTRIBUTES) return words;
  if (attributes & FILE_ATTRIBUTE_HIDDEN) words.append(QStringLiteral("hidden"));
  if (attributes & FILE_ATTRIBUTE_READONLY) words.append(QStringLiteral("readonly"));
  return words;
}

HeldFile::HeldFile(const QString& path, Sharing sharing) {
  const DWORD share = sharing == Sharing::Nothing     ? 0
                      : sharing == Sharing::ReadWrite ? FILE_SHARE_READ | FILE_SHARE_WRITE
                                                      : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const HANDLE handle = ::CreateFileW(Native(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle != INVALID_HANDLE_VALUE) handle_ = reinterpret_cast<intptr_t>(handle);
}

HeldFile::~HeldFile() {
  if (handle_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}
