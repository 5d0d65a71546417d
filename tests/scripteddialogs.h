#pragma once

#include "dialogs/dialogs.h"

#include <QList>
#include <QStringList>

#include <functional>

struct ShownMessage {
  QString text;
  int style = 0;
  QString title;
};

// Records every dialog and answers from prepared lists.
class ScriptedDialogs final : public Dialogs {
 public:
  void ShowMessage(const QString& text, int style, const QString& title) override;
  QString PromptText(const QString& prompt, const QString& title) override;
  bool AskYesNo(const QString& text, const QString& title) override;
  std::unique_ptr<ProgressView> OpenProgress(const QString& title, const QString& label) override;

  QStringList promptAnswers;             // taken from the front; an empty list answers as Cancel does
  QList<bool> yesNoAnswers;              // likewise; an empty list answers いいえ
  int stopAfterProgressUpdates = -1;     // the progress asks to stop after this many updates
  std::function<void()> whilePrompting;  // what the user does meanwhile, where given

  QList<ShownMessage> messages;
  // The messages as "text|style|title", error reports cut to their first two
  // lines (number and place).
  QStringList shown() const;
  QStringList prompts;    // prompt and title, joined by " | "
  QStringList questions;  // likewise
  int progressUpdates = 0;
};
