#pragma once

#include "files/fallible.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// An input as the join looked at it before writing, links followed.
struct InputFile {
  QString name;
  QString path;
  qint64 size = 0;
  qint64 allocated = 0;  // what its data takes on disk, its holes left out
  FileIdentity identity;
};

// What an output name leads to; the window, entw-join and the join itself go by it.
enum class OutputTarget {
  Free,          // nothing stands there
  PlainFile,     // another plain file, which a join may replace
  Input,         // one of the files joined, however the file system spells or numbers it
  NotPlainFile,  // a folder, a device, a FIFO, or a link to one
  BadName,       // a name the system would change or take for no plain file (Windows: out., x:y, NUL)
};

// What a join knows before it writes, so that it looks at each input and
// lists the output's folder once: what the output name leads to, and the
// inputs where telling it apart from them needed them.
struct JoinPlan {
  QStringList files;
  std::optional<std::vector<InputFile>> inputs;  // where the output exists
  OutputTarget target = OutputTarget::Free;
  // The output's folder where telling the output apart needed its names;
  // nothing where it could not be read.
  std::optional<QStringList> outputFolderEntries;
  // The temporary files of joins in the joined folder, where its listing found them.
  std::optional<QStringList> joinedFolderTemporaries;
};

// Judges the output name; only an existing output needs a look at the
// inputs, which then fails on the first input missing or no plain file.
// temporaries: what listing the joined folder found of the temporary files
// of joins.
Fallible<JoinPlan> PlanJoin(const QString& folder, const QString& outName, const QStringList& files,
                            const std::optional<QStringList>& temporaries = std::nullopt);

// Each input looked at, in list order; fails on the first one missing or no plain file.
Fallible<std::vector<InputFile>> InspectInputs(const QString& folder, const QStringList& files);

// Why a join refuses a target that is none of Free and PlainFile.
FailureKind RefusalOf(OutputTarget target);

// Case-insensitive or normalising disks (FAT, exFAT) open a name under any of
// its spellings, and their FUSE drivers number each spelling apart, so
// identities do not tell. Where the output's folder (entries) holds no entry
// of the very name given, the file system took it for another spelling: for
// an input's, or, where no entry's name folds to it, for one the name alone
// cannot tell. sameFolder: the output's folder was shown to be the joined
// one, whatever its spelling; then an input's very name is refused too.
bool SpelledLikeAnInput(const QString& folder, const QString& outPath, const std::vector<InputFile>& inputs,
                        const std::optional<QStringList>& entries, bool sameFolder);
