#include "resources/versioninfo.h"

QString VersionBoxText(const VersionNumbers& version) {
  return ProgramName() + u' ' + ShortVersionText(version) + QStringLiteral("\r\nVOVEror files.\r\n") +
         QStringLiteral("えんとぅ開発チームが作りました。");
}

QString VersionBoxTitle() { return QStringLiteral("バージョン情報 - ") + ProgramName(); }
