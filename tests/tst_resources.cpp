// The Windows version record and the icons, read back field by field from
// the compiled resources.
#include "entw_version.h"
#include "resourcesource.h"

#include <QImage>
#include <QImageReader>
#include <QTest>
#include <QtEndian>

#include <optional>

namespace {

constexpr quint16 kTypeIcon = 3;
constexpr quint16 kTypeGroupIcon = 14;
constexpr quint16 kTypeVersion = 16;

// One node of a VERSIONINFO tree: a key, a value and the nodes under it.
struct VersionNode {
  QString key;
  bool isText = false;
  QByteArray value;
  QList<VersionNode> children;

  const VersionNode* Child(const QString& name) const {
    for (const VersionNode& child : children) {
      if (child.key == name) return &child;
    }
    return nullptr;
  }
  QString Text() const {
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(value.constData()), value.size() / 2);
    while (text.endsWith(QChar(0))) text.chop(1);
    return text;
  }
};

quint16 Word(const QByteArray& bytes, qsizetype at) {
  return qFromLittleEndian<quint16>(bytes.constData() + at);
}
quint32 Dword(const QByteArray& bytes, qsizetype at) {
  return qFromLittleEndian<quint32>(bytes.constData() + at);
}
qsizetype AlignDword(qsizetype at) { return (at + 3) & ~qsizetype(3); }

// Reads the node at `at`; text values count their length in UTF-16 units,
// binary ones in bytes.
VersionNode ParseVersionNode(const QByteArray& bytes, qsizetype at) {
  VersionNode node;
  const quint16 length = Word(bytes, at);
  const quint16 valueLength = Word(bytes, at + 2);
  node.isText = Word(bytes, at + 4) == 1;
  qsizetype cursor = at + 6;
  while (Word(bytes, cursor) != 0) {
    node.key.append(QChar(Word(bytes, cursor)));
    cursor += 2;
  }
  cursor = AlignDword(cursor + 2);
  const qsizetype valueBytes = node.isText ? valueLength * 2 : valueLength;
  node.value = bytes.mid(cursor, valueBytes);
  cursor = AlignDword(cursor + valueBytes);
  const qsizetype end = at + length;
  while (cursor < end) {
    const quint16 childLength = Word(bytes, cursor);
    if (childLength == 0) break;
    node.children.append(ParseVersionNode(bytes, cursor));
    cursor = AlignDword(cursor + childLength);
  }
  return node;
}

}  // namespace

class TestResources : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void versionRecordIsJapanese();
  void fixedVersionInfo();
  void stringTable();
  void iconIsCompiledIn();
  void svgRendersAtEverySize_data();
  void svgRendersAtEverySize();
  void icoHoldsEverySize();

 private:
  QList<Resource> resources_;
  VersionNode version_;
};

void TestResources::initTestCase() {
  QString whyNot;
  resources_ = LoadProgramResources(whyNot);
  QVERIFY2(!resources_.isEmpty(), qPrintable(whyNot));

  std::optional<Resource> versionResource;
  for (const Resource& resource : std::as_const(resources_)) {
    if (resource.type == kTypeVersion) {
      QVERIFY2(!versionResource, "more than one version record");
      versionResource = resource;
    }
  }
  QVERIFY2(versionResource, "no version record");
  version_ = ParseVersionNode(versionResource->data, 0);
  QCOMPARE(version_.key, QStringLiteral("VS_VERSION_INFO"));
}

void TestResources::versionRecordIsJapanese() {
  for (const Resource& resource : std::as_const(resources_)) {
    QCOMPARE(resource.language, quint16(0x0411));
  }
  const VersionNode* varInfo = version_.Child(QStringLiteral("VarFileInfo"));
  QVERIFY(varInfo);
  const VersionNode* translation = varInfo->Child(QStringLiteral("Translation"));
  QVERIFY(translation);
  // Japanese, then code page 1200: Unicode.
  QCOMPARE(translation->value, QByteArray::fromHex("1104b004"));
}

void TestResources::fixedVersionInfo() {
  const QByteArray& fixed = version_.value;
  QCOMPARE(fixed.size(), 52);
  QCOMPARE(Dword(fixed, 0), 0xFEEF04BDu);
  QCOMPARE(Dword(fixed, 8), 0x00010000u);   // file version 1.0
  QCOMPARE(Dword(fixed, 12), 0x00000002u);  // .0.2
  QCOMPARE(Dword(fixed, 16), 0x00010000u);  // product version 1.0
  QCOMPARE(Dword(fixed, 20), 0x00000002u);  // .0.2
  QCOMPARE(Dword(fixed, 28), 0u);           // no flags
  QCOMPARE(Dword(fixed, 32), 0x00040004u);  // VOS_NT_WINDOWS32
  QCOMPARE(Dword(fixed, 36), 1u);           // VFT_APP
  QCOMPARE(Dword(fixed, 40), 0u);
}

void TestResources::stringTable() {
  const VersionNode* stringInfo = version_.Child(QStringLiteral("StringFileInfo"));
  QVERIFY(stringInfo);
  QCOMPARE(stringInfo->children.size(), 1);
  const VersionNode& table = stringInfo->children.first();
  QCOMPARE(table.key, QStringLiteral("041104B0"));

  const QList<std::pair<QString, QString>> expected = {
      {"Comments", "VOVEror files -beta-"},
      {"CompanyName", QString::fromUtf8(EntwBuild::kCompanyName)},
      {"FileDescription", "Entw.exe"},
      {"FileVersion", "1.00.0002"},
      {"InternalName", "Entw"},
      {"LegalCopyright", QString::fromUtf8(EntwBuild::kLegalCopyright)},
      {"OriginalFilename", "Entw.exe"},
      {"ProductName", "えんとぅ"},
      {"ProductVersion", "1.00.0002"},
  };
  QCOMPARE(table.children.size(), expected.size());
  for (const auto& [key, text] : expected) {
    const VersionNode* value = table.Child(key);
    QVERIFY2(value, qPrintable(key));
    QVERIFY2(value->isText, qPrintable(key));
    QCOMPARE(value->Text(), text);
  }
}

void TestResources::iconIsCompiledIn() {
  QList<quint16> iconSizes;
  int icons = 0;
  for (const Resource& resource : std::as_const(resources_)) {
    if (resource.type == kTypeIcon) ++icons;
    if (resource.type != kTypeGroupIcon) continue;
    QCOMPARE(Word(resource.data, 2), quint16(1));  // an icon, not a cursor
    const int count = Word(resource.data, 4);
    for (int entry = 0; entry < count; ++entry) {
      const quint8 width = quint8(resource.data.at(6 + entry * 14));
      iconSizes.append(width == 0 ? 256 : width);
    }
  }
  QCOMPARE(iconSizes, (QList<quint16>{16, 24, 32, 48, 64, 256}));
  QCOMPARE(icons, iconSizes.size());
}

void TestResources::svgRendersAtEverySize_data() {
  QTest::addColumn<int>("size");
  for (int size : {16, 24, 32, 48, 64, 128, 256}) QTest::addRow("%d px", size) << size;
}

void TestResources::svgRendersAtEverySize() {
  QFETCH(int, size);
  if (!QImageReader::supportedImageFormats().contains("svg")) QSKIP("this Qt has no SVG image plugin");
  QImageReader reader(QStringLiteral(ENTW_RESOURCES_DIR "/entw.svg"));
  reader.setScaledSize(QSize(size, size));
  const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
  QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
  QCOMPARE(image.size(), QSize(size, size));
  // A drawing, not an empty or solid square: some pixels are painted and some
  // of the corner stays clear.
  int painted = 0;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      if (qAlpha(image.pixel(x, y)) > 0) ++painted;
    }
  }
  QVERIFY(painted > size * size / 4);
  QVERIFY(painted < size * size);
}

void TestResources::icoHoldsEverySize() {
  QImageReader reader(QStringLiteral(ENTW_RESOURCES_DIR "/entw.ico"));
  QVERIFY2(reader.canRead(), qPrintable(reader.errorString()));
  QList<int> sizes;
  for (int index = 0; index < reader.imageCount(); ++index) {
    QVERIFY(reader.jumpToImage(index));
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.width(), image.height());
    sizes.append(image.width());
  }
  QCOMPARE(sizes, (QList<int>{16, 24, 32, 48, 64, 256}));
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
