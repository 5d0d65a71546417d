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

QString ScriptedDialogs::PromptText(const QString& prompt, const QString& title) {
  prompts.append(prompt + QStringLiteral(" | ") + title);
  return promptAnswers.isEmpty() ? QString() : promptAnswers.takeFirst();
}

bool ScriptedDialogs::AskYesNo(const QString& text, const QString& title) {
  questions.append(text + QStringLiteral(" | ") + title);
  return !yesNoAnswers.isEmpty() && yesNoAnswers.takeFirst();
}

std::unique_ptr<ProgressView> ScriptedDialogs::OpenProgress(const QString&, const QString&) {
  return std::make_unique<ScriptedProgress>(*this);
}
