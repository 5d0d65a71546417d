#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Files that are no plain files, and links, made for tests where the system has them.

// A FIFO at path; false where the system has none.
bool MakeFifo(const QString& path);

// A symbolic link; false where the system has none a test can make (on
// Windows QFile::link makes shortcut files, which are plain files).
bool MakeSymlink(const QString& target, const QString& link);

// A hard link to an existing file.
bool MakeHardLink(const QString& existing, const QString& link);

// A device that reads as empty and swallows writes. As root it is a node of
// the test's own in folder, so that a join wrongly replacing it harms nothing
// else; otherwise the system's, which the test cannot replace anyway.
QString NullDevice(const QString& folder);

// A device whose every write fails for a full disk; empty where the system
// has none.
QString FullDevice();

// A socket bound at path; false where the system has none.
bool MakeSocket(const QString& path);

// A file named by raw bytes in folder; false where names are not bytes.
bool WriteFileNamedByBytes(const QString& folder, const QByteArray& name, const QByteArray& content);

// Removes a folder and all it holds, names that are not UTF-8 included,
// which QTemporaryDir cannot remove.
bool RemoveTree(const QString& path);

// Everything written to the file system holding path reaches it, counted free space included.
bool SyncFileSystemOf(const QString& path);

// A file with holes: `size` bytes long, `bytes` written at each of
// `offsets`, holes elsewhere; false where the system makes no holes.
bool WriteFileWithHoles(const QString& path, qint64 size, const QList<qint64>& offsets, const QByteArray& bytes);

// The bytes a file takes on its disk, which holes do not; -1 where the system cannot tell.
qint64 AllocatedBytesOf(const QString& path);

// The bytes of a file's extents that it shares with other files; -1 where
// the system cannot tell.
qint64 SharedBytesOf(const QString& path);

// Lowers the process's file-size limit for a test's lifetime, so that writes
// past it fail as on a size-capped file system; active() is false where the
// system has no such limit.
class ScopedFileSizeLimit {
 public:
  explicit ScopedFileSizeLimit(qint64 bytes);
  ~ScopedFileSizeLimit();
  ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
  ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;
  bool active() const { return active_; }

 private:
  bool active_ = false;
  qint64 saved_ = 0;
};

// An owner and group (as root), permissions with setuid and setgid, an
// extended attribute and, where the file system keeps them, an access list,
// given to a file so that a file replacing it can be checked for them.
class GivenAttributes {
 public:
  explicit GivenAttributes(const QString& path);
  // False where the system keeps no such things.
  bool given() const { return given_; }
  // What the file at path lacks of them, setuid and setgid left out as they
  // never pass on; empty where it lacks nothing.
  QStringList LostBy(const QString& path) const;

 private:
  bool given_ = false;
  bool owner_ = false;
  bool accessList_ = false;
};

// Gives a file Windows' hidden and read-only attributes as the words
// "hidden" and "readonly" name them; false where the system has none.
bool GiveWindowsAttributes(const QString& path, const QStringList& attributes);
// Which of them a file has, in that order; empty where the system has none.
QStringList WindowsAttributesOf(const QString& path);

// What another program that holds a file open lets others do with it, where
// the system has such locks (Windows): nothing (a program that locks it), read
// and write but not delete or rename it (the search indexer, a media player,
// a running join), or anything (a virus scanner).
enum class Sharing { Nothing, ReadWrite, Everything };

// Holds a file open, for reading, as another program or a running join holds
// it, until destroyed. Where the system has no such locks, a file held with
// Sharing::Nothing is not held.
class HeldFile {
 public:
  explicit HeldFile(const QString& path, Sharing sharing = Sharing::ReadWrite);
  ~HeldFile();
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  bool held() const { return handle_ != -1; }

 private:
  intptr_t handle_ = -1;
};
