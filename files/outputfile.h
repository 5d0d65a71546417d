#pragma once

#include "files/filestatus.h"
#include "files/nativefile.h"

#include <QString>
#include <QStringView>

#include <functional>
#include <memory>
#include <optional>

// The join's output: written under no name or a temporary one beside its
// final place, and given its name only by Commit. Unless committed it is
// gone when destroyed.
class OutputFile {
 public:
  explicit OutputFile(const QString& path);
  ~OutputFile();
  Q_DISABLE_COPY(OutputFile)

  // Takes the output's place once, for the whole join: a link there is
  // followed to the file it leads to (one that leads nowhere fails), the
  // folder that holds that file is held, and so is the file standing there,
  // so that a link retargeted or a folder renamed meanwhile changes nothing.
  bool Create(SystemError& error);
  NativeFile& file() { return file_; }
  // The folder the output is written in, links followed.
  QString folderPath() const;
  // Everything written reaches the disk; may take long on a slow drive.
  bool Flush(SystemError& error);
  // Asked, right before the commit, whether the plain file now at the final
  // name may be replaced; standing tells whether it is the one that stood
  // there when the output was created.
  using MayReplace = std::function<bool(const FileStatus& present, bool standing)>;
  // Takes the final name: a free one only while it is still free, on every
  // drive; where the drive can neither refuse a taken name in a rename nor
  // link, joins take turns, and only a file that another program makes in
  // the instant before the rename would be replaced. Otherwise the plain file
  // there, if mayReplace allows it, is replaced whole, and its owner, group,
  // permissions (less setuid and setgid), access lists and extended
  // attributes pass to the new file (on Windows its attributes, access list
  // and creation time). whileHeld is called about every quarter second while
  // another program holds the file to be replaced (Windows); false gives up
  // waiting, and the commit fails.
  using WhileHeld = std::function<bool()>;
  bool Commit(const MayReplace& mayReplace, const WhileHeld& whileHeld, SystemError& error);
  // The zone (3 for the Internet, 4 for restricted sites...) the new file is
  // marked as coming from, as Windows marks downloads, where its drive keeps
  // such marks; nothing: no mark. Linux has no such marks.
  void MarkWithZone(std::optional<int> zone);
  // Removes what was written at once, rather than when destroyed; false
  // where the file stays (a folder where files cannot be removed).
  bool Discard(SystemError& error);
  // The name the file was written under; empty while it has none.
  QString temporaryPath() const;

 private:
  struct Private;
  QString path_;
  NativeFile file_;
  std::unique_ptr<Private> d_;
};

// The files a join writes before its output takes its name, in the output's
// folder: ".entw-join-" and eight hexadecimal digits, then ".tmp". Listings
// never take them.
bool IsJoinTemporaryName(QStringView name);

// Removes from a folder the temporary files of joins that ended without
// finishing (killed, crashed); those of a join still running are kept.
void RemoveStrayJoinTemporaries(const QString& folder);
