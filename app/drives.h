#pragma once

#include "files/fallible.h"

#include <QByteArray>
#include <QFuture>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
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
// Only AskLabel and CheckFolder ask a drive itself, and so may wait as long
// as it takes to answer: a network drive whose server is gone, for minutes.
class DriveServices {
 public:
  virtual ~DriveServices() = default;
  // The machine's drives by name alone, as the system lists them.
  virtual QList<Drive> ListDrives() = 0;
  virtual QString WorkingFolder() = 0;
  // The folder the system keeps as the drive's current one, which choosing
  // the drive opens; its root where none is kept.
  virtual QString CurrentFolder(const Drive& drive) = 0;
  // The drive's volume label, empty where it has none; nothing where the
  // drive is not ready.
  virtual std::optional<QString> AskLabel(const Drive& drive) = 0;
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
  std::optional<QString> AskLabel(const Drive& drive) override;
  std::optional<Failure> CheckFolder(const Drive& drive, const QString& folder) override;
};

// Asks each drive on a thread of its own, one question at a time, so that a
// drive that does not answer holds up nothing but its own questions. A
// thread that waits on such a drive is left to it: nothing ever waits for
// it, not even the program's end. The services must outlive the questions.
class DriveQuestions final : public QObject {
  Q_OBJECT

 public:
  explicit DriveQuestions(DriveServices& services, QObject* parent = nullptr);

  // Asks for the drive's label unless it is still busy with a question;
  // labelled follows with the answer.
  void AskLabel(const Drive& drive);
  // FolderToOpen, waiting at most `bound` for the answer while the window
  // repaints but takes no input; nothing where the drive did not answer.
  std::optional<Fallible<QString>> AskFolder(const Drive& drive, const QString& folder,
                                             std::chrono::milliseconds bound);
  // Likewise for a path given from outside: the folder FolderOfGivenPath
  // names, where it opens, with no folder above tried in its place.
  std::optional<Fallible<QString>> AskGivenFolder(const Drive& drive, const QString& path,
                                                  std::chrono::milliseconds bound);

 signals:
  // The label, or nothing where the drive is not ready.
  void labelled(const QString& driveId, const std::optional<QString>& label);

 private:
  std::optional<Fallible<QString>> AskInTurn(const Drive& drive, std::chrono::milliseconds bound,
                                             const std::function<Fallible<QString>()>& question);

  DriveServices& services_;
  QHash<QString, QFuture<void>> asked_;  // each drive's last question
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
