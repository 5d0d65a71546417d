#pragma once

#include <QString>
#include <QTemporaryDir>

// A small file system mounted for a test: "ext4", "btrfs", "xfs" in an image
// by loop device, "fat", "exfat" and "ntfs" through FUSE, or a "tmpfs".
// Mounting needs root and the type's tools; whyNot() says what was missing.
class LoopMount {
 public:
  LoopMount(const QString& type, int sizeMiB);
  ~LoopMount();
  LoopMount(const LoopMount&) = delete;
  LoopMount& operator=(const LoopMount&) = delete;

  bool isMounted() const { return mounted_; }
  QString whyNot() const { return whyNot_; }
  // The mounted file system's root, ending in '/'.
  QString path() const { return dir_.path() + QStringLiteral("/mnt/"); }

 private:
  QTemporaryDir dir_;
  bool mounted_ = false;
  QString whyNot_;
};
