#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

// Message-box style bits as the program passes them; a style is a sum of these.
namespace MessageStyle {
inline constexpr int kOkOnly = 0;
inline constexpr int kIconError = 16;
inline constexpr int kIconInformation = 64;
inline constexpr int kSystemModal = 4096;
inline constexpr int kError = kSystemModal + kIconError;              // 4112
inline constexpr int kInformation = kSystemModal + kIconInformation;  // 4160
}  // namespace MessageStyle

// A running join's progress display; closes when destroyed.
class ProgressView {
 public:
  virtual ~ProgressView() = default;
  // Returns false once the user has asked to stop.
  virtual bool Update(qint64 bytesDone, qint64 bytesTotal, const QString& currentFile) = 0;
  // Says why the join, all bytes copied, waits (another program holds a file
  // it needs), until the next Update; returns false once the user has asked
  // to stop. Shown as the file being worked on, unless a view has its own way.
  virtual bool WaitFor(const QString& why) { return Update(1, 1, why); }
};

// Every dialog the program shows goes through this: the window shows Qt's
// dialogs, entw-join writes to the console, and the tests answer from a script.
class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Modal box with an OK button; CR LF in text breaks lines.
  virtual void ShowMessage(const QString& text, int style, const QString& title) = 0;
  // The error report: an error box like any other, unless the dialogs show reports their own way.
  virtual void ShowErrorReport(const QString& text, const QString& title) {
    ShowMessage(text, MessageStyle::kError, title);
  }
  // One-line prompt; the typed text on OK, an empty text on Cancel or close.
  virtual QString PromptText(const QString& prompt, const QString& title) = 0;
  // Question with はい and いいえ, いいえ being the default; true for はい.
  virtual bool AskYesNo(const QString& text, const QString& title) = 0;
  // Progress for a join; it appears only if the join runs long.
  virtual std::unique_ptr<ProgressView> OpenProgress(const QString& title, const QString& label) = 0;
};
