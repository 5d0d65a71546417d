#include "resourcesource.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

namespace {

quint16 Word(const QByteArray& bytes, qsizetype at) { return qFromLittleEndian<quint16>(bytes.constData() + at); }
quint32 Dword(const QByteArray& bytes, qsizetype at) { return qFromLittleEndian<quint32>(bytes.constData() + at); }
qsizetype AlignDword(qsizetype at) { return (at + 3) & ~qsizetype(3); }

// A type or name field of a .res header: 0xFFFF and a number, or a string.
// Returns the number, or 0 for a string.
quint16 ReadIdField(const QByteArray& bytes, qsizetype& at) {
  if (Word(bytes, at) == 0xFFFF) {
    const quint16 id = Word(bytes, at + 2);
    at += 4;
    return id;
  }
  while (Word(bytes, at) != 0) at += 2;
  at += 2;
  return 0;
}

QList<Resource> ParseRes(const QByteArray& bytes) {
  QList<Resource> resources;
  qsizetype at = 0;
  while (at + 8 <= bytes.size()) {
    const quint32 dataSize = Dword(bytes, at);
    const quint32 headerSize = Dword(bytes, at + 4);
    qsizetype field = at + 8;
    Resource resource;
    resource.type = ReadIdField(bytes, field);
    resource.id = ReadIdField(bytes, field);
    field = AlignDword(field);
    resource.language = Word(bytes, field + 6);  // after DataVersion and MemoryFlags
    resource.data = bytes.mid(at + headerSize, dataSize);
    if (dataSize > 0) resources.append(resource);
    at = AlignDword(at + headerSize + dataSize);
  }
  return resources;
}

}  // namespace

// The generated script is compiled with the MinGW resource compiler.
QList<Resource> LoadProgramResources(const QString& program, QString& whyNot) {
  const QString windres = QStandardPaths::findExecutable(QStringLiteral("x86_64-w64-mingw32-windres"));
  if (windres.isEmpty()) {
    whyNot = QStringLiteral(
        "x86_64-w64-mingw32-windres not found: install binutils-mingw-w64-x86-64 (tools/install-deps --test)");
    return {};
  }
  QTemporaryDir work;
  const QString output = work.filePath(QStringLiteral("entw.res"));
  // No MinGW compiler need be installed: the build's own compiler preprocesses.
  QProcess compiler;
  compiler.start(windres,
                 {QStringLiteral("--preprocessor=" ENTW_RC_PREPROCESSOR), QStringLiteral("--preprocessor-arg=-E"),
                  QStringLiteral("--preprocessor-arg=-xc"), QStringLiteral("--preprocessor-arg=-DRC_INVOKED"),
                  QStringLiteral(ENTW_RC_DIR "/%1.rc").arg(program), QStringLiteral("-O"), QStringLiteral("res"),
                  QStringLiteral("-o"), output});
  if (!compiler.waitForFinished(60000) || compiler.exitStatus() != QProcess::NormalExit || compiler.exitCode() != 0) {
    whyNot = QString::fromLocal8Bit(compiler.readAllStandardError());
    return {};
  }
  QFile res(output);
  if (!res.open(QIODevice::ReadOnly)) {
    whyNot = res.errorString();
    return {};
  }
  return ParseRes(res.readAll());
}
