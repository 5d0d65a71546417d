#pragma once

#include <QStringList>

#include <optional>

// Runs a program in a console of the test's own whose output code page is set
// first, as at a Windows console: what the console then shows, and its code
// page. Nothing where consoles have none (Linux).
struct ConsoleRun {
  QString shown;
  unsigned codePage = 0;
};
std::optional<ConsoleRun> RunInConsole(const QString& program, const QStringList& arguments, unsigned codePage);
