#include "report/errorreport.h"

#include "dialogs/dialogs.h"
#include "entw_version.h"

#include <QStringList>

QString ErrorReportText(const QString& place, const Err& failure, const VersionNumbers& version) {
  const QStringList lines{
      QStringLiteral("エラー番号:%1").arg(failure.Number),
      QStringLiteral("場所:%1.%2%3").arg(place, ProgramName(), LongVersionText(version)),
      failure.Description,
      QStringLiteral("上記の説明と、エラーの発生したときの簡単な状況を書いて、"),
      QStringLiteral("\"%1\" <%2> まで連絡してください。")
          .arg(QString::fromUtf8(EntwBuild::kMaintainerName), QString::fromUtf8(EntwBuild::kMaintainerEmail)),
  };
  return lines.join(QStringLiteral("\r\n"));
}

QString ErrorReportTitle() { return QStringLiteral("エラー - ") + ProgramName(); }

void ReportError(const QString& place, const Err& failure, Dialogs& dialogs) {
  dialogs.ShowErrorReport(ErrorReportText(place, failure), ErrorReportTitle());
}
