#include "app/drives.h"

#include "files/filenames.h"

#include <QDir>
#include <QStorageInfo>

#include <algorithm>
#include <array>
#include <cerrno>

#include <dirent.h>

bool IsUserVolume(const QString& rootPath, const QByteArray& fileSystemType) {
  static const std::array<QByteArrayView, 27> kSystemTypes{
      "proc",     "sysfs",    "devtmpfs",   "devpts",          "tmpfs",       "ramfs",    "cgroup",
      "cgroup2",  "squashfs", "overlay",    "securityfs",      "debugfs",     "tracefs",  "pstore",
      "bpf",      "mqueue",   "hugetlbfs",  "configfs",        "fusectl",     "autofs",   "binfmt_misc",
      "efivarfs", "nsfs",     "rpc_pipefs", "fuse.gvfsd-fuse", "fuse.portal", "selinuxfs"};
  if (std::find(kSystemTypes.begin(), kSystemTypes.end(), QByteArrayView(fileSystemType)) != kSystemTypes.end())
    return false;
  static const std::array<QStringView, 3> kUserMountParents{u"/media/", u"/run/media/", u"/mnt/"};
  return rootPath == u"/" || rootPath == u"/home" ||
         std::any_of(kUserMountParents.begin(), kUserMountParents.end(),
                     [&](QStringView parent) { return rootPath.startsWith(parent); });
}

QList<Drive> SystemDrives::ListDrives() {
  QList<Drive> drives;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (!volume.isValid() || !IsUserVolume(volume.rootPath(), volume.fileSystemType())) continue;
    drives.append(Drive{volume.rootPath(), volume.name(), FolderText(volume.rootPath())});
  }
  // In a chroot or container the root may be no mount point of its own; it is a drive all the same.
  if (std::none_of(drives.begin(), drives.end(), [](const Drive& drive) { return drive.root == QDir::rootPath(); }))
    drives.append(Drive{QDir::rootPath(), QString(), QDir::rootPath()});
  std::sort(drives.begin(), drives.end(), [](const Drive& a, const Drive& b) { return a.id < b.id; });
  return drives;
}

QString SystemDrives::WorkingFolder() { return QDir::currentPath(); }

// A Linux process has one current folder, the working folder, and no other for each drive.
QString SystemDrives::CurrentFolder(const Drive& drive) { return drive.root; }

std::optional<Failure> SystemDrives::CheckFolder(const Drive& drive, const QString& folder) {
  // A volume that was unmounted leaves its mount point behind as a plain folder.
  // The root of the file system is always there, even where it is no mount point.
  const QStorageInfo volume(drive.root);
  const bool mounted = volume.isValid() && volume.isReady() && FolderText(volume.rootPath()) == drive.root;
  if (!mounted && drive.root != QDir::rootPath()) return Failure{FailureKind::DriveUnavailable, FailureSide::Folder};
  DIR* directory = ::opendir(EncodeFileName(folder).constData());
  if (!directory) return FailureOfOpeningFolder(folder, errno);
  ::closedir(directory);
  return std::nullopt;
}
