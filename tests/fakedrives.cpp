#include "fakedrives.h"

#include <QDir>

std::optional<Failure> FakeDrives::CheckFolder(const Drive& drive, const QString& folder) {
  if (unavailable.contains(drive.id) || !QDir(folder).exists())
    return Failure{FailureKind::DriveUnavailable, FailureSide::Folder};
  if (otherFailures.contains(drive.id)) return otherFailures.value(drive.id);
  return std::nullopt;
}

void FakeDrives::AddDrive(const QString& id, const QString& root) { drives.append(Drive{id, QString(), root}); }
