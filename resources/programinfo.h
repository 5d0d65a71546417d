#pragma once

#include <QString>

// The program's name and version as its version record holds them.
struct VersionNumbers {
  int Major = 0;
  int Minor = 0;
  int Revision = 0;
};

VersionNumbers ProgramVersion();
QString ProgramName();

// "1.00": Major, then Minor widened to at least two digits.
QString ShortVersionText(const VersionNumbers& version);
// "1.00.0002": the short text, then Revision widened to at least four digits.
QString LongVersionText(const VersionNumbers& version);
