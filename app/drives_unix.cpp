#include "app/drives.h"

#include "files/filenames.h"

#include <QDir>
#include <QStorageInfo>

#include <algorithm>
#include <array>
#include <cerrno>

#include <dirent.h>
#include <mntent.h>

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

// From the mount table alone: asking each volume (statfs) would wait on any that does not answer.
QList<Drive> SystemDrives::ListDrives() {
  QList<Drive> drives;
  if (FILE* table = ::setmntent("/proc/self/mounts", "r")) {
    while (const mntent* mount = ::getmntent(table)) {
      const QString root = DecodeFileName(mount->mnt_dir);
      if (!IsUserVolume(root, mount->mnt_type)) continue;
      const Drive drive{root, QString(), FolderText(root)};
      // A folder mounted over again is one drive.
      if (std::none_of(drives.begin(), drives.end(), [&](const Drive& listed) { return listed.id == drive.id; }))
        drives.append(drive);
    }
    ::endmntent(table);
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

namespace {

// A volume that was unmounted leaves its mount point behind as a plain folder.
// The root of the file system is always there, even where it is no mount point.
bool IsMounted(const QStorageInfo& volume, const Drive& drive) {
  return (volume.isValid() && volume.isReady() && FolderText(volume.rootPath()) == drive.root) ||
         drive.root == QDir::rootPath();
}

}  // namespace

std::optional<QString> SystemDrives::AskLabel(const Drive& drive) {
  const QStorageInfo volume(drive.root);
  if (!IsMounted(volume, drive)) return std::nullopt;
  return volume.name();
}

std::optional<Failure> SystemDrives::CheckFolder(const Drive& drive, const QString& folder) {
  if (!IsMounted(QStorageInfo(drive.root), drive)) return Failure{FailureKind::DriveUnavailable, FailureSide::Folder};
  DIR* directory = ::opendir(EncodeFileName(folder).constData());
  if (!directory) return FailureOfOpeningFolder(folder, errno);
  ::closedir(directory);
  return std::nullopt;
}
