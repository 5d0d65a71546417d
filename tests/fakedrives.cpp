#include "fakedrives.h"

#include <QDir>

FakeDrives::~FakeDrives() {
  std::unique_lock hold(lock_);
  held_.clear();
  changed_.notify_all();
  changed_.wait(hold, [this] { return answering_ == 0; });
}

std::optional<Failure> FakeDrives::Answer(const QString& id, QString* label) {
  std::unique_lock hold(lock_);
  ++answering_;
  changed_.wait(hold, [&] { return !held_.contains(id); });
  --answering_;
  changed_.notify_all();
  if (label) *label = labels_.value(id);
  return failures_.contains(id) ? std::optional(failures_.value(id)) : std::nullopt;
}

std::optional<QString> FakeDrives::AskLabel(const Drive& drive) {
  QString label;
  if (Answer(drive.id, &label)) return std::nullopt;
  return label;
}

std::optional<Failure> FakeDrives::CheckFolder(const Drive& drive, const QString& folder) {
  const std::optional<Failure> failure = Answer(drive.id);
  if (!failure && !QDir(folder).exists()) return Failure{FailureKind::DriveUnavailable, FailureSide::Folder};
  return failure;
}

void FakeDrives::AddDrive(const QString& id, const QString& root, const QString& label) {
  drives.append(Drive{id, QString(), root});
  const std::lock_guard hold(lock_);
  labels_.insert(id, label);
}

void FakeDrives::Fail(const QString& id, const Failure& failure) {
  const std::lock_guard hold(lock_);
  failures_.insert(id, failure);
}

void FakeDrives::Hold(const QString& id, bool held) {
  const std::lock_guard hold(lock_);
  if (held)
    held_.insert(id);
  else
    held_.remove(id);
  changed_.notify_all();
}
