#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

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

// Makes an empty file `path` right after this process's first system call
// `call` returns, by strace as root while the process returned lives; null,
// with whyNot, where that cannot be done.
std::unique_ptr<QProcess> TakeNameAfterCall(const QString& call, const QString& path, QString& whyNot);
