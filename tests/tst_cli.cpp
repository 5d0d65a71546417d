#include "entw_version.h"
#include "filekinds.h"
#include "loopmount.h"
#include "testconsole.h"
#include "testfiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <optional>

namespace {

struct Run {
  int exitCode = -1;
  QByteArray out;
  QByteArray err;
};

// entw-join run to its end; its standard output goes to outputFile where one is given.
Run RunJoin(const QStringList& arguments, const QString& outputFile = {}) {
  QProcess process;
  if (!outputFile.isEmpty()) process.setStandardOutputFile(outputFile);
  process.start(QStringLiteral(ENTW_JOIN_PATH), arguments);
  Run run;
  if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) return run;
  run.exitCode = process.exitCode();
  run.out = process.readAllStandardOutput();
  run.err = process.readAllStandardError();
  return run;
}

// Makes a.bin "AA" (newest), B.bin "BB" and c.bin "CC" (oldest, same day as
// B.bin) in folder, and where subfolderFile is given a subfolder "sub" with
// old.bin holding it.
bool MakeThreeFiles(const QString& folder, const QByteArray& subfolderFile = {}) {
  return WriteFile(folder + "a.bin", "AA", Local(2024, 6, 2, 9)) &&
         WriteFile(folder + "B.bin", "BB", Local(2024, 6, 1, 23)) &&
         WriteFile(folder + "c.bin", "CC", Local(2024, 6, 1, 1)) &&
         (subfolderFile.isEmpty() || (QDir(folder).mkdir("sub") && WriteFile(folder + "sub/old.bin", subfolderFile)));
}

// For entw-join under strace: the leak check stops the world by tracing, which strace already does.
QProcessEnvironment TracedEnvironment() {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
  return environment;
}

const QByteArray kUsageLine = QStringLiteral("使い方: entw-join").toUtf8();

}  // namespace

class TestCli : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup() { dir_.reset(); }
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
  void joinsNamesThatAreNotUtf8_data();
  void joinsNamesThatAreNotUtf8();
  void fileSizeLimitIsReported();
  void listForms_data();
  void listForms();
  void listToAFullDisk();
  void ignoredInterruptsStayIgnored();
  void holesKeptWhereMountsAreHidden();
  void outputWriteFailureNamesTheOutput();
  void killedWhileTakingTheNameLeavesItFree();
  void consoleKeepsItsCodePage_data();
  void consoleKeepsItsCodePage();

 private:
  // Each test, and each row of one, has a temporary folder of its own; folder_ ends in a separator.
  std::optional<QTemporaryDir> dir_;
  QString folder_;
};

void TestCli::init() {
  dir_.emplace();
  QVERIFY(dir_->isValid());
  folder_ = dir_->path() + u'/';
}

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

  QVERIFY(MakeThreeFiles(folder_));
  arguments.replaceInStrings(QStringLiteral("%F"), folder_);

  const Run run = RunJoin(arguments);

  QCOMPARE(run.exitCode, 2);
  QVERIFY2(run.err.contains(message), run.err.constData());
  QVERIFY(run.err.contains(kUsageLine));
  QVERIFY(run.out.isEmpty());
  QCOMPARE(Entries(folder_), (QStringList{"B.bin", "a.bin", "c.bin"}));
}

void TestCli::helpAndVersion() {
  const Run help = RunJoin({QStringLiteral("--help")});
  QCOMPARE(help.exitCode, 0);
  QVERIFY(help.out.startsWith(kUsageLine));
  QVERIFY(help.out.contains("--force"));

  // Either wins over anything else on the line.
  const Run version = RunJoin({QStringLiteral("--list"), QStringLiteral("--version")});
  QCOMPARE(version.exitCode, 0);
  QVERIFY(version.out.startsWith(QByteArray("entw-join (えんとぅ) ") + EntwBuild::kLongVersion + '\n' +
                                 EntwBuild::kLegalCopyright + '\n'));
  QVERIFY(version.out.contains("MIT") && version.out.contains("NO WARRANTY"));
  QVERIFY(version.err.isEmpty());
}

void TestCli::listsInJoinOrder_data() {
  QTest::addColumn<QStringList>("options");
  QTest::addColumn<QByteArray>("expected");

  QTest::newRow("by name, case ignored") << QStringList{"--list"} << QByteArray("a.bin\nB.bin\nc.bin\n");
  QTest::newRow("by date, same day by name")
      << QStringList{"--list", "--by-date"} << QByteArray("B.bin\nc.bin\na.bin\n");
  QTest::newRow("options after the folder")
      << QStringList{"%F", "--by-date", "--list"} << QByteArray("B.bin\nc.bin\na.bin\n");
  QTest::newRow("an output operand writes nothing")
      << QStringList{"--list", "%F", "out.bin"} << QByteArray("a.bin\nB.bin\nc.bin\n");
}

void TestCli::listsInJoinOrder() {
  QFETCH(QStringList, options);
  QFETCH(QByteArray, expected);

  QVERIFY(MakeThreeFiles(folder_));
  QVERIFY(QDir(folder_).mkdir("subfolder"));
  if (!options.contains(QStringLiteral("%F"))) options.append(QStringLiteral("%F"));
  options.replaceInStrings(QStringLiteral("%F"), dir_->path());  // no trailing separator

  const Run run = RunJoin(options);

  QCOMPARE(run.exitCode, 0);
  QCOMPARE(run.out, expected);
  QVERIFY(run.err.isEmpty());
  QCOMPARE(Entries(folder_), (QStringList{"B.bin", "a.bin", "c.bin", "subfolder"}));
}

void TestCli::joins_data() {
  QTest::addColumn<QStringList>("options");
  QTest::addColumn<QString>("output");
  QTest::addColumn<QString>("writtenName");
  QTest::addColumn<QByteArray>("expected");

  QTest::newRow("by name") << QStringList{} << "out.bin"
                           << "out.bin" << QByteArray("AABBCC");
  QTest::newRow("by date") << QStringList{"--by-date"} << "out.bin"
                           << "out.bin" << QByteArray("BBCCAA");
  QTest::newRow("name trimmed of both kinds of space")
      << QStringList{} << QStringLiteral("\u3000 out.bin \u3000") << "out.bin" << QByteArray("AABBCC");
  QTest::newRow("into a subfolder") << QStringList{} << "sub/out.bin"
                                    << "sub/out.bin" << QByteArray("AABBCC");
  QTest::newRow("existing output replaced with --force") << QStringList{"--force"} << "sub/old.bin"
                                                         << "sub/old.bin" << QByteArray("AABBCC");
  QTest::newRow("an output named like an option after --") << QStringList{"--"} << "--list"
                                                           << "--list" << QByteArray("AABBCC");
}

void TestCli::joins() {
  QFETCH(QStringList, options);
  QFETCH(QString, output);
  QFETCH(QString, writtenName);
  QFETCH(QByteArray, expected);

  QVERIFY(MakeThreeFiles(folder_, QByteArray(100, 'o')));

  const Run run = RunJoin(options + QStringList{folder_, output});

  QCOMPARE(run.exitCode, 0);
  QVERIFY2(run.err.isEmpty(), run.err.constData());
  QCOMPARE(ReadFile(folder_ + writtenName), expected);
  QStringList entries = Entries(folder_);
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

  QVERIFY(QDir(folder_).mkdir("in"));
  QByteArray expected;
  for (qsizetype i = 0; i < sizes.size(); ++i) {
    QByteArray bytes(sizes[i], Qt::Uninitialized);
    for (qsizetype at = 0; at < bytes.size(); ++at) bytes[at] = static_cast<char>((at * 131 + i * 7) >> 3);
    QVERIFY(WriteFile(folder_ + QStringLiteral("in/f%1").arg(i, 4, 10, QLatin1Char('0')), bytes));
    expected += bytes;
  }

  const Run run = RunJoin({folder_ + "in", "../out.bin"});

  QCOMPARE(run.exitCode, 0);
  const QByteArray joined = ReadFile(folder_ + "out.bin");
  QCOMPARE(joined.size(), expected.size());
  QVERIFY(joined == expected);
}

void TestCli::refusesOutput_data() {
  QTest::addColumn<QStringList>("options");
  QTest::addColumn<QString>("output");  // "%DEVICE%" stands for a device
  QTest::addColumn<QByteArray>("message");
  QTest::addColumn<bool>("needsFifo");

  const QByteArray exists = QStringLiteral("「sub/old.bin」は既に存在します。").toUtf8();
  const QByteArray isInput = QStringLiteral("結合するファイルと同じ名前は使えません。").toUtf8();
  QTest::newRow("existing output without --force") << QStringList{} << "sub/old.bin" << exists << false;
  QTest::newRow("existing output, trimmed name in the message")
      << QStringList{} << QStringLiteral(" sub/old.bin\u3000") << exists << false;
  QTest::newRow("an input") << QStringList{} << "a.bin" << isInput << false;
  QTest::newRow("an input even with --force") << QStringList{"--force"} << "B.bin" << isInput << false;
  QTest::newRow("an input by another path") << QStringList{"--force"} << "sub/../c.bin" << isInput << false;
  QTest::newRow("a hard link to an input") << QStringList{"--force"} << "sub/hard-a" << isInput << false;
  // Only a plain file is ever replaced: a device must not become a file.
  const auto notPlain = [](const char* name) {
    return QStringLiteral("「%1」は通常のファイルではないため、出力ファイル名に使えません。").arg(name).toUtf8();
  };
  QTest::newRow("a folder") << QStringList{"--force"} << "sub" << notPlain("sub") << false;
  QTest::newRow("a FIFO") << QStringList{"--force"} << "sub/fifo" << notPlain("sub/fifo") << true;
  QTest::newRow("a device") << QStringList{"--force"} << "%DEVICE%" << notPlain("%DEVICE%") << false;
}

void TestCli::refusesOutput() {
  QFETCH(QStringList, options);
  QFETCH(QString, output);
  QFETCH(QByteArray, message);
  QFETCH(bool, needsFifo);

  QVERIFY(MakeThreeFiles(folder_, "old"));
  QVERIFY(MakeHardLink(folder_ + "a.bin", folder_ + "sub/hard-a"));
  QStringList subEntries{"hard-a", "old.bin"};
  if (MakeFifo(folder_ + "sub/fifo")) {
    subEntries.append("fifo");
  } else if (needsFifo) {
    QSKIP("no FIFOs on this system");
  }
  // A link to a device of the test's own where links and devices can be made; Windows' NUL device elsewhere.
  QTemporaryDir devices;
  const QString nullDevice = NullDevice(devices.path());
  QVERIFY(!nullDevice.isEmpty());
  const QString deviceName = MakeSymlink(nullDevice, folder_ + "sub/null") ? QStringLiteral("sub/null") : nullDevice;
  if (deviceName == u"sub/null") subEntries.append("null");
  // Windows' NUL is refused by its name, before anything is looked up.
  if (output == u"%DEVICE%" && deviceName == nullDevice)
    message = QStringLiteral("「%1」は Windows では出力ファイル名にできません").arg(deviceName).toUtf8();
  output.replace(QStringLiteral("%DEVICE%"), deviceName);
  message.replace("%DEVICE%", deviceName.toUtf8());

  const Run run = RunJoin(options + QStringList{folder_, output});

  QCOMPARE(run.exitCode, 1);
  QVERIFY2(run.err.contains(message), run.err.constData());
  QVERIFY(run.out.isEmpty());
  QCOMPARE(ReadFile(folder_ + "sub/old.bin"), QByteArray("old"));
  QCOMPARE(ReadFile(folder_ + "a.bin"), QByteArray("AA"));
  QCOMPARE(ReadFile(folder_ + "B.bin"), QByteArray("BB"));
  QCOMPARE(ReadFile(folder_ + "c.bin"), QByteArray("CC"));
  subEntries.sort();
  QCOMPARE(Entries(folder_ + "sub"), subEntries);
  QVERIFY(!QFileInfo(nullDevice).isFile());
}

void TestCli::reportsFailure_data() {
  QTest::addColumn<QString>("folderName");  // under the temporary folder
  QTest::addColumn<QString>("output");
  QTest::addColumn<QByteArray>("expected");  // the report's first three lines, or a message, as stderr starts

  const QString version = "えんとぅ" + QString::fromUtf8(EntwBuild::kLongVersion);
  QTest::newRow("join fails: missing subfolder in the output")
      << "files"
      << "nosuch/out.bin"
      << QStringLiteral("エラー番号:76\n場所:VoverorFile.%1\nパスが見つかりません。「%2/nosuch/out.bin」\n")
             .arg(version, "%F")
             .toUtf8();
  QTest::newRow("listing fails: missing folder")
      << "gone"
      << "out.bin"
      << QStringLiteral("エラー番号:76\n場所:cmdMain_Click.%1\nパスが見つかりません。「%2/」\n")
             .arg(version, "%F")
             .toUtf8();
  QTest::newRow("empty folder") << "empty"
                                << "out.bin" << QStringLiteral("entw-join: 結合するファイルがありません。").toUtf8();
}

void TestCli::reportsFailure() {
  QFETCH(QString, folderName);
  QFETCH(QString, output);
  QFETCH(QByteArray, expected);

  QVERIFY(QDir(dir_->path()).mkpath("files/sub"));
  QVERIFY(QDir(dir_->path()).mkpath("empty/sub"));
  QVERIFY(WriteFile(dir_->filePath("files/a.bin"), "AA"));
  const QString folder = dir_->filePath(folderName);
  expected.replace("%F", QFile::encodeName(folder));
  // Reports name files as the system writes paths.
  const QRegularExpression quotedPath(QStringLiteral("「(.*)」"));
  const QRegularExpressionMatch quoted = quotedPath.match(QString::fromUtf8(expected));
  if (quoted.hasMatch())
    expected.replace(quoted.captured(1).toUtf8(), QFile::encodeName(QDir::toNativeSeparators(quoted.captured(1))));
  const QStringList before = Entries(folder);

  const Run run = RunJoin({folder, output});

  QCOMPARE(run.exitCode, 1);
  QVERIFY2(run.err.startsWith(expected), run.err.constData());
  QVERIFY(!run.err.contains('\r'));
  QVERIFY(run.out.isEmpty());
  QCOMPARE(Entries(folder), before);
}

// Names from old archives are Shift_JIS or Latin-1 bytes: each is joined
// under its very bytes, and listed as them.
void TestCli::joinsNamesThatAreNotUtf8_data() {
  QTest::addColumn<QStringList>("options");
  QTest::addColumn<QByteArray>("out");
  QTest::addColumn<QByteArray>("joined");

  const QByteArray list = "a.txt\ncaf\xe9.txt\n\x83\x65\x83\x58\x83\x67.txt\n";
  QTest::newRow("listed by name as their bytes") << QStringList{"--list"} << list << QByteArray();
  QTest::newRow("listed by date as their bytes") << QStringList{"--list", "--by-date"} << list << QByteArray();
  QTest::newRow("joined, UTF-8 names first, the others by bytes") << QStringList{} << QByteArray() << QByteArray("ALS");
}

void TestCli::joinsNamesThatAreNotUtf8() {
  QFETCH(QStringList, options);
  QFETCH(QByteArray, out);
  QFETCH(QByteArray, joined);

  const auto removeAll = qScopeGuard([&] { RemoveTree(dir_->path()); });
  const std::pair<QByteArray, QByteArray> files[] = {
      {"a.txt", "A"}, {"caf\xe9.txt", "L"}, {"\x83\x65\x83\x58\x83\x67.txt", "S"}};
  for (const auto& [name, content] : files) {
    if (!WriteFileNamedByBytes(dir_->path(), name, content)) QSKIP("names on this system are not bytes");
  }

  const Run run = RunJoin(options + QStringList{dir_->path(), QStringLiteral("out.bin")});

  QVERIFY2(run.exitCode == 0, run.err.constData());
  QCOMPARE(run.out, out);
  if (!joined.isEmpty()) QCOMPARE(ReadFile(dir_->filePath("out.bin")), joined);
}

// A size limit on the process must fail the write, not kill the program.
void TestCli::fileSizeLimitIsReported() {
  const QString shell = QStandardPaths::findExecutable(QStringLiteral("sh"));
  if (shell.isEmpty()) QSKIP("needs a POSIX shell's ulimit");
  QVERIFY(WriteFile(folder_ + "big", QByteArray(1 << 20, 'b')));
  QVERIFY(WriteFile(folder_ + "small", QByteArray(100, 's')));

  QProcess process;
  process.start(shell, {QStringLiteral("-c"), QStringLiteral("ulimit -f 64 && exec \"$0\" \"$@\""),
                        QStringLiteral(ENTW_JOIN_PATH), folder_, QStringLiteral("out.bin")});
  QVERIFY(process.waitForFinished(60000));
  const QByteArray err = process.readAllStandardError();

  QCOMPARE(process.exitStatus(), QProcess::NormalExit);
  QCOMPARE(process.exitCode(), 1);
  QVERIFY2(err.contains(QStringLiteral("エラー番号:75").toUtf8()), err.constData());
  QVERIFY2(err.contains(QStringLiteral("このプログラムに許されたファイルサイズの上限").toUtf8()), err.constData());
  QVERIFY2(err.contains(QFile::encodeName(folder_ + "out.bin")), err.constData());
  QCOMPARE(Entries(folder_), (QStringList{"big", "small"}));
}

// Across file systems the copy goes through a buffer; a failed write there is
// the output's failure, not the input's.
void TestCli::outputWriteFailureNamesTheOutput() {
  const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
  if (strace.isEmpty()) QSKIP("strace is not installed");
  QVERIFY(WriteFile(folder_ + "big", QByteArray(300 * 1024, 'b')));
  // A sanitizer build writes to pipes of its own first: a run that only
  // traces finds which write is the output's.
  const auto traced = [&](const QStringList& tracing) {
    QProcess process;
    process.setProcessEnvironment(TracedEnvironment());
    process.start(
        strace, tracing + QStringList{"-e", "inject=copy_file_range:error=EXDEV", ENTW_JOIN_PATH, folder_, "out.bin"});
    process.waitForFinished(60000);
    return Run{process.exitCode(), {}, process.readAllStandardError()};
  };
  QTemporaryDir traces;
  QCOMPARE(traced({"-o", traces.filePath("writes"), "-e", "trace=write,copy_file_range"}).exitCode, 0);
  QVERIFY(QFile::remove(folder_ + "out.bin"));
  QFile writes(traces.filePath("writes"));
  QVERIFY(writes.open(QIODevice::ReadOnly));
  QList<QByteArray> lines = writes.readAll().split('\n');
  lines.removeIf([](const QByteArray& line) { return !line.startsWith("write("); });
  const auto outputWrite =
      std::find_if(lines.begin(), lines.end(), [](const QByteArray& line) { return line.contains(", 307200)"); });
  QVERIFY(outputWrite != lines.end());

  const Run run = traced(
      {"-o", "/dev/null", "-e", QStringLiteral("inject=write:error=EIO:when=%1").arg(outputWrite - lines.begin() + 1)});
  const QByteArray& err = run.err;

  QCOMPARE(run.exitCode, 1);
  QVERIFY2(err.contains(QStringLiteral("エラー番号:57").toUtf8()), err.constData());
  QVERIFY2(err.contains("\xe3\x80\x8c" + QFile::encodeName(folder_ + "out.bin") + "\xe3\x80\x8d"), err.constData());
  QCOMPARE(Entries(folder_), QStringList{"big"});
}

// On exFAT, where no hard link can take a new name, a join killed as it renames its file to it leaves it free.
void TestCli::killedWhileTakingTheNameLeavesItFree() {
  const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
  if (strace.isEmpty()) QSKIP("strace is not installed");
  const LoopMount exfat(QStringLiteral("exfat"), 16);
  if (!exfat.isMounted()) QSKIP(qPrintable(exfat.whyNot()));
  QVERIFY(WriteFile(exfat.path() + "a", "A"));
  QProcess killed;
  killed.setProcessEnvironment(TracedEnvironment());
  killed.start(strace,
               {"-o", "/dev/null", "-e", "inject=renameat:signal=KILL", ENTW_JOIN_PATH, exfat.path(), "out.bin"});
  QVERIFY(killed.waitForFinished(60000));
  QVERIFY(!QFile::exists(exfat.path() + "out.bin"));

  const Run again = RunJoin({exfat.path(), "out.bin"});

  QCOMPARE(again.exitCode, 0);
  QCOMPARE(ReadFile(exfat.path() + "out.bin"), QByteArray("A"));
}

void TestCli::listForms_data() {
  QTest::addColumn<QStringList>("options");
  QTest::addColumn<QString>("to");  // "pipe" or "terminal"
  QTest::addColumn<QByteArray>("out");

  const QByteArray zeroEnded("a\nb\0c\x1b[2J\0", 10);
  QTest::newRow("-z: each name ended by NUL") << QStringList{"-z"} << "pipe" << zeroEnded;
  QTest::newRow("--zero: the same") << QStringList{"--zero"} << "pipe" << zeroEnded;
  QTest::newRow("a pipe gets the names' bytes") << QStringList{} << "pipe" << QByteArray("a\nb\nc\x1b[2J\n");
  QTest::newRow("a terminal sees no control characters")
      << QStringList{} << "terminal" << QByteArray("a?b\r\nc?[2J\r\n");
}

void TestCli::listForms() {
  QFETCH(QStringList, options);
  QFETCH(QString, to);
  QFETCH(QByteArray, out);
  if (!WriteFileNamedByBytes(dir_->path(), "a\nb", "") || !WriteFileNamedByBytes(dir_->path(), "c\x1b[2J", ""))
    QSKIP("names on this system hold no control characters");
  const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));
  if (to == u"terminal" && script.isEmpty()) QSKIP("needs script(1) for a terminal");

  QProcess process;
  const QStringList arguments = QStringList{"--list"} + options + QStringList{dir_->path()};
  if (to == u"terminal") {
    process.start(script, {"-qec", QStringLiteral("'%1' --list '%2'").arg(ENTW_JOIN_PATH, dir_->path()), "/dev/null"});
  } else {
    process.start(QStringLiteral(ENTW_JOIN_PATH), arguments);
  }
  QVERIFY(process.waitForFinished(60000));

  QCOMPARE(process.exitCode(), 0);
  QCOMPARE(process.readAllStandardOutput(), out);
}

// A list that cannot all reach standard output fails, for the reason the system gives.
void TestCli::listToAFullDisk() {
  const QString device = FullDevice();
  if (device.isEmpty()) QSKIP("no device here that is always full");
  // Longer than any output buffer, so that a failed write cannot hide in one.
  for (int i = 0; i < 2000; ++i)
    QVERIFY(WriteFile(dir_->filePath(QStringLiteral("%1").arg(i, 60, 10, QLatin1Char('0'))), ""));

  const Run run = RunJoin({"--list", dir_->path()}, device);

  QCOMPARE(run.exitCode, 1);
  QVERIFY2(
      run.err.contains(QStringLiteral("標準出力に書き込めませんでした。ディスクの空き容量が足りません。").toUtf8()),
      run.err.constData());
}

// Started with hangups and interrupts ignored (nohup, a script's background
// job), a join is not stopped by them. The fsync is slowed down so that the
// signals reach the running join.
void TestCli::ignoredInterruptsStayIgnored() {
  const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
  if (strace.isEmpty() || !QFile::exists(QStringLiteral("/proc/self/status"))) QSKIP("needs strace and /proc");
  QVERIFY(MakeThreeFiles(folder_));

  QProcess process;
  process.setProcessEnvironment(TracedEnvironment());
  process.start(QStringLiteral("sh"), {"-c", "trap '' HUP INT && exec \"$0\" \"$@\"", strace, "-o", "/dev/null", "-e",
                                       "inject=fsync:delay_enter=2000000", ENTW_JOIN_PATH, folder_, "out.bin"});
  QVERIFY(process.waitForStarted());
  const QString tracer = QString::number(process.processId());
  // The join's handlers are in place once SIGTERM is caught. strace's first
  // children may be short-lived probes of its own, so the child is read afresh.
  QString join;
  const auto handlersInPlace = [&] {
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(tracer));
    if (!children.open(QIODevice::ReadOnly)) return false;
    join = QString::fromLatin1(children.readAll()).trimmed();
    QFile status(QStringLiteral("/proc/%1/status").arg(join));
    if (join.isEmpty() || !status.open(QIODevice::ReadOnly)) return false;
    const QByteArray text = status.readAll();
    const qsizetype at = text.indexOf("SigCgt:");
    const quint64 caught =
        at < 0 ? 0 : text.mid(at + 7, text.indexOf('\n', at) - at - 7).trimmed().toULongLong(nullptr, 16);
    return (caught & (quint64{1} << (SIGTERM - 1))) != 0;
  };
  QVERIFY(QTest::qWaitFor(handlersInPlace, 30000));
  QCOMPARE(QProcess::execute(QStringLiteral("kill"), {"-HUP", join}), 0);
  QCOMPARE(QProcess::execute(QStringLiteral("kill"), {"-INT", join}), 0);
  QVERIFY(process.waitForFinished(60000));

  QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
  QCOMPARE(ReadFile(folder_ + "out.bin"), QByteArray("AABBCC"));
}

// Inside a container the mount table may not show the output's file system;
// holes stay holes there too.
void TestCli::holesKeptWhereMountsAreHidden() {
  const LoopMount drive(QStringLiteral("tmpfs"), 64);
  if (!drive.isMounted()) QSKIP(qPrintable(drive.whyNot()));
  const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
  if (unshare.isEmpty()) QSKIP("needs unshare");
  const qint64 size = qint64{32} << 20;
  if (!WriteFileWithHoles(drive.path() + "sparse", size, {size / 2}, "data")) QSKIP("no files with holes here");

  QProcess process;
  // In a chroot / is no mount point whose propagation could change: only /proc's is.
  process.start(unshare, {"-m", "--propagation", "unchanged", "sh", "-c",
                          "mount --make-rprivate /proc && mount --bind /dev/null /proc/$$/mountinfo && "
                          "exec \"$0\" \"$@\"",
                          ENTW_JOIN_PATH, drive.path(), "out.bin"});
  QVERIFY(process.waitForFinished(60000));

  QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
  QCOMPARE(QFileInfo(drive.path() + "out.bin").size(), size);
  QVERIFY2(AllocatedBytesOf(drive.path() + "out.bin") < (qint64{1} << 20),
           qPrintable(QString::number(AllocatedBytesOf(drive.path() + "out.bin"))));
}

// Messages read right in a console whatever its code page, which stays as it was.
void TestCli::consoleKeepsItsCodePage_data() {
  QTest::addColumn<unsigned>("codePage");
  QTest::newRow("Japanese Windows (932)") << 932u;
  QTest::newRow("UTF-8 (65001)") << 65001u;
}

void TestCli::consoleKeepsItsCodePage() {
  QFETCH(unsigned, codePage);
  const std::optional<ConsoleRun> run = RunInConsole(QStringLiteral(ENTW_JOIN_PATH), {"--help"}, codePage);
  if (!run) QSKIP("consoles with code pages are Windows'");
  QCOMPARE(run->codePage, codePage);
  QVERIFY2(run->shown.contains(QStringLiteral("使い方: entw-join")), qPrintable(run->shown.simplified()));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
