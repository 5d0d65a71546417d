#pragma once

#include "app/drives.h"

#include <QHash>
#include <QSet>

#include <condition_variable>
#include <mutex>

// A machine whose drives are folders of a test. A drive may answer with a
// failure, and may be held: its answers then wait until it is let go. The
// window asks on threads of their own, so what answers read is locked.
class FakeDrives final : public DriveServices {
 public:
  ~FakeDrives() override;  // lets held drives go and waits for the answers still in them

  QList<Drive> ListDrives() override { return drives; }
  QString WorkingFolder() override { return workingFolder; }
  QString CurrentFolder(const Drive& drive) override { return currentFolders.value(drive.id, drive.root); }
  std::optional<QString> AskLabel(const Drive& drive) override;
  std::optional<Failure> CheckFolder(const Drive& drive, const QString& folder) override;

  // Adds a drive whose root is the given folder (ending in '/').
  void AddDrive(const QString& id, const QString& root, const QString& label = QString());
  void Fail(const QString& id, const Failure& failure);
  void SetUnavailable(const QString& id) { Fail(id, {FailureKind::DriveUnavailable, FailureSide::Folder}); }
  void Hold(const QString& id, bool held = true);

  QList<Drive> drives;
  QString workingFolder;
  QHash<QString, QString> currentFolders;  // drive ids whose system keeps a current folder

 private:
  // Nothing of this is touched once the answer is given, as the machine may then be gone.
  std::optional<Failure> Answer(const QString& id, QString* label = nullptr);

  std::mutex lock_;
  std::condition_variable changed_;
  QHash<QString, Failure> failures_;
  QHash<QString, QString> labels_;
  QSet<QString> held_;
  int answering_ = 0;
};
