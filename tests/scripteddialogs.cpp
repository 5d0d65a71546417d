#include "scripteddialogs.h"

namespace {

class ScriptedProgress final : public ProgressView {
 public:
  explicit ScriptedProgress(ScriptedDialogs& owner) : owner_(owner) {}
  bool Update(qint64, qint64, const QString&) override {
    ++owner_.progressUpdates;
    return owner_.stopAfterProgressUpdates < 0 || owner_.progressUpdates < owner_.stopAfterProgressUpdates;
  }

 private:
  ScriptedDialogs& owner_;
};

}  // namespace

void ScriptedDialogs::ShowMessage(const QString& text, int style, const QString& title) {
  messages.append({text, style, title});
}

QStringList ScriptedDialogs::shown() const {
  QStringList shown;
  for (const ShownMessage& message : messages) {
    const QString text = message.text.startsWith(QStringLiteral("エラー番号:"))
                             ? message.text.section(QStringLiteral("\r\n"), 0, 1)
                             : message.text;
    shown.append(QStringLiteral("%1|%2|%3").arg(text).arg(message.style).arg(message.title));
  }
  return shown;
}

QString ScriptedDialogs::PromptText(const QString& prompt, const QString& title) {
  prompts.append(prompt + QStringLiteral(" | ") + title);
  if (whilePrompting) whilePrompting();
  return promptAnswers.isEmpty() ? QString() : promptAnswers.takeFirst();
}

bool ScriptedDialogs::AskYesNo(const QString& text, const QString& title) {
  questions.append(text + QStringLiteral(" | ") + title);
  return !yesNoAnswers.isEmpty() && yesNoAnswers.takeFirst();
}

std::unique_ptr<ProgressView> ScriptedDialogs::OpenProgress(const QString&, const QString&) {
  return std::make_unique<ScriptedProgress>(*this);
}
