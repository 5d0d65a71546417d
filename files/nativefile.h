#pragma once

#include "files/filestatus.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <memory>

// The engine's file services, one implementation per platform. Failures
// return false or -1 and leave the system's error code (errno, or the
// Windows error code) in `error`.

// Codes the engine gives a meaning of its own.
extern const SystemError kFileTooLargeError;  // beyond the file system's or the process's size limit
extern const SystemError kNotFoundError;      // no such file
extern const SystemError kPathNotFoundError;  // no such folder on the way
extern const SystemError kDiskFullError;      // no room left on the drive

// A file the engine opened; closed when destroyed.
class NativeFile {
 public:
  NativeFile() = default;
  ~NativeFile();
  NativeFile(NativeFile&& other) noexcept;
  NativeFile& operator=(NativeFile&& other) noexcept;
  NativeFile(const NativeFile&) = delete;
  NativeFile& operator=(const NativeFile&) = delete;

  bool isOpen() const;
  // What is open, as the system sees the opened file, not its path.
  std::optional<FileStatus> Status(SystemError& error) const;
  // Up to `length` bytes; 0 at the end of the file, -1 on failure.
  qint64 Read(char* data, qint64 length, SystemError& error);
  bool WriteAll(const char* data, qint64 length, SystemError& error);
  // Moves the position to `offset` bytes from the start.
  bool Seek(qint64 offset, SystemError& error);
  // Extends or cuts the file to `length`, the position kept; an extension
  // is a hole where the file system keeps holes.
  bool SetLength(qint64 length, SystemError& error);

  // The first stretch of data at or after `offset` and before `end`, as
  // [start, stop); start is `end` when only a hole remains. Where the system
  // cannot tell, all of it is data. The position is left anywhere.
  struct DataRange {
    qint64 start = 0;
    qint64 stop = 0;
  };
  DataRange NextData(qint64 offset, qint64 end) const;

  // Whether a hole made in this empty file stays a hole, taking no room on
  // its disk; the file is left empty. Asked of the file itself, as mount
  // tables that would name its file system are hidden in containers.
  bool KeepsHoles();

  intptr_t handle() const { return handle_; }

 private:
  friend class NativeFiles;
  friend class OutputFile;
  explicit NativeFile(intptr_t handle) : handle_(handle) {}
  void Close();

  intptr_t handle_ = -1;
};

class OutputFile;

class NativeFiles {
 public:
  // Opens an input for reading without waiting on whatever the path leads
  // to now; what was opened must be a regular file.
  static NativeFile OpenInput(const QString& path, SystemError& error);
  // Copies up to `length` bytes from `from`'s position to `to`'s in the
  // kernel: the count copied, 0 at the end, -1 on failure.
  struct CopyFailure {
    SystemError error = 0;
    bool refused = false;   // this pair of files cannot be copied so; nothing was copied
    bool onOutput = false;  // the output's side failed (full disk, size limit)
  };
  static qint64 CopyInKernel(NativeFile& from, NativeFile& to, qint64 length, CopyFailure& failure);
  // Starts writing a copied range to disk without waiting for it.
  static void StartWriteBack(NativeFile& file, qint64 offset, qint64 length);
  // Before any join: a file-size limit must fail a write, not end the process.
  static void PrepareForJoins();
  // The largest file this process may write, where it is limited (ulimit -f).
  static std::optional<qint64> FileSizeLimit();
  // Whether the system writes a typed output name as typed, to a plain file:
  // on Windows no part of it may end in a dot or a space, hold a colon or a
  // forbidden character, or be a device's name (see IsKeptWindowsName).
  static bool KeepsOutputName(const QString& outName);
};

// The join's output: written under no name or a temporary one beside its
// final place, and given its name only by Commit. Unless committed it is
// gone when destroyed.
class OutputFile {
 public:
  explicit OutputFile(const QString& path);
  ~OutputFile();
  Q_DISABLE_COPY(OutputFile)

  // Takes the output's place once, for the whole join: a link there is
  // followed to the file it leads to (one that leads nowhere fails), the
  // folder that holds that file is held, and so is the file standing there,
  // so that a link retargeted or a folder renamed meanwhile changes nothing.
  bool Create(SystemError& error);
  NativeFile& file() { return file_; }
  // The folder the output is written in, links followed.
  QString folderPath() const;
  // Everything written reaches the disk; may take long on a slow drive.
  bool Flush(SystemError& error);
  // Asked, right before the commit, whether the plain file now at the final
  // name may be replaced; standing tells whether it is the one that stood
  // there when the output was created.
  using MayReplace = std::function<bool(const FileStatus& present, bool standing)>;
  // Takes the final name: a free one only while it is still free, on every
  // drive; otherwise the plain file there, if mayReplace allows it, is
  // replaced whole, and its owner, group, permissions (less setuid and
  // setgid), access lists and extended attributes pass to the new file.
  bool Commit(const MayReplace& mayReplace, SystemError& error);
  // Removes what was written at once, rather than when destroyed; false
  // where the file stays (a folder where files cannot be removed).
  bool Discard(SystemError& error);
  // The name the file was written under; empty while it has none.
  QString temporaryPath() const;

 private:
  struct Private;
  QString path_;
  NativeFile file_;
  std::unique_ptr<Private> d_;
};

// The names in a folder that stand for regular files, links to them
// included, in the folder's own order; false, with the error, where the
// folder cannot be read.
bool ListRegularFiles(const QString& folder, QStringList& names, SystemError& error);

// The modification days of files in one folder as the user's system shows
// them, the time of day left out.
class FolderDays {
 public:
  explicit FolderDays(const QString& folder);
  ~FolderDays();
  Q_DISABLE_COPY(FolderDays)

  // The day as a Julian day number; any year works.
  std::optional<qint64> LocalDay(const QString& name, SystemError& error) const;

 private:
  struct Private;  // what the system needs: the open folder, the time zone's rules
  QString folder_;
  std::unique_ptr<Private> d_;
};

// Removes temporary files of joins that ended without finishing (killed,
// crashed) from a folder; those of a join still running are kept. names: the
// folder's temporary files where a listing found them already.
void RemoveStrayJoinTemporaries(const QString& folder, const QStringList* names = nullptr);
