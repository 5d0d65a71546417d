#pragma once

#include "dialogs/dialogs.h"

#include <QString>

// The window's dialogs as entw-join has them: messages and reports go to
// standard error with plain line ends, the output name is the one given on
// the command line (blanks around it trimmed), and the question whether to
// replace an existing file, asked only without --force, is answered no.
class ConsoleDialogs final : public Dialogs {
 public:
  explicit ConsoleDialogs(const QString& outName) : outName_(outName) {}

  void ShowMessage(const QString& text, int style, const QString& title) override;
  // The report as the window shows it, not named as entw-join's own.
  void ShowErrorReport(const QString& text, const QString& title) override;
  QString PromptText(const QString& prompt, const QString& title) override;
  bool AskYesNo(const QString& text, const QString& title) override;
  // Interrupting (Ctrl+C, SIGTERM, SIGHUP) stops the join from here on.
  std::unique_ptr<ProgressView> OpenProgress(const QString& title, const QString& label) override;

  // A message of entw-join's own, on standard error.
  static void Say(const QString& message);

 private:
  const QString outName_;
};
