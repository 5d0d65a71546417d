#pragma once

#include "files/filestatus.h"

#include <QString>
#include <QtGlobal>

#include <cstdint>
#include <optional>

// Reading and writing files, one implementation per platform. Failures
// return false or -1 and leave the system's error code (errno, or the
// Windows error code) in `error`.

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
  friend class HeldFolder;
  explicit NativeFile(intptr_t handle) : handle_(handle) {}
  void Close();

  intptr_t handle_ = -1;
};

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
