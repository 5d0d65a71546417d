#include "testconsole.h"

std::optional<ConsoleRun> RunInConsole(const QString&, const QStringList&, unsigned) { return std::nullopt; }
