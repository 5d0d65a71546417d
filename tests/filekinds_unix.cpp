#include "filekinds.h"

#include <QFile>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

bool MakeFifo(const QString& path) { return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0; }

bool MakeSymlink(const QString& target, const QString& link) { return QFile::link(target, link); }

bool MakeHardLink(const QString& existing, const QString& link) {
  return ::link(QFile::encodeName(existing).constData(), QFile::encodeName(link).constData()) == 0;
}

QString NullDevice(const QString& folder) {
  if (::geteuid() != 0) return QStringLiteral("/dev/null");
  const QString path = folder + QStringLiteral("/null-device");
  if (::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, makedev(1, 3)) != 0) return QString();
  return path;
}

bool MakeSocket(const QString& path) {
  const QByteArray encoded = QFile::encodeName(path);
  sockaddr_un address{};
  if (static_cast<size_t>(encoded.size()) >= sizeof address.sun_path) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, encoded.constData(), static_cast<size_t>(encoded.size()));
  const int descriptor = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (descriptor < 0) return false;
  const bool bound = ::bind(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(descriptor);
  return bound;
}

bool WriteFileNamedByBytes(const QString& folder, const QByteArray& name, const QByteArray& content) {
  const QByteArray path = QFile::encodeName(folder) + '/' + name;
  const int descriptor = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (descriptor < 0) return false;
  const bool written = ::write(descriptor, content.constData(), static_cast<size_t>(content.size())) == content.size();
  return ::close(descriptor) == 0 && written;
}

bool SyncFileSystemOf(const QString& path) {
  const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return false;
  const bool synced = ::syncfs(descriptor) == 0;
  ::close(descriptor);
  return synced;
}

ScopedFileSizeLimit::ScopedFileSizeLimit(qint64 bytes) {
  rlimit limit{};
  if (::getrlimit(RLIMIT_FSIZE, &limit) != 0) return;
  saved_ = static_cast<qint64>(limit.rlim_cur);
  std::signal(SIGXFSZ, SIG_IGN);  // the write fails instead of ending the test
  limit.rlim_cur = static_cast<rlim_t>(bytes);
  active_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

ScopedFileSizeLimit::~ScopedFileSizeLimit() {
  if (!active_) return;
  rlimit limit{};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = static_cast<rlim_t>(saved_);
  ::setrlimit(RLIMIT_FSIZE, &limit);
}

HeldFile::HeldFile(const QString& path, bool exclusive) {
  if (exclusive) return;  // no lock here keeps others from opening a file
  const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
  if (descriptor >= 0 && ::flock(descriptor, LOCK_EX) == 0) {
    handle_ = descriptor;
  } else if (descriptor >= 0) {
    ::close(descriptor);
  }
}

HeldFile::~HeldFile() {
  if (handle_ != -1) ::close(static_cast<int>(handle_));
}
