// entw-join: the window's join from the command line, for scripts.

#include "cli/console.h"
#include "cli/consoledialogs.h"
#include "entw_version.h"
#include "files/filenames.h"
#include "flow/joincommand.h"
#include "report/failure.h"
#include "resources/programinfo.h"

#include <QDir>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace {

enum ExitStatus : int { kSucceeded = 0, kFailed = 1, kWrongUsage = 2 };

const char kUsage[] =
    "使い方: entw-join [--by-date] [--force] FOLDER OUTPUT\n"
    "        entw-join [--by-date] --list [-z] FOLDER\n";

const char kHelpBeforeZero[] =
    "FOLDER のすべてのファイルを、ウィンドウと同じ順にそのままつなげて、\n"
    "FOLDER の中の OUTPUT に書き込みます。\n"
    "\n"
    "  --by-date  日付順（更新日の古い順、同じ日は名前順）。既定は名前順\n"
    "  --list     結合する順にファイル名を 1 行に 1 つ表示し、何も書き込まない。\n"
    "             端末では制御文字を ? で表示する。パイプやファイルには名前の\n"
    "             バイトそのままを書くため、改行を含む名前は区別できない\n"
    "  -z, --zero --list で、各名前を改行ではなく NUL バイトで終える\n";

const char kHelpAfterZero[] =
    "  --force    既に存在する OUTPUT を上書きする（結合中に現れたものも）\n"
    "  --help     この説明を表示する\n"
    "  --version  バージョンを表示する\n"
    "\n"
    "終了コード: 0 成功、1 失敗、2 使い方の誤り\n";

const char kLicenceNotice[] =
    "License: MIT <https://opensource.org/license/mit>\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

struct Options {
  bool byDate = false;
  bool list = false;
  bool zero = false;
  bool force = false;
  bool help = false;
  bool version = false;
  QStringList operands;
};

int outputError = 0;  // the first failed write to standard output

void Print(std::FILE* stream, const QByteArray& bytes) {
  if (!WriteToStream(stream, bytes) && stream == stdout && outputError == 0) outputError = LastStreamError();
}

// What went to standard output must have reached it: a full disk or a closed
// pipe is a failure, however much was buffered.
int FinishOutput(int status) {
  if (std::fflush(stdout) != 0 && outputError == 0) outputError = LastStreamError();
  if (outputError == 0 && !std::ferror(stdout)) return status;
  const int error = outputError;
  Print(stderr, "entw-join: " + QStringLiteral("標準出力に書き込めませんでした。").toUtf8() +
                    FailureFromSystemError(error).Description.toUtf8() + '\n');
  return kFailed;
}

int WrongUsage(const QString& message) {
  ConsoleDialogs::Say(message);
  Print(stderr, kUsage);
  return kWrongUsage;
}

// Everything up to "--" that starts with "--" is an option, and "-z"; "-" alone is a name.
std::optional<Options> ParseArguments(const QStringList& arguments, QString& unknown) {
  Options options;
  bool optionsEnd = false;
  const std::pair<QStringView, bool Options::*> kFlags[] = {
      {u"-z", &Options::zero},          {u"--zero", &Options::zero},   {u"--by-date", &Options::byDate},
      {u"--list", &Options::list},      {u"--force", &Options::force}, {u"--help", &Options::help},
      {u"--version", &Options::version}};
  for (const QString& argument : arguments) {
    const auto flag =
        std::find_if(std::begin(kFlags), std::end(kFlags), [&](const auto& known) { return known.first == argument; });
    if (optionsEnd || (flag == std::end(kFlags) && !argument.startsWith(QStringLiteral("--")))) {
      options.operands.append(argument);
    } else if (argument == u"--") {
      optionsEnd = true;
    } else if (flag != std::end(kFlags)) {
      options.*(flag->second) = true;
    } else {
      unknown = DisplayFileName(argument);
      return std::nullopt;
    }
  }
  return options;
}

// A name as a terminal shows it: control characters (escape, carriage
// return, newline) as "?", bytes that are not UTF-8 as U+FFFD.
QByteArray NameForTerminal(const QString& name) {
  QString shown = DisplayFileName(name);
  for (QChar& character : shown) {
    if (character.category() == QChar::Other_Control) character = u'?';
  }
  return shown.toUtf8();
}

// With zero, each name ends in a NUL byte, which no name holds; otherwise a
// line each, shown harmlessly on a terminal.
void PrintList(const QStringList& names, bool zero) {
  const bool terminal = !zero && StandardOutputIsTerminal();
  QByteArray lines;
  for (const QString& name : names) {
    lines += terminal ? NameForTerminal(name) : NameForOutput(name);
    lines += zero ? '\0' : '\n';
    if (lines.size() >= (qsizetype{1} << 16)) {
      Print(stdout, lines);
      lines.clear();
    }
  }
  Print(stdout, lines);
}

}  // namespace

int main(int argc, char* argv[]) {
  PrepareConsole();
  QString unknown;
  const std::optional<Options> parsed = ParseArguments(CommandLineArguments(argc, argv), unknown);
  if (!parsed) return WrongUsage(QStringLiteral("不明なオプションです: %1").arg(unknown));
  const Options& options = *parsed;
  if (options.help) {
    Print(stdout, QByteArray(kUsage) + '\n' + kHelpBeforeZero + ZeroListNote() + kHelpAfterZero);
    return FinishOutput(kSucceeded);
  }
  if (options.version) {
    Print(stdout, "entw-join (" + ProgramName().toUtf8() + ") " + LongVersionText(ProgramVersion()).toUtf8() + '\n' +
                      EntwBuild::kLegalCopyright + '\n' + kLicenceNotice);
    return FinishOutput(kSucceeded);
  }

  const qsizetype wanted = options.list ? 1 : 2;
  if (options.operands.size() < wanted) return WrongUsage(QStringLiteral("引数が足りません。"));
  if (options.operands.size() > 2) return WrongUsage(QStringLiteral("引数が多すぎます。"));
  if (options.operands[0].isEmpty()) return WrongUsage(QStringLiteral("フォルダーが空です。"));
  const QString outName = options.list ? QString() : TrimOutputName(options.operands[1]);
  if (!options.list && outName.isEmpty()) return WrongUsage(QStringLiteral("出力ファイル名が空です。"));

  // The window's own join flow, driven from the command line.
  const QString folder = FolderText(QDir::fromNativeSeparators(options.operands[0]));
  ConsoleDialogs dialogs(outName);
  QStringList strFiles;
  if (!options.list) {
    const JoinCommandSettings settings{options.force ? Replacing::AnyPlainFile : Replacing::WhatStoodThere, false};
    return RunJoinCommand(folder, options.byDate, dialogs, strFiles, settings) == JoinCommandOutcome::Joined
               ? kSucceeded
               : kFailed;
  }
  if (!OrderFolder(folder, options.byDate, dialogs, strFiles)) return kFailed;
  PrintList(strFiles, options.zero);
  return FinishOutput(kSucceeded);
}
