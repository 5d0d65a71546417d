#pragma once

#include "resources/programinfo.h"

// The three lines of the version box, joined by CR LF.
QString VersionBoxText(const VersionNumbers& version = ProgramVersion());
QString VersionBoxTitle();
