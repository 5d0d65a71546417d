#include "app/frmmain.h"
#include "app/qtdialogs.h"
#include "flow/joincommand.h"
#include "report/errorreport.h"
#include "resources/versioninfo.h"
#include "testfiles.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Acts on the modal dialog as soon as it is up, from the dialog's own event loop.
template <class DialogType>
void WhenModalShown(std::function<void(DialogType*)> act) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, act] {
    if (auto* dialog = qobject_cast<DialogType*>(QApplication::activeModalWidget()); dialog && dialog->isVisible()) {
      poll->stop();
      poll->deleteLater();
      act(dialog);
    }
  });
  poll->start(0);
}

QPushButton* ButtonWithRole(QDialog* dialog, QDialogButtonBox::ButtonRole role) {
  const auto* box = dialog->findChild<QDialogButtonBox*>();
  for (QAbstractButton* button : box->buttons()) {
    if (box->buttonRole(button) == role) return qobject_cast<QPushButton*>(button);
  }
  return nullptr;
}

}  // namespace

class TestDialogs : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void showMessage_data();
  void showMessage();
  void longLinesAreWrappedToFit_data();
  void longLinesAreWrappedToFit();
  void titleIsNeverCutShort_data();
  void titleIsNeverCutShort();
  void promptText_data();
  void promptText();
  void askYesNo_data();
  void askYesNo();
  void progressAppearsOnlyForLongJoinsAndCancels();
  void joinStoppedFromTheProgressDialog();
};

void TestDialogs::initTestCase() {
  InstallJapaneseQtTranslation(*qApp);
  QApplication::setFont(ProgramFont());
}

void TestDialogs::showMessage_data() {
  QTest::addColumn<int>("style");
  QTest::addColumn<QMessageBox::Icon>("icon");
  QTest::addColumn<bool>("systemModal");

  QTest::newRow("version box: no icon, not system-modal") << 0 << QMessageBox::NoIcon << false;
  QTest::newRow("error: error icon, system-modal") << 4112 << QMessageBox::Critical << true;
  QTest::newRow("information: information icon, system-modal") << 4160 << QMessageBox::Information << true;
}

void TestDialogs::showMessage() {
  QFETCH(int, style);
  QFETCH(QMessageBox::Icon, icon);
  QFETCH(bool, systemModal);

  // Looked at once the box is closed: a failed check inside would leave it open.
  QtDialogs dialogs;
  QStringList seen;
  WhenModalShown<QMessageBox>([&](QMessageBox* box) {
    seen = {box->text(),
            box->windowTitle(),
            QString::number(box->icon()),
            QString::number(box->textFormat()),
            QString::number(box->windowModality()),
            QString::number(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint)),
            QString::number(box->buttons().size())};
    if (QAbstractButton* ok = box->button(QMessageBox::Ok))
      ok->click();
    else
      box->done(0);
  });

  dialogs.ShowMessage(QStringLiteral("一行目\r\n二行目 <a@b>"), style, QStringLiteral("題名 - えんとぅ"));

  QCOMPARE(seen, (QStringList{QStringLiteral("一行目\n二行目 <a@b>"), QStringLiteral("題名 - えんとぅ"),
                              QString::number(icon), QString::number(Qt::PlainText),
                              QString::number(Qt::ApplicationModal), QString::number(systemModal), "1"}));
}

void TestDialogs::longLinesAreWrappedToFit_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("question");

  const QString longName = QStringLiteral("/tmp/") + QString(295, u'a');
  const QString deepName = QStringLiteral("/tmp") + QStringLiteral("/部品").repeated(80);
  QTest::newRow("error report naming a 300-character path with no break")
      << ErrorReportText(QStringLiteral("VoverorFile"), WithFailedPath(FailureOfNumber(53), longName)) << false;
  QTest::newRow("error report naming a deep Japanese path")
      << ErrorReportText(QStringLiteral("VoverorFile"), WithFailedPath(FailureOfNumber(53), deepName)) << false;
  QTest::newRow("question naming a long file")
      << QStringLiteral("「%1」は既に存在します。\r\n上書きしますか?").arg(longName) << true;
  QTest::newRow("short lines around an empty one") << QStringLiteral("一行目\r\n\r\n三行目") << false;
}

// Nothing of a long line is cut off at the box's edge, and no character or line break is lost to the wrapping.
void TestDialogs::longLinesAreWrappedToFit() {
  QFETCH(QString, text);
  QFETCH(bool, question);

  // Looked at once the box is closed: a failed check inside would leave it open.
  QtDialogs dialogs;
  QString shown;
  QSize needed;
  QSize has;
  WhenModalShown<QMessageBox>([&](QMessageBox* box) {
    if (const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
      shown = label->text();
      needed = QSize(label->minimumSizeHint().width(), label->heightForWidth(label->width()));
      has = label->size();
    }
    box->done(0);
  });

  if (question)
    dialogs.AskYesNo(text, QStringLiteral("結合 - えんとぅ"));
  else
    dialogs.ShowMessage(text, MessageStyle::kError, ErrorReportTitle());

  QVERIFY(shown.count(u'\n') >= text.count(QStringLiteral("\r\n")));
  QCOMPARE(shown.remove(u'\n'), text.remove(QStringLiteral("\r\n")));
  QVERIFY(needed.width() <= has.width());
  QVERIFY(needed.height() <= has.height());
}

void TestDialogs::titleIsNeverCutShort_data() {
  QTest::addColumn<QString>("kind");
  QTest::addColumn<QString>("title");
  const QString longTitle = QStringLiteral("とても長い題名の付いた確認 - えんとぅ");
  QTest::newRow("the version box") << "message" << VersionBoxTitle();
  QTest::newRow("a question") << "question" << longTitle;
  QTest::newRow("the prompt") << "prompt" << longTitle;
}

// Beside the title the system draws the window's icon and its close button,
// 16 pixels with their margins and 46 on Windows 10 at 100 %.
void TestDialogs::titleIsNeverCutShort() {
  QFETCH(QString, kind);
  QFETCH(QString, title);
  QtDialogs dialogs;
  int width = 0;
  WhenModalShown<QDialog>([&](QDialog* dialog) {
    width = dialog->width();
    dialog->done(0);
  });
  if (kind == u"message") dialogs.ShowMessage(VersionBoxText(), MessageStyle::kOkOnly, title);
  if (kind == u"question") dialogs.AskYesNo(QStringLiteral("OK?"), title);
  if (kind == u"prompt") dialogs.PromptText(QStringLiteral("名前:"), title);

  const int needed = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(title) + 78;
  QVERIFY2(width >= needed, qPrintable(QStringLiteral("%1 < %2").arg(width).arg(needed)));
}

void TestDialogs::promptText_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("action");
  QTest::addColumn<QString>("expected");

  QTest::newRow("OK returns the typed text") << "  out.bin "
                                             << "ok"
                                             << "  out.bin ";
  QTest::newRow("Cancel returns an empty text") << "out.bin"
                                                << "cancel"
                                                << "";
  QTest::newRow("closing the box returns an empty text") << "out.bin"
                                                         << "close"
                                                         << "";
  QTest::newRow("Enter accepts") << "結合.bin"
                                 << "enter"
                                 << "結合.bin";
  QTest::newRow("Esc cancels") << "結合.bin"
                               << "escape"
                               << "";
}

void TestDialogs::promptText() {
  QFETCH(QString, typed);
  QFETCH(QString, action);
  QFETCH(QString, expected);

  QtDialogs dialogs;
  QStringList seen;  // looked at once the box is closed
  WhenModalShown<QInputDialog>([&](QInputDialog* dialog) {
    auto* edit = dialog->findChild<QLineEdit*>();
    QPushButton* cancel = ButtonWithRole(dialog, QDialogButtonBox::RejectRole);
    seen = {dialog->windowTitle(), dialog->labelText(), edit ? edit->text() : "(no field)",
            cancel ? cancel->text() : "(no cancel)"};
    if (!edit) return dialog->done(0);
    edit->setText(typed);
    if (action == "ok") ButtonWithRole(dialog, QDialogButtonBox::AcceptRole)->click();
    if (action == "cancel") cancel->click();
    if (action == "close") dialog->close();
    if (action == "enter") QTest::keyClick(edit, Qt::Key_Return);
    if (action == "escape") QTest::keyClick(edit, Qt::Key_Escape);
  });

  QCOMPARE(dialogs.PromptText(QStringLiteral("結合後ファイル名:"), QStringLiteral("結合 - えんとぅ")), expected);
  QCOMPARE(seen, (QStringList{"結合 - えんとぅ", "結合後ファイル名:", "", "キャンセル"}));
}

void TestDialogs::askYesNo_data() {
  QTest::addColumn<QString>("action");
  QTest::addColumn<bool>("expected");

  QTest::newRow("はい") << "yes" << true;
  QTest::newRow("いいえ") << "no" << false;
  QTest::newRow("Enter takes the default いいえ") << "enter" << false;
  QTest::newRow("Esc answers いいえ") << "escape" << false;
}

void TestDialogs::askYesNo() {
  QFETCH(QString, action);
  QFETCH(bool, expected);

  QtDialogs dialogs;
  QStringList seen;  // looked at once the box is closed
  WhenModalShown<QMessageBox>([&](QMessageBox* box) {
    QAbstractButton* yes = box->button(QMessageBox::Yes);
    QAbstractButton* no = box->button(QMessageBox::No);
    seen = {QString::number(box->icon()), box->text(), QString::number(box->defaultButton() == no && no),
            yes ? yes->text().left(2) : "(no yes)", no ? no->text().left(3) : "(no no)"};
    if (!yes || !no) return box->done(0);
    if (action == "yes") yes->click();
    if (action == "no") no->click();
    if (action == "enter") QTest::keyClick(box, Qt::Key_Return);
    if (action == "escape") QTest::keyClick(box, Qt::Key_Escape);
  });

  QCOMPARE(dialogs.AskYesNo(QStringLiteral("「out.bin」は既に存在します。\r\n上書きしますか?"),
                            QStringLiteral("結合 - えんとぅ")),
           expected);
  QCOMPARE(seen, (QStringList{QString::number(QMessageBox::Question), "「out.bin」は既に存在します。\n上書きしますか?",
                              "1", "はい", "いいえ"}));
}

void TestDialogs::progressAppearsOnlyForLongJoinsAndCancels() {
  QtDialogs patient;
  {
    const auto view = patient.OpenProgress(QStringLiteral("結合 - えんとぅ"), QStringLiteral("結合しています…"));
    QVERIFY(view->Update(10, 100, QStringLiteral("a.bin")));
    QVERIFY(!QApplication::activeModalWidget());  // a short join shows nothing
  }

  QtDialogs eager;
  eager.SetProgressTiming(0, 0);
  const auto view = eager.OpenProgress(QStringLiteral("結合 - えんとぅ"), QStringLiteral("結合しています…"));
  QVERIFY(view->Update(10, 100, QStringLiteral("a.bin")));
  auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
  QVERIFY(dialog);
  QCOMPARE(dialog->windowTitle(), QStringLiteral("結合 - えんとぅ"));
  QCOMPARE(dialog->labelText(), QStringLiteral("結合しています…\na.bin"));
  QCOMPARE(dialog->value(), 100);
  auto* cancel = dialog->findChild<QPushButton*>();
  QCOMPARE(cancel->text(), QStringLiteral("キャンセル"));
  cancel->click();
  QVERIFY(!view->Update(20, 100, QStringLiteral("b.bin")));
}

// The whole join through the real dialogs, its progress shown at once and cancelled.
void TestDialogs::joinStoppedFromTheProgressDialog() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  for (int part = 10; part < 40; ++part) QVERIFY(WriteFile(dir.filePath(QString::number(part)), "part"));
  QtDialogs dialogs;
  dialogs.SetProgressTiming(0, 0);
  QStringList seen;
  WhenModalShown<QInputDialog>([&](QInputDialog* prompt) {
    prompt->setTextValue(QStringLiteral("out.bin"));
    prompt->accept();
    WhenModalShown<QProgressDialog>([&](QProgressDialog* progress) {
      seen.append(progress->labelText().section(u'\n', 0, 0));
      progress->findChild<QPushButton*>()->click();
      WhenModalShown<QMessageBox>([&](QMessageBox* box) {
        seen.append(box->text());
        box->button(QMessageBox::Ok)->click();
      });
    });
  });
  QStringList strFiles;

  RunJoinCommand(dir.path(), false, dialogs, strFiles);

  QCOMPARE(seen, (QStringList{"結合しています…", "結合をキャンセルしました。"}));
  QVERIFY(!QFile::exists(dir.filePath("out.bin")));
  QVERIFY(!QApplication::activeModalWidget());
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
