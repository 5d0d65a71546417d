#include "flow/joincommand.h"

#include "dialogs/dialogs.h"
#include "join/filenames.h"
#include "join/joinorder.h"
#include "report/errorreport.h"
#include "resources/programinfo.h"

#include <optional>

namespace {

QString JoinTitle() { return QStringLiteral("結合 - ") + ProgramName(); }

JoinCommandOutcome ShowCancelled(Dialogs& dialogs) {
  dialogs.ShowMessage(QStringLiteral("結合をキャンセルしました。"), MessageStyle::kInformation, ProgramName());
  return JoinCommandOutcome::Cancelled;
}

// How the command ends where outName is not to be written: an input or what
// is no plain file is refused, another file is replaced only when the user
// says so or any may be; nothing where the join goes on, with what it may
// replace.
std::optional<JoinCommandOutcome> EndBeforeWriting(const QString& folder, const QString& outName,
                                                   const QStringList& files, Dialogs& dialogs, Replacing& replacing) {
  switch (const OutputTarget target = InspectOutputName(folder, outName, files)) {
    case OutputTarget::Free:
      // A file that takes the name before the join looks again was never confirmed.
      if (replacing == Replacing::WhatStoodThere) replacing = Replacing::Nothing;
      return std::nullopt;
    case OutputTarget::PlainFile:
      break;
    default:
      dialogs.ShowMessage(RefusedOutputName(target, outName).Description, MessageStyle::kError, ProgramName());
      return JoinCommandOutcome::Failed;
  }
  if (replacing == Replacing::AnyPlainFile ||
      dialogs.AskYesNo(QStringLiteral("「%1」は既に存在します。\r\n上書きしますか？").arg(outName), JoinTitle()))
    return std::nullopt;
  return ShowCancelled(dialogs);
}

}  // namespace

bool OrderFolder(const QString& folder, bool byDate, Dialogs& dialogs, QStringList& strFiles) {
  const Fallible<QStringList> listing = ListJoinFolder(folder);
  const Fallible<QStringList> ordered = listing ? OrderJoinList(folder, *listing, byDate) : listing;
  if (!ordered) {
    ReportError(QStringLiteral("cmdMain_Click"), Described(ordered.failure()), dialogs);
    return false;
  }
  strFiles = *ordered;
  return true;
}

JoinOutcome VoverorFile(const QString& folder, const QString& outName, const QStringList& strFiles, Dialogs& dialogs,
                        const JoinProgress& progress, Replacing replacing) {
  const JoinResult result = JoinFiles(folder, outName, strFiles, progress, replacing);
  if (result.outcome == JoinOutcome::Failed)
    ReportError(QStringLiteral("VoverorFile"), Described(result.failure), dialogs);
  return result.outcome;
}

JoinCommandOutcome RunJoinCommand(const QString& openFolder, bool byDate, Dialogs& dialogs, QStringList& strFiles,
                                  const JoinCommandSettings& settings) {
  const QString folder = FolderText(openFolder);
  if (!OrderFolder(folder, byDate, dialogs, strFiles)) return JoinCommandOutcome::Failed;
  if (strFiles.isEmpty()) {
    dialogs.ShowMessage(QStringLiteral("結合するファイルがありません。"), MessageStyle::kInformation, ProgramName());
    return JoinCommandOutcome::Failed;
  }

  const QString outName = TrimOutputName(dialogs.PromptText(QStringLiteral("結合後ファイル名:"), JoinTitle()));
  if (outName.isEmpty()) return ShowCancelled(dialogs);
  Replacing replacing = settings.replacing;
  if (const std::optional<JoinCommandOutcome> end = EndBeforeWriting(folder, outName, strFiles, dialogs, replacing))
    return *end;

  JoinOutcome outcome;
  {
    const std::unique_ptr<ProgressView> progress = dialogs.OpenProgress(JoinTitle(), QStringLiteral("結合しています…"));
    const auto update = [&](qint64 done, qint64 total, const QString& file) {
      return progress->Update(done, total, DisplayFileName(file));
    };
    outcome = VoverorFile(folder, outName, strFiles, dialogs, update, replacing);
  }
  switch (outcome) {
    case JoinOutcome::Joined:
      if (settings.announceJoined) {
        dialogs.ShowMessage(QStringLiteral("結合を終えました。\r\nOutput File Name: ") + outName,
                            MessageStyle::kInformation, ProgramName());
      }
      return JoinCommandOutcome::Joined;
    case JoinOutcome::Stopped:
      return ShowCancelled(dialogs);
    case JoinOutcome::Failed:
      break;
  }
  return JoinCommandOutcome::Failed;
}
