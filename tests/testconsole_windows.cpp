#include "testconsole.h"

#include <QProcess>

#include <string>

#include <windows.h>

std::optional<ConsoleRun> RunInConsole(const QString& program, const QStringList& arguments, unsigned codePage) {
  // Run from pipes, Wine gives a program a console without code pages. The
  // test's own output goes back where the test runner reads it.
  const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
  const HANDLE errors = ::GetStdHandle(STD_ERROR_HANDLE);
  ::FreeConsole();
  std::optional<ConsoleRun> run;
  if (::AllocConsole() && ::SetConsoleOutputCP(codePage)) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, arguments);
    process.waitForFinished(60000);
    std::wstring cells(80 * 25, L' ');  // the first screenful
    DWORD read = 0;
    ::ReadConsoleOutputCharacterW(::GetStdHandle(STD_OUTPUT_HANDLE), cells.data(), DWORD(cells.size()), {0, 0}, &read);
    run = ConsoleRun{QString::fromWCharArray(cells.data(), qsizetype(read)), ::GetConsoleOutputCP()};
    ::FreeConsole();
  }
  ::SetStdHandle(STD_OUTPUT_HANDLE, output);
  ::SetStdHandle(STD_ERROR_HANDLE, errors);
  return run;
}
