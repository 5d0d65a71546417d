#include "cli/console.h"

#include "files/filenames.h"

#include <cerrno>
#include <csignal>

#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) { stopRequested = 1; }

}  // namespace

QStringList CommandLineArguments(int argc, char* argv[]) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments.append(DecodeFileName(argv[i]));
  return arguments;
}

void PrepareConsole() {}

bool WriteToStream(std::FILE* stream, const QByteArray& bytes) {
  return std::fwrite(bytes.constData(), 1, bytes.size(), stream) == static_cast<size_t>(bytes.size());
}

int LastStreamError() { return errno; }

QByteArray NameForOutput(const QString& name) { return EncodeFileName(name); }

QByteArray ZeroListNote() {
  return QByteArrayLiteral("             （xargs -0、sort -z 向けの、どんな名前も区別できる形）\n");
}

bool StandardOutputIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

void StopJoinOnInterrupt() {
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction old {};
    if (::sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    ::sigaction(signal, &action, nullptr);
  }
}

bool StopRequested() { return stopRequested != 0; }
