#include "filekinds.h"

#include <QFile>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <ftw.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/fiemap.h>
#include <linux/fs.h>
#endif

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

QString FullDevice() { return QFile::exists(QStringLiteral("/dev/full")) ? QStringLiteral("/dev/full") : QString(); }

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

bool RemoveTree(const QString& path) {
  const auto remove = [](const char* entry, const struct stat*, int, struct FTW*) { return ::remove(entry); };
  return ::nftw(QFile::encodeName(path).constData(), remove, 16, FTW_DEPTH | FTW_PHYS) == 0;
}

bool SyncFileSystemOf(const QString& path) {
  const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return false;
  const bool synced = ::syncfs(descriptor) == 0;
  ::close(descriptor);
  return synced;
}

bool WriteFileWithHoles(const QString& path, qint64 size, const QList<qint64>& offsets, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || !file.resize(size)) return false;
  for (const qint64 offset : offsets) {
    if (!file.seek(offset) || file.write(bytes) != bytes.size()) return false;
  }
  return file.flush() && ::fsync(file.handle()) == 0;
}

qint64 AllocatedBytesOf(const QString& path) {
  struct stat status {};
  if (::stat(QFile::encodeName(path).constData(), &status) != 0) return -1;
  return static_cast<qint64>(status.st_blocks) * 512;
}

qint64 SharedBytesOf(const QString& path) {
#ifdef FS_IOC_FIEMAP
  const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return -1;
  constexpr int kExtentsPerCall = 256;
  std::vector<char> space(sizeof(fiemap) + kExtentsPerCall * sizeof(fiemap_extent));
  auto* map = reinterpret_cast<fiemap*>(space.data());
  qint64 shared = 0;
  for (quint64 start = 0;;) {
    std::memset(space.data(), 0, space.size());
    map->fm_start = start;
    map->fm_length = FIEMAP_MAX_OFFSET - start;
    map->fm_flags = FIEMAP_FLAG_SYNC;
    map->fm_extent_count = kExtentsPerCall;
    if (::ioctl(descriptor, FS_IOC_FIEMAP, map) != 0) {
      ::close(descriptor);
      return -1;
    }
    bool last = map->fm_mapped_extents == 0;
    for (quint32 i = 0; i < map->fm_mapped_extents; ++i) {
      const fiemap_extent& extent = map->fm_extents[i];
      if (extent.fe_flags & FIEMAP_EXTENT_SHARED) shared += static_cast<qint64>(extent.fe_length);
      start = extent.fe_logical + extent.fe_length;
      last = last || (extent.fe_flags & FIEMAP_EXTENT_LAST);
    }
    if (last) break;
  }
  ::close(descriptor);
  return shared;
#else
  Q_UNUSED(path);
  return -1;
#endif
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

bool GiveWindowsAttributes(const QString&, const QStringList&) { return false; }

QStringList WindowsAttributesOf(const QString&) { return {}; }

HeldFile::HeldFile(const QString& path, Sharing sharing) {
  if (sharing == Sharing::Nothing) return;  // no lock here keeps others from opening a file
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

namespace {

constexpr uid_t kGivenOwner = 65534;
constexpr char kGivenAttribute[] = "user.entw-test";

}  // namespace

GivenAttributes::GivenAttributes(const QString& path) {
  const QByteArray file = QFile::encodeName(path);
  owner_ = ::geteuid() == 0;
  if (::chmod(file.constData(), 06640) != 0) return;
  if (owner_ && ::chown(file.constData(), kGivenOwner, kGivenOwner) != 0) return;
  if (::setxattr(file.constData(), kGivenAttribute, "kept", 4, 0) != 0) return;
  // Granting one more user read access.
  const quint16 entries[][4] = {{0x01, 6, 0, 0}, {0x02, 4, 1000, 0}, {0x04, 4, 0, 0}, {0x10, 4, 0, 0}, {0x20, 0, 0, 0}};
  QByteArray acl("\x02\0\0\0", 4);
  for (const auto& entry : entries) acl.append(reinterpret_cast<const char*>(entry), sizeof entry);
  accessList_ = ::setxattr(file.constData(), "system.posix_acl_access", acl.constData(), acl.size(), 0) == 0;
  given_ = true;
}

QStringList GivenAttributes::LostBy(const QString& path) const {
  const QByteArray file = QFile::encodeName(path);
  struct stat status {};
  if (::stat(file.constData(), &status) != 0) return {QStringLiteral("the file")};
  QStringList lost;
  if ((status.st_mode & 07777) != 0640) lost.append(QStringLiteral("mode %1").arg(status.st_mode & 07777, 0, 8));
  if (owner_ && (status.st_uid != kGivenOwner || status.st_gid != kGivenOwner)) lost.append(QStringLiteral("owner"));
  char value[16] = {};
  if (::getxattr(file.constData(), kGivenAttribute, value, sizeof value) != 4 || QByteArray(value, 4) != "kept")
    lost.append(QStringLiteral("extended attribute"));
  if (accessList_ && ::getxattr(file.constData(), "system.posix_acl_access", nullptr, 0) <= 0)
    lost.append(QStringLiteral("access list"));
  return lost;
}
