#include "specialfiles.h"

#include <QDir>

#include <windows.h>

bool MakeFifo(const QString&) { return false; }

bool MakeHardLink(const QString& existing, const QString& link) {
  return ::CreateHardLinkW(QDir::toNativeSeparators(link).toStdWString().c_str(),
                           QDir::toNativeSeparators(existing).toStdWString().c_str(), nullptr) != 0;
}

QString NullDevice(const QString&) { return QStringLiteral("NUL"); }
