#include "entw_version.h"
#include "report/errorreport.h"
#include "resources/versioninfo.h"
#include "scripteddialogs.h"
#include "systemcodes.h"

#include <QTest>

#include <cerrno>

class TestReport : public QObject {
  Q_OBJECT

 private slots:
  void reportText_data();
  void reportText();
  void reportErrorShowsErrorBox();
  void failuresAreDescribed_data();
  void failuresAreDescribed();
  void versionTexts_data();
  void versionTexts();
  void programVersionComesFromTheBuild();
  void versionBox();
};

void TestReport::reportText_data() {
  QTest::addColumn<int>("number");
  QTest::addColumn<QString>("description");
  QTest::addColumn<QString>("place");
  QTest::addColumn<int>("minor");
  QTest::addColumn<QString>("expectedFirstLines");  // lines 1 to 3

  QTest::newRow("file not found in the join")
      << 53 << "ファイルが見つかりません。"
      << "VoverorFile" << 0 << "エラー番号:53\r\n場所:VoverorFile.えんとぅ1.00.0002\r\nファイルが見つかりません。";
  QTest::newRow("negative number keeps its sign")
      << -2147024894 << "説明"
      << "drvMain_Change" << 0 << "エラー番号:-2147024894\r\n場所:drvMain_Change.えんとぅ1.00.0002\r\n説明";
  QTest::newRow("empty description leaves line 3 empty")
      << 68 << ""
      << "drvMain_Change" << 0 << "エラー番号:68\r\n場所:drvMain_Change.えんとぅ1.00.0002\r\n";
  QTest::newRow("a long minor is not cut")
      << 7 << "x"
      << "VoverorFile" << 123 << "エラー番号:7\r\n場所:VoverorFile.えんとぅ1.123.0002\r\nx";
}

// Lines 4 and 5, with the maintainer the build was configured with.
const QString kReportEnd = "\r\n上記の説明と、エラーの発生したときの簡単な状況を書いて、\r\n\"" +
                           QString::fromUtf8(EntwBuild::kMaintainerName) + "\" <" +
                           QString::fromUtf8(EntwBuild::kMaintainerEmail) + "> まで連絡してください。";

void TestReport::reportText() {
  QFETCH(int, number);
  QFETCH(QString, description);
  QFETCH(QString, place);
  QFETCH(int, minor);
  QFETCH(QString, expectedFirstLines);

  const QString text = ErrorReportText(place, Err{number, description}, VersionNumbers{1, minor, 2});

  QCOMPARE(text, expectedFirstLines + kReportEnd);
  QCOMPARE(text.split(QStringLiteral("\r\n")).size(), 5);
}

void TestReport::reportErrorShowsErrorBox() {
  ScriptedDialogs dialogs;

  ReportError(QStringLiteral("VoverorFile"), Err{61, QStringLiteral("説明")}, dialogs);

  QCOMPARE(dialogs.messages.size(), 1);
  QCOMPARE(dialogs.messages[0].text, "エラー番号:61\r\n場所:VoverorFile.えんとぅ" +
                                         QString::fromUtf8(EntwBuild::kLongVersion) + "\r\n説明" + kReportEnd);
  QCOMPARE(dialogs.messages[0].style, 4112);
  QCOMPARE(dialogs.messages[0].title, QStringLiteral("エラー - えんとぅ"));
}

// One table of what the report shows for each failure: each kind the
// engine finds, and each system's error codes in one row for both systems
// (SystemCode(POSIX error, Windows error code), 0 where a system has none).
void TestReport::failuresAreDescribed_data() {
  QTest::addColumn<Failure>("failure");
  QTest::addColumn<int>("number");
  QTest::addColumn<QString>("description");

  const auto on = [](FailureKind kind) { return Failure{kind, FailureSide::Input, QStringLiteral("x")}; };
  const auto code = [](int posixError, quint32 windowsError) {
    return Failure{FailureKind::SystemError, FailureSide::Output, {}, SystemCode(posixError, windowsError)};
  };
  QTest::newRow("drive unavailable") << on(FailureKind::DriveUnavailable) << 68 << "デバイスが使用できません。「x」";
  QTest::newRow("not plain") << on(FailureKind::NotPlainFile) << 75
                             << "通常のファイルではないため、結合できません。「x」";
  QTest::newRow("input replaced meanwhile")
      << on(FailureKind::ReplacedMeanwhile) << 75 << "結合の途中でファイルが別のものに置き換えられました。「x」";
  QTest::newRow("input shrank") << on(FailureKind::Shrank) << 75 << "結合の途中でファイルが短くなりました。「x」";
  QTest::newRow("an input's") << on(FailureKind::SameAsInput) << 75 << "結合するファイルと同じ名前は使えません。「x」";
  QTest::newRow("output no plain file, named once")
      << on(FailureKind::OutputNotPlainFile) << 75 << "「x」は通常のファイルではないため、出力ファイル名に使えません。";
  QTest::newRow("a name Windows would change, named once")
      << on(FailureKind::NameWindowsChanges) << 52
      << "「x」は Windows では出力ファイル名にできません（末尾のピリオドや空白、: < > \" | ? *、制御文字、"
         "CON・NUL・COM1 などの予約名は使えません）。";
  QTest::newRow("a size limit of the program")
      << on(FailureKind::ProcessSizeLimit) << 75
      << "ファイルが大きすぎて、このプログラムに許されたファイルサイズの上限を超えます。「x」";
  QTest::newRow("stopped, its temporary left behind")
      << Failure{FailureKind::Stopped, FailureSide::Output, {}, 0, QStringLiteral("t.tmp")} << 75
      << "結合を中止しました。 一時ファイル「t.tmp」を削除できませんでした。";
  QTest::newRow("file not found") << code(ENOENT, 2u) << 53 << "ファイルが見つかりません。";
  QTest::newRow("path not found") << code(ENOTDIR, 3u) << 76 << "パスが見つかりません。";
  QTest::newRow("permission denied") << code(EACCES, 5u) << 70 << "アクセスが拒否されました。";
  QTest::newRow("sharing violation") << code(0, 32u) << 70 << "ほかのプログラムが使用中のため、アクセスできません。";
  QTest::newRow("lock violation") << code(0, 33u) << 70 << "ほかのプログラムが使用中のため、アクセスできません。";
  QTest::newRow("a cloud file, offline") << code(0, 388u) << 75
                                         << "クラウド上のファイルを取り出せませんでした。OneDrive "
                                            "などが動いていて、インターネットにつながっているか確かめてください。";
  QTest::newRow("read-only file system") << code(EROFS, 19u) << 70 << "ドライブが読み取り専用のため、書き込めません。";
  QTest::newRow("disk full") << code(ENOSPC, 112u) << 61 << "ディスクの空き容量が足りません。";
  QTest::newRow("quota exceeded") << code(kQuotaExceededError, 1295u) << 61 << "ディスクの空き容量が足りません。";
  QTest::newRow("device I/O error") << code(EIO, 1117u) << 57 << "デバイスの入出力でエラーが起きました。";
  QTest::newRow("out of memory") << code(ENOMEM, 8u) << 7 << "メモリが不足しています。";
  QTest::newRow("bad file name") << code(ENAMETOOLONG, 123u) << 52 << "ファイル名が正しくありません。";
  QTest::newRow("too many files open") << code(EMFILE, 4u) << 67 << "開いているファイルが多すぎます。";
  QTest::newRow("not ready") << code(0, 21u) << 68 << "デバイスが使用できません。";
  QTest::newRow("no medium") << code(kNoMediumError, 1112u) << 68 << "デバイスが使用できません。";
  QTest::newRow("device gone") << code(ENODEV, 55u) << 68 << "デバイスが使用できません。";
  QTest::newRow("file exists") << code(EEXIST, 80u) << 58 << "ファイルは既に存在します。";
  QTest::newRow("file too large") << code(EFBIG, 223u) << 75
                                  << "ファイルが大きすぎて、このドライブのファイルシステムには書き込めません。";
  QTest::newRow("anything else") << code(ELOOP, 87u) << 75 << "パスまたはファイルにアクセスできません。（%SYSTEM%）";
  QTest::newRow("network gone, no number of its own")
      << code(0, 1222u) << 75 << "パスまたはファイルにアクセスできません。（%SYSTEM%）";
}

void TestReport::failuresAreDescribed() {
  QFETCH(Failure, failure);
  QFETCH(int, number);
  QFETCH(QString, description);

  if (failure.kind == FailureKind::SystemError && failure.code == 0) QSKIP("no such code on this system");
  const Err shown = Described(failure);
  QCOMPARE(shown.Number, number);
  // Where the code has no number of its own, the system's message follows.
  QCOMPARE(shown.Description, description.replace(QStringLiteral("%SYSTEM%"), qt_error_string(failure.code)));
}

void TestReport::versionTexts_data() {
  QTest::addColumn<int>("major");
  QTest::addColumn<int>("minor");
  QTest::addColumn<int>("revision");
  QTest::addColumn<QString>("shortText");
  QTest::addColumn<QString>("longText");

  QTest::newRow("this version") << 1 << 0 << 2 << "1.00"
                                << "1.00.0002";
  QTest::newRow("one-digit minor is padded") << 1 << 5 << 30 << "1.05"
                                             << "1.05.0030";
  QTest::newRow("two-digit minor as it is") << 1 << 10 << 1234 << "1.10"
                                            << "1.10.1234";
  QTest::newRow("long numbers are never cut") << 12 << 123 << 98765 << "12.123"
                                              << "12.123.98765";
}

void TestReport::versionTexts() {
  QFETCH(int, major);
  QFETCH(int, minor);
  QFETCH(int, revision);
  QFETCH(QString, shortText);
  QFETCH(QString, longText);

  const VersionNumbers version{major, minor, revision};
  QCOMPARE(ShortVersionText(version), shortText);
  QCOMPARE(LongVersionText(version), longText);
}

void TestReport::programVersionComesFromTheBuild() {
  const VersionNumbers version = ProgramVersion();
  // The project's version is Major.Minor.0.Revision.
  QCOMPARE(QStringLiteral("%1.%2.0.%3").arg(version.Major).arg(version.Minor).arg(version.Revision), ENTW_VERSION);
  // The version record's texts, made by the build, agree with the program's own.
  QCOMPARE(QString::fromUtf8(EntwBuild::kShortVersion), ShortVersionText(version));
  QCOMPARE(QString::fromUtf8(EntwBuild::kLongVersion), LongVersionText(version));
  QCOMPARE(ProgramName(), QStringLiteral("えんとぅ"));
}

void TestReport::versionBox() {
  const QStringList lines = VersionBoxText(VersionNumbers{1, 5, 2}).split(QStringLiteral("\r\n"));
  QCOMPARE(lines.size(), 3);
  QCOMPARE(lines[0], QStringLiteral("えんとぅ 1.05"));
  QCOMPARE(lines[1], QStringLiteral("VOVEror files."));
  QVERIFY(!lines[2].isEmpty());
  QVERIFY(VersionBoxText().startsWith("えんとぅ " + QString::fromUtf8(EntwBuild::kShortVersion) + "\r\n"));
  QCOMPARE(VersionBoxTitle(), QStringLiteral("バージョン情報 - えんとぅ"));
}

QTEST_GUILESS_MAIN(TestReport)
#include "tst_report.moc"
