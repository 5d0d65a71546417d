#pragma once

#include <QString>
#include <QStringList>

class Dialogs;

// The typed output name without the blanks around it: U+0020 and the
// ideographic space U+3000.
QString TrimOutputName(const QString& typed);

// The folder text for building paths: the folder with one trailing separator.
QString FolderText(const QString& folder);

// What to do with an output name before a join; the window and entw-join
// both go by it.
enum class OutputNameVerdict {
  Write,          // the name is free
  AskToReplace,   // a plain file of that name stands there
  Refuse,         // one of the inputs, or something that is no plain file
};
struct OutputNameCheck {
  OutputNameVerdict verdict = OutputNameVerdict::Write;
  QString message;  // why, when refused
};
OutputNameCheck CheckOutputName(const QString& folder, const QString& outName, const QStringList& files);

// The join button's work: lists and orders the open folder's files into
// strFiles, asks for the output name, joins, and tells the user how it ended.
void RunJoinCommand(const QString& openFolder, bool byDate, Dialogs& dialogs, QStringList& strFiles);
