#pragma once

#include <QString>

#include <optional>

// What makes two paths the same file, links followed, hard links and
// differently spelled paths included: the device and inode numbers, or on
// Windows the volume serial number and the file index.
struct FileIdentity {
  quint64 device = 0;
  quint64 inode = 0;

  bool operator==(const FileIdentity&) const = default;
};

struct FileStatus {
  FileIdentity identity;
  qint64 size = 0;
  bool isRegular = false;  // a plain file: not a folder, FIFO, socket or device
  qint64 allocated = 0;    // bytes its disk holds for it: less than size for a file with holes
};

// The system's error code: errno, or on Windows the Windows error code.
using SystemError = int;

// Codes the engine gives a meaning of its own.
extern const SystemError kFileTooLargeError;  // beyond the file system's or the process's size limit
extern const SystemError kNotFoundError;      // no such file
extern const SystemError kPathNotFoundError;  // no such folder on the way
extern const SystemError kDiskFullError;      // no room left on the drive

// What the path leads to, links followed; nothing, with the error, when it leads to no file.
std::optional<FileStatus> StatusOf(const QString& path, SystemError& error);
// Whether the name is a link (a reparse point on Windows), followed or not.
bool IsLink(const QString& path);
