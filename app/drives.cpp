#include "app/drives.h"

#include "join/joincommand.h"

#include <QDir>
#include <QStorageInfo>

#include <algorithm>
#include <array>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <dirent.h>
#endif

namespace {

// Errors that mean the drive or the folder is not there to be opened. A folder the user may
// not read is there all the same: that is a failure of its own.
bool MeansUnavailable(int errorCode) {
  switch (errorCode) {
    case ENOENT:
    case ENOTDIR:
    case ENODEV:
    case ENXIO:
#ifdef ENOMEDIUM
    case ENOMEDIUM:
#endif
      return true;
    default:
      return false;
  }
}

Err Unavailable() { return FailureOfNumber(FailureNumber::kDeviceUnavailable); }

}  // namespace

Err FailureOfOpeningFolder(const QString& folder, int errorCode) {
  return MeansUnavailable(errorCode) ? Unavailable() : WithFailedPath(FailureFromSystemError(errorCode), folder);
}

QString Drive::displayText() const { return label.isEmpty() || label == id ? id : id + QStringLiteral("  [") + label + u']'; }

bool IsUserVolume(const QString& rootPath, const QByteArray& fileSystemType) {
#ifdef Q_OS_WIN
  Q_UNUSED(rootPath);
  Q_UNUSED(fileSystemType);
  return true;
#else
  static const std::array<QByteArrayView, 27> kSystemTypes{
      "proc",     "sysfs",      "devtmpfs", "devpts",      "tmpfs",    "ramfs",    "cgroup",
      "cgroup2",  "squashfs",   "overlay",  "securityfs",  "debugfs",  "tracefs",  "pstore",
      "bpf",      "mqueue",     "hugetlbfs", "configfs",   "fusectl",  "autofs",   "binfmt_misc",
      "efivarfs", "nsfs",       "rpc_pipefs", "fuse.gvfsd-fuse", "fuse.portal", "selinuxfs"};
  if (std::find(kSystemTypes.begin(), kSystemTypes.end(), QByteArrayView(fileSystemType)) != kSystemTypes.end())
    return false;
  static const std::array<QStringView, 3> kUserMountParents{u"/media/", u"/run/media/", u"/mnt/"};
  return rootPath == u"/" || rootPath == u"/home" ||
         std::any_of(kUserMountParents.begin(), kUserMountParents.end(),
                     [&](QStringView parent) { return rootPath.startsWith(parent); });
#endif
}

std::optional<Drive> DriveHolding(const QList<Drive>& drives, const QString& path) {
  std::optional<Drive> holding;
  const QString folder = FolderText(path);
  for (const Drive& drive : drives) {
    if (folder.startsWith(drive.root, Qt::CaseInsensitive) && (!holding || drive.root.size() > holding->root.size()))
      holding = drive;
  }
  if (!holding && !drives.isEmpty()) holding = drives.first();
  return holding;
}

QList<Drive> SystemDrives::ListDrives() {
  QList<Drive> drives;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (!volume.isValid() || !IsUserVolume(volume.rootPath(), volume.fileSystemType())) continue;
    Drive drive;
#ifdef Q_OS_WIN
    drive.id = volume.rootPath().left(2).toLower();
#else
    drive.id = volume.rootPath();
#endif
    drive.label = volume.name();
    drive.root = FolderText(volume.rootPath());
    drives.append(drive);
  }
#ifndef Q_OS_WIN
  // In a chroot or container the root may be no mount point of its own; it is a drive all the same.
  if (std::none_of(drives.begin(), drives.end(), [](const Drive& drive) { return drive.root == QDir::rootPath(); }))
    drives.append(Drive{QDir::rootPath(), QString(), QDir::rootPath()});
#endif
  std::sort(drives.begin(), drives.end(), [](const Drive& a, const Drive& b) { return a.id < b.id; });
  return drives;
}

QString SystemDrives::WorkingFolder() { return QDir::currentPath(); }

std::optional<Err> SystemDrives::CheckFolder(const Drive& drive, const QString& folder) {
  // A volume that was unmounted leaves its mount point behind as a plain folder.
  // The root of the file system is always there, even where it is no mount point.
  const QStorageInfo volume(drive.root);
  const bool mounted = volume.isValid() && volume.isReady() && FolderText(volume.rootPath()) == drive.root;
  if (!mounted && drive.root != QDir::rootPath()) return Unavailable();
#ifdef Q_OS_UNIX
  DIR* directory = ::opendir(QFile::encodeName(folder).constData());
  if (!directory) return FailureOfOpeningFolder(folder, errno);
  ::closedir(directory);
#else
  if (!QFileInfo(folder).isDir()) return Unavailable();
  if (!QDir(folder).isReadable()) return FailureOfOpeningFolder(folder, EACCES);
#endif
  return std::nullopt;
}
