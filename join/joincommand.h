#pragma once

#include <QString>
#include <QStringList>

class Dialogs;

// The typed output name without the blanks around it: U+0020 and the
// ideographic space U+3000.
QString TrimOutputName(const QString& typed);

// The folder text for building paths: the folder with one trailing separator.
QString FolderText(const QString& folder);

// Whether folder + outName is one of the files (links and other spellings of a path included).
bool OutputNamesAnInput(const QString& folder, const QString& outName, const QStringList& files);

// The join button's work: lists and orders the open folder's files into
// strFiles, asks for the output name, joins, and tells the user how it ended.
void RunJoinCommand(const QString& openFolder, bool byDate, Dialogs& dialogs, QStringList& strFiles);
