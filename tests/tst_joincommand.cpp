#include "entw_version.h"
#include "flow/joincommand.h"
#include "scripteddialogs.h"
#include "testfiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QOperatingSystemVersion>
#include <QTemporaryDir>
#include <QTest>

namespace {

// As the report's place line names them: the name, then this build's version.
const QString kProgramAndVersion = "えんとぅ" + QString::fromUtf8(EntwBuild::kLongVersion);
const QString kCancelled = QStringLiteral("結合をキャンセルしました。|4160|えんとぅ");
const QString kSameAsInput = QStringLiteral("結合するファイルと同じ名前は使えません。|4112|えんとぅ");
QString Completed(const QString& name) {
  return QStringLiteral("結合を終えました。\r\nOutput File Name: %1|4160|えんとぅ").arg(name);
}

// A folder of three files whose name order and date order differ, and a subfolder with an old file.
struct JoinFolder {
  bool Make() const {
    return WriteFile(folder() + "b.dat", "B", Local(2024, 3, 9, 23)) &&
           WriteFile(folder() + "A.dat", "A", Local(2024, 3, 10, 21)) &&
           WriteFile(folder() + "c.dat", "C", Local(2024, 3, 10, 6)) && QDir(folder()).mkdir("sub") &&
           WriteFile(folder() + "sub/old.bin", QByteArray(100, 'o'));
  }
  QString folder() const { return dir.path() + u'/'; }

  QTemporaryDir dir;
};

}  // namespace

class TestJoinCommand : public QObject {
  Q_OBJECT

 private slots:
  void flows_data();
  void flows();
  void emptyFolderHasNothingToJoin();
  void vanishedFolderIsReported();
  void secondJoinListsTheFirstOutput();
  void stoppedFromProgressLeavesNothing();
};

void TestJoinCommand::flows_data() {
  QTest::addColumn<bool>("byDate");
  QTest::addColumn<QStringList>("answers");  // none: Cancel
  QTest::addColumn<QList<bool>>("overwrite");
  QTest::addColumn<QStringList>("messages");
  QTest::addColumn<QString>("output");  // the file expected to hold the join, if any
  QTest::addColumn<QByteArray>("bytes");

  const QList<bool> none;
  QTest::newRow("Cancel at the prompt") << false << QStringList{} << none << QStringList{kCancelled} << ""
                                        << QByteArray();
  QTest::newRow("empty answer") << false << QStringList{""} << none << QStringList{kCancelled} << "" << QByteArray();
  QTest::newRow("only spaces") << false << QStringList{"   "} << none << QStringList{kCancelled} << "" << QByteArray();
  QTest::newRow("only ideographic spaces")
      << false << QStringList{"\u3000\u3000"} << none << QStringList{kCancelled} << "" << QByteArray();
  QTest::newRow("name order, spaces around the name trimmed")
      << false << QStringList{"  out.bin "} << none << QStringList{Completed("out.bin")} << "out.bin"
      << QByteArray("ABC");
  QTest::newRow("date order hands the oldest day first, then by name")
      << true << QStringList{"\u3000out.bin\u3000"} << none << QStringList{Completed("out.bin")} << "out.bin"
      << QByteArray("BAC");
  QTest::newRow("Japanese output name") << false << QStringList{"結合結果.bin"} << none
                                        << QStringList{Completed("結合結果.bin")} << "結合結果.bin"
                                        << QByteArray("ABC");
  QTest::newRow("name of an input is refused")
      << false << QStringList{"b.dat"} << none << QStringList{kSameAsInput} << "" << QByteArray();
  QTest::newRow("name of an input through ./ is refused")
      << false << QStringList{"./A.dat"} << none << QStringList{kSameAsInput} << "" << QByteArray();
  QTest::newRow("existing file, いいえ keeps it") << false << QStringList{"sub/old.bin"} << QList<bool>{false}
                                                  << QStringList{kCancelled} << "sub/old.bin" << QByteArray(100, 'o');
  QTest::newRow("existing file, はい replaces it whole")
      << false << QStringList{"sub/old.bin"} << QList<bool>{true} << QStringList{Completed("sub/old.bin")}
      << "sub/old.bin" << QByteArray("ABC");
  QTest::newRow("name of a folder is refused")
      << false << QStringList{"sub"} << none
      << QStringList{"「sub」は通常のファイルではないため、出力ファイル名に使えません。|4112|えんとぅ"} << ""
      << QByteArray();
  // Windows would write "out" for "out.", so the name is refused there before anything is written.
  const bool windows = QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows;
  QTest::newRow("a name Windows would change: refused there, written as typed elsewhere")
      << false << QStringList{"out."} << none
      << (windows
              ? QStringList{"「out.」は Windows では出力ファイル名にできません（末尾のピリオドや空白、: < > \" | ? *、"
                            "制御文字、CON・NUL・COM1 などの予約名は使えません）。|4112|えんとぅ"}
              : QStringList{Completed("out.")})
      << (windows ? "" : "out.") << (windows ? QByteArray() : QByteArray("ABC"));
  QTest::newRow("missing folder part fails, reported alone")
      << false << QStringList{"nosuch/out.bin"} << none
      << QStringList{"エラー番号:76\r\n場所:VoverorFile." + kProgramAndVersion + "|4112|エラー - えんとぅ"} << ""
      << QByteArray();
}

void TestJoinCommand::flows() {
  QFETCH(bool, byDate);
  QFETCH(QStringList, answers);
  QFETCH(QList<bool>, overwrite);
  QFETCH(QStringList, messages);
  QFETCH(QString, output);
  QFETCH(QByteArray, bytes);

  JoinFolder fixture;
  QVERIFY(fixture.Make());
  ScriptedDialogs dialogs;
  dialogs.promptAnswers = answers;
  dialogs.yesNoAnswers = overwrite;
  QStringList strFiles;

  RunJoinCommand(fixture.dir.path(), byDate, dialogs, strFiles);

  QCOMPARE(dialogs.prompts, QStringList{QStringLiteral("結合後ファイル名: | 結合 - えんとぅ")});
  QCOMPARE(dialogs.shown(), messages);
  const QStringList joinOrder =
      byDate ? QStringList{"b.dat", "A.dat", "c.dat"} : QStringList{"A.dat", "b.dat", "c.dat"};
  QCOMPARE(strFiles, joinOrder);
  if (!overwrite.isEmpty()) {
    QCOMPARE(dialogs.questions,
             QStringList{QStringLiteral("「sub/old.bin」は既に存在します。\r\n上書きしますか？ | 結合 - えんとぅ")});
  } else {
    QVERIFY(dialogs.questions.isEmpty());
  }
  QStringList expectedEntries{"A.dat", "b.dat", "c.dat", "sub"};
  if (!output.isEmpty()) {
    QCOMPARE(ReadFile(fixture.folder() + output), bytes);
    if (!output.contains(u'/')) expectedEntries.append(output);
  }
  expectedEntries.sort();
  QStringList entries = QDir(fixture.folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
  entries.sort();
  QCOMPARE(entries, expectedEntries);
  QCOMPARE(ReadFile(fixture.folder() + "A.dat"), QByteArray("A"));
}

void TestJoinCommand::emptyFolderHasNothingToJoin() {
  QTemporaryDir dir;
  QDir(dir.path()).mkdir("only-a-folder");
  ScriptedDialogs dialogs;
  QStringList strFiles{"left over"};

  RunJoinCommand(dir.path() + u'/', false, dialogs, strFiles);

  QVERIFY(strFiles.isEmpty());
  QVERIFY(dialogs.prompts.isEmpty());
  QCOMPARE(dialogs.shown(), QStringList{"結合するファイルがありません。|4160|えんとぅ"});
}

void TestJoinCommand::vanishedFolderIsReported() {
  QTemporaryDir dir;
  const QString gone = dir.path() + "/gone";
  ScriptedDialogs dialogs;
  QStringList strFiles;

  RunJoinCommand(gone, true, dialogs, strFiles);

  QVERIFY(dialogs.prompts.isEmpty());
  QCOMPARE(dialogs.shown(),
           QStringList{"エラー番号:76\r\n場所:cmdMain_Click." + kProgramAndVersion + "|4112|エラー - えんとぅ"});
}

void TestJoinCommand::secondJoinListsTheFirstOutput() {
  JoinFolder fixture;
  QVERIFY(fixture.Make());
  ScriptedDialogs dialogs;
  dialogs.promptAnswers = QStringList{"out.bin", "out2.bin", "out.bin"};
  QStringList strFiles;

  RunJoinCommand(fixture.dir.path(), false, dialogs, strFiles);
  RunJoinCommand(fixture.dir.path(), false, dialogs, strFiles);

  QCOMPARE(strFiles, (QStringList{"A.dat", "b.dat", "c.dat", "out.bin"}));
  QCOMPARE(ReadFile(fixture.folder() + "out2.bin"), QByteArray("ABCABC"));

  // The first output is now an input, so its name cannot be the output again.
  RunJoinCommand(fixture.dir.path(), false, dialogs, strFiles);
  QCOMPARE(dialogs.shown().last(), kSameAsInput);
  QCOMPARE(ReadFile(fixture.folder() + "out.bin"), QByteArray("ABC"));
}

void TestJoinCommand::stoppedFromProgressLeavesNothing() {
  JoinFolder fixture;
  QVERIFY(fixture.Make());
  ScriptedDialogs dialogs;
  dialogs.promptAnswers = QStringList{"sub/old.bin"};
  dialogs.yesNoAnswers = QList<bool>{true};
  dialogs.stopAfterProgressUpdates = 2;
  QStringList strFiles;

  RunJoinCommand(fixture.dir.path(), false, dialogs, strFiles);

  QCOMPARE(dialogs.progressUpdates, 2);
  QCOMPARE(dialogs.shown(), QStringList{kCancelled});
  QCOMPARE(ReadFile(fixture.folder() + "sub/old.bin"), QByteArray(100, 'o'));
  QCOMPARE(QDir(fixture.folder() + "sub").entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
           QStringList{"old.bin"});
}

QTEST_GUILESS_MAIN(TestJoinCommand)
#include "tst_joincommand.moc"
