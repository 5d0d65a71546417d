#include "cli/console.h"

#include <atomic>
#include <cstdio>

#include <fcntl.h>
#include <io.h>

#include <windows.h>
#include <shellapi.h>

namespace {

std::atomic<bool> stopRequested{false};

// Ctrl+C, Ctrl+Break and closing the console window stop the join; the
// engine then removes its temporary file.
BOOL WINAPI RequestStop(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
      stopRequested = true;
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

QStringList CommandLineArguments(int, char*[]) {
  // The narrow arguments are in the ANSI code page and lose what it lacks.
  QStringList arguments;
  int count = 0;
  if (LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
    for (int i = 1; i < count; ++i) arguments.append(QString::fromWCharArray(wide[i]));
    ::LocalFree(wide);
  }
  return arguments;
}

// Lines end in a plain LF on every system, as scripts expect.
void PrepareConsole() {
  ::SetConsoleOutputCP(CP_UTF8);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

QByteArray NameForOutput(const QString& name) { return name.toUtf8(); }

bool StandardOutputIsTerminal() { return _isatty(_fileno(stdout)) != 0; }

void StopJoinOnInterrupt() { ::SetConsoleCtrlHandler(RequestStop, TRUE); }

bool StopRequested() { return stopRequested; }
