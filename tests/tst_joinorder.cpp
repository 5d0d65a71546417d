#include "files/filestatus.h"
#include "join/joinorder.h"
#include "testfiles.h"

#include "filekinds.h"
#include "files/filenames.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QOperatingSystemVersion>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

QStringList Reversed(QStringList list) {
  std::reverse(list.begin(), list.end());
  return list;
}

}  // namespace

class TestJoinOrder : public QObject {
  Q_OBJECT

 private slots:
  void byName_data();
  void byName();
  void byDate_data();
  void byDate();
  void byDateFailsForAVanishedFile();
  void listingTakesRegularFilesOnly();
  void listingOfAMissingFolderFails();
  void listingHasNoCountLimit();
  void namesKeepTheirBytes_data();
  void namesKeepTheirBytes();
};

// Linux collates with ICU; Windows with its own comparison, which has rules
// of its own for punctuation, kana and names that differ only in case.
void TestJoinOrder::byName_data() {
  QTest::addColumn<QStringList>("expected");
  QTest::addColumn<bool>("alsoOnWindows");

  QTest::newRow("case does not matter") << QStringList{"a.dat", "B.dat", "c.dat"} << true;
  QTest::newRow("digits compare as characters") << QStringList{"x.1", "x.10", "x.11", "x.12", "x.2", "x.3"} << true;
  QStringList padded;
  for (int i = 1; i <= 12; ++i) padded.append(QStringLiteral("x.%1").arg(i, 3, 10, QLatin1Char('0')));
  QTest::newRow("zero-padded numbers in numeric order") << padded << true;
  QTest::newRow("names equal but for case, by code points") << QStringList{"A.txt", "a.txt", "b.txt"} << false;
  QTest::newRow("hidden files sort with the rest") << QStringList{".hidden", "a", "Z"} << false;
  QTest::newRow("Japanese names after Latin, kana before kanji")
      << QStringList{"abc.txt", "かな.txt", "カナ2.txt", "漢字.txt"} << false;
  QTest::newRow("hiragana and katakana tie, by code points") << QStringList{"あ.txt", "ア.txt"} << false;
  QTest::newRow("full-width and half-width tie, by code points") << QStringList{"a.txt", "Ａ.txt"} << true;
}

void TestJoinOrder::byName() {
  QFETCH(QStringList, expected);
  QFETCH(bool, alsoOnWindows);
  if (!alsoOnWindows && QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows)
    QSKIP("Windows' own comparison orders this case by rules of its own");

  // Neither the listing's order nor the folder is consulted by name.
  QCOMPARE(*OrderJoinList(QString(), expected, false), expected);
  QCOMPARE(*OrderJoinList(QString(), Reversed(expected), false), expected);
}

void TestJoinOrder::byDate_data() {
  QTest::addColumn<QStringList>("names");
  QTest::addColumn<QList<QDateTime>>("modified");
  QTest::addColumn<QStringList>("expected");

  QTest::newRow("time of day is ignored")
      << QStringList{"z.bin", "a.bin"} << QList<QDateTime>{Local(2024, 5, 1, 8, 0), Local(2024, 5, 1, 20, 0)}
      << QStringList{"a.bin", "z.bin"};
  QTest::newRow("a day earlier comes first whatever its name")
      << QStringList{"a.bin", "z.bin", "m.bin"}
      << QList<QDateTime>{Local(2024, 5, 2, 0, 1), Local(2024, 5, 1, 23, 59), Local(2024, 5, 2, 12, 0)}
      << QStringList{"z.bin", "a.bin", "m.bin"};
  QTest::newRow("oldest first across years, same day by name")
      << QStringList{"B.dat", "c.dat", "a.dat", "old"}
      << QList<QDateTime>{Local(2025, 1, 1, 9, 0), Local(2025, 1, 1, 7, 0), Local(2025, 1, 1, 23, 0),
                          Local(1999, 12, 31, 12, 0)}
      << QStringList{"old", "a.dat", "B.dat", "c.dat"};
  QTest::newRow("a summer day keeps summer time in any season")
      << QStringList{"z.bin", "a.bin", "y.bin"}
      << QList<QDateTime>{Local(2024, 7, 11, 0, 30), Local(2024, 7, 11, 9, 0), Local(2024, 7, 10, 23, 30)}
      << QStringList{"y.bin", "a.bin", "z.bin"};
}

void TestJoinOrder::byDate() {
  QFETCH(QStringList, names);
  QFETCH(QList<QDateTime>, modified);
  QFETCH(QStringList, expected);

  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString folder = dir.path() + u'/';
  for (qsizetype i = 0; i < names.size(); ++i) {
    QVERIFY(WriteFile(folder + names[i], {}, modified[i]));
  }

  const Fallible<QStringList> ordered = OrderJoinList(folder, names, true);
  QVERIFY(ordered);
  QCOMPARE(*ordered, expected);
  QCOMPARE(*OrderJoinList(folder, Reversed(names), true), expected);
}

void TestJoinOrder::byDateFailsForAVanishedFile() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString folder = dir.path() + u'/';
  QVERIFY(WriteFile(folder + "here", {}));

  const Fallible<QStringList> ordered = OrderJoinList(folder, {"here", "gone"}, true);

  QVERIFY(!ordered);
  QCOMPARE(ordered.failure().code, kNotFoundError);
  QCOMPARE(ordered.failure().side, FailureSide::Input);
  QCOMPARE(ordered.failure().path, folder + "gone");
}

void TestJoinOrder::listingTakesRegularFilesOnly() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString folder = dir.path() + u'/';
  QVERIFY(WriteFile(folder + "plain.bin", {}));
  QVERIFY(WriteFile(folder + ".hidden", {}));
  QVERIFY(WriteFile(folder + "日本語.txt", {}));
  QVERIFY(QDir(folder).mkdir("subfolder"));
  QVERIFY(WriteFile(folder + ".entw-join-0123abcd.tmp", {}));  // a join's temporary file
  QStringList expected{".hidden", "plain.bin", "日本語.txt"};
  // Links, FIFOs and sockets as POSIX systems have them (links on Windows are shortcut files).
  if (MakeFifo(folder + "fifo")) {
    QVERIFY(MakeSocket(folder + "socket"));
    QVERIFY(QFile::link(folder + "plain.bin", folder + "link-to-file"));
    QVERIFY(QFile::link(folder + "subfolder", folder + "link-to-folder"));
    QVERIFY(QFile::link(folder + "nowhere", folder + "broken-link"));
    expected.append("link-to-file");
  }

  const Fallible<QStringList> listing = ListJoinFolder(folder);

  QVERIFY(listing);
  QStringList listed = *listing;
  listed.sort();
  expected.sort();
  QCOMPARE(listed, expected);
}

void TestJoinOrder::listingOfAMissingFolderFails() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString folder = dir.path() + "/removed/";

  const Fallible<QStringList> listing = ListJoinFolder(folder);

  QVERIFY(!listing);
  QCOMPARE(listing.failure().code, kPathNotFoundError);
  QCOMPARE(listing.failure().side, FailureSide::Folder);
  QCOMPARE(listing.failure().path, folder);
}

// More files than a 16-bit count holds. Under Wine, which compares each new
// name with every name already in its folder, they are made beforehand on
// the host and named by ENTW_MANY_FILES.
void TestJoinOrder::listingHasNoCountLimit() {
  const int count = 33000;
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  QString folder = qEnvironmentVariable("ENTW_MANY_FILES");
  if (folder.isEmpty()) {
    folder = dir.path();
    for (int i = 0; i < count; ++i) QVERIFY(WriteFile(folder + u'/' + QString::number(i), {}));
  }
  folder += u'/';

  const Fallible<QStringList> listing = ListJoinFolder(folder);
  QVERIFY(listing);
  const Fallible<QStringList> ordered = OrderJoinList(folder, *listing, true);

  QVERIFY(ordered);
  QCOMPARE(listing->size(), count);
  QCOMPARE(ordered->size(), count);
  QCOMPARE(ordered->first(), QStringLiteral("0"));
  QCOMPARE(ordered->last(), QStringLiteral("9999"));
}

// Whatever bytes a name holds, the text it is carried as gives them back.
void TestJoinOrder::namesKeepTheirBytes_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("shown");

  QTest::newRow("UTF-8 Japanese") << QByteArray("結合.bin") << QStringLiteral("結合.bin");
  QTest::newRow("Shift_JIS") << QByteArray("\x8c\x8b\x8d\x87.bin") << QStringLiteral("\uFFFD\uFFFD\uFFFD\uFFFD.bin");
  QTest::newRow("Latin-1") << QByteArray("caf\xe9") << QStringLiteral("caf\uFFFD");
  QTest::newRow("overlong slash") << QByteArray(
                                         "a\xc0\xaf"
                                         "b")
                                  << QStringLiteral("a\uFFFD\uFFFDb");
  QTest::newRow("an encoded surrogate") << QByteArray("\xed\xb2\x80") << QStringLiteral("\uFFFD\uFFFD\uFFFD");
  QTest::newRow("sequence cut at the end") << QByteArray("x\xe7\xb5") << QStringLiteral("x\uFFFD\uFFFD");
  QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << QStringLiteral("\uFFFD\uFFFD\uFFFD\uFFFD");
  QTest::newRow("four-byte character") << QByteArray("\xf0\x9f\x93\x81") << QStringLiteral("\U0001F4C1");
}

void TestJoinOrder::namesKeepTheirBytes() {
  QFETCH(QByteArray, bytes);
  QFETCH(QString, shown);

  const QString name = DecodeFileName(bytes);

  QCOMPARE(EncodeFileName(name), bytes);
  QCOMPARE(DisplayFileName(name), shown);
  QCOMPARE(HasUndecodedBytes(name), shown.contains(QChar::ReplacementCharacter));
}

QTEST_GUILESS_MAIN(TestJoinOrder)
#include "tst_joinorder.moc"
