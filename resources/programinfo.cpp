#include "resources/programinfo.h"

#include "entw_version.h"

VersionNumbers ProgramVersion() { return {EntwBuild::kMajor, EntwBuild::kMinor, EntwBuild::kRevision}; }

QString ProgramName() { return QString::fromUtf8(EntwBuild::kProductName); }

QString ShortVersionText(const VersionNumbers& version) {
  return QStringLiteral("%1.%2").arg(version.Major).arg(version.Minor, 2, 10, QLatin1Char('0'));
}

QString LongVersionText(const VersionNumbers& version) {
  return QStringLiteral("%1.%2").arg(ShortVersionText(version)).arg(version.Revision, 4, 10, QLatin1Char('0'));
}
