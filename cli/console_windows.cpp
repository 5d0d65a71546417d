#include "cli/console.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <io.h>

#include <windows.h>
// Needs windows.h first.
#include <shellapi.h>

namespace {

std::atomic<bool> stopRequested{false};

// Ctrl+C, Ctrl+Break and closing the console window stop the join; the
// engine then removes its temporary file. Windows ends the process as soon as
// the handler of a closed console returns, so that handler returns never: the
// main thread's exit ends it, once the join has cleaned up, or Windows does
// after its own time-out.
BOOL WINAPI RequestStop(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      stopRequested = true;
      return TRUE;
    case CTRL_CLOSE_EVENT:
      stopRequested = true;
      ::Sleep(INFINITE);
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

// Lines end in a plain LF on every system, as scripts expect. The console's
// code page is left as the user set it: text goes to a console as characters.
void PrepareConsole() {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

bool WriteToStream(std::FILE* stream, const QByteArray& bytes) {
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  if (handle == INVALID_HANDLE_VALUE || !::GetConsoleMode(handle, &mode))
    return std::fwrite(bytes.constData(), 1, bytes.size(), stream) == static_cast<size_t>(bytes.size());
  std::fflush(stream);
  const std::wstring text = QString::fromUtf8(bytes).toStdWString();
  constexpr size_t kPiece = 8192;  // consoles of older Windows refuse long writes
  for (size_t written = 0; written < text.size();) {
    size_t piece = std::min(kPiece, text.size() - written);
    if (written + piece < text.size() && IS_HIGH_SURROGATE(text[written + piece - 1])) --piece;
    DWORD count = 0;
    if (!::WriteConsoleW(handle, text.data() + written, static_cast<DWORD>(piece), &count, nullptr) || count == 0) {
      _doserrno = ::GetLastError();
      return false;
    }
    written += count;
  }
  return true;
}

int LastStreamError() { return _doserrno != 0 ? static_cast<int>(_doserrno) : ERROR_WRITE_FAULT; }

QByteArray NameForOutput(const QString& name) { return name.toUtf8(); }

// Windows names hold no line breaks, so a list by lines already tells every
// name apart; Windows has no xargs -0 or sort -z to point to.
QByteArray ZeroListNote() {
  return QByteArrayLiteral(
      "             （NUL 区切りの一覧を読むプログラム向け。Windows のファイル名は\n"
      "             改行を含まないので、ふつうは -z なしで名前を区別できる）\n");
}

bool StandardOutputIsTerminal() { return _isatty(_fileno(stdout)) != 0; }

void StopJoinOnInterrupt() { ::SetConsoleCtrlHandler(RequestStop, TRUE); }

bool StopRequested() { return stopRequested; }
