#include "resources/programinfo.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Run {
  int exitCode = -1;
  QByteArray out;
  QByteArray err;
};

Run RunJoin(const QStringList& arguments) {
  QProcess process;
  process.start(QStringLiteral(ENTW_JOIN_PATH), arguments);
  Run run;
  if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) return run;
  run.exitCode = process.exitCode();
  run.out = process.readAllStandardOutput();
  run.err = process.readAllStandardError();
  return run;
}

void WriteFile(const QString& path, const QByteArray& bytes, const QDateTime& modified = {}) {
  QFile file(path);
  QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
  QCOMPARE(file.write(bytes), bytes.size());
  QVERIFY(file.flush());  // a later write would move the time again
  if (modified.isValid()) QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList Entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QDateTime Local(int year, int month, int day, int hour) { return QDateTime(QDate(year, month, day), QTime(hour, 0)); }

// A folder holding a.bin "AA" (newest), B.bin "BB" and c.bin "CC" (oldest, same day as B.bin).
QString MakeThreeFiles(const QTemporaryDir& dir) {
  const QString folder = dir.path() + u'/';
  WriteFile(folder + "a.bin", "AA", Local(2024, 6, 2, 9));
  WriteFile(folder + "B.bin", "BB", Local(2024, 6, 1, 23));
  WriteFile(folder + "c.bin", "CC", Local(2024, 6, 1, 1));
  return folder;
}

const QByteArray kUsageLine = QStringLiteral("使い方: entw-join").toUtf8();

}  // namespace

class TestCli : public QObject {
  Q_OBJECT

 private slots:
  void wrongUsage_data();
  void wrongUsage();
  void helpAndVersion();
  void listsInJoinOrder_data();
  void listsInJoinOrder();
  void joins_data();
  void joins();
  void joinsEveryByteInOrder_data();
  void joinsEveryByteInOrder();
  void refusesOutput_data();
  void refusesOutput();
  void reportsFailure_data();
  void reportsFailure();
};

void TestCli::wrongUsage_data() {
  QTest::addColumn<QStringList>("arguments");  // "%F" stands for the folder
  QTest::addColumn<QByteArray>("message");

  QTest::newRow("no arguments") << QStringList{} << QStringLiteral("引数が足りません。").toUtf8();
  QTest::newRow("folder without output") << QStringList{"%F"} << QStringLiteral("引数が足りません。").toUtf8();
  QTest::newRow("three operands") << QStringList{"%F", "out", "more"} << QStringLiteral("引数が多すぎます。").toUtf8();
  QTest::newRow("list with three operands")
      << QStringList{"--list", "%F", "out", "more"} << QStringLiteral("引数が多すぎます。").toUtf8();
  QTest::newRow("unknown option") << QStringList{"--bydate", "%F", "out"}
                                  << QStringLiteral("不明なオプションです: --bydate").toUtf8();
  QTest::newRow("empty output") << QStringList{"%F", ""} << QStringLiteral("出力ファイル名が空です。").toUtf8();
  QTest::newRow("output of both kinds of space")
      << QStringList{"%F", QStringLiteral(" \u3000 ")} << QStringLiteral("出力ファイル名が空です。").toUtf8();
  QTest::newRow("empty folder name") << QStringList{"", "out"} << QStringLiteral("フォルダーが空です。").toUtf8();
}

void TestCli::wrongUsage() {
  QFETCH(QStringList, arguments);
  QFETCH(QByteArray, message);

  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString folder = MakeThreeFiles(dir);
  arguments.replaceInStrings(QStringLiteral("%F"), folder);

  const Run run = RunJoin(arguments);

  QCOMPARE(run.exitCode, 2);
  QVERIFY2(run.err.contains(message), run.err.constData());
  QVERIFY(run.err.contains(kUsageLine));
  QVERIFY(run.out.isEmpty());
  QCOMPARE(Entries(folder), (QStringList{"B.bin", "a.bin", "c.bin"}));
}

void TestCli::helpAndVersion() {
  const Run help = RunJoin({QStringLiteral("--help")});
  QCOMPARE(help.exitCode, 0);
  QVERIFY(help.out.startsWith(kUsageLine));
  QVERIFY(help.out.contains("--force"));

  // Either wins over anything else on the line.
  const Run version = RunJoin({QStringLiteral("--list"), QStringLiteral("--version")});
  QCOMPARE(version.exitCode, 0);
  QCOMPARE(version.out, "entw-join " + LongVersionText(ProgramVersion()).toUtf8() + '\n');
  QVERIFY(version.err.isEmpty());
}

void TestCli::listsInJoinOrder_data() {
  QTest::addColumn<QStringList>("options");
  QTest::addColumn<QByteArray>("expected");

  QTest::newRow("by name, case ignored") << QStringList{"--list"} << QByteArray("a.bin\nB.bin\nc.bin\n");
  QTest::newRow("by date, same day by name")
      << QStringList{"--list", "--by-date"} << QByteArray("B.bin\nc.bin\na.bin\n");
  QTest::newRow("options after the folder") << QStringList{"%F", "--by-date", "--list"}
                                             << QByteArray("B.bin\nc.bin\na.bin\n");
  QTest::newRow("an output operand writes nothing")
      << QStringList{"--list", "%F", "out.bin"} << QByteArray("a.bin\nB.bin\nc.bin\n");
}

void TestCli::listsInJoinOrder() {
  QFETCH(QStringList, options);
  QFETCH(QByteArray, expected);

  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString folder = MakeThreeFiles(dir);
  QVERIFY(QDir(folder).mkdir("subfolder"));
  if (!options.contains(QStringLiteral("%F"))) options.append(QStringLiteral("%F"));
  options.replaceInStrings(QStringLiteral("%F"), dir.path());  // no trailing separator

  const Run run = RunJoin(options);

  QCOMPARE(run.exitCode, 0);
  QCOMPARE(run.out, expected);
  QVERIFY(run.err.isEmpty());
  QCOMPARE(Entries(folder), (QStringList{"B.bin", "a.bin", "c.bin", "subfolder"}));
}

void TestCli::joins_data() {
  QTest::addColumn<QStringList>("options");
  QTest::addColumn<QString>("output");
  QTest::addColumn<QString>("writtenName");
  QTest::addColumn<QByteArray>("expected");

  QTest::newRow("by name") << QStringList{} << "out.bin" << "out.bin" << QByteArray("AABBCC");
  QTest::newRow("by date") << QStringList{"--by-date"} << "out.bin" << "out.bin" << QByteArray("BBCCAA");
  QTest::newRow("name trimmed of both kinds of space")
      << QStringList{} << QStringLiteral("\u3000 out.bin \u3000") << "out.bin" << QByteArray("AABBCC");
  QTest::newRow("into a subfolder") << QStringList{} << "sub/out.bin" << "sub/out.bin" << QByteArray("AABBCC");
  QTest::newRow("existing output replaced with --force")
      << QStringList{"--force"} << "sub/old.bin" << "sub/old.bin" << QByteArray("AABBCC");
  QTest::newRow("an output named like an option after --")
      << QStringList{"--"} << "--list" << "--list" << QByteArray("AABBCC");
}

void TestCli::joins() {
  QFETCH(QStringList, options);
  QFETCH(QString, output);
  QFETCH(QString, writtenName);
  QFETCH(QByteArray, expected);

  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString folder = MakeThreeFiles(dir);
  QVERIFY(QDir(folder).mkdir("sub"));
  WriteFile(folder + "sub/old.bin", QByteArray(100, 'o'));

  const Run run = RunJoin(options + QStringList{folder, output});

  QCOMPARE(run.exitCode, 0);
  QVERIFY2(run.err.isEmpty(), run.err.constData());
  QCOMPARE(ReadFile(folder + writtenName), expected);
  QStringList entries = Entries(folder);
  entries.removeOne(writtenName);
  QCOMPARE(entries, (QStringList{"B.bin", "a.bin", "c.bin", "sub"}));  // nothing left beside the output
}

// Small files are gathered and written together, large ones copied by the
// kernel; sizes around the gathering limit and the buffer's size mix both.
void TestCli::joinsEveryByteInOrder_data() {
  QTest::addColumn<QList<int>>("sizes");

  QTest::newRow("small files filling the buffer several times") << QList<int>(300, 5000);
  QTest::newRow("a small file split by a full buffer") << QList<int>(40, 60000);
  QTest::newRow("small and large files mixed")
      << QList<int>{100, 70000, 10, 0, 65535, 65536, 3 * 1024 * 1024, 1, 0, 65537, 2};
}

void TestCli::joinsEveryByteInOrder() {
  QFETCH(QList<int>, sizes);

  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString folder = dir.path() + u'/';
  QVERIFY(QDir(folder).mkdir("in"));
  QByteArray expected;
  for (qsizetype i = 0; i < sizes.size(); ++i) {
    QByteArray bytes(sizes[i], Qt::Uninitialized);
    for (qsizetype at = 0; at < bytes.size(); ++at) bytes[at] = static_cast<char>((at * 131 + i * 7) >> 3);
    WriteFile(folder + QStringLiteral("in/f%1").arg(i, 4, 10, QLatin1Char('0')), bytes);
    expected += bytes;
  }

  const Run run = RunJoin({folder + "in", "../out.bin"});

  QCOMPARE(run.exitCode, 0);
  const QByteArray joined = ReadFile(folder + "out.bin");
  QCOMPARE(joined.size(), expected.size());
  QVERIFY(joined == expected);
}

void TestCli::refusesOutput_data() {
  QTest::addColumn<QStringList>("options");
  QTest::addColumn<QString>("output");
  QTest::addColumn<QByteArray>("message");

  const QByteArray exists = QStringLiteral("「sub/old.bin」は既に存在します。").toUtf8();
  const QByteArray isInput = QStringLiteral("結合するファイルと同じ名前は使えません。").toUtf8();
  QTest::newRow("existing output without --force") << QStringList{} << "sub/old.bin" << exists;
  QTest::newRow("existing output, trimmed name in the message")
      << QStringList{} << QStringLiteral(" sub/old.bin\u3000") << exists;
  QTest::newRow("an input") << QStringList{} << "a.bin" << isInput;
  QTest::newRow("an input even with --force") << QStringList{"--force"} << "B.bin" << isInput;
  QTest::newRow("an input by another path") << QStringList{"--force"} << "sub/../c.bin" << isInput;
  QTest::newRow("a hard link to an input") << QStringList{"--force"} << "sub/hard-a" << isInput;
  // Only a plain file is ever replaced: a device must not become a file.
  const auto notPlain = [](const char* name) {
    return QStringLiteral("「%1」は通常のファイルではないため、出力ファイル名に使えません。").arg(name).toUtf8();
  };
  QTest::newRow("a folder") << QStringList{"--force"} << "sub" << notPlain("sub");
  QTest::newRow("a FIFO") << QStringList{"--force"} << "sub/fifo" << notPlain("sub/fifo");
  QTest::newRow("a link to a device") << QStringList{"--force"} << "sub/null" << notPlain("sub/null");
}

void TestCli::refusesOutput() {
  QFETCH(QStringList, options);
  QFETCH(QString, output);
  QFETCH(QByteArray, message);

  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString folder = MakeThreeFiles(dir);
  QVERIFY(QDir(folder).mkdir("sub"));
  WriteFile(folder + "sub/old.bin", "old");
  QCOMPARE(::link(qPrintable(folder + "a.bin"), qPrintable(folder + "sub/hard-a")), 0);
  QCOMPARE(::mkfifo(qPrintable(folder + "sub/fifo"), 0600), 0);
  QVERIFY(QFile::link("/dev/null", folder + "sub/null"));

  const Run run = RunJoin(options + QStringList{folder, output});

  QCOMPARE(run.exitCode, 1);
  QVERIFY2(run.err.contains(message), run.err.constData());
  QVERIFY(run.out.isEmpty());
  QCOMPARE(ReadFile(folder + "sub/old.bin"), QByteArray("old"));
  QCOMPARE(ReadFile(folder + "a.bin"), QByteArray("AA"));
  QCOMPARE(ReadFile(folder + "B.bin"), QByteArray("BB"));
  QCOMPARE(ReadFile(folder + "c.bin"), QByteArray("CC"));
  QCOMPARE(Entries(folder + "sub"), (QStringList{"fifo", "hard-a", "null", "old.bin"}));
  QVERIFY(!QFileInfo(QStringLiteral("/dev/null")).isFile());
}

void TestCli::reportsFailure_data() {
  QTest::addColumn<QString>("folderName");  // under the temporary folder
  QTest::addColumn<QString>("output");
  QTest::addColumn<QByteArray>("expected");  // the report's first three lines, or a message

  const QString version = ProgramName() + LongVersionText(ProgramVersion());
  QTest::newRow("join fails: missing subfolder in the output")
      << "files" << "nosuch/out.bin"
      << QStringLiteral("エラー番号:76\n場所:VoverorFile.%1\nパスが見つかりません。「%2/nosuch/out.bin」\n")
             .arg(version, "%F")
             .toUtf8();
  QTest::newRow("listing fails: missing folder")
      << "gone" << "out.bin"
      << QStringLiteral("エラー番号:76\n場所:cmdMain_Click.%1\nパスが見つかりません。「%2/」\n").arg(version, "%F").toUtf8();
  QTest::newRow("empty folder") << "empty" << "out.bin"
                                << QStringLiteral("結合するファイルがありません。").toUtf8();
}

void TestCli::reportsFailure() {
  QFETCH(QString, folderName);
  QFETCH(QString, output);
  QFETCH(QByteArray, expected);

  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  QVERIFY(QDir(dir.path()).mkpath("files/sub"));
  QVERIFY(QDir(dir.path()).mkpath("empty/sub"));
  WriteFile(dir.filePath("files/a.bin"), "AA");
  const QString folder = dir.filePath(folderName);
  expected.replace("%F", QFile::encodeName(folder));
  const QStringList before = Entries(folder);

  const Run run = RunJoin({folder, output});

  QCOMPARE(run.exitCode, 1);
  QVERIFY2(run.err.contains(expected), run.err.constData());
  QVERIFY(!run.err.contains('\r'));
  QVERIFY(run.out.isEmpty());
  QCOMPARE(Entries(folder), before);
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
