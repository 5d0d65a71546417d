#include "filekinds.h"
#include "files/filestatus.h"
#include "files/nativepath.h"
#include "join/concatenation.h"
#include "join/joinorder.h"
#include "loopmount.h"
#include "systemcodes.h"
#include "testfiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <memory>
#include <optional>
#include <utility>

namespace {

// What the plan finds at an output's name.
enum class Found { AnInput, AFile, Nothing };

// What happens to the output's place while the join flushes, right before its commit.
enum class Race { LinkRetargeted, NameTaken, FolderRenamed, NoRace };

// The join as the flow makes it: planned, then written.
JoinResult Join(const QString& folder, const QString& outName, const QStringList& files,
                const JoinProgress& progress = {}, Replacing replacing = Replacing::WhatStoodThere,
                const JoinWaiting& waiting = {}) {
  const Fallible<JoinPlan> plan = PlanJoin(folder, outName, files);
  return plan ? JoinFiles(folder, outName, *plan, progress, replacing, waiting)
              : JoinResult{JoinOutcome::Failed, plan.failure()};
}

QByteArray AllByteValues() {
  QByteArray bytes;
  for (int value = 0; value < 256; ++value) bytes.append(static_cast<char>(value));
  return bytes;
}

}  // namespace

class TestConcatenation : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void joinsExactBytes_data();
  void joinsExactBytes();
  void joinsInputsFromAnotherFileSystem();
  void failureLeavesNothing_data();
  void failureLeavesNothing();
  void writeFailureMidJoinLeavesNothing();
  void inputReplacedBeforeItsOpenFails_data();
  void inputReplacedBeforeItsOpenFails();
  void strayTemporariesAreNeverJoined();
  void inputLockedByAnotherProgramFails();
  void replacedFileKeepsOwnerModeAndAttributes();
  void sharedBlocksNeedNoFreeSpace();
  void holesStayHoles_data();
  void holesStayHoles();
  void alignedPartsShareTheirBlocks_data();
  void alignedPartsShareTheirBlocks();
  void fatRefusesOutputsOver4GiBBeforeWriting();
  void progressReportsAndStops_data();
  void progressReportsAndStops();
  void outputSpelledLikeAnInput_data();
  void outputSpelledLikeAnInput();
  void inputChangedWhileCopied_data();
  void inputChangedWhileCopied();
  void outputAppearingMeanwhile_data();
  void outputAppearingMeanwhile();
  void commitTimeRaces_data();
  void commitTimeRaces();
  void failureNamesTheCause_data();
  void failureNamesTheCause();
  void win32PathForm_data();
  void win32PathForm();
  void namesWindowsKeeps_data();
  void namesWindowsKeeps();
  void heldAndKeptOutputs_data();
  void heldAndKeptOutputs();
  void webMarkOfTheInputs_data();
  void webMarkOfTheInputs();
  void folderRenamedMidJoin_data();
  void folderRenamedMidJoin();

 private:
  // Each test's own folder, gone after it.
  std::optional<QTemporaryDir> dir;
  QString folder;
};

void TestConcatenation::init() {
  dir.emplace();
  QVERIFY(dir->isValid());
  folder = dir->path() + u'/';
}

void TestConcatenation::cleanup() { dir.reset(); }

void TestConcatenation::joinsExactBytes_data() {
  QTest::addColumn<QStringList>("names");  // created in this order
  QTest::addColumn<QByteArrayList>("contents");
  QTest::addColumn<QStringList>("joinList");
  QTest::addColumn<QString>("outName");
  QTest::addColumn<QByteArray>("oldOutput");  // an existing file of the output's name, if any
  QTest::addColumn<QByteArray>("expected");

  const QByteArray none;
  QTest::newRow("all inputs empty still creates an empty output")
      << QStringList{"a", "b", "c"} << QByteArrayList{"", "", ""} << QStringList{"a", "b", "c"} << "out.bin" << none
      << QByteArray("");
  QTest::newRow("1, 0 and 1 bytes give the first and third byte")
      << QStringList{"a", "b", "c"} << QByteArrayList{"x", "", "y"} << QStringList{"a", "b", "c"} << "out.bin" << none
      << QByteArray("xy");
  QTest::newRow("list order, not creation order")
      << QStringList{"c", "a", "b"} << QByteArrayList{"CC", "AA", "BB"} << QStringList{"b", "c", "a"} << "out.bin"
      << none << QByteArray("BBCCAA");
  QTest::newRow("every byte value passes unchanged")
      << QStringList{"bin1", "bin2"} << QByteArrayList{AllByteValues(), QByteArray("\r\n\0\x1a", 4)}
      << QStringList{"bin1", "bin2"} << "out.bin" << none << AllByteValues() + QByteArray("\r\n\0\x1a", 4);
  QTest::newRow("an existing subfolder in the output name")
      << QStringList{"a", "b"} << QByteArrayList{"1", "2"} << QStringList{"a", "b"} << "sub/out.bin" << none
      << QByteArray("12");
  QTest::newRow("an existing longer file is replaced whole, no old tail")
      << QStringList{"a", "b"} << QByteArrayList{"new", "!"} << QStringList{"a", "b"} << "out.bin"
      << QByteArray(1000, 'o') << QByteArray("new!");
  QTest::newRow("inputs larger than one piece of progress")
      << QStringList{"big", "small"} << QByteArrayList{QByteArray(kJoinPieceBytes + 12345, 'b'), "s"}
      << QStringList{"big", "small"} << "out.bin" << none << QByteArray(kJoinPieceBytes + 12345, 'b') + "s";
}

void TestConcatenation::joinsExactBytes() {
  QFETCH(QStringList, names);
  QFETCH(QByteArrayList, contents);
  QFETCH(QStringList, joinList);
  QFETCH(QString, outName);
  QFETCH(QByteArray, oldOutput);
  QFETCH(QByteArray, expected);

  QVERIFY(QDir(folder).mkdir(QStringLiteral("sub")));
  for (qsizetype i = 0; i < names.size(); ++i) QVERIFY(WriteFile(folder + names[i], contents[i]));
  if (!oldOutput.isEmpty()) QVERIFY(WriteFile(folder + outName, oldOutput));

  const JoinResult result = Join(folder, outName, joinList);

  QCOMPARE(result.outcome, JoinOutcome::Joined);
  QVERIFY(QFile::exists(folder + outName));
  QCOMPARE(ReadFile(folder + outName), expected);
  QVERIFY(!QFileInfo(folder + outName).isHidden());  // written hidden, never left so
  QStringList expectedEntries = names + QStringList{QStringLiteral("sub")};
  if (!outName.contains(u'/')) expectedEntries.append(outName);
  expectedEntries.removeDuplicates();
  expectedEntries.sort();
  QCOMPARE(Entries(folder), expectedEntries);  // no temporary file left beside the output
}

// The kernel refuses some copies between file systems; the buffered copy takes over.
void TestConcatenation::joinsInputsFromAnotherFileSystem() {
  if (!QFileInfo(QStringLiteral("/dev/shm")).isWritable()) QSKIP("no /dev/shm here");
  QTemporaryDir elsewhere(QStringLiteral("/dev/shm/entw-test-XXXXXX"));
  QVERIFY(elsewhere.isValid());
  const QByteArray remote(3 * 1024 * 1024 + 7, 'r');
  QVERIFY(WriteFile(elsewhere.filePath("remote"), remote));
  if (!MakeSymlink(elsewhere.filePath("remote"), folder + "remote")) QSKIP("no symbolic links here");
  QVERIFY(WriteFile(folder + "local", "local"));

  const JoinResult result = Join(folder, "out.bin", {"local", "remote", "local"});

  QCOMPARE(result.outcome, JoinOutcome::Joined);
  QCOMPARE(ReadFile(folder + "out.bin"), "local" + remote + "local");
  // A link in the output's place to another drive: the file it leads to is replaced.
  QVERIFY(MakeSymlink(elsewhere.filePath("remote"), folder + "link"));
  QCOMPARE(Join(folder, "link", {"local"}).outcome, JoinOutcome::Joined);
  QCOMPARE(ReadFile(elsewhere.filePath("remote")), QByteArray("local"));
}

void TestConcatenation::failureLeavesNothing_data() {
  QTest::addColumn<QStringList>("joinList");
  QTest::addColumn<QString>("outName");
  QTest::addColumn<FailureKind>("kind");  // on the output, but for "input is"
  QTest::addColumn<SystemError>("code");
  QTest::addColumn<QString>("failedName");

  const auto same = FailureKind::SameAsInput;
  const auto notPlain = FailureKind::OutputNotPlainFile;
  QTest::newRow("missing subfolder in the output name")
      << QStringList{"a", "b"} << "nosuch/out.bin" << FailureKind::SystemError << kPathNotFoundError
      << "nosuch/out.bin";
  QTest::newRow("input deleted after listing")
      << QStringList{"a", "gone", "b"} << "old.bin" << FailureKind::SystemError << kNotFoundError << "gone";
  QTest::newRow("output is an input") << QStringList{"a", "b"} << "b" << same << 0 << "b";
  QTest::newRow("output is an input, written with ./") << QStringList{"a", "b"} << "./a" << same << 0 << "./a";
  QTest::newRow("output is an input through a symlink")
      << QStringList{"a", "b"} << "link-to-a" << same << 0 << "link-to-a";
  QTest::newRow("output is an input through a hard link") << QStringList{"a", "b"} << "hard-a" << same << 0 << "hard-a";
  QTest::newRow("input through a symlink is written to") << QStringList{"link-to-a", "b"} << "a" << same << 0 << "a";
  QTest::newRow("output names a folder") << QStringList{"a", "b"} << "sub" << notPlain << 0 << "sub";
  QTest::newRow("input is a folder") << QStringList{"a", "sub"} << "out.bin" << FailureKind::NotPlainFile << 0 << "sub";
  QTest::newRow("input is a FIFO") << QStringList{"a", "fifo"} << "out.bin" << FailureKind::NotPlainFile << 0 << "fifo";
  QTest::newRow("output is a FIFO") << QStringList{"a", "b"} << "fifo" << notPlain << 0 << "fifo";
  QTest::newRow("output is a device") << QStringList{"a", "b"} << "%DEVICE%" << notPlain << 0 << "%DEVICE%";
  QTest::newRow("output is a link that leads nowhere")
      << QStringList{"a", "b"} << "dangling" << notPlain << 0 << "dangling";
}

void TestConcatenation::failureLeavesNothing() {
  QFETCH(QStringList, joinList);
  QFETCH(QString, outName);
  QFETCH(FailureKind, kind);
  QFETCH(SystemError, code);
  QFETCH(QString, failedName);

  QVERIFY(WriteFile(folder + "a", "AAAA"));
  QVERIFY(WriteFile(folder + "b", "BBBB"));
  QVERIFY(WriteFile(folder + "old.bin", "old contents"));
  QVERIFY(MakeHardLink(folder + "a", folder + "hard-a"));
  QVERIFY(QDir(folder).mkdir(QStringLiteral("sub")));
  // Symbolic links and FIFOs where the system has them; a device of the
  // test's own, reached by a link, or Windows' NUL device.
  QTemporaryDir devices;
  const QString nullDevice = NullDevice(devices.path());
  QVERIFY(!nullDevice.isEmpty());
  const bool posixFiles = MakeSymlink(folder + "a", folder + "link-to-a") && MakeFifo(folder + "fifo") &&
                          MakeSymlink(nullDevice, folder + "null") && MakeSymlink("nowhere", folder + "dangling");
  const QString device = posixFiles ? QStringLiteral("null") : nullDevice;
  outName.replace(QStringLiteral("%DEVICE%"), device);
  failedName.replace(QStringLiteral("%DEVICE%"), device);
  const bool usesPosixFiles =
      (joinList + QStringList{outName}).filter(QRegularExpression("^(link-to-a|fifo|null|dangling)$")).size() > 0;
  if (usesPosixFiles && !posixFiles) QSKIP("symbolic links and FIFOs as POSIX systems have them");
  // Windows' NUL is refused by its name, before anything is looked up.
  if (!posixFiles && outName == nullDevice) kind = FailureKind::NameWindowsChanges;
  const QStringList entriesBefore = Entries(folder);

  const JoinResult result = Join(folder, outName, joinList);

  QCOMPARE(result.outcome, JoinOutcome::Failed);
  QCOMPARE(result.failure.kind, kind);
  QCOMPARE(result.failure.code, code);
  QCOMPARE(result.failure.side,
           kind == FailureKind::NotPlainFile || code == kNotFoundError ? FailureSide::Input : FailureSide::Output);
  QCOMPARE(result.failure.path, folder + failedName);
  QCOMPARE(Entries(folder), entriesBefore);
  QCOMPARE(ReadFile(folder + "a"), QByteArray("AAAA"));
  QCOMPARE(ReadFile(folder + "b"), QByteArray("BBBB"));
  QCOMPARE(ReadFile(folder + "old.bin"), QByteArray("old contents"));
  if (posixFiles) QVERIFY(!QFileInfo(folder + "fifo").isFile());
  QVERIFY(!QFileInfo(nullDevice).isFile());
}

void TestConcatenation::writeFailureMidJoinLeavesNothing() {
  QVERIFY(WriteFile(folder + "part1", QByteArray(600 * 1024, '1')));
  QVERIFY(WriteFile(folder + "part2", QByteArray(600 * 1024, '2')));
  QVERIFY(WriteFile(folder + "out.bin", "kept"));
  const QStringList entriesBefore = Entries(folder);

  JoinResult result;
  {
    const ScopedFileSizeLimit limit(1024 * 1024);
    if (!limit.active()) QSKIP("this system has no file-size limit for a process");
    result = Join(folder, "out.bin", {"part1", "part2"});
  }

  // A size limit is no full disk.
  QCOMPARE(result.outcome, JoinOutcome::Failed);
  QCOMPARE(result.failure.kind, FailureKind::ProcessSizeLimit);
  QCOMPARE(result.failure.side, FailureSide::Output);
  QCOMPARE(result.failure.path, folder + "out.bin");
  QCOMPARE(Entries(folder), entriesBefore);
  QCOMPARE(ReadFile(folder + "out.bin"), QByteArray("kept"));
}

void TestConcatenation::progressReportsAndStops_data() {
  QTest::addColumn<QString>("stopFile");  // empty: never stop
  QTest::addColumn<int>("stopAtCallForFile");
  QTest::addColumn<JoinOutcome>("outcome");

  QTest::newRow("runs to the end") << QString() << 0 << JoinOutcome::Joined;
  QTest::newRow("stopped before the first input") << "big" << 1 << JoinOutcome::Stopped;
  QTest::newRow("stopped between pieces of one input") << "big" << 2 << JoinOutcome::Stopped;
  QTest::newRow("stopped before the last input") << "small" << 1 << JoinOutcome::Stopped;
  QTest::newRow("stopped after the last byte, at the flush") << "(flush)" << 1 << JoinOutcome::Stopped;
}

void TestConcatenation::progressReportsAndStops() {
  QFETCH(QString, stopFile);
  QFETCH(int, stopAtCallForFile);
  QFETCH(JoinOutcome, outcome);

  const qint64 bigSize = 2 * kJoinPieceBytes + 1;
  QVERIFY(WriteFile(folder + "big", QByteArray(bigSize, 'b')));
  QVERIFY(WriteFile(folder + "small", "s"));
  QVERIFY(WriteFile(folder + "out.bin", "kept"));

  int callsForStopFile = 0;
  qint64 lastDone = -1;
  bool monotonic = true;
  const auto progress = [&](qint64 done, qint64 total, const QString& file) {
    monotonic = monotonic && done >= lastDone && total == bigSize + 1;
    lastDone = done;
    return (file.isEmpty() ? QStringLiteral("(flush)") : file) != stopFile || ++callsForStopFile != stopAtCallForFile;
  };
  const JoinResult result = Join(folder, "out.bin", {"big", "small"}, progress);

  QCOMPARE(result.outcome, outcome);
  QVERIFY(monotonic);
  if (outcome == JoinOutcome::Joined) {
    QCOMPARE(lastDone, bigSize + 1);
    QCOMPARE(ReadFile(folder + "out.bin").size(), bigSize + 1);
  } else {
    QCOMPARE(callsForStopFile, stopAtCallForFile);
    QCOMPARE(ReadFile(folder + "out.bin"), QByteArray("kept"));
    QCOMPARE(Entries(folder), (QStringList{"big", "out.bin", "small"}));
  }
}

// Between the check of its inputs and the open of one, the folder may change under the join.
void TestConcatenation::inputReplacedBeforeItsOpenFails_data() {
  QTest::addColumn<QString>("replacement");

  QTest::newRow("by a FIFO, which must not hang the join") << "fifo";
  QTest::newRow("by another file") << "file";
  QTest::newRow("by a link to a device") << "device";
}

void TestConcatenation::inputReplacedBeforeItsOpenFails() {
  QFETCH(QString, replacement);
  QTemporaryDir probe;
  if (replacement != QStringLiteral("file") && !MakeFifo(probe.filePath("fifo")))
    QSKIP("FIFOs and links to devices as POSIX systems have them");

  QVERIFY(WriteFile(folder + "a", "AAAA"));
  QVERIFY(WriteFile(folder + "b", "BBBB"));
  const auto replaceB = [&](qint64, qint64, const QString& file) {
    if (file != QStringLiteral("b") || !QFile::exists(folder + "b")) return true;
    QFile::rename(folder + "b", folder + "b.old");
    if (replacement == QStringLiteral("fifo")) {
      MakeFifo(folder + "b");
    } else if (replacement == QStringLiteral("file")) {
      return WriteFile(folder + "b", "other");  // else the join stops, and the test fails
    } else {
      MakeSymlink(QStringLiteral("/dev/zero"), folder + "b");  // endless: read, it would fill the disk
    }
    return true;
  };

  const JoinResult result = Join(folder, "out.bin", {"a", "b"}, replaceB);

  QCOMPARE(result.outcome, JoinOutcome::Failed);
  QCOMPARE(result.failure.kind, FailureKind::ReplacedMeanwhile);
  QCOMPARE(result.failure.side, FailureSide::Input);
  QCOMPARE(result.failure.path, folder + "b");
  QVERIFY(!QFile::exists(folder + "out.bin"));
  QCOMPARE(Entries(folder), (QStringList{"a", "b", "b.old"}));
}

// A join killed on a drive without unnamed files leaves its temporary file;
// no later join may take it for an input.
void TestConcatenation::strayTemporariesAreNeverJoined() {
  QVERIFY(WriteFile(folder + "a", "A"));
  QVERIFY(WriteFile(folder + "b", "B"));
  const QDateTime hourAgo = QDateTime::currentDateTime().addSecs(-3600);
  QVERIFY(WriteFile(folder + ".entw-join-0123abcd.tmp", "partial", hourAgo));  // left by a killed join
  QVERIFY(WriteFile(folder + ".entw-join-89abcdef.tmp", "partial"));           // too recent to tell
  QVERIFY(WriteFile(folder + ".entw-join-deadbeef.tmp", "partial", hourAgo));  // held by a join still running
  auto running = std::make_unique<HeldFile>(folder + ".entw-join-deadbeef.tmp");
  QVERIFY(running->held());
  QVERIFY(WriteFile(folder + ".entw-join-0123abcd.tmp.keep", "not ours"));

  const Fallible<QStringList> listing = ListJoinFolder(folder);
  QVERIFY(listing);
  QStringList listed = *listing;
  listed.sort();
  QCOMPARE(listed, (QStringList{".entw-join-0123abcd.tmp.keep", "a", "b"}));

  const JoinResult result = Join(folder, "out.bin", {"a", "b"});
  running.reset();

  QCOMPARE(result.outcome, JoinOutcome::Joined);
  QCOMPARE(ReadFile(folder + "out.bin"), QByteArray("AB"));
  QCOMPARE(Entries(folder), (QStringList{".entw-join-0123abcd.tmp.keep", ".entw-join-89abcdef.tmp",
                                         ".entw-join-deadbeef.tmp", "a", "b", "out.bin"}));
}

void TestConcatenation::inputLockedByAnotherProgramFails() {
  QVERIFY(WriteFile(folder + "a", "A"));
  QVERIFY(WriteFile(folder + "b", "B"));
  const HeldFile locked(folder + "b", Sharing::Nothing);
  if (!locked.held()) QSKIP("no lock on this system keeps others from opening a file");

  const JoinResult result = Join(folder, "out.bin", {"a", "b"});

  QCOMPARE(result.outcome, JoinOutcome::Failed);
  QCOMPARE(result.failure.code, SystemCode(0, 32));  // a sharing violation
  QCOMPARE(result.failure.side, FailureSide::Input);
  QCOMPARE(result.failure.path, folder + "b");
  QCOMPARE(Entries(folder), (QStringList{"a", "b"}));
}

void TestConcatenation::replacedFileKeepsOwnerModeAndAttributes() {
  QVERIFY(WriteFile(folder + "a", "new"));
  QVERIFY(WriteFile(folder + "out.bin", "old"));
  QVERIFY(MakeHardLink(folder + "out.bin", folder + "hard-out"));
  const GivenAttributes given(folder + "out.bin");
  if (!given.given()) QSKIP("no owners, modes or extended attributes here");

  const JoinResult result = Join(folder, "out.bin", {"a"});

  QCOMPARE(result.outcome, JoinOutcome::Joined);
  QCOMPARE(ReadFile(folder + "out.bin"), QByteArray("new"));
  QCOMPARE(given.LostBy(folder + "out.bin"), QStringList{});
  // The replacement is a new file: a hard link to the old one keeps the old bytes.
  QCOMPARE(ReadFile(folder + "hard-out"), QByteArray("old"));
}

// Where the kernel shares the inputs' blocks, a join needs almost no room.
void TestConcatenation::sharedBlocksNeedNoFreeSpace() {
  const LoopMount btrfs(QStringLiteral("btrfs"), 256);
  if (!btrfs.isMounted()) QSKIP(qPrintable(btrfs.whyNot()));
  folder = btrfs.path();
  const qint64 freeBefore = QStorageInfo(folder).bytesAvailable();
  QByteArray part(1 << 20, Qt::Uninitialized);
  for (qsizetype at = 0; at < part.size(); ++at) part[at] = static_cast<char>(at * 7 + at / 4096);
  {
    QFile big(folder + "big");
    QVERIFY(big.open(QIODevice::WriteOnly));
    while (big.size() < freeBefore * 6 / 10) QCOMPARE(big.write(part), part.size());
  }
  QVERIFY(SyncFileSystemOf(folder + "big"));  // btrfs counts its free space at commit
  QVERIFY(QStorageInfo(folder).bytesAvailable() < QFileInfo(folder + "big").size());

  const JoinResult result = Join(folder, "out.bin", {"big"});

  QCOMPARE(result.outcome, JoinOutcome::Joined);
  QCOMPARE(QFileInfo(folder + "out.bin").size(), QFileInfo(folder + "big").size());
  QVERIFY(ReadFile(folder + "out.bin") == ReadFile(folder + "big"));
}

void TestConcatenation::holesStayHoles_data() {
  QTest::addColumn<QString>("fileSystem");  // where the output goes; empty: the test's folder
  QTest::addColumn<qint64>("size");
  QTest::addColumn<QList<qint64>>("dataAt");
  QTest::addColumn<bool>("outputKeepsHoles");
  constexpr qint64 kMiB = qint64{1} << 20;
  const QList<qint64> middleHole{0, 9 * kMiB};
  const QList<qint64> everyMiB{5, kMiB + 5, 2 * kMiB + 5, 7 * kMiB + 5, 8 * kMiB + 5};
  QTest::newRow("hole between two data stretches") << QString() << 10 * kMiB << middleHole << true;
  QTest::newRow("hole at the start") << QString() << 9 * kMiB << QList<qint64>{8 * kMiB} << true;
  QTest::newRow("hole at the end") << QString() << 33 * kMiB << QList<qint64>{0} << true;
  QTest::newRow("only a hole") << QString() << 16 * kMiB << QList<qint64>{} << true;
  QTest::newRow("unaligned data, many holes") << QString() << 9 * kMiB + 3 << everyMiB << true;
  QTest::newRow("hole longer than a piece, XFS") << "xfs" << 40 * kMiB << QList<qint64>{0, 39 * kMiB} << true;
  QTest::newRow("unaligned data, btrfs") << "btrfs" << 9 * kMiB + 3 << everyMiB << true;
  QTest::newRow("FAT keeps no holes, bytes still exact") << "fat" << 10 * kMiB << middleHole << false;
}

// A sparse input between two small ones joins to the same bytes, and its
// holes take no room in an output whose file system keeps holes.
void TestConcatenation::holesStayHoles() {
  QFETCH(QString, fileSystem);
  QFETCH(qint64, size);
  QFETCH(QList<qint64>, dataAt);
  QFETCH(bool, outputKeepsHoles);
  std::unique_ptr<LoopMount> mount;
  if (!fileSystem.isEmpty()) {
    mount = std::make_unique<LoopMount>(fileSystem, 320);
    if (!mount->isMounted()) QSKIP(qPrintable(mount->whyNot()));
  }
  // The sparse input lies on the file system under test, unless that one has no holes to give.
  if (mount && outputKeepsHoles) folder = mount->path();
  QByteArray data(100'001, Qt::Uninitialized);
  for (qsizetype at = 0; at < data.size(); ++at) data[at] = static_cast<char>(at * 13 + at / 251);
  if (!WriteFileWithHoles(folder + "b-sparse", size, dataAt, data) || AllocatedBytesOf(folder + "b-sparse") >= size)
    QSKIP("this system makes no files with holes here");
  QVERIFY(WriteFile(folder + "a-head", QByteArray(1000, 'h')));
  QVERIFY(WriteFile(folder + "c-tail", "tail"));
  const QString outPath = mount ? mount->path() + "out.bin" : folder + "out.bin";

  const JoinResult result = Join(folder, QDir(folder).relativeFilePath(outPath), {"a-head", "b-sparse", "c-tail"});

  QCOMPARE(result.outcome, JoinOutcome::Joined);
  QVERIFY(ReadFile(outPath) == ReadFile(folder + "a-head") + ReadFile(folder + "b-sparse") + "tail");
  if (outputKeepsHoles) {
    const qint64 inputs = AllocatedBytesOf(folder + "a-head") + AllocatedBytesOf(folder + "b-sparse") +
                          AllocatedBytesOf(folder + "c-tail");
    QVERIFY2(
        AllocatedBytesOf(outPath) <= inputs + (qint64{1} << 20),
        qPrintable(QStringLiteral("%1 bytes on disk for inputs of %2").arg(AllocatedBytesOf(outPath)).arg(inputs)));
  }
}

void TestConcatenation::alignedPartsShareTheirBlocks_data() {
  QTest::addColumn<QString>("fileSystem");
  QTest::addColumn<int>("stopAtUpdate");  // the progress stops the join at this update; 0: never
  QTest::newRow("btrfs") << "btrfs" << 0;
  QTest::newRow("XFS") << "xfs" << 0;
  QTest::newRow("btrfs, stopped midway") << "btrfs" << 3;
}

// Parts whose sizes are whole blocks share their blocks with the output on a
// file system that can, however the join cuts them into pieces.
void TestConcatenation::alignedPartsShareTheirBlocks() {
  QFETCH(QString, fileSystem);
  QFETCH(int, stopAtUpdate);
  const LoopMount mount(fileSystem, 320);
  if (!mount.isMounted()) QSKIP(qPrintable(mount.whyNot()));
  folder = mount.path();
  const QList<qint64> sizes{qint64{64} << 10, qint64{1} << 20, (qint64{12} << 20) + 4096, qint64{5} << 20};
  QStringList names;
  QByteArray expected;
  for (qsizetype i = 0; i < sizes.size(); ++i) {
    QByteArray part(sizes[i], Qt::Uninitialized);
    for (qsizetype at = 0; at < part.size(); ++at) part[at] = static_cast<char>(at * (i + 3) + at / 4093);
    names.append(QStringLiteral("part%1").arg(i));
    QVERIFY(WriteFile(folder + names.last(), part));
    expected += part;
  }
  QVERIFY(SyncFileSystemOf(folder));
  int updates = 0;
  qint64 lastDone = 0;
  const JoinProgress progress = [&](qint64 done, qint64, const QString&) {
    lastDone = done;
    return ++updates != stopAtUpdate;
  };

  const JoinResult result = Join(folder, "out.bin", names, progress);

  if (stopAtUpdate != 0) {
    QCOMPARE(result.outcome, JoinOutcome::Stopped);
    QVERIFY(!QFile::exists(folder + "out.bin"));
    return;
  }
  QCOMPARE(result.outcome, JoinOutcome::Joined);
  QCOMPARE(lastDone, expected.size());
  QVERIFY(updates > 4);  // pieces of the 12 MiB part too
  QVERIFY(ReadFile(folder + "out.bin") == expected);
  const qint64 shared = SharedBytesOf(folder + "out.bin");
  if (shared < 0) QSKIP("this system tells no shared extents");
  QCOMPARE(shared, expected.size());
}

void TestConcatenation::fatRefusesOutputsOver4GiBBeforeWriting() {
  const LoopMount fat(QStringLiteral("fat"), 64);
  if (!fat.isMounted()) QSKIP(qPrintable(fat.whyNot()));
  for (const char* name : {"part1", "part2"}) {
    QFile sparse(folder + name);
    QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(qint64{5} << 29));  // 2.5 GiB of holes
  }
  const QString outName = QDir(folder).relativeFilePath(fat.path() + "out.bin");

  const JoinResult result = Join(folder, outName, {"part1", "part2"});

  QCOMPARE(result.outcome, JoinOutcome::Failed);
  QCOMPARE(result.failure.code, kFileTooLargeError);
  QCOMPARE(result.failure.side, FailureSide::Output);
  QCOMPARE(QDir::cleanPath(result.failure.path), QDir::cleanPath(fat.path() + "out.bin"));
  QCOMPARE(Entries(fat.path()), QStringList{});
}

// FAT and exFAT open A.DAT under any spelling of its case, and their FUSE
// drivers number each spelling apart.
void TestConcatenation::outputSpelledLikeAnInput_data() {
  QTest::addColumn<QString>("fileSystem");  // empty: the test's own folder
  QTest::addColumn<QString>("outName");
  QTest::addColumn<Found>("found");

  QTest::newRow("exFAT: an input in other case") << "exfat"
                                                 << "a.dat" << Found::AnInput;
  QTest::newRow("FAT: an input in other case") << "fat"
                                               << "A.dat" << Found::AnInput;
  QTest::newRow("FAT: an input through a subfolder") << "fat"
                                                     << "SUB/../a.DAT" << Found::AnInput;
  QTest::newRow("exFAT: another file in other case is replaced") << "exfat"
                                                                 << "OLD.BIN" << Found::AFile;
  QTest::newRow("FAT, which reports no size: a new name") << "fat"
                                                          << "new.bin" << Found::Nothing;
  QTest::newRow("case-sensitive: a.dat beside A.DAT is another file") << ""
                                                                      << "a.dat" << Found::AFile;
}

void TestConcatenation::outputSpelledLikeAnInput() {
  QFETCH(QString, fileSystem);
  QFETCH(QString, outName);
  QFETCH(Found, found);
  std::unique_ptr<LoopMount> mount;
  if (!fileSystem.isEmpty()) {
    mount = std::make_unique<LoopMount>(fileSystem, 64);
    if (!mount->isMounted()) QSKIP(qPrintable(mount->whyNot()));
    folder = mount->path();
  }
  QVERIFY(QDir(folder).mkdir("sub"));
  QVERIFY(WriteFile(folder + "A.DAT", "input"));
  QVERIFY(WriteFile(folder + "old.bin", "old"));
  if (!mount) QVERIFY(WriteFile(folder + "a.dat", "other"));
  if (ReadFile(folder + "A.DAT") != "input") QSKIP("this folder ignores case");

  const Fallible<JoinPlan> plan = PlanJoin(folder, outName, {"A.DAT"});
  if (!plan) QCOMPARE(plan.failure().kind, FailureKind::SameAsInput);
  QCOMPARE(!plan ? Found::AnInput : plan->replaces ? Found::AFile : Found::Nothing, found);
  const JoinResult result = Join(folder, outName, {"A.DAT"}, {}, Replacing::AnyPlainFile);

  QCOMPARE(result.outcome, found == Found::AnInput ? JoinOutcome::Failed : JoinOutcome::Joined);
  QCOMPARE(ReadFile(folder + "A.DAT"), QByteArray("input"));
  if (found != Found::AnInput) QCOMPARE(ReadFile(folder + outName), QByteArray("input"));
}

// Each input is joined as it was when opened: a live log growing meanwhile
// adds nothing, and one cut short stops the join.
void TestConcatenation::inputChangedWhileCopied_data() {
  QTest::addColumn<qint64>("newSize");
  QTest::newRow("grows") << 3 * kJoinPieceBytes;
  QTest::newRow("shrinks below what was copied") << kJoinPieceBytes / 2;
  QTest::newRow("shrinks below its length") << kJoinPieceBytes + 1;
}

void TestConcatenation::inputChangedWhileCopied() {
  QFETCH(qint64, newSize);
  const QByteArray log(kJoinPieceBytes + 100, 'l');
  QVERIFY(WriteFile(folder + "log", log));
  int calls = 0;
  // The second call for the log comes after its first piece was copied.
  const auto change = [&](qint64, qint64, const QString& file) {
    if (file == u"log" && ++calls == 2) QFile::resize(folder + "log", newSize);
    return true;
  };

  const JoinResult result = Join(folder, "out.bin", {"log"}, change);

  if (newSize > log.size()) {
    QCOMPARE(result.outcome, JoinOutcome::Joined);
    QVERIFY(ReadFile(folder + "out.bin") == log);
  } else {
    QCOMPARE(result.outcome, JoinOutcome::Failed);
    QCOMPARE(result.failure.kind, FailureKind::Shrank);
    QCOMPARE(result.failure.side, FailureSide::Input);
    QCOMPARE(result.failure.path, folder + "log");
    QCOMPARE(Entries(folder), QStringList{"log"});
  }
}

// A file that takes the output's name while the join runs is replaced only
// where the join may replace any (entw-join --force).
void TestConcatenation::outputAppearingMeanwhile_data() {
  QTest::addColumn<Replacing>("replacing");
  QTest::newRow("may replace nothing: one there before the join is kept") << Replacing::Nothing;
  QTest::newRow("may replace only what stood there") << Replacing::WhatStoodThere;
  QTest::newRow("may replace any plain file") << Replacing::AnyPlainFile;
}

void TestConcatenation::outputAppearingMeanwhile() {
  QFETCH(Replacing, replacing);
  QVERIFY(WriteFile(folder + "a", "AAAA"));
  if (replacing == Replacing::Nothing) QVERIFY(WriteFile(folder + "out.bin", "late"));
  const auto appear = [&](qint64, qint64, const QString&) {
    // A stopped join fails the test.
    return QFile::exists(folder + "out.bin") || WriteFile(folder + "out.bin", "late");
  };

  const JoinResult result = Join(folder, "out.bin", {"a"}, appear, replacing);

  const bool replaced = replacing == Replacing::AnyPlainFile;
  QCOMPARE(result.outcome, replaced ? JoinOutcome::Joined : JoinOutcome::Failed);
  // The name taken: refused by the system, as on any drive.
  if (!replaced) QVERIFY((QList{SystemCode(EEXIST, 80), SystemCode(EEXIST, 183)}.contains(result.failure.code)));
  QCOMPARE(ReadFile(folder + "out.bin"), QByteArray(replaced ? "AAAA" : "late"));
  QCOMPARE(Entries(folder), (QStringList{"a", "out.bin"}));
}

// The commit replaces only what was checked, takes a free name only while it
// is free, and acts on the folder it wrote in, on FUSE drives too.
void TestConcatenation::commitTimeRaces_data() {
  QTest::addColumn<QString>("fileSystem");
  QTest::addColumn<Race>("race");
  QTest::addColumn<QString>("outName");
  QTest::addColumn<QString>("left");  // at the output's old place; AAAA: joined
  QTest::addColumn<FailureKind>("kind");

  const auto system = FailureKind::SystemError;
  QTest::newRow("ext4: a link retargeted at an input") << "ext4" << Race::LinkRetargeted << "sub/link"
                                                       << "AAAA" << system;
  QTest::newRow("exFAT: a name taken is kept") << "exfat" << Race::NameTaken << "out.bin"
                                               << "" << system;
  QTest::newRow("NTFS: a name taken is kept") << "ntfs" << Race::NameTaken << "out.bin"
                                              << "" << system;
  QTest::newRow("exFAT: the folder renamed") << "exfat" << Race::FolderRenamed << "out.bin"
                                             << "AAAA" << system;
  QTest::newRow("exFAT: an input through its folder spelled otherwise") << "exfat" << Race::NoRace << "../D/A"
                                                                        << "<missing>" << FailureKind::SameAsInput;
}

void TestConcatenation::commitTimeRaces() {
  QFETCH(QString, fileSystem);
  QFETCH(Race, race);
  QFETCH(QString, outName);
  QFETCH(QString, left);
  QFETCH(FailureKind, kind);
  const LoopMount mount(fileSystem, 64);
  if (!mount.isMounted()) QSKIP(qPrintable(mount.whyNot()));
  QVERIFY(QDir(mount.path()).mkpath("d/sub"));
  folder = mount.path() + "d/";
  QVERIFY(WriteFile(folder + "A", "AAAA") && WriteFile(folder + "sub/old", "old"));
  if (race == Race::LinkRetargeted) QVERIFY(MakeSymlink("old", folder + "sub/link"));
  bool done = false;
  // The first call with no file's name comes while the output is flushed.
  const auto flushing = [&](qint64, qint64, const QString& file) {
    if (!file.isEmpty() || std::exchange(done, true)) return true;
    if (race == Race::FolderRenamed) return QDir(mount.path()).rename("d", "e");
    return race != Race::LinkRetargeted ||
           (QFile::remove(folder + "sub/link") && MakeSymlink("../A", folder + "sub/link"));
  };
  // Taken between the commit's check and its rename, where FUSE drivers refuse a rename that must not replace.
  QString whyNot;
  const auto taker = race == Race::NameTaken ? TakeNameAfterCall("renameat2", folder + "out.bin", whyNot) : nullptr;
  if (race == Race::NameTaken && !taker) QSKIP(qPrintable(whyNot));

  const JoinResult result = Join(folder, outName, {"A"}, flushing);

  const QString now = mount.path() + (race == Race::FolderRenamed ? "e/" : "d/");
  QCOMPARE(result.outcome, left == "AAAA" ? JoinOutcome::Joined : JoinOutcome::Failed);
  QCOMPARE(result.failure.kind, kind);
  QCOMPARE(ReadFile(now + "A"), QByteArray("AAAA"));
  QCOMPARE(ReadFile(now + (race == Race::LinkRetargeted ? "sub/old" : "out.bin")), left.toUtf8());
  QVERIFY(Entries(now).filter("entw-join").isEmpty());
}

// Failures whose cause a user can act on say what it is.
void TestConcatenation::failureNamesTheCause_data() {
  QTest::addColumn<QString>("setUp");  // a shell command, given the drive's root as $1
  QTest::addColumn<SystemError>("code");
  QTest::addColumn<int>("entriesLeft");
  QTest::newRow("a read-only drive") << "mount -o remount,ro \"$1\"" << EROFS << 1;
  QTest::newRow("an append-only folder keeps the temporary file") << "chattr +a \"$1\"" << EPERM << 2;
}

void TestConcatenation::failureNamesTheCause() {
  QFETCH(QString, setUp);
  QFETCH(SystemError, code);
  QFETCH(int, entriesLeft);
  const LoopMount drive(QStringLiteral("tmpfs"), 4);
  if (!drive.isMounted()) QSKIP(qPrintable(drive.whyNot()));
  QVERIFY(WriteFile(folder + "a", "AAAA"));
  QVERIFY(WriteFile(drive.path() + "old.bin", "old"));
  QCOMPARE(QProcess::execute(QStringLiteral("sh"), {"-c", setUp, "sh", drive.path()}), 0);

  const JoinResult result = Join(folder, QDir(folder).relativeFilePath(drive.path() + "old.bin"), {"a"});

  QCOMPARE(result.outcome, JoinOutcome::Failed);
  QCOMPARE(result.failure.code, code);
  QCOMPARE(result.failure.side, FailureSide::Output);
  QCOMPARE(QDir::cleanPath(result.failure.leftBehind).startsWith(drive.path() + ".entw-join-"), entriesLeft == 2);
  QCOMPARE(ReadFile(drive.path() + "old.bin"), QByteArray("old"));
  QCOMPARE(Entries(drive.path()).size(), entriesLeft);
}

// Win32 takes a path of any length only in the \\?\ form; Wine takes long paths in any form, so the
// conversion is checked as text.
void TestConcatenation::win32PathForm_data() {
  QTest::addColumn<QString>("path");
  QTest::addColumn<QString>("currentFolder");
  QTest::addColumn<QString>("expected");
  const auto longForm = [](QString path) { return QStringLiteral("\\\\?\\") + path.replace(u'/', u'\\'); };
  const QString work = QStringLiteral("C:/work/dir");
  const QString deep = QString(150, u'a') + u'/' + QString(150, u'b');
  QTest::newRow("a drive path of 300 characters, / as Qt writes it") << "D:/" + deep << work << longForm("D:/" + deep);
  QTest::newRow(". and .., which stop at the root") << "C:\\..\\dir\\.\\sub//..\\f" << work << longForm("C:/dir/f");
  QTest::newRow("trailing separator dropped") << "C:/dir/sub/" << work << longForm("C:/dir/sub");
  QTest::newRow("a root keeps its separator") << "E:/dir/.." << work << longForm("E:/");
  QTest::newRow("UNC, .. stops at the share")
      << "//server/share/a/../../../b" << work << longForm("UNC/server/share/b");
  QTest::newRow("a share's root") << "\\\\server\\share\\" << work << longForm("UNC/server/share/");
  QTest::newRow("already \\\\?\\, kept") << "\\\\?\\C:\\a\\..\\x" << work << "\\\\?\\C:\\a\\..\\x";
  QTest::newRow("already //?/, slashes turned") << "//?/UNC/s/sh/x" << work << longForm("UNC/s/sh/x");
  QTest::newRow("relative, from the current folder") << "sub/../../out" << work << longForm("C:/work/out");
  QTest::newRow("from the current drive's root") << "\\x"
                                                 << "D:/work" << longForm("D:/x");
  QTest::newRow("C:x on the current drive") << "c:sub" << work << longForm("C:/work/dir/sub");
  QTest::newRow("D:x on another drive") << "D:x" << work << longForm("D:/x");
  QTest::newRow("names kept as typed") << "C:/out. " << work << longForm("C:/out. ");
}

void TestConcatenation::win32PathForm() {
  QFETCH(QString, path);
  QFETCH(QString, currentFolder);
  QFETCH(QString, expected);
  QCOMPARE(ExtendedLengthPath(path, currentFolder), expected);
}

// Each part of a typed name is checked, in any case and with any extension.
void TestConcatenation::namesWindowsKeeps_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<bool>("kept");
  for (const char* name : {"out.bin", "./sub/../x", "sub\\x", ".hidden", "CONSOLE", "COM10", "LPT", "xnul", "con_"})
    QTest::newRow(name) << name << true;
  for (const char* name :
       {"out.", "out ", "sub./x", "sub /x", "x:y", "CON", "nul.txt", "Aux .tar.gz", "com9", "com\u00b9",
        "lpt\u00b3.log", "sub/prn/x", "a<b", "a>b", "a\"b", "a|b", "a?b", "a*b", "tab\t"})
    QTest::newRow(name) << QString::fromUtf8(name) << false;
}

void TestConcatenation::namesWindowsKeeps() {
  QFETCH(QString, name);
  QFETCH(bool, kept);
  QCOMPARE(IsKeptWindowsName(name), kept);
}

// Another program holding the old output or the new one (a virus scanner,
// the search indexer, OneDrive, a media player), and what the new file
// keeps of the old one; holdfile holds for 2 s, or until killed.
void TestConcatenation::heldAndKeptOutputs_data() {
  QTest::addColumn<QStringList>("attributes");  // of the old out.bin
  QTest::addColumn<QString>("held");            // "out.bin", "new" or none
  QTest::addColumn<QString>("sharing");         // as holdfile takes it
  QTest::addColumn<bool>("fromStart");          // held before the join, or from its flush
  QTest::addColumn<JoinOutcome>("outcome");     // Stopped: by the user while the join waits

  const QStringList none;
  const auto joined = JoinOutcome::Joined;
  QTest::newRow("hidden: replaced, still hidden") << QStringList{"hidden"} << ""
                                                  << "" << false << joined;
  QTest::newRow("read-only: replaced, still read-only") << QStringList{"readonly"} << ""
                                                        << "" << false << joined;
  QTest::newRow("the indexer holds it from the flush: waited for") << none << "out.bin"
                                                                   << "readwrite" << false << joined;
  QTest::newRow("a scanner holds it sharing all: replaced") << QStringList{"hidden", "readonly"} << "out.bin"
                                                            << "everything" << false << joined;
  QTest::newRow("no program can hold the new file") << none << "new"
                                                    << "readwrite" << false << joined;
  QTest::newRow("a player holds it from the start: in use, nothing written")
      << none << "out.bin"
      << "nothing" << true << JoinOutcome::Failed;
  QTest::newRow("held, stopped while waited for: nothing left") << none << "out.bin"
                                                                << "readwrite" << false << JoinOutcome::Stopped;
}

void TestConcatenation::heldAndKeptOutputs() {
  QFETCH(QStringList, attributes);
  QFETCH(QString, held);
  QFETCH(QString, sharing);
  QFETCH(bool, fromStart);
  QFETCH(JoinOutcome, outcome);
  QVERIFY(WriteFile(folder + "a", "new") && WriteFile(folder + "out.bin", "old"));
  if (!HeldFile(folder + "a", Sharing::Nothing).held()) QSKIP("no sharing modes here keep programs off a file");
  QVERIFY(GiveWindowsAttributes(folder + "out.bin", attributes));
  // The question whether to replace it says so.
  QCOMPARE(PlanJoin(folder, "out.bin", {"a"})->replacesReadOnly, attributes.contains(u"readonly"));
  QProcess holder;
  QByteArray holding;  // what holdfile says
  const auto hold = [&](const QString& name) {
    const QString ms = outcome == JoinOutcome::Joined ? QStringLiteral("2000") : QStringLiteral("60000");
    holder.start(QStringLiteral(ENTW_HOLDFILE_PATH), {folder + name, sharing, ms});
    holding = holder.waitForReadyRead(30000) ? holder.readLine().trimmed() : "no answer";
  };
  if (fromStart) hold(held);
  const auto flushing = [&](qint64, qint64, const QString& file) {
    if (file.isEmpty() && !held.isEmpty() && holding.isEmpty())
      hold(held == u"new" ? Entries(folder).filter(QStringLiteral(".entw-join-")).value(0) : held);
    return true;
  };
  int waits = 0;
  const auto waiting = [&](const QString&) { return ++waits, outcome != JoinOutcome::Stopped; };

  const JoinResult result = Join(folder, "out.bin", {"a"}, flushing, Replacing::AnyPlainFile, waiting);

  holder.kill();
  holder.waitForFinished();
  QCOMPARE(result.outcome, outcome);
  QCOMPARE(result.failure.code, outcome == JoinOutcome::Failed ? kInUseError : 0);
  QCOMPARE(holding, held.isEmpty() ? "" : held == u"new" ? "not held" : "held");
  // Whether a reader that shares deleting is waited for is the system's to say.
  if (sharing != u"everything") QCOMPARE(waits > 0, sharing == u"readwrite" && held == u"out.bin");
  QCOMPARE(ReadFile(folder + "out.bin"), QByteArray(outcome == JoinOutcome::Joined ? "new" : "old"));
  QCOMPARE(WindowsAttributesOf(folder + "out.bin"), attributes);
  QCOMPARE(Entries(folder), (QStringList{"a", "out.bin"}));
  QVERIFY(GiveWindowsAttributes(folder + "out.bin", {}));
}

// Parts downloaded with a browser carry the web's mark: the joined file
// carries the least trusted zone among theirs and nothing else, and none
// where they carry none, whatever the file it replaces carried.
void TestConcatenation::webMarkOfTheInputs_data() {
  QTest::addColumn<QList<int>>("zones");  // of a, b and the old out.bin; -1: no mark
  QTest::addColumn<QByteArray>("mark");
  QTest::newRow("the Internet and this machine: the Internet")
      << QList<int>{3, -1, -1} << QByteArray("[ZoneTransfer]\r\nZoneId=3\r\n");
  QTest::newRow("the intranet and a restricted site: restricted")
      << QList<int>{1, 4, 3} << QByteArray("[ZoneTransfer]\r\nZoneId=4\r\n");
  QTest::newRow("a trusted site and the intranet: the intranet")
      << QList<int>{2, 1, -1} << QByteArray("[ZoneTransfer]\r\nZoneId=1\r\n");
  QTest::newRow("no marks, replacing a marked file: none") << QList<int>{-1, -1, 3} << QByteArray("<missing>");
}

void TestConcatenation::webMarkOfTheInputs() {
  QFETCH(QList<int>, zones);
  QFETCH(QByteArray, mark);
  const QStringList names{"a", "b", "out.bin"};
  for (qsizetype i = 0; i < names.size(); ++i) {
    QVERIFY(WriteFile(folder + names[i], names[i].toUtf8()));
    const QByteArray given = "[ZoneTransfer]\r\nZoneId=" + QByteArray::number(zones[i]) +
                             "\r\nHostUrl=https://example.org/" + names[i].toUtf8() + "\r\n";
    if (zones[i] >= 0) QVERIFY(WriteFile(folder + names[i] + ":Zone.Identifier", given));
  }
  QVERIFY(WriteFile(folder + "probe:Zone.Identifier", "[ZoneTransfer]\r\nZoneId=3\r\n"));
  if (!WebZoneOf(folder + "probe")) QSKIP("no marks of the web here");

  const JoinResult result = Join(folder, "out.bin", {"a", "b"}, {}, Replacing::AnyPlainFile);

  QCOMPARE(result.outcome, JoinOutcome::Joined);
  QCOMPARE(ReadFile(folder + "out.bin"), QByteArray("ab"));
  QCOMPARE(ReadFile(folder + "out.bin:Zone.Identifier"), mark);
}

// The joined folder renamed while the join writes: Windows refuses, and where
// a system allows it the join ends whole in the folder's new place, or fails
// leaving nothing there.
void TestConcatenation::folderRenamedMidJoin_data() {
  QTest::addColumn<QString>("when");  // before this input, or while the output is flushed
  QTest::newRow("while the inputs are copied") << "b";
  QTest::newRow("while the output is flushed") << "";
}

void TestConcatenation::folderRenamedMidJoin() {
  QFETCH(QString, when);
  QVERIFY(QDir(folder).mkdir("d") && WriteFile(folder + "d/a", "AAAA") && WriteFile(folder + "d/b", "BBBB"));
  bool tried = false;
  bool renamed = false;
  const auto rename = [&](qint64, qint64, const QString& file) {
    if (file == when && !std::exchange(tried, true)) renamed = QDir(folder).rename("d", "e");
    return true;
  };

  const JoinResult result = Join(folder + "d/", "out.bin", {"a", "b"}, rename);

  const QString now = folder + (renamed ? "e/" : "d/");
  QVERIFY(tried);
  QVERIFY(result.outcome == JoinOutcome::Joined || renamed);
  const QStringList left{"a", "b"};
  QCOMPARE(Entries(now), result.outcome == JoinOutcome::Joined ? left + QStringList{"out.bin"} : left);
  if (result.outcome == JoinOutcome::Joined) QCOMPARE(ReadFile(now + "out.bin"), QByteArray("AAAABBBB"));
}

QTEST_GUILESS_MAIN(TestConcatenation)
#include "tst_concatenation.moc"
