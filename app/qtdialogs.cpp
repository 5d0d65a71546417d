#include "app/qtdialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QScreen>
#include <QTextDocument>
#include <QTranslator>
#include <QtMath>

#include <algorithm>

namespace {

QString WithLineBreaks(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

// A button's text as it reads, without the mark of its access key ("&&" stands for "&").
QString WithoutAccessKey(QString text) {
  static const QRegularExpression marker(QStringLiteral("&(.)"));
  return text.replace(marker, QStringLiteral("\\1"));
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

// Qt's message box holding the very text it was given: the lines wrap on
// screen only, and what is selected, copied or read out has no break the
// caller did not write. Ctrl+C copies the whole box as Windows' own boxes do.
class MessageBox final : public QMessageBox {
 public:
  MessageBox(Icon icon, const QString& title, const QString& text, StandardButtons buttons, QWidget* parent)
      : QMessageBox(icon, title, QString(), buttons, parent) {
    setTextFormat(Qt::PlainText);
    setText(WithLineBreaks(text));
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (QLabel* label = textLabel()) label->installEventFilter(this);
    FitTitle(*this);
  }

 protected:
  void showEvent(QShowEvent* event) override {
    QMessageBox::showEvent(event);
    FitText();
  }

  // Qt sizes the box anew on each layout request; the text's width follows.
  bool event(QEvent* event) override {
    const bool handled = QMessageBox::event(event);
    if (event->type() == QEvent::LayoutRequest && isVisible()) FitText();
    return handled;
  }

  void keyPressEvent(QKeyEvent* event) override {
    if (event->matches(QKeySequence::Copy)) {
      QGuiApplication::clipboard()->setText(WholeText());
      return;
    }
    QMessageBox::keyPressEvent(event);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && watched == textLabel()) WrapAnywhereIfNeeded();
    return QMessageBox::eventFilter(watched, event);
  }

 private:
  QLabel* textLabel() const { return findChild<QLabel*>(QStringLiteral("qt_msgbox_label")); }

  // A label wraps only where a word may end, and a path, a Windows one above
  // all, may have no such place; its text document is told to break such a
  // line anywhere, each time the label has laid the text out anew.
  void WrapAnywhereIfNeeded() {
    QLabel* label = textLabel();
    auto* document = label ? label->findChild<QTextDocument*>() : nullptr;
    if (!document) return;
    label->heightForWidth(label->width());  // lays the text out now, with the label's own wrapping
    QTextOption option = document->defaultTextOption();
    if (option.wrapMode() == QTextOption::WrapAtWordBoundaryOrAnywhere) return;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document->setDefaultTextOption(option);
  }

  // The text as wide as its longest line, but no wider than forty full-width
  // characters or two thirds of the screen, whatever the font's size.
  void FitText() {
    QLabel* label = textLabel();
    if (!label) return;
    const QFontMetricsF metrics(label->font());
    qreal longest = 0;
    for (const QString& line : text().split(u'\n')) longest = std::max(longest, metrics.horizontalAdvance(line));
    const qreal widest =
        std::min<qreal>(screen()->availableGeometry().width() * 2 / 3, metrics.horizontalAdvance(u'あ') * 40);
    const QMargins margins = label->contentsMargins();
    label->setWordWrap(true);
    label->setFixedWidth(qCeil(std::min(longest, widest)) + 2 + margins.left() + margins.right() + 2 * label->margin());
    WrapAnywhereIfNeeded();
    layout()->invalidate();
    layout()->activate();
    const int width = layout()->totalMinimumSize().width();
    setFixedSize(width, layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width)
                                                      : layout()->totalMinimumSize().height());
    QCoreApplication::removePostedEvents(this, QEvent::LayoutRequest);
  }

  // Title, text and buttons between dashed lines.
  QString WholeText() const {
    const QString rule = QStringLiteral("---------------------------\n");
    QString whole = rule + windowTitle() + u'\n' + rule + text() + u'\n' + rule;
    for (const QAbstractButton* button : buttons()) whole += WithoutAccessKey(button->text()) + QStringLiteral("   ");
    return whole + u'\n' + rule;
  }
};

class QtProgressView final : public ProgressView {
 public:
  QtProgressView(QWidget* parent, const QString& title, const QString& label, int showAfterMs, int repaintEveryMs)
      : parent_(parent), title_(title), label_(label), showAfterMs_(showAfterMs), repaintEveryMs_(repaintEveryMs) {
    sinceStart_.start();
    sinceRepaint_.start();
  }

  bool Update(qint64 bytesDone, qint64 bytesTotal, const QString& currentFile) override {
    if (!dialog_ && sinceStart_.elapsed() < showAfterMs_) {
      // The window still repaints and answers assistive technology, but takes no input.
      if (sinceRepaint_.elapsed() >= repaintEveryMs_) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        sinceRepaint_.restart();
      }
      return true;
    }
    if (!dialog_) {
      Show();
    } else if (sinceRepaint_.elapsed() < repaintEveryMs_) {
      return !dialog_->wasCanceled();
    }
    // No file: every byte is copied and the drive is still taking them in.
    // The label names the bar, so an "&" in a file name is doubled to show as itself.
    const QString now = currentFile.isEmpty() ? QStringLiteral("ディスクへの書き込みを仕上げています…") : currentFile;
    dialog_->setLabelText(QString(label_ + u'\n' + now).replace(u'&', QStringLiteral("&&")));
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
    if (auto* bar = dialog_->findChild<QProgressBar*>()) {
      bar->setAccessibleName(QStringLiteral("結合の進み具合"));
      if (auto* label = dialog_->findChild<QLabel*>()) label->setBuddy(bar);
    }
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
  MessageBox box(IconOfStyle(style), title, text, QMessageBox::Ok, parent_);
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
  MessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent_);
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
