#include "app/versioninfo.h"

#include "entw_version.h"

VersionNumbers ProgramVersion() {
  return {EntwBuild::kMajor, EntwBuild::kMinor, EntwBuild::kRevision};
}

QString ProgramName() { return QString::fromUtf8(EntwBuild::kProductName); }

QString ShortVersionText(const VersionNumbers& version) {
  return QStringLiteral("%1.%2").arg(version.Major).arg(version.Minor, 2, 10, QLatin1Char('0'));
}

QString LongVersionText(const VersionNumbers& version) {
  return QStringLiteral("%1.%2").arg(ShortVersionText(version)).arg(version.Revision, 4, 10, QLatin1Char('0'));
}

QString VersionBoxText(const VersionNumbers& version) {
  return ProgramName() + u' ' + ShortVersionText(version) + QStringLiteral("\r\nVOVEror files.\r\n") +
         QStringLiteral("えんとぅ開発チームが作りました。");
}

QString VersionBoxTitle() { return QStringLiteral("バージョン情報 - ") + ProgramName(); }
