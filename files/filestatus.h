#pragma once

#include <QString>

#include <optional>

// What makes two paths the same file, links followed, hard links and
// differently spelled paths included: the device and inode numbers, or on
// Windows the volume serial number and the file index.
struct FileIdentity {
  quint64 device = 0;
  quint64 inode = 0;
  quint64 inodeHigh = 0;  // ReFS and Dev Drives number files in 128 bits

  bool operator==(const FileIdentity&) const = default;
};

struct FileStatus {
  FileIdentity identity;
  qint64 size = 0;
  bool isRegular = false;   // a plain file: not a folder, FIFO, socket or device
  qint64 allocated = 0;     // bytes its disk holds for it: less than size for a file with holes
  bool readOnly = false;    // Windows' read-only attribute: no program may change it
  bool onlineOnly = false;  // kept in the cloud (OneDrive), fetched to its drive as it is read
};

// The system's error code: errno, or on Windows the Windows error code.
using SystemError = int;

// Codes the engine gives a meaning of its own.
extern const SystemError kFileTooLargeError;  // beyond the file system's or the process's size limit
extern const SystemError kNotFoundError;      // no such file
extern const SystemError kPathNotFoundError;  // no such folder on the way
extern const SystemError kDiskFullError;      // no room left on the drive
extern const SystemError kInUseError;         // another program holds the file (Windows' sharing violation)

// What the path leads to, links followed; nothing, with the error, when it leads to no file.
std::optional<FileStatus> StatusOf(const QString& path, SystemError& error);
// Whether the name is a link (a reparse point on Windows), followed or not.
bool IsLink(const QString& path);
// Whether another program has the file open so that it may not be replaced
// now (a media player, on Windows); false where nothing holds it or the
// system has no such locks.
bool HeldByAnotherProgram(const QString& path);
// The zone the web's mark on a file names (Windows' Zone.Identifier: 3 for
// the Internet, 4 for restricted sites...); nothing for a file without one.
std::optional<int> WebZoneOf(const QString& path);
