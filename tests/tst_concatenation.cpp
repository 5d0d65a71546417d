#include "join/concatenation.h"
#include "scripteddialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
  QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList Entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QByteArray AllByteValues() {
  QByteArray bytes;
  for (int value = 0; value < 256; ++value) bytes.append(static_cast<char>(value));
  return bytes;
}

// Lowers the file-size limit so that the next writes fail as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = saved_;
    lowered.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit saved_{};
  void (*previousHandler_)(int) = nullptr;
};

}  // namespace

class TestConcatenation : public QObject {
  Q_OBJECT

 private slots:
  void joinsExactBytes_data();
  void joinsExactBytes();
  void joinsInputsFromAnotherFileSystem();
  void failureLeavesNothing_data();
  void failureLeavesNothing();
  void writeFailureMidJoinLeavesNothing();
  void progressReportsAndStops_data();
  void progressReportsAndStops();
  void voverorFileReportsFailure_data();
  void voverorFileReportsFailure();
};

void TestConcatenation::joinsExactBytes_data() {
  QTest::addColumn<QStringList>("names");  // created in this order
  QTest::addColumn<QByteArrayList>("contents");
  QTest::addColumn<QStringList>("joinList");
  QTest::addColumn<QString>("outName");
  QTest::addColumn<QByteArray>("oldOutput");  // an existing file of the output's name, if any
  QTest::addColumn<QByteArray>("expected");

  const QByteArray none;
  QTest::newRow("all inputs empty still creates an empty output")
      << QStringList{"a", "b", "c"} << QByteArrayList{"", "", ""} << QStringList{"a", "b", "c"} << "out.bin"
      << none << QByteArray("");
  QTest::newRow("1, 0 and 1 bytes give the first and third byte")
      << QStringList{"a", "b", "c"} << QByteArrayList{"x", "", "y"} << QStringList{"a", "b", "c"} << "out.bin"
      << none << QByteArray("xy");
  QTest::newRow("list order, not creation order")
      << QStringList{"c", "a", "b"} << QByteArrayList{"CC", "AA", "BB"} << QStringList{"b", "c", "a"} << "out.bin"
      << none << QByteArray("BBCCAA");
  QTest::newRow("every byte value passes unchanged")
      << QStringList{"bin1", "bin2"} << QByteArrayList{AllByteValues(), QByteArray("\r\n\0\x1a", 4)} << QStringList{"bin1", "bin2"}
      << "out.bin" << none << AllByteValues() + QByteArray("\r\n\0\x1a", 4);
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

  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString folder = dir.path() + u'/';
  QVERIFY(QDir(folder).mkdir(QStringLiteral("sub")));
  for (qsizetype i = 0; i < names.size(); ++i) WriteFile(folder + names[i], contents[i]);
  if (!oldOutput.isEmpty()) WriteFile(folder + outName, oldOutput);

  const JoinResult result = JoinFiles(folder, outName, joinList);

  QCOMPARE(result.outcome, JoinOutcome::Joined);
  QVERIFY(QFile::exists(folder + outName));
  QCOMPARE(ReadFile(folder + outName), expected);
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
  QTemporaryDir dir;
  QVERIFY(elsewhere.isValid() && dir.isValid());
  const QString folder = dir.path() + u'/';
  const QByteArray remote(3 * 1024 * 1024 + 7, 'r');
  WriteFile(elsewhere.filePath("remote"), remote);
  QVERIFY(QFile::link(elsewhere.filePath("remote"), folder + "remote"));
  WriteFile(folder + "local", "local");

  const JoinResult result = JoinFiles(folder, "out.bin", {"local", "remote", "local"});

  QCOMPARE(result.outcome, JoinOutcome::Joined);
  QCOMPARE(ReadFile(folder + "out.bin"), "local" + remote + "local");
}

void TestConcatenation::failureLeavesNothing_data() {
  QTest::addColumn<QStringList>("joinList");
  QTest::addColumn<QString>("outName");
  QTest::addColumn<int>("number");
  QTest::addColumn<QString>("failedName");

  QTest::newRow("missing subfolder in the output name") << QStringList{"a", "b"} << "nosuch/out.bin" << 76
                                                         << "nosuch/out.bin";
  QTest::newRow("input deleted after listing") << QStringList{"a", "gone", "b"} << "old.bin" << 53 << "gone";
  QTest::newRow("output is an input") << QStringList{"a", "b"} << "b" << 75 << "b";
  QTest::newRow("output is an input, written with ./") << QStringList{"a", "b"} << "./a" << 75 << "./a";
  QTest::newRow("output is an input through a symlink") << QStringList{"a", "b"} << "link-to-a" << 75
                                                          << "link-to-a";
  QTest::newRow("output is an input through a hard link") << QStringList{"a", "b"} << "hard-a" << 75 << "hard-a";
  QTest::newRow("input through a symlink is written to") << QStringList{"link-to-a", "b"} << "a" << 75 << "a";
  QTest::newRow("output names a folder") << QStringList{"a", "b"} << "sub" << 75 << "sub";
  QTest::newRow("input is a folder") << QStringList{"a", "sub"} << "out.bin" << 75 << "sub";
}

void TestConcatenation::failureLeavesNothing() {
  QFETCH(QStringList, joinList);
  QFETCH(QString, outName);
  QFETCH(int, number);
  QFETCH(QString, failedName);

  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString folder = dir.path() + u'/';
  WriteFile(folder + "a", "AAAA");
  WriteFile(folder + "b", "BBBB");
  WriteFile(folder + "old.bin", "old contents");
  QVERIFY(QFile::link(folder + "a", folder + "link-to-a"));
  QCOMPARE(::link(qPrintable(folder + "a"), qPrintable(folder + "hard-a")), 0);
  QVERIFY(QDir(folder).mkdir(QStringLiteral("sub")));
  const QStringList entriesBefore = Entries(folder);

  const JoinResult result = JoinFiles(folder, outName, joinList);

  QCOMPARE(result.outcome, JoinOutcome::Failed);
  QCOMPARE(result.failure.Number, number);
  QVERIFY(!result.failure.Description.isEmpty());
  QCOMPARE(result.failedPath, folder + failedName);
  QCOMPARE(Entries(folder), entriesBefore);
  QCOMPARE(ReadFile(folder + "a"), QByteArray("AAAA"));
  QCOMPARE(ReadFile(folder + "b"), QByteArray("BBBB"));
  QCOMPARE(ReadFile(folder + "old.bin"), QByteArray("old contents"));
}

void TestConcatenation::writeFailureMidJoinLeavesNothing() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString folder = dir.path() + u'/';
  WriteFile(folder + "part1", QByteArray(600 * 1024, '1'));
  WriteFile(folder + "part2", QByteArray(600 * 1024, '2'));
  WriteFile(folder + "out.bin", "kept");
  const QStringList entriesBefore = Entries(folder);

  JoinResult result;
  {
    const FileSizeLimit limit(1024 * 1024);
    result = JoinFiles(folder, "out.bin", {"part1", "part2"});
  }

  // A size limit is no full disk.
  QCOMPARE(result.outcome, JoinOutcome::Failed);
  QCOMPARE(result.failure.Number, 75);
  QVERIFY2(result.failure.Description.contains(QStringLiteral("大きすぎ")), qPrintable(result.failure.Description));
  QCOMPARE(result.failedPath, folder + "out.bin");
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
}

void TestConcatenation::progressReportsAndStops() {
  QFETCH(QString, stopFile);
  QFETCH(int, stopAtCallForFile);
  QFETCH(JoinOutcome, outcome);

  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString folder = dir.path() + u'/';
  const qint64 bigSize = 2 * kJoinPieceBytes + 1;
  WriteFile(folder + "big", QByteArray(bigSize, 'b'));
  WriteFile(folder + "small", "s");
  WriteFile(folder + "out.bin", "kept");

  int callsForStopFile = 0;
  qint64 lastDone = -1;
  bool monotonic = true;
  const auto progress = [&](qint64 done, qint64 total, const QString& file) {
    monotonic = monotonic && done >= lastDone && total == bigSize + 1;
    lastDone = done;
    return file != stopFile || ++callsForStopFile != stopAtCallForFile;
  };
  const JoinResult result = JoinFiles(folder, "out.bin", {"big", "small"}, progress);

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

void TestConcatenation::voverorFileReportsFailure_data() {
  QTest::addColumn<QStringList>("joinList");
  QTest::addColumn<JoinOutcome>("outcome");
  QTest::addColumn<QString>("reportStart");  // empty: no report

  QTest::newRow("success shows nothing") << QStringList{"a"} << JoinOutcome::Joined << QString();
  QTest::newRow("failure shows the report")
      << QStringList{"a", "gone"} << JoinOutcome::Failed
      << QStringLiteral("エラー番号:53\r\n場所:VoverorFile.えんとぅ1.00.0002\r\nファイルが見つかりません。「");
}

void TestConcatenation::voverorFileReportsFailure() {
  QFETCH(QStringList, joinList);
  QFETCH(JoinOutcome, outcome);
  QFETCH(QString, reportStart);

  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString folder = dir.path() + u'/';
  WriteFile(folder + "a", "A");
  ScriptedDialogs dialogs;

  QCOMPARE(VoverorFile(folder, "out.bin", joinList, dialogs), outcome);

  if (reportStart.isEmpty()) {
    QVERIFY(dialogs.messages.isEmpty());
    return;
  }
  QCOMPARE(dialogs.messages.size(), 1);
  QVERIFY2(dialogs.messages[0].text.startsWith(reportStart), qPrintable(dialogs.messages[0].text));
  QVERIFY(dialogs.messages[0].text.contains(QDir::toNativeSeparators(folder + "gone")));
  QCOMPARE(dialogs.messages[0].style, 4112);
  QCOMPARE(dialogs.messages[0].title, QStringLiteral("エラー - えんとぅ"));
  QVERIFY(!QFile::exists(folder + "out.bin"));
}

QTEST_GUILESS_MAIN(TestConcatenation)
#include "tst_concatenation.moc"
