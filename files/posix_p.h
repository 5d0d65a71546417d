#pragma once

#include "files/filestatus.h"
#include "files/nativefile.h"

#include <sys/stat.h>

// What the POSIX files of files/ share.

inline FileStatus StatusFrom(const struct stat& status) {
  return {{static_cast<quint64>(status.st_dev), static_cast<quint64>(status.st_ino)},
          static_cast<qint64>(status.st_size),
          S_ISREG(status.st_mode),
          static_cast<qint64>(status.st_blocks) * 512};
}

inline int Descriptor(const NativeFile& file) { return static_cast<int>(file.handle()); }
