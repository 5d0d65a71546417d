#include "app/frmmain.h"
#include "entw_version.h"
#include "fakedrives.h"
#include "scripteddialogs.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <memory>

namespace {

// A window on a fake machine with one drive, opened on a working folder.
struct WindowOnFakeMachine {
  explicit WindowOnFakeMachine(int dotsPerInch = 96) {
    QDir(machine.path()).mkpath(QStringLiteral("c/work"));
    drives.AddDrive(QStringLiteral("c:"), machine.path() + QStringLiteral("/c/"));
    drives.workingFolder = machine.path() + QStringLiteral("/c/work");
    window = std::make_unique<frmMain>(dialogs, drives, dotsPerInch);
  }

  template <class Control = QWidget>
  Control* control(const char* name, int index = 0) const {
    const QList<Control*> found = window->findChildren<Control*>(QLatin1String(name));
    return found.size() > index ? found[index] : nullptr;
  }

  bool showActive() {
    window->show();
    QApplication::setActiveWindow(window.get());
    return QTest::qWaitForWindowActive(window.get());
  }

  QTemporaryDir machine;
  ScriptedDialogs dialogs;
  FakeDrives drives;
  std::unique_ptr<frmMain> window;
};

}  // namespace

class TestMainWindow : public QObject {
  Q_OBJECT

 private slots:
  void controls_data();
  void controls();
  void clientAreaFromTwips_data();
  void clientAreaFromTwips();
  void initialStateAndExclusiveOrder();
  void fontIsTheWindowsOnly();
  void menuBar();
  void windowHasItsIcon();
  void tabOrder();
  void accessKeys_data();
  void accessKeys();
  void accessibleNames_data();
  void accessibleNames();
  void enterPressesTheFocusedButton_data();
  void enterPressesTheFocusedButton();
  void enterAndEscapeDoNothingElsewhere_data();
  void enterAndEscapeDoNothingElsewhere();
  void exitClosesWithoutAsking();
  void versionBox();
  void grabToPng();
};

void TestMainWindow::controls_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<int>("index");
  QTest::addColumn<QString>("kind");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QRect>("twips");  // left, top, width, height

  QTest::newRow("lblMain") << "lblMain" << 0 << "QLabel"
                           << "結合対象(&T):" << QRect(180, 180, 2652, 312);
  QTest::newRow("drvMain") << "drvMain" << 0 << "QComboBox"
                           << "" << QRect(120, 480, 2712, 300);
  QTest::newRow("dirMain") << "dirMain" << 0 << "QTreeView"
                           << "" << QRect(120, 840, 2712, 3720);
  QTest::newRow("fraOrder") << "fraOrder" << 0 << "QGroupBox"
                            << "結合順序" << QRect(2940, 780, 2232, 1392);
  QTest::newRow("optOrder(0)") << "optOrder" << 0 << "QRadioButton"
                               << "日付順(&D)" << QRect(240, 300, 1752, 372);
  QTest::newRow("optOrder(1)") << "optOrder" << 1 << "QRadioButton"
                               << "名前順(&N)" << QRect(240, 720, 1752, 372);
  QTest::newRow("chkMain") << "chkMain" << 0 << "QCheckBox"
                           << "MS-DOSに頼る(&C)" << QRect(3000, 2400, 2232, 372);
  QTest::newRow("cmdMain") << "cmdMain" << 0 << "QPushButton"
                           << "結合実行(&E)" << QRect(2940, 3720, 2232, 792);
}

void TestMainWindow::controls() {
  QFETCH(QString, name);
  QFETCH(int, index);
  QFETCH(QString, kind);
  QFETCH(QString, caption);
  QFETCH(QRect, twips);

  for (const int dotsPerInch : {96, 120}) {
    WindowOnFakeMachine fixture(dotsPerInch);
    QWidget* control = fixture.control(qPrintable(name), index);
    QVERIFY2(control, qPrintable(name));
    QVERIFY2(control->inherits(qPrintable(kind)), control->metaObject()->className());
    if (auto* label = qobject_cast<QLabel*>(control)) QCOMPARE(label->text(), caption);
    if (auto* button = qobject_cast<QAbstractButton*>(control)) QCOMPARE(button->text(), caption);
    if (auto* frame = qobject_cast<QGroupBox*>(control)) QCOMPARE(frame->title(), caption);
    if (index > 0 || name == "optOrder") QCOMPARE(control->property("index").toInt(), index);
    const QRect expected(twips.x() * dotsPerInch / 1440.0 + 0.5, twips.y() * dotsPerInch / 1440.0 + 0.5,
                         twips.width() * dotsPerInch / 1440.0 + 0.5, twips.height() * dotsPerInch / 1440.0 + 0.5);
    QCOMPARE(control->geometry(), expected);
  }
}

void TestMainWindow::clientAreaFromTwips_data() {
  QTest::addColumn<int>("dotsPerInch");
  QTest::addColumn<QSize>("clientArea");

  QTest::newRow("96 dpi") << 96 << QSize(353, 310);
  QTest::newRow("120 dpi") << 120 << QSize(441, 387);
}

void TestMainWindow::clientAreaFromTwips() {
  QFETCH(int, dotsPerInch);
  QFETCH(QSize, clientArea);

  WindowOnFakeMachine fixture(dotsPerInch);
  fixture.window->show();

  QCOMPARE(fixture.window->centralWidget()->size(), clientArea);
  QCOMPARE(fixture.window->centralWidget()->y(), fixture.window->menuBar()->height());
  // The layout is fixed: the window keeps its size.
  QCOMPARE(fixture.window->minimumSize(), fixture.window->maximumSize());
  QCOMPARE(fixture.window->size().width(), clientArea.width());
}

void TestMainWindow::initialStateAndExclusiveOrder() {
  WindowOnFakeMachine fixture;
  auto* byDate = fixture.control<QRadioButton>("optOrder", 0);
  auto* byName = fixture.control<QRadioButton>("optOrder", 1);
  auto* check = fixture.control<QCheckBox>("chkMain");
  auto* join = fixture.control<QPushButton>("cmdMain");

  QVERIFY(!byDate->isChecked());
  QVERIFY(byName->isChecked());
  QVERIFY(!check->isEnabled());
  QVERIFY(!check->isChecked());
  QVERIFY(!join->isDefault());
  QVERIFY(!join->autoDefault());
  QCOMPARE(fixture.window->windowTitle(), QStringLiteral("えんとぅ"));

  byDate->click();
  QVERIFY(byDate->isChecked());
  QVERIFY(!byName->isChecked());
  byName->click();
  QVERIFY(!byDate->isChecked());
  QVERIFY(byName->isChecked());
}

void TestMainWindow::fontIsTheWindowsOnly() {
  WindowOnFakeMachine fixture;
  const QFont font = fixture.window->font();

  QCOMPARE(font.families().value(0), QStringLiteral("ＭＳ Ｐゴシック"));
  QVERIFY(font.families().contains(QStringLiteral("IPAPGothic")));
  QCOMPARE(font.pointSizeF(), 10.2);
  for (const QWidget* child : fixture.window->findChildren<QWidget*>()) {
    QVERIFY2(!child->testAttribute(Qt::WA_SetFont), qPrintable(child->objectName()));
  }
}

// The icon must be readable by this Qt's image plugins, or the window shows the system's blank one.
void TestMainWindow::windowHasItsIcon() {
  WindowOnFakeMachine fixture(96);
  const QIcon icon = fixture.window->windowIcon();
  QVERIFY(!icon.isNull());
  QVERIFY(!icon.pixmap(32, 32).isNull());
}

void TestMainWindow::menuBar() {
  WindowOnFakeMachine fixture;
  const QList<QAction*> items = fixture.window->menuBar()->actions();

  QCOMPARE(items.size(), 2);
  QCOMPARE(items[0]->objectName(), QStringLiteral("mnuExit"));
  QCOMPARE(items[0]->text(), QStringLiteral("終了(&X)"));
  QCOMPARE(items[1]->objectName(), QStringLiteral("mnuHelp"));
  QCOMPARE(items[1]->text(), QStringLiteral("ヘルプ(&H)..."));
  QVERIFY(!items[0]->menu() && !items[1]->menu());
}

void TestMainWindow::tabOrder() {
  WindowOnFakeMachine fixture;
  QVERIFY(fixture.showActive());
  fixture.control("drvMain")->setFocus();

  QStringList visited;
  for (int step = 0; step < 5; ++step) {
    QWidget* focused = QApplication::focusWidget();
    visited.append(focused->objectName() + (focused->property("index").isValid()
                                                ? QStringLiteral("(%1)").arg(focused->property("index").toInt())
                                                : QString()));
    QTest::keyClick(focused, Qt::Key_Tab);
  }

  // The disabled check box is passed over; of the option pair only the selected one takes the focus.
  QCOMPARE(visited, (QStringList{"drvMain", "dirMain", "optOrder(1)", "cmdMain", "drvMain"}));
}

void TestMainWindow::accessKeys_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<QString>("effect");

  QTest::newRow("Alt+D chooses date order") << int(Qt::Key_D) << "date order";
  QTest::newRow("Alt+N chooses name order") << int(Qt::Key_N) << "name order";
  QTest::newRow("Alt+E presses 結合実行") << int(Qt::Key_E) << "join";
  QTest::newRow("Alt+H opens the version box") << int(Qt::Key_H) << "version box";
  QTest::newRow("Alt+X ends the program") << int(Qt::Key_X) << "closed";
  QTest::newRow("Alt+T moves to the drive list") << int(Qt::Key_T) << "focus on drives";
}

void TestMainWindow::accessKeys() {
  QFETCH(int, key);
  QFETCH(QString, effect);

  WindowOnFakeMachine fixture;
  QVERIFY(fixture.showActive());
  fixture.control<QRadioButton>("optOrder", 0)->click();
  if (effect == "date order") fixture.control<QRadioButton>("optOrder", 1)->click();
  fixture.control("drvMain")->setFocus();

  QTest::keyClick(fixture.window.get(), Qt::Key(key), Qt::AltModifier);

  // Access keys press their button as a click the user can see, a moment later.
  if (effect == "date order") QTRY_VERIFY(fixture.control<QRadioButton>("optOrder", 0)->isChecked());
  if (effect == "name order") QTRY_VERIFY(fixture.control<QRadioButton>("optOrder", 1)->isChecked());
  // The empty working folder has nothing to join.
  if (effect == "join")
    QTRY_COMPARE(fixture.dialogs.messages.value(0).text, QStringLiteral("結合するファイルがありません。"));
  if (effect == "version box")
    QTRY_COMPARE(fixture.dialogs.messages.value(0).title, QStringLiteral("バージョン情報 - えんとぅ"));
  if (effect == "closed") QTRY_VERIFY(!fixture.window->isVisible());
  if (effect == "focus on drives") QCOMPARE(QApplication::focusWidget(), fixture.control("drvMain"));
  const bool showsMessage = effect == "join" || effect == "version box";
  QCOMPARE(fixture.dialogs.messages.size(), showsMessage ? 1 : 0);
}

void TestMainWindow::accessibleNames_data() {
  QTest::addColumn<QString>("control");
  QTest::addColumn<QStringList>("heard");  // name, name of the label, description ("%1": the open folder)

  QTest::newRow("drive list, named by the label above it") << "drvMain" << QStringList{"結合対象", "結合対象(T):", ""};
  QTest::newRow("folder tree, with the open folder's path")
      << "dirMain" << QStringList{"フォルダー", "", "開いているフォルダー: %1"};
  QTest::newRow("disabled check box, saying why")
      << "chkMain" << QStringList{"MS-DOSに頼る(C)", "", "このバージョンでは効果がありません。"};
}

void TestMainWindow::accessibleNames() {
  QFETCH(QString, control);
  QFETCH(QStringList, heard);

  WindowOnFakeMachine fixture;
  QAccessibleInterface* widget = QAccessible::queryAccessibleInterface(fixture.control(qPrintable(control)));
  const auto labels = widget->relations(QAccessible::Label);
  // On Linux a drop-down list's name is its value; a screen reader takes what it is from its label.
  const QString name = widget->text(QAccessible::Name);
  heard[2] = heard[2].arg(QDir::toNativeSeparators(fixture.machine.path() + "/c/work"));

  QCOMPARE((QStringList{name == widget->text(QAccessible::Value) ? heard[0] : name,
                        labels.isEmpty() ? QString() : labels[0].first->text(QAccessible::Name),
                        widget->text(QAccessible::Description)}),
           heard);
}

void TestMainWindow::enterPressesTheFocusedButton_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("modifiers");

  QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier);
  QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
}

void TestMainWindow::enterPressesTheFocusedButton() {
  QFETCH(int, key);
  QFETCH(int, modifiers);

  WindowOnFakeMachine fixture;
  QFile input(fixture.machine.path() + QStringLiteral("/c/work/a.bin"));
  QVERIFY(input.open(QIODevice::WriteOnly));
  input.close();
  QVERIFY(fixture.showActive());
  auto* join = fixture.control<QPushButton>("cmdMain");
  join->setFocus();

  QTest::keyClick(join, Qt::Key(key), Qt::KeyboardModifiers(modifiers));

  // The join asks for the name of the joined file.
  QTRY_COMPARE(fixture.dialogs.prompts.size(), 1);
  QVERIFY(!join->isDefault());
  QVERIFY(!join->autoDefault());
}

void TestMainWindow::enterAndEscapeDoNothingElsewhere_data() {
  QTest::addColumn<QString>("focused");
  QTest::addColumn<int>("key");

  QTest::newRow("Enter on the selected order") << "optOrder" << int(Qt::Key_Return);
  QTest::newRow("keypad Enter on the selected order") << "optOrder" << int(Qt::Key_Enter);
  QTest::newRow("Enter on the drive list") << "drvMain" << int(Qt::Key_Return);
  QTest::newRow("Enter on the folder list") << "dirMain" << int(Qt::Key_Return);
  QTest::newRow("Esc on the selected order") << "optOrder" << int(Qt::Key_Escape);
  QTest::newRow("Esc on the folder list") << "dirMain" << int(Qt::Key_Escape);
}

void TestMainWindow::enterAndEscapeDoNothingElsewhere() {
  QFETCH(QString, focused);
  QFETCH(int, key);

  WindowOnFakeMachine fixture;
  QVERIFY(fixture.showActive());
  QWidget* target = fixture.control(qPrintable(focused), focused == "optOrder" ? 1 : 0);
  target->setFocus();

  QTest::keyClick(target, Qt::Key(key));

  QVERIFY(!fixture.control<QPushButton>("cmdMain")->isDown());  // not even a click still to come
  QVERIFY(fixture.dialogs.messages.isEmpty());
  QVERIFY(fixture.dialogs.prompts.isEmpty());
  QVERIFY(fixture.window->isVisible());
}

void TestMainWindow::exitClosesWithoutAsking() {
  WindowOnFakeMachine fixture;
  QVERIFY(fixture.showActive());

  fixture.window->findChild<QAction*>(QStringLiteral("mnuExit"))->trigger();

  QVERIFY(!fixture.window->isVisible());
  QVERIFY(fixture.dialogs.messages.isEmpty());
}

void TestMainWindow::versionBox() {
  WindowOnFakeMachine fixture;

  fixture.window->findChild<QAction*>(QStringLiteral("mnuHelp"))->trigger();

  QCOMPARE(fixture.dialogs.messages.size(), 1);
  const ShownMessage& box = fixture.dialogs.messages[0];
  QVERIFY(box.text.startsWith("えんとぅ " + QString::fromUtf8(EntwBuild::kShortVersion) + "\r\nVOVEror files.\r\n"));
  QCOMPARE(box.text.count(QStringLiteral("\r\n")), 2);
  QCOMPARE(box.title, QStringLiteral("バージョン情報 - えんとぅ"));
  QCOMPARE(box.style, 0);
}

// Leaves a picture of the window beside the test program, for people to look at.
void TestMainWindow::grabToPng() {
  WindowOnFakeMachine fixture;
  QDir(fixture.machine.path()).mkpath(QStringLiteral("c/work/部品"));
  QVERIFY(fixture.showActive());
  // The open folder's own folders are read in the background.
  const auto* folders = fixture.control<QTreeView>("dirMain");
  QTRY_VERIFY(folders->model()->rowCount(folders->currentIndex()) > 0);

  QVERIFY(fixture.window->grab().save(QStringLiteral(ENTW_GRAB_PATH)));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
