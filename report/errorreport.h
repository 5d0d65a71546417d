#pragma once

#include "report/failure.h"
#include "resources/programinfo.h"

class Dialogs;

// The five report lines joined by CR LF: number, place with program and
// version, description, and the request to contact the maintainer.
QString ErrorReportText(const QString& place, const Err& failure, const VersionNumbers& version = ProgramVersion());
QString ErrorReportTitle();

// Shows the report as an error box and returns once it is dismissed.
void ReportError(const QString& place, const Err& failure, Dialogs& dialogs);
