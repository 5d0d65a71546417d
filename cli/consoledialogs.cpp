#include "cli/consoledialogs.h"

#include "cli/console.h"
#include "files/filenames.h"

#include <cstdio>

namespace {

QByteArray WithPlainLineEnds(QString text) {
  return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).toUtf8();
}

class InterruptibleProgress final : public ProgressView {
 public:
  bool Update(qint64, qint64, const QString&) override { return !StopRequested(); }
  // Said once, as the window says it.
  bool WaitFor(const QString& why) override {
    if (!waitSaid_) ConsoleDialogs::Say(why + QStringLiteral("（中止は Ctrl+C）"));
    waitSaid_ = true;
    return !StopRequested();
  }

 private:
  bool waitSaid_ = false;
};

}  // namespace

// At once, also where the C library holds back standard error to a file or pipe (Windows'):
// a script may read that entw-join waits while it waits.
void ConsoleDialogs::Say(const QString& message) {
  WriteToStream(stderr, "entw-join: " + WithPlainLineEnds(message) + '\n');
  std::fflush(stderr);
}

void ConsoleDialogs::ShowMessage(const QString& text, int, const QString&) { Say(text); }

void ConsoleDialogs::ShowErrorReport(const QString& text, const QString&) {
  WriteToStream(stderr, WithPlainLineEnds(text) + '\n');
}

QString ConsoleDialogs::PromptText(const QString&, const QString&) { return outName_; }

bool ConsoleDialogs::AskYesNo(const QString&, const QString&) {
  Say(QStringLiteral("「%1」は既に存在します。上書きするには --force を付けてください。")
          .arg(DisplayFileName(outName_)));
  return false;
}

std::unique_ptr<ProgressView> ConsoleDialogs::OpenProgress(const QString&, const QString&) {
  // An interrupted join is stopped by the engine, so no temporary file stays behind.
  StopJoinOnInterrupt();
  return std::make_unique<InterruptibleProgress>();
}
