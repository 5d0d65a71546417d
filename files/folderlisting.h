#pragma once

#include "files/filestatus.h"
#include "files/nativefile.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// The names in a folder that stand for regular files, links to them
// included, in the folder's own order; false, with the error, where the
// folder cannot be read.
bool ListRegularFiles(const QString& folder, QStringList& names, SystemError& error);

// The modification days of files in one folder as the user's system shows
// them, the time of day left out.
class FolderDays {
 public:
  explicit FolderDays(const QString& folder);
  ~FolderDays();
  Q_DISABLE_COPY(FolderDays)

  // The day as a Julian day number; any year works.
  std::optional<qint64> LocalDay(const QString& name, SystemError& error) const;

 private:
  struct Private;  // what the system needs: the open folder, the time zone's rules
  QString folder_;
  std::unique_ptr<Private> d_;
};

// Holds a folder while a join reads its files, until destroyed: on Windows
// it cannot be renamed or removed meanwhile, and its files are opened
// through it. Linux keeps no such hold.
class HeldFolder {
 public:
  explicit HeldFolder(const QString& folder);
  ~HeldFolder();
  Q_DISABLE_COPY(HeldFolder)

  // NativeFiles::OpenInput for the file `name` of the folder, at `path`:
  // through the held folder where there is one, by the path otherwise.
  NativeFile OpenInput(const QString& name, const QString& path, SystemError& error) const;

 private:
  intptr_t handle_ = -1;
};
