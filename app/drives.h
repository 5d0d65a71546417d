#pragma once

#include "files/fallible.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// A drive as the drive list shows it: its identifier (the mount point on
// Linux, "c:" on Windows) and a volume label, which may be empty.
struct Drive {
  QString id;
  QString label;
  QString root;  // the folder at the top of the drive, ending in a separator

  QString displayText() const;
};

// Where drives and their folders come from, so tests can use a fake machine.
class DriveServices {
 public:
  virtual ~DriveServices() = default;
  virtual QList<Drive> ListDrives() = 0;
  virtual QString WorkingFolder() = 0;
  // The folder the system keeps as the drive's current one, which choosing
  // the drive opens; its root where none is kept or the folder is gone.
  virtual QString CurrentFolder(const Drive& drive) = 0;
  // Nothing when folder, on drive, can be opened now; otherwise the failure:
  // DriveUnavailable when the drive is not ready, has gone away or the
  // folder is gone; the system's error on the folder otherwise, such as for
  // a folder that is there but may not be read.
  virtual std::optional<Failure> CheckFolder(const Drive& drive, const QString& folder) = 0;
};

// The machine's own drives: mounted volumes a user would call drives, or
// Windows' drive letters, ready or not.
class SystemDrives final : public DriveServices {
 public:
  QList<Drive> ListDrives() override;
  QString WorkingFolder() override;
  QString CurrentFolder(const Drive& drive) override;
  std::optional<Failure> CheckFolder(const Drive& drive, const QString& folder) override;
};

// The failure for a folder that would not open with the system's error code:
// the drive unavailable (MeansUnavailable), otherwise the system error, on
// the folder.
Failure FailureOfOpeningFolder(const QString& folder, int errorCode);

// Whether a mounted volume is a drive: the root file system and volumes
// mounted for the user, never pseudo or system file systems. On Windows
// every drive letter is a drive.
bool IsUserVolume(const QString& rootPath, const QByteArray& fileSystemType);

// The drive whose root holds path most closely, or the first drive.
std::optional<Drive> DriveHolding(const QList<Drive>& drives, const QString& path);
