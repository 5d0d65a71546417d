#include "app/qtdialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QScreen>
#include <QTextLayout>
#include <QTranslator>

#include <algorithm>

namespace {

QString WithLineBreaks(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

// A message box wraps its lines only where a word may end, so a long path, which has no such
// place, would run off the box's edge. Lines wider than a third of the screen, and never wider
// than forty full-width characters, are broken here instead: between words where they can be,
// anywhere where they cannot.
void SetTextFitting(QMessageBox& box, const QString& text) {
  const QWidget* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
  const QFont font = (label ? label : &box)->font();
  const qreal widest =
      std::min(box.screen()->availableGeometry().width() / 3, QFontMetrics(font).horizontalAdvance(u'あ') * 40);
  QTextOption wrapping;
  wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  QStringList lines;
  for (const QString& line : WithLineBreaks(text).split(u'\n')) {
    QTextLayout layout(line, font);
    layout.setTextOption(wrapping);
    layout.beginLayout();
    for (QTextLine piece = layout.createLine(); piece.isValid(); piece = layout.createLine()) {
      piece.setLineWidth(widest);
      lines.append(line.mid(piece.textStart(), piece.textLength()));
    }
    layout.endLayout();
  }
  box.setText(lines.join(u'\n'));
}

// Beside the title, a title bar holds the window's icon, the close button and
// the frames: 16, 46 and twice 8 pixels on Windows 10 and 11, with room to
// spare. Qt's own allowance for a message box, 50, cuts the title short.
constexpr int kTitleBarRoom = 96;

// The width the system's title bar needs for the dialog's title, its text
// measured in the title font, bold as some desktops draw it.
int TitleBarWidth(const QWidget& dialog) {
  QFont font = QApplication::font("QMdiSubWindowTitleBar");
  font.setBold(true);
  return QFontMetrics(font).horizontalAdvance(dialog.windowTitle()) + kTitleBarRoom;
}

int HorizontalMargins(const QWidget& dialog) {
  const QMargins margins = dialog.layout() ? dialog.layout()->contentsMargins() : QMargins();
  return margins.left() + margins.right();
}

// A message box sets its own fixed size whenever it is laid out, so the
// width goes into its layout: an empty item across its first row.
void FitTitle(QMessageBox& box) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (!grid) return;
  grid->addItem(
      new QSpacerItem(TitleBarWidth(box) - HorizontalMargins(box), 0, QSizePolicy::Minimum, QSizePolicy::Fixed), 0, 0,
      1, grid->columnCount());
}

QMessageBox::Icon IconOfStyle(int style) {
  if (style & MessageStyle::kIconError) return QMessageBox::Critical;
  if (style & MessageStyle::kIconInformation) return QMessageBox::Information;
  return QMessageBox::NoIcon;
}

// System-modal: nothing else of the program takes input, and the box stays above other windows.
void MakeSystemModal(QWidget& dialog) {
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
}

class QtProgressView final : public ProgressView {
 public:
  QtProgressView(QWidget* parent, const QString& title, const QString& label, int showAfterMs, int repaintEveryMs)
      : parent_(parent), title_(title), label_(label), showAfterMs_(showAfterMs), repaintEveryMs_(repaintEveryMs) {
    sinceStart_.start();
  }

  bool Update(qint64 bytesDone, qint64 bytesTotal, const QString& currentFile) override {
    if (!dialog_) {
      if (sinceStart_.elapsed() < showAfterMs_) return true;
      Show();
    } else if (sinceRepaint_.elapsed() < repaintEveryMs_) {
      return !dialog_->wasCanceled();
    }
    // No file: every byte is copied and the drive is still taking them in.
    dialog_->setLabelText(
        label_ + u'\n' +
        (currentFile.isEmpty() ? QStringLiteral("ディスクへの書き込みを仕上げています…") : currentFile));
    dialog_->setValue(bytesTotal > 0 ? static_cast<int>(bytesDone * kSteps / bytesTotal) : kSteps);
    QCoreApplication::processEvents();
    sinceRepaint_.restart();
    return !dialog_->wasCanceled();
  }

 private:
  static constexpr int kSteps = 1000;

  void Show() {
    dialog_ = std::make_unique<QProgressDialog>(parent_);
    dialog_->setWindowTitle(title_);
    dialog_->setCancelButtonText(QStringLiteral("キャンセル"));
    dialog_->setRange(0, kSteps);
    dialog_->setMinimumDuration(0);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setWindowModality(Qt::ApplicationModal);
    dialog_->setMinimumWidth(360);
    dialog_->show();
  }

  QWidget* parent_;
  QString title_;
  QString label_;
  int showAfterMs_;
  int repaintEveryMs_;
  QElapsedTimer sinceStart_;
  QElapsedTimer sinceRepaint_;
  std::unique_ptr<QProgressDialog> dialog_;
};

}  // namespace

void QtDialogs::ShowMessage(const QString& text, int style, const QString& title) {
  QMessageBox box(IconOfStyle(style), title, QString(), QMessageBox::Ok, parent_);
  box.setTextFormat(Qt::PlainText);
  SetTextFitting(box, text);
  FitTitle(box);
  if (style & MessageStyle::kSystemModal) MakeSystemModal(box);
  box.exec();
}

QString QtDialogs::PromptText(const QString& prompt, const QString& title) {
  QInputDialog dialog(parent_);
  dialog.setWindowTitle(title);
  dialog.setLabelText(WithLineBreaks(prompt));
  dialog.setInputMode(QInputDialog::TextInput);
  dialog.setTextValue(QString());
  // Its layout sets its size; the text field runs across all of it.
  if (auto* edit = dialog.findChild<QLineEdit*>())
    edit->setMinimumWidth(std::max(edit->minimumWidth(), TitleBarWidth(dialog) - HorizontalMargins(dialog)));
  return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

bool QtDialogs::AskYesNo(const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::Question, title, QString(), QMessageBox::Yes | QMessageBox::No, parent_);
  box.setTextFormat(Qt::PlainText);
  SetTextFitting(box, text);
  FitTitle(box);
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

std::unique_ptr<ProgressView> QtDialogs::OpenProgress(const QString& title, const QString& label) {
  return std::make_unique<QtProgressView>(parent_, title, label, progressShowAfterMs_, progressRepaintEveryMs_);
}

void QtDialogs::SetProgressTiming(int showAfterMs, int repaintEveryMs) {
  progressShowAfterMs_ = showAfterMs;
  progressRepaintEveryMs_ = repaintEveryMs;
}

void InstallJapaneseQtTranslation(QApplication& application) {
  auto* translator = new QTranslator(&application);
  if (translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    application.installTranslator(translator);
}
