#pragma once

#include "dialogs/dialogs.h"

class QApplication;
class QWidget;

// The dialogs as Qt's own message box, input dialog and progress dialog.
class QtDialogs final : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  // The window the dialogs belong to; they are centred on it.
  void SetParent(QWidget* parent) { parent_ = parent; }

  void ShowMessage(const QString& text, int style, const QString& title) override;
  QString PromptText(const QString& prompt, const QString& title) override;
  bool AskYesNo(const QString& text, const QString& title) override;
  std::unique_ptr<ProgressView> OpenProgress(const QString& title, const QString& label) override;

  // A join shorter than showAfterMs shows no progress; once shown, the
  // window repaints at most every repaintEveryMs.
  void SetProgressTiming(int showAfterMs, int repaintEveryMs);

 private:
  QWidget* parent_;
  int progressShowAfterMs_ = 1000;
  int progressRepaintEveryMs_ = 50;
};

// Qt's own Japanese translation, so that the platform's buttons read Japanese
// whatever the system's language.
void InstallJapaneseQtTranslation(QApplication& application);
