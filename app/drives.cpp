#include "app/drives.h"

#include "files/filenames.h"
#include "report/failure.h"

Failure FailureOfOpeningFolder(const QString& folder, int errorCode) {
  if (MeansUnavailable(errorCode)) return {FailureKind::DriveUnavailable, FailureSide::Folder};
  return SystemFailure(errorCode, FailureSide::Folder, folder);
}

QString Drive::displayText() const {
  return label.isEmpty() || label == id ? id : id + QStringLiteral("  [") + label + u']';
}

std::optional<Drive> DriveHolding(const QList<Drive>& drives, const QString& path) {
  std::optional<Drive> holding;
  const QString folder = FolderText(path);
  for (const Drive& drive : drives) {
    if (folder.startsWith(drive.root, Qt::CaseInsensitive) && (!holding || drive.root.size() > holding->root.size()))
      holding = drive;
  }
  if (!holding && !drives.isEmpty()) holding = drives.first();
  return holding;
}
