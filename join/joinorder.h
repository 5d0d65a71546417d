#pragma once

#include "files/fallible.h"

#include <QString>
#include <QStringList>

// The bare names of every file a join takes from the folder (folder text ends in a separator):
// regular files, hidden ones included, and links to regular files. Folders,
// FIFOs, sockets, devices, broken links and the temporary files of joins
// are left out. The order is the folder's own.
Fallible<QStringList> ListJoinFolder(const QString& folder);

// The listing in join order. By name: ascending, case-insensitive in the
// user's locale, digits compared as characters. By date: oldest local
// modification day first (the time of day is ignored), then by name.
// Names the collation calls equal are ordered by code points, so the result
// never depends on the listing's order. Names that are not UTF-8 follow the
// others (of their day), in the order of their bytes.
Fallible<QStringList> OrderJoinList(const QString& folder, const QStringList& listing, bool byDate);
