#pragma once

#include <QString>

// Files that are no plain files, and links, made for tests where the system has them.

// A FIFO at path; false where the system has none.
bool MakeFifo(const QString& path);

// A hard link to an existing file.
bool MakeHardLink(const QString& existing, const QString& link);

// A device that reads as empty and swallows writes. As root it is a node of
// the test's own in folder, so that a join wrongly replacing it harms nothing
// else; otherwise the system's, which the test cannot replace anyway.
QString NullDevice(const QString& folder);
