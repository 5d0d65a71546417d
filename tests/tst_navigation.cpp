#include "app/frmmain.h"
#include "app/givenfolder.h"
#include "entw_version.h"
#include "fakedrives.h"
#include "filekinds.h"
#include "files/filenames.h"
#include "loopmount.h"
#include "report/failure.h"
#include "scripteddialogs.h"
#include "systemcodes.h"
#include "testfiles.h"

#include <QAbstractFileIconProvider>
#include <QAbstractItemModel>
#include <QAccessible>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QMimeData>
#include <QOperatingSystemVersion>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <cerrno>
#include <memory>

namespace {

const QString kNotReady = QStringLiteral("ドライブの準備ができていません。|4112|エラーえんとぅ");

// A machine with drives c: (working folder c/work) and d: (labelled DATA, with a folder d/x).
struct Machine {
  Machine() {
    QDir(dir.path()).mkpath(QStringLiteral("c/work"));
    QDir(dir.path()).mkpath(QStringLiteral("c/other"));
    QDir(dir.path()).mkpath(QStringLiteral("d/x"));
    drives.AddDrive(QStringLiteral("c:"), path("c/"));
    drives.AddDrive(QStringLiteral("d:"), path("d/"), QStringLiteral("DATA"));
    drives.workingFolder = path("c/work");
  }
  QString path(const QString& relative) const { return dir.path() + u'/' + relative; }

  void start() { window = std::make_unique<frmMain>(dialogs, drives, 96); }
  QComboBox* driveList() const { return window->findChild<QComboBox*>(QStringLiteral("drvMain")); }
  QTreeView* folderList() const { return window->findChild<QTreeView*>(QStringLiteral("dirMain")); }
  QString shownDrive() const { return driveList()->currentData().toString(); }
  void chooseDrive(const QString& id) const { driveList()->setCurrentIndex(driveList()->findData(id)); }

  // The row of the folder list showing folder, once the tree has read it.
  QModelIndex rowOf(const QString& folder) const {
    const QAbstractItemModel* model = folderList()->model();
    QList<QModelIndex> pending{folderList()->rootIndex()};
    while (!pending.isEmpty()) {
      const QModelIndex parent = pending.takeFirst();
      for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex child = model->index(row, 0, parent);
        if (QDir::cleanPath(child.data(QFileSystemModel::FilePathRole).toString()) == QDir::cleanPath(folder))
          return child;
        pending.append(child);
      }
    }
    return {};
  }

  QTemporaryDir dir;
  ScriptedDialogs dialogs;
  FakeDrives drives;
  std::unique_ptr<frmMain> window;
};

}  // namespace

class TestNavigation : public QObject {
  Q_OBJECT

 private slots:
  void startOpensTheWorkingFolder();
  void eachDriveKeepsItsCurrentFolder();
  void driveOpensTheFolderTheSystemKeeps();
  void unavailableDriveReturnsToThePrevious();
  void previousDriveUnavailableToo();
  void otherFailureIsReported_data();
  void otherFailureIsReported();
  void startOnAnUnavailableDriveFallsBack();
  void driveAnswers_data();
  void driveAnswers();
  void driveWhoseDriverStoppedHoldsNothing();
  void highlightingDoesNotChangeTheJoinedFolder();
  void driveListIsReadAfreshWhenOpened();
  void userVolumes_data();
  void userVolumes();
  void driveHoldingAPath();
  void folderFailures_data();
  void folderFailures();
  void systemFolderCheck_data();
  void systemFolderCheck();
  void folderTreeShowsOneFixedIcon();
  void deepOpenFolderIsInView();
  void givenFolderOpens_data();
  void givenFolderOpens();
};

void TestNavigation::startOpensTheWorkingFolder() {
  Machine machine;
  machine.start();

  QCOMPARE(machine.window->openFolder(), machine.path("c/work"));
  QCOMPARE(machine.window->lastDrive(), QStringLiteral("c:"));
  QCOMPARE(machine.shownDrive(), QStringLiteral("c:"));
  QVERIFY(machine.dialogs.messages.isEmpty());
  QCOMPARE(machine.folderList()->currentIndex().data(QFileSystemModel::FilePathRole).toString(),
           machine.path("c/work"));
}

void TestNavigation::eachDriveKeepsItsCurrentFolder() {
  Machine machine;
  machine.start();

  machine.chooseDrive("d:");
  QCOMPARE(machine.window->openFolder(), QDir::cleanPath(machine.path("d/")));
  QCOMPARE(machine.window->lastDrive(), QStringLiteral("d:"));

  QModelIndex x;
  QTRY_VERIFY((x = machine.rowOf(machine.path("d/x"))).isValid());
  emit machine.folderList()->activated(x);
  QCOMPARE(machine.window->openFolder(), machine.path("d/x"));

  machine.chooseDrive("c:");
  QCOMPARE(machine.window->openFolder(), machine.path("c/work"));  // the working folder, not c's root
  machine.chooseDrive("d:");
  QCOMPARE(machine.window->openFolder(), machine.path("d/x"));
  QVERIFY(machine.dialogs.messages.isEmpty());
}

// Windows keeps a current folder for each drive (cmd's cd d:\x); the drive opens there.
void TestNavigation::driveOpensTheFolderTheSystemKeeps() {
  Machine machine;
  machine.drives.currentFolders.insert("d:", machine.path("d/x"));
  machine.start();

  machine.chooseDrive("d:");

  QCOMPARE(machine.window->openFolder(), machine.path("d/x"));
}

void TestNavigation::unavailableDriveReturnsToThePrevious() {
  Machine machine;
  machine.drives.SetUnavailable("d:");
  machine.start();

  machine.chooseDrive("d:");

  QCOMPARE(machine.dialogs.shown(), QStringList{kNotReady});
  QCOMPARE(machine.shownDrive(), QStringLiteral("c:"));
  QCOMPARE(machine.window->lastDrive(), QStringLiteral("c:"));
  QCOMPARE(machine.window->openFolder(), machine.path("c/work"));
}

void TestNavigation::previousDriveUnavailableToo() {
  Machine machine;
  machine.drives.SetUnavailable("d:");
  machine.start();
  machine.drives.SetUnavailable("c:");

  machine.chooseDrive("d:");

  QCOMPARE(machine.dialogs.shown(), (QStringList{kNotReady, kNotReady}));
  QCOMPARE(machine.shownDrive(), QStringLiteral("c:"));
  QCOMPARE(machine.window->lastDrive(), QStringLiteral("c:"));
  QCOMPARE(machine.window->openFolder(), machine.path("c/work"));
}

void TestNavigation::otherFailureIsReported_data() {
  QTest::addColumn<int>("errorCode");  // the system's own
  QTest::addColumn<int>("number");

  QTest::newRow("read error") << SystemCode(EIO, 1117) << 57;
  QTest::newRow("permission denied") << SystemCode(EACCES, 5) << 70;
}

void TestNavigation::otherFailureIsReported() {
  QFETCH(int, errorCode);
  QFETCH(int, number);

  Machine machine;
  machine.drives.Fail("d:", FailureOfOpeningFolder(machine.path("d/"), errorCode));
  machine.start();

  machine.chooseDrive("d:");

  QCOMPARE(machine.dialogs.shown(),
           QStringList{QStringLiteral("エラー番号:%1\r\n場所:drvMain_Change.えんとぅ%2|4112|エラー - えんとぅ")
                           .arg(number)
                           .arg(EntwBuild::kLongVersion)});
  QCOMPARE(machine.shownDrive(), QStringLiteral("d:"));
  QCOMPARE(machine.window->lastDrive(), QStringLiteral("c:"));
  QCOMPARE(machine.window->openFolder(), machine.path("c/work"));
}

void TestNavigation::startOnAnUnavailableDriveFallsBack() {
  Machine machine;
  machine.drives.SetUnavailable("c:");
  machine.start();

  QCOMPARE(machine.dialogs.shown(), QStringList{kNotReady});
  QCOMPARE(machine.shownDrive(), QStringLiteral("d:"));
  QCOMPARE(machine.window->lastDrive(), QStringLiteral("d:"));
  QCOMPARE(machine.window->openFolder(), QDir::cleanPath(machine.path("d/")));
}

// The list opens at once whatever the drives do; only a drive chosen and still silent is not ready.
void TestNavigation::driveAnswers_data() {
  QTest::addColumn<QString>("answer");
  QTest::addColumn<QString>("listed");  // once the drive has answered, or has not
  QTest::addColumn<bool>("opens");

  QTest::newRow("answers late: by name alone until then") << "late"
                                                          << "d:  [DATA]" << true;
  QTest::newRow("never answers: not ready when chosen") << "never"
                                                        << "d:" << false;
  QTest::newRow("fails: not ready") << "fails"
                                    << "d:" << false;
  QTest::newRow("its folder gone: the nearest above opens") << "folder gone"
                                                            << "d:  [DATA]" << true;
}

void TestNavigation::driveAnswers() {
  QFETCH(QString, answer);
  QFETCH(QString, listed);
  QFETCH(bool, opens);
  Machine machine;
  // The folder it keeps open, or one renamed since.
  machine.drives.currentFolders.insert("d:", machine.path(answer == "folder gone" ? "d/x/renamed/y" : "d/x"));
  if (answer == "fails")
    machine.drives.SetUnavailable("d:");
  else
    machine.drives.Hold("d:");
  machine.start();

  machine.driveList()->showPopup();
  QCOMPARE(machine.driveList()->itemText(1), QStringLiteral("d:"));
  machine.driveList()->hidePopup();
  if (answer != "never") machine.drives.Hold("d:", false);
  QTRY_COMPARE(machine.driveList()->itemText(1), listed);
  machine.chooseDrive("d:");

  QCOMPARE(machine.dialogs.shown(), opens ? QStringList() : QStringList{kNotReady});
  QCOMPARE(machine.window->openFolder(), machine.path(opens ? "d/x" : "c/work"));
}

// A real drive whose driver has stopped: the question waits on a thread of its own until the driver goes on.
void TestNavigation::driveWhoseDriverStoppedHoldsNothing() {
  const LoopMount mount(QStringLiteral("exfat"), 16);
  if (!mount.isMounted()) QSKIP(qPrintable(mount.whyNot()));
  const QString driver = "exfat-fuse .* " + QDir::cleanPath(mount.path()) + "( |$)";
  QCOMPARE(QProcess::execute("pkill", {"-STOP", "-f", driver}), 0);
  const auto goOn = qScopeGuard([&] { QProcess::execute("pkill", {"-CONT", "-f", driver}); });
  SystemDrives system;
  DriveQuestions questions(system);
  const Drive drive{mount.path(), QString(), mount.path()};

  QVERIFY(!questions.AskFolder(drive, mount.path(), std::chrono::milliseconds(500)));
  QCOMPARE(QProcess::execute("pkill", {"-CONT", "-f", driver}), 0);
  std::optional<Fallible<QString>> answer;
  QTRY_VERIFY((answer = questions.AskFolder(drive, mount.path(), std::chrono::milliseconds(500))) && *answer);
}

void TestNavigation::highlightingDoesNotChangeTheJoinedFolder() {
  Machine machine;
  QVERIFY(WriteFile(machine.path("c/work/part.bin"), {}));
  machine.start();
  QModelIndex other;
  QTRY_VERIFY((other = machine.rowOf(machine.path("c/other"))).isValid());

  machine.folderList()->setCurrentIndex(other);
  // Assistive technology hears which folder is open, whichever is highlighted.
  QAccessibleInterface* tree = QAccessible::queryAccessibleInterface(machine.folderList());
  QStringList described;
  for (int row = 0; row < tree->childCount(); ++row)
    described.append(tree->child(row)->text(QAccessible::Name) + tree->child(row)->text(QAccessible::Description));
  QCOMPARE(described.filter(u"開いているフォルダー"), QStringList{"work開いているフォルダー"});
  machine.window->findChild<QPushButton*>(QStringLiteral("cmdMain"))->click();

  QCOMPARE(machine.window->openFolder(), machine.path("c/work"));
  QCOMPARE(machine.window->joinList(), QStringList{"part.bin"});
  QCOMPARE(machine.dialogs.prompts.size(), 1);
}

void TestNavigation::driveListIsReadAfreshWhenOpened() {
  Machine machine;
  machine.start();
  QDir(machine.dir.path()).mkpath(QStringLiteral("e"));
  machine.drives.AddDrive(QStringLiteral("e:"), machine.path("e/"));
  machine.drives.drives.removeAt(1);  // d: went away

  machine.driveList()->showPopup();

  QCOMPARE(machine.driveList()->count(), 2);
  QCOMPARE(machine.driveList()->itemData(1).toString(), QStringLiteral("e:"));
  QCOMPARE(machine.shownDrive(), QStringLiteral("c:"));
  QVERIFY(machine.dialogs.messages.isEmpty());
  machine.driveList()->hidePopup();
}

void TestNavigation::userVolumes_data() {
  QTest::addColumn<QString>("root");
  QTest::addColumn<QByteArray>("type");
  QTest::addColumn<bool>("isDrive");

  QTest::newRow("root file system") << "/" << QByteArray("ext4") << true;
  QTest::newRow("separate home") << "/home" << QByteArray("btrfs") << true;
  QTest::newRow("USB stick under /media") << "/media/user/STICK" << QByteArray("vfat") << true;
  QTest::newRow("volume under /run/media") << "/run/media/user/DATA" << QByteArray("exfat") << true;
  QTest::newRow("volume under /mnt") << "/mnt/backup" << QByteArray("ext4") << true;
  QTest::newRow("proc") << "/proc" << QByteArray("proc") << false;
  QTest::newRow("cgroup") << "/sys/fs/cgroup" << QByteArray("cgroup2") << false;
  QTest::newRow("tmpfs under /mnt") << "/mnt/scratch" << QByteArray("tmpfs") << false;
  QTest::newRow("snap") << "/snap/core/1" << QByteArray("squashfs") << false;
  QTest::newRow("container overlay root") << "/" << QByteArray("overlay") << false;
  QTest::newRow("boot partition") << "/boot/efi" << QByteArray("vfat") << false;
}

void TestNavigation::userVolumes() {
  QFETCH(QString, root);
  QFETCH(QByteArray, type);
  QFETCH(bool, isDrive);
  if (QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows)
    QSKIP("Linux's mount points; on Windows every drive letter is a drive");

  QCOMPARE(IsUserVolume(root, type), isDrive);
}

void TestNavigation::driveHoldingAPath() {
  const QList<Drive> drives{{"/", "", "/"}, {"/media/u/STICK", "STICK", "/media/u/STICK/"}, {"/home", "", "/home/"}};

  QCOMPARE(DriveHolding(drives, "/media/u/STICK/photos")->id, QStringLiteral("/media/u/STICK"));
  QCOMPARE(DriveHolding(drives, "/home")->id, QStringLiteral("/home"));
  QCOMPARE(DriveHolding(drives, "/homework")->id, QStringLiteral("/"));
  QCOMPARE(drives[1].displayText(), QStringLiteral("/media/u/STICK  [STICK]"));
  QCOMPARE(drives[0].displayText(), QStringLiteral("/"));
}

// Each row: the POSIX code and the Windows code of the same kind of failure.
void TestNavigation::folderFailures_data() {
  QTest::addColumn<int>("errorCode");  // the system's own
  QTest::addColumn<int>("number");

  QTest::newRow("folder gone") << SystemCode(ENOENT, 3) << 68;
  QTest::newRow("a file where the folder was") << SystemCode(ENOTDIR, 267) << 68;
  QTest::newRow("no such device") << SystemCode(ENODEV, 15) << 68;
  QTest::newRow("device gone") << SystemCode(ENXIO, 55) << 68;
  QTest::newRow("no medium in the drive") << SystemCode(kNoMediumError, 1112) << 68;
  QTest::newRow("drive not ready") << SystemCode(ENODEV, 21) << 68;
  QTest::newRow("network drive gone") << SystemCode(ENXIO, 53) << 68;
  QTest::newRow("network unreachable") << SystemCode(ENXIO, 1231) << 68;
  QTest::newRow("permission denied") << SystemCode(EACCES, 5) << 70;
  QTest::newRow("operation not permitted, or in use") << SystemCode(EPERM, 32) << 70;
  QTest::newRow("read error") << SystemCode(EIO, 1117) << 57;
}

// Only a drive or folder that is not there is "not ready"; any other failure is reported with the folder named.
void TestNavigation::folderFailures() {
  QFETCH(int, errorCode);
  QFETCH(int, number);

  const Err failure = Described(FailureOfOpeningFolder(QStringLiteral("/media/u/STICK/x"), errorCode));

  QCOMPARE(failure.Number, number);
  if (number != 68) QVERIFY(failure.Description.endsWith(QDir::toNativeSeparators("「/media/u/STICK/x」")));
}

void TestNavigation::systemFolderCheck_data() {
  QTest::addColumn<QString>("folder");
  QTest::addColumn<int>("number");  // 0 when the folder opens

  QTest::newRow("readable folder") << "readable" << 0;
  QTest::newRow("missing folder") << "missing" << 68;
  QTest::newRow("a file, not a folder") << "file" << 68;
  QTest::newRow("folder that may not be read") << "unreadable" << 70;
}

void TestNavigation::systemFolderCheck() {
  QFETCH(QString, folder);
  QFETCH(int, number);

  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString path = dir.filePath(folder);
  if (folder == "readable" || folder == "unreadable") QVERIFY(QDir(dir.path()).mkdir(folder));
  if (folder == "file") QVERIFY(WriteFile(path, {}));
  if (folder == "unreadable") {
    if (!QFile::setPermissions(path, QFileDevice::Permissions())) QSKIP("folders here have no permission bits");
    if (QFileInfo(path).isReadable()) QSKIP("Permissions deny nothing to this user (root), so no folder is unreadable");
  }

  SystemDrives drives;
  const std::optional<Failure> failure = drives.CheckFolder(Drive{QDir::rootPath(), QString(), QDir::rootPath()}, path);

  QCOMPARE(failure ? Described(*failure).Number : 0, number);
}

// The model asks for an icon and a type for every entry it reads, each time a folder it shows
// changes; the answers must come without looking anything up.
void TestNavigation::folderTreeShowsOneFixedIcon() {
  Machine machine;
  machine.start();
  const auto* tree = qobject_cast<const QSortFilterProxyModel*>(machine.folderList()->model());
  const auto* files = qobject_cast<const QFileSystemModel*>(tree->sourceModel());
  const QAbstractFileIconProvider* icons = files->iconProvider();
  const QFileInfo folder(machine.path("c/work"));
  const QFileInfo file(machine.path("c/work/picture.png"));

  QVERIFY(!icons->icon(folder).isNull());
  QCOMPARE(icons->icon(file).cacheKey(), icons->icon(folder).cacheKey());
  QCOMPARE(icons->type(file), icons->type(folder));
  QVERIFY(!icons->type(folder).isEmpty());  // with an empty type, new folders may never be shown
}

// A deep folder's name is scrolled into view, sideways too, and its path shows on hover.
void TestNavigation::deepOpenFolderIsInView() {
  Machine machine;
  const QString deep = machine.path("c/work/" + QStringList(8, QStringLiteral("深いフォルダー")).join(u'/'));
  QVERIFY(QDir().mkpath(deep));
  machine.drives.workingFolder = deep;
  machine.start();
  machine.window->show();
  QTreeView* tree = machine.folderList();

  QTRY_COMPARE(tree->currentIndex().data(Qt::ToolTipRole).toString(), QDir::toNativeSeparators(deep));
  const QModelIndex open = tree->currentIndex();
  QTRY_VERIFY(tree->visualRect(open).left() >= 0 &&
              tree->visualRect(open).left() + tree->sizeHintForIndex(open).width() <= tree->viewport()->width());
  // Only the names are read out, not the hidden size, type and date.
  QCOMPARE(QAccessible::queryAccessibleInterface(tree)->tableInterface()->columnCount(), 1);
}

// A path given on the command line or dropped opens as if the user had chosen its drive and opened it.
void TestNavigation::givenFolderOpens_data() {
  QTest::addColumn<QString>("how");           // "argument", "drop", or "drop during a join"
  QTest::addColumn<QByteArrayList>("given");  // under the machine's folder
  QTest::addColumn<QString>("opened");        // likewise; its first letter names its drive
  QTest::addColumn<QString>("shown");

  const QByteArray latin1("d/x/\xE9t\xE9");
  QTest::newRow("folder") << "argument" << QByteArrayList{"d/x"} << "d/x"
                          << "";
  QTest::newRow("file: its folder") << "argument" << QByteArrayList{"d/x/part.001"} << "d/x"
                                    << "";
  QTest::newRow("drive root") << "argument" << QByteArrayList{"d/"} << "d"
                              << "";
  QTest::newRow("path that is gone") << "argument" << QByteArrayList{"d/gone"} << "c/work" << kNotReady;
  QTest::newRow("name not UTF-8, argv's bytes") << "argument" << QByteArrayList{latin1} << "d/x"
                                                << "";
  QTest::newRow("name not UTF-8, dropped") << "drop" << QByteArrayList{latin1} << "d/x"
                                           << "";
  QTest::newRow("several dropped: the first's folder") << "drop" << QByteArrayList{"d/x/part.001", "c/other"} << "d/x"
                                                       << "";
  QTest::newRow("dropped during a join") << "drop during a join" << QByteArrayList{"d/x"} << "c/work"
                                         << "結合をキャンセルしました。|4160|えんとぅ";
}

void TestNavigation::givenFolderOpens() {
  QFETCH(QString, how);
  QFETCH(QByteArrayList, given);
  QFETCH(QString, opened);
  QFETCH(QString, shown);

  Machine machine;
  const auto removeAll = qScopeGuard([&] { RemoveTree(machine.path("d/x")); });  // names QTemporaryDir cannot remove
  QVERIFY(WriteFile(machine.path("d/x/part.001"), "1") && WriteFile(machine.path("c/work/part.001"), "1"));
  if (given.first().contains('\xE9') && !WriteFileNamedByBytes(machine.path("d/x"), "\xE9t\xE9", "1"))
    QSKIP("Names here are Unicode, not bytes");
  machine.start();
  QList<QUrl> urls;
  for (QByteArray& path : given) {
    path = EncodeFileName(machine.path(DecodeFileName(path)));
    urls.append(QUrl::fromEncoded((path.startsWith('/') ? "file://" : "file:///") + path.toPercentEncoding("/:")));
  }
  QMimeData dropped;
  dropped.setUrls(urls);
  const auto drop = [&] {
    QDragEnterEvent enter(QPoint(), Qt::CopyAction, &dropped, Qt::LeftButton, {});
    QDropEvent event(QPointF(), Qt::CopyAction, &dropped, Qt::LeftButton, {});
    QCoreApplication::sendEvent(machine.window.get(), &enter);
    QCoreApplication::sendEvent(machine.window.get(), &event);
  };

  if (how == "argument") {
    char* argv[] = {nullptr, given.first().data()};
    // Windows reads its own wide command line, which a test cannot set.
    const bool windows = QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows;
    machine.window->OpenGivenFolder(windows ? QString::fromUtf8(argv[1]) : GivenPathArgument(2, argv), "Form_Load");
  } else if (how == "drop") {
    drop();
  } else {
    machine.dialogs.whilePrompting = drop;
    machine.window->findChild<QPushButton*>(QStringLiteral("cmdMain"))->click();
  }
  QCoreApplication::sendPostedEvents();

  QCOMPARE(machine.dialogs.shown().join(u'\n'), shown);
  QCOMPARE(machine.shownDrive(), opened.left(1) + u':');
  QTRY_COMPARE(machine.folderList()->currentIndex().data(QFileSystemModel::FilePathRole).toString(),
               machine.path(opened));
  // Away and back: the drive keeps the folder as its own.
  machine.chooseDrive(opened.startsWith(u'c') ? "d:" : "c:");
  machine.chooseDrive(opened.left(1) + u':');
  QCOMPARE(machine.window->openFolder(), machine.path(opened));
}

QTEST_MAIN(TestNavigation)
#include "tst_navigation.moc"
