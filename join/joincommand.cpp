#include "join/joincommand.h"

#include "resources/programinfo.h"
#include "dialogs/dialogs.h"
#include "join/concatenation.h"
#include "join/filenames.h"
#include "join/joinorder.h"
#include "report/errorreport.h"

#include <algorithm>

namespace {

bool IsTrimmedBlank(QChar character) { return character == u' ' || character == u'\u3000'; }

QString JoinTitle() { return QStringLiteral("結合 - ") + ProgramName(); }

void ShowCancelled(Dialogs& dialogs) {
  dialogs.ShowMessage(QStringLiteral("結合をキャンセルしました。"), MessageStyle::kInformation, ProgramName());
}

// Whether to write outName: refuses an input or what is no plain file, asks before replacing another file.
bool ConfirmOutputName(const QString& folder, const QString& outName, const QStringList& files, Dialogs& dialogs) {
  const OutputNameCheck check = CheckOutputName(folder, outName, files);
  switch (check.verdict) {
    case OutputNameVerdict::Write:
      return true;
    case OutputNameVerdict::Refuse:
      dialogs.ShowMessage(check.message, MessageStyle::kError, ProgramName());
      return false;
    case OutputNameVerdict::AskToReplace:
      break;
  }
  if (dialogs.AskYesNo(QStringLiteral("「%1」は既に存在します。\r\n上書きしますか？").arg(outName), JoinTitle()))
    return true;
  ShowCancelled(dialogs);
  return false;
}

}  // namespace

QString FolderText(const QString& folder) { return folder.endsWith(u'/') ? folder : folder + u'/'; }

OutputNameCheck CheckOutputName(const QString& folder, const QString& outName, const QStringList& files) {
  switch (InspectOutputName(folder, outName, files)) {
    case OutputTarget::Free:
      return {};
    case OutputTarget::PlainFile:
      return {OutputNameVerdict::AskToReplace, {}};
    case OutputTarget::Input:
      return {OutputNameVerdict::Refuse, QStringLiteral("結合するファイルと同じ名前は使えません。")};
    case OutputTarget::NotPlainFile:
      break;
  }
  return {OutputNameVerdict::Refuse,
          QStringLiteral("「%1」は通常のファイルではないため、出力ファイル名に使えません。").arg(DisplayFileName(outName))};
}

QString TrimOutputName(const QString& typed) {
  qsizetype first = 0;
  qsizetype end = typed.size();
  while (first < end && IsTrimmedBlank(typed[first])) ++first;
  while (end > first && IsTrimmedBlank(typed[end - 1])) --end;
  return typed.mid(first, end - first);
}

void RunJoinCommand(const QString& openFolder, bool byDate, Dialogs& dialogs, QStringList& strFiles) {
  const QString place = QStringLiteral("cmdMain_Click");
  const QString folder = FolderText(openFolder);
  const FileNames listing = ListJoinFolder(folder);
  if (!listing.ok) return ReportError(place, WithFailedPath(listing.failure, DisplayFileName(listing.failedPath)), dialogs);
  const FileNames ordered = OrderJoinList(folder, listing.names, byDate);
  if (!ordered.ok) return ReportError(place, WithFailedPath(ordered.failure, DisplayFileName(ordered.failedPath)), dialogs);
  strFiles = ordered.names;
  if (strFiles.isEmpty()) {
    dialogs.ShowMessage(QStringLiteral("結合するファイルがありません。"), MessageStyle::kInformation, ProgramName());
    return;
  }

  const QString outName = TrimOutputName(dialogs.PromptText(QStringLiteral("結合後ファイル名:"), JoinTitle()));
  if (outName.isEmpty()) return ShowCancelled(dialogs);
  if (!ConfirmOutputName(folder, outName, strFiles, dialogs)) return;

  JoinOutcome outcome;
  {
    const std::unique_ptr<ProgressView> progress =
        dialogs.OpenProgress(JoinTitle(), QStringLiteral("結合しています…"));
    outcome = VoverorFile(folder, outName, strFiles, dialogs, [&](qint64 done, qint64 total, const QString& file) {
      return progress->Update(done, total, DisplayFileName(file));
    });
  }
  if (outcome == JoinOutcome::Joined) {
    dialogs.ShowMessage(QStringLiteral("結合を終えました。\r\nOutput File Name: ") + outName,
                        MessageStyle::kInformation, ProgramName());
  } else if (outcome == JoinOutcome::Stopped) {
    ShowCancelled(dialogs);
  }
}
