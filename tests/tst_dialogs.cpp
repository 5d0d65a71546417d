#include "app/frmmain.h"
#include "app/qtdialogs.h"
#include "flow/joincommand.h"
#include "report/errorreport.h"
#include "resources/versioninfo.h"
#include "testfiles.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
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
    QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
    if (QAbstractButton* ok = box->button(QMessageBox::Ok))
      ok->click();
    else
      box->done(0);
  });

  dialogs.ShowMessage(QStringLiteral("一行目\r\n二行目 <a@b>"), style, QStringLiteral("題名 - えんとぅ"));

  QCOMPARE(seen, (QStringList{QStringLiteral("一行目\n二行目 <a@b>"), QStringLiteral("題名 - えんとぅ"),
                              QString::number(icon), QString::number(Qt::PlainText),
                              QString::number(Qt::ApplicationModal), QString::number(systemModal), "1"}));
  // Ctrl+C copies the whole box, as on Windows.
  const QString rule = QStringLiteral("---------------------------\n");
  QCOMPARE(QApplication::clipboard()->text(),
           rule + "題名 - えんとぅ\n" + rule + "一行目\n二行目 <a@b>\n" + rule + "OK   \n" + rule);
}

void TestDialogs::longLinesAreWrappedToFit_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("question");
  QTest::addColumn<qreal>("pointSize");

  const QString longName = QStringLiteral("/tmp/") + QString(295, u'a');
  const QString deepName = QStringLiteral("/tmp") + QStringLiteral("/部品").repeated(80);
  const QString deepReport =
      ErrorReportText(QStringLiteral("VoverorFile"), Described({FailureKind::Shrank, FailureSide::Input, deepName}));
  QTest::newRow("error report naming a 300-character path with no break")
      << ErrorReportText(QStringLiteral("VoverorFile"), Described({FailureKind::Shrank, FailureSide::Input, longName}))
      << false << 10.2;
  QTest::newRow("error report naming a deep Japanese path") << deepReport << false << 10.2;
  QTest::newRow("the same in a 16-point system font") << deepReport << false << 16.0;
  QTest::newRow("question naming a long file")
      << QStringLiteral("「%1」は既に存在します。\r\n上書きしますか?").arg(longName) << true << 10.2;
  QTest::newRow("short lines around an empty one") << QStringLiteral("一行目\r\n\r\n三行目") << false << 10.2;
}

// The text keeps only its own line breaks; on screen it wraps to fit: nothing is cut off, and no
// line ends after a character or two.
void TestDialogs::longLinesAreWrappedToFit() {
  QFETCH(QString, text);
  QFETCH(bool, question);
  QFETCH(qreal, pointSize);

  QFont font = ProgramFont();
  font.setPointSizeF(pointSize);
  QApplication::setFont(font);
  // Looked at once the box is closed: a failed check inside would leave it open.
  QtDialogs dialogs;
  QStringList seen;
  WhenModalShown<QMessageBox>([&](QMessageBox* box) {
    auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    label->grab();  // laid out as painted
    const QTextDocument* document = label->findChild<QTextDocument*>();
    seen.append(label->text());
    if (document->idealWidth() > label->contentsRect().width() ||
        document->size().height() > label->contentsRect().height())
      seen.append("cut off");
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
      for (int line = 0; line + 1 < block.layout()->lineCount(); ++line)
        if (block.layout()->lineAt(line).textLength() < 4) seen.append("short line in " + block.text());
    }
    box->done(0);
  });

  if (question)
    dialogs.AskYesNo(text, QStringLiteral("結合 - えんとぅ"));
  else
    dialogs.ShowMessage(text, MessageStyle::kError, ErrorReportTitle());
  QApplication::setFont(ProgramFont());

  QCOMPARE(seen, QStringList{text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))});
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
    QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
    seen.append(QApplication::clipboard()->text().section(u'\n', 6, 6));  // the buttons, as they read
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
                              "1", "はい", "いいえ", "はい(Y)   いいえ(N)   "}));
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
  QVERIFY(view->Update(10, 100, QStringLiteral("a&b.bin")));
  auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
  QVERIFY(dialog);
  QCOMPARE(dialog->windowTitle(), QStringLiteral("結合 - えんとぅ"));
  // The bar has a name and its label, which shows the file name as it is.
  QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(dialog->findChild<QProgressBar*>());
  const auto labels = bar->relations(QAccessible::Label);
  QCOMPARE((QStringList{bar->text(QAccessible::Name),
                        labels.value(0).first ? labels[0].first->text(QAccessible::Name) : ""}),
           (QStringList{"結合の進み具合", "結合しています…\na&b.bin"}));
  QCOMPARE(dialog->value(), 100);
  auto* cancel = dialog->findChild<QPushButton*>();
  QCOMPARE(cancel->text(), QStringLiteral("キャンセル"));
  cancel->click();
  QVERIFY(!view->Update(20, 100, QStringLiteral("b.bin")));
}

// The whole join through the real dialogs, as the window runs it, its progress shown at once and cancelled.
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

  RunJoinCommand(dir.path(), false, dialogs, strFiles, {.answerWhileJoining = true});

  QCOMPARE(seen, (QStringList{"結合しています…", "結合をキャンセルしました。"}));
  QVERIFY(!QFile::exists(dir.filePath("out.bin")));
  QVERIFY(!QApplication::activeModalWidget());
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
