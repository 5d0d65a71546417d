#include "app/frmmain.h"
#include "fakedrives.h"
#include "scripteddialogs.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <memory>

namespace {

const QString kNotReady = QStringLiteral("ドライブの準備ができていません。|4112|エラーえんとぅ");

QStringList Shown(const ScriptedDialogs& dialogs) {
  QStringList shown;
  for (const ShownMessage& message : dialogs.messages) {
    shown.append(QStringLiteral("%1|%2|%3").arg(message.text.section(QStringLiteral("\r\n"), 0, 1)).arg(message.style).arg(message.title));
  }
  return shown;
}

// A machine with drives c: (working folder c/work) and d: (with a folder d/x).
struct Machine {
  Machine() {
    QDir(dir.path()).mkpath(QStringLiteral("c/work"));
    QDir(dir.path()).mkpath(QStringLiteral("c/other"));
    QDir(dir.path()).mkpath(QStringLiteral("d/x"));
    drives.AddDrive(QStringLiteral("c:"), path("c/"));
    drives.AddDrive(QStringLiteral("d:"), path("d/"));
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
  void unavailableDriveReturnsToThePrevious();
  void previousDriveUnavailableToo();
  void otherFailureIsReported();
  void startOnAnUnavailableDriveFallsBack();
  void highlightingDoesNotChangeTheJoinedFolder();
  void driveListIsReadAfreshWhenOpened();
  void userVolumes_data();
  void userVolumes();
  void driveHoldingAPath();
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

void TestNavigation::unavailableDriveReturnsToThePrevious() {
  Machine machine;
  machine.drives.unavailable.insert("d:");
  machine.start();

  machine.chooseDrive("d:");

  QCOMPARE(Shown(machine.dialogs), QStringList{kNotReady});
  QCOMPARE(machine.shownDrive(), QStringLiteral("c:"));
  QCOMPARE(machine.window->lastDrive(), QStringLiteral("c:"));
  QCOMPARE(machine.window->openFolder(), machine.path("c/work"));
}

void TestNavigation::previousDriveUnavailableToo() {
  Machine machine;
  machine.drives.unavailable.insert("d:");
  machine.start();
  machine.drives.unavailable.insert("c:");

  machine.chooseDrive("d:");

  QCOMPARE(Shown(machine.dialogs), (QStringList{kNotReady, kNotReady}));
  QCOMPARE(machine.shownDrive(), QStringLiteral("c:"));
  QCOMPARE(machine.window->lastDrive(), QStringLiteral("c:"));
  QCOMPARE(machine.window->openFolder(), machine.path("c/work"));
}

void TestNavigation::otherFailureIsReported() {
  Machine machine;
  machine.drives.otherFailures.insert("d:", FailureOfNumber(FailureNumber::kDeviceIoError));
  machine.start();

  machine.chooseDrive("d:");

  QCOMPARE(Shown(machine.dialogs),
           QStringList{"エラー番号:57\r\n場所:drvMain_Change.えんとぅ1.00.0002|4112|エラー - えんとぅ"});
  QCOMPARE(machine.shownDrive(), QStringLiteral("d:"));
  QCOMPARE(machine.window->lastDrive(), QStringLiteral("c:"));
  QCOMPARE(machine.window->openFolder(), machine.path("c/work"));
}

void TestNavigation::startOnAnUnavailableDriveFallsBack() {
  Machine machine;
  machine.drives.unavailable.insert("c:");
  machine.start();

  QCOMPARE(Shown(machine.dialogs), QStringList{kNotReady});
  QCOMPARE(machine.shownDrive(), QStringLiteral("d:"));
  QCOMPARE(machine.window->lastDrive(), QStringLiteral("d:"));
  QCOMPARE(machine.window->openFolder(), QDir::cleanPath(machine.path("d/")));
}

void TestNavigation::highlightingDoesNotChangeTheJoinedFolder() {
  Machine machine;
  QFile file(machine.path("c/work/part.bin"));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.close();
  machine.start();
  QModelIndex other;
  QTRY_VERIFY((other = machine.rowOf(machine.path("c/other"))).isValid());

  machine.folderList()->setCurrentIndex(other);
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

QTEST_MAIN(TestNavigation)
#include "tst_navigation.moc"
