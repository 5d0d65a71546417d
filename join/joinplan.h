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
  bool onlineOnly = false;  // kept in the cloud, fetched to its own drive as it is read
};

// What a join knows before it writes, so that it looks at each input and
// lists the output's folder once: whether a plain file stands at the
// output's name, and the inputs where telling it apart from them needed them.
struct JoinPlan {
  QStringList files;
  std::optional<std::vector<InputFile>> inputs;  // where the output exists
  bool replaces = false;                         // a plain file stands there, none of the inputs
  bool replacesReadOnly = false;                 // and it is read-only (Windows)
  // The output is an input spelled otherwise where it is written in the
  // joined folder, which only the output's temporary file can tell: the
  // folder is spelled otherwise on a disk that numbers each spelling apart.
  bool inputWhereWrittenInJoinedFolder = false;
};

// Judges the output name. The join writes its output beside the name and
// replaces what stands there only at the end, so the name must lead to none
// of the inputs, however the file system spells or numbers it, and to
// nothing or a plain file; a name the system would change or take for no
// plain file (Windows: out., x:y, NUL) is refused too. A refused name is the
// failure on the output (SameAsInput, OutputNotPlainFile,
// NameWindowsChanges); an output that another program holds so that it may
// not be replaced (a media player, on Windows) fails as in use. Only an
// existing output needs a look at the inputs, which then fails on the first
// input missing or no plain file.
Fallible<JoinPlan> PlanJoin(const QString& folder, const QString& outName, const QStringList& files);

// Each input looked at, in list order; fails on the first one missing or no plain file.
Fallible<std::vector<InputFile>> InspectInputs(const QString& folder, const QStringList& files);
