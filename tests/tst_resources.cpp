// The Windows manifest, version record and icons of both programs, read back
// field by field from the compiled resources.
#include "entw_version.h"
#include "resourcesource.h"

#include <QImage>
#include <QImageReader>
#include <QTest>
#include <QXmlStreamReader>
#include <QtEndian>

#include <optional>

namespace {

constexpr quint16 kTypeIcon = 3;
constexpr quint16 kTypeGroupIcon = 14;
constexpr quint16 kTypeVersion = 16;
constexpr quint16 kTypeManifest = 24;

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

quint16 Word(const QByteArray& bytes, qsizetype at) { return qFromLittleEndian<quint16>(bytes.constData() + at); }
quint32 Dword(const QByteArray& bytes, qsizetype at) { return qFromLittleEndian<quint32>(bytes.constData() + at); }
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

// Each `element` of the manifest as its namespace, a space, and the value of
// its `attribute` (or its text, for none); a reading error last.
QStringList Declared(const QByteArray& xml, const QString& element, const QString& attribute) {
  QStringList declared;
  QXmlStreamReader reader(xml);
  while (!reader.atEnd()) {
    if (reader.readNext() != QXmlStreamReader::StartElement || reader.name() != element) continue;
    const QString ns = reader.namespaceUri().toString();
    declared.append(ns + u' ' +
                    (attribute.isEmpty() ? reader.readElementText() : reader.attributes().value(attribute).toString()));
  }
  if (reader.hasError()) declared.append(reader.errorString());
  return declared;
}

const QStringList kPrograms = {QStringLiteral("entw"), QStringLiteral("entw-join")};

void AddProgramColumn() {
  QTest::addColumn<QString>("program");
  for (const QString& program : kPrograms) QTest::newRow(qPrintable(program)) << program;
}

}  // namespace

class TestResources : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void versionRecordIsJapanese_data() { AddProgramColumn(); }
  void versionRecordIsJapanese();
  void fixedVersionInfo_data() { AddProgramColumn(); }
  void fixedVersionInfo();
  void stringTable_data();
  void stringTable();
  void iconIsCompiledIn_data() { AddProgramColumn(); }
  void iconIsCompiledIn();
  void manifest_data();
  void manifest();
  void svgRendersAtEverySize_data();
  void svgRendersAtEverySize();
  void icoHoldsEverySize();

 private:
  QMap<QString, QList<Resource>> resources_;
  QMap<QString, VersionNode> versions_;
};

void TestResources::initTestCase() {
  for (const QString& program : kPrograms) {
    QString whyNot;
    const QList<Resource> resources = LoadProgramResources(program, whyNot);
    QVERIFY2(!resources.isEmpty(), qPrintable(program + QStringLiteral(": ") + whyNot));

    std::optional<Resource> versionResource;
    for (const Resource& resource : resources) {
      if (resource.type == kTypeVersion) {
        QVERIFY2(!versionResource, qPrintable(program + QStringLiteral(": more than one version record")));
        versionResource = resource;
      }
    }
    QVERIFY2(versionResource, qPrintable(program + QStringLiteral(": no version record")));
    const VersionNode version = ParseVersionNode(versionResource->data, 0);
    QCOMPARE(version.key, QStringLiteral("VS_VERSION_INFO"));
    resources_.insert(program, resources);
    versions_.insert(program, version);
  }
}

void TestResources::versionRecordIsJapanese() {
  QFETCH(QString, program);
  // The manifest alone is in no language: Windows looks it up by number.
  for (const Resource& resource : std::as_const(resources_[program])) {
    QCOMPARE(resource.language, quint16(resource.type == kTypeManifest ? 0 : 0x0411));
  }
  const VersionNode* varInfo = versions_[program].Child(QStringLiteral("VarFileInfo"));
  QVERIFY(varInfo);
  const VersionNode* translation = varInfo->Child(QStringLiteral("Translation"));
  QVERIFY(translation);
  // Japanese, then code page 1200: Unicode.
  QCOMPARE(translation->value, QByteArray::fromHex("1104b004"));
}

void TestResources::fixedVersionInfo() {
  QFETCH(QString, program);
  const QByteArray& fixed = versions_[program].value;
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

void TestResources::stringTable_data() {
  QTest::addColumn<QString>("program");
  QTest::addColumn<QString>("internalName");
  QTest::addColumn<QString>("fileName");
  QTest::newRow("entw") << QStringLiteral("entw") << QStringLiteral("Entw") << QStringLiteral("Entw.exe");
  QTest::newRow("entw-join") << QStringLiteral("entw-join") << QStringLiteral("entw-join")
                             << QStringLiteral("entw-join.exe");
}

void TestResources::stringTable() {
  QFETCH(QString, program);
  QFETCH(QString, internalName);
  QFETCH(QString, fileName);
  const VersionNode* stringInfo = versions_[program].Child(QStringLiteral("StringFileInfo"));
  QVERIFY(stringInfo);
  QCOMPARE(stringInfo->children.size(), 1);
  const VersionNode& table = stringInfo->children.first();
  QCOMPARE(table.key, QStringLiteral("041104B0"));

  const QList<std::pair<QString, QString>> expected = {
      {"Comments", "VOVEror files -beta-"}, {"CompanyName", QString::fromUtf8(EntwBuild::kCompanyName)},
      {"FileDescription", fileName},        {"FileVersion", "1.00.0002"},
      {"InternalName", internalName},       {"LegalCopyright", QString::fromUtf8(EntwBuild::kLegalCopyright)},
      {"OriginalFilename", fileName},       {"ProductName", "えんとぅ"},
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
  QFETCH(QString, program);
  QList<quint16> iconSizes;
  int icons = 0;
  for (const Resource& resource : std::as_const(resources_[program])) {
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

void TestResources::manifest_data() {
  QTest::addColumn<QString>("program");
  QTest::addColumn<QString>("element");
  QTest::addColumn<QString>("attribute");  // empty: the element's text
  QTest::addColumn<QStringList>("declared");
  // A setting in another namespace than its own is ignored by Windows.
  const QString v3 = QStringLiteral("urn:schemas-microsoft-com:asm.v3 ");
  for (const QString& program : kPrograms) {
    const QByteArray nameBytes = program.toUtf8();
    const char* name = nameBytes.constData();
    QTest::addRow("%s: runs with the rights of who starts it", name) << program << "requestedExecutionLevel"
                                                                     << "level" << QStringList{v3 + "asInvoker"};
    QTest::addRow("%s: no UI access", name) << program << "requestedExecutionLevel"
                                            << "uiAccess" << QStringList{v3 + "false"};
    QTest::addRow("%s: made for Windows 10 and 11", name)
        << program << "supportedOS"
        << "Id" << QStringList{"urn:schemas-microsoft-com:compatibility.v1 {8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"};
    QTest::addRow("%s: long paths", name)
        << program << "longPathAware"
        << "" << QStringList{"http://schemas.microsoft.com/SMI/2016/WindowsSettings true"};
    // Qt sets DPI awareness itself, and a manifest's would override it; UTF-8
    // as the ANSI code page would change what Shift_JIS bytes mean.
    for (const char* absent : {"dpiAware", "dpiAwareness", "activeCodePage"})
      QTest::addRow("%s: no %s", name, absent) << program << absent << "" << QStringList{};
  }
}

void TestResources::manifest() {
  QFETCH(QString, program);
  QFETCH(QString, element);
  QFETCH(QString, attribute);
  QFETCH(QStringList, declared);
  QList<Resource> manifests;
  for (const Resource& resource : std::as_const(resources_[program])) {
    if (resource.type == kTypeManifest) manifests.append(resource);
  }
  QCOMPARE(manifests.size(), 1);
  QCOMPARE(manifests.first().id, quint16(1));  // the one Windows reads at start
  QCOMPARE(Declared(manifests.first().data, element, attribute), declared);
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
