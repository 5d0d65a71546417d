#pragma once

#include "app/drives.h"

#include <QHash>
#include <QSet>

// A machine whose drives are folders of a test, some of which can be made unavailable.
class FakeDrives final : public DriveServices {
 public:
  QList<Drive> ListDrives() override { return drives; }
  QString WorkingFolder() override { return workingFolder; }
  QString CurrentFolder(const Drive& drive) override { return currentFolders.value(drive.id, drive.root); }
  std::optional<Failure> CheckFolder(const Drive& drive, const QString& folder) override;

  // Adds a drive whose root is the given folder (ending in '/').
  void AddDrive(const QString& id, const QString& root);

  QList<Drive> drives;
  QString workingFolder;
  QHash<QString, QString> currentFolders;  // drive ids whose system keeps a current folder
  QSet<QString> unavailable;               // drive ids reported not ready
  QHash<QString, Failure> otherFailures;   // drive ids that fail otherwise
};
