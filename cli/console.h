#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What entw-join needs of the console, one implementation per platform.

// The arguments as the user typed them, names with all their bytes.
QStringList CommandLineArguments(int argc, char* argv[]);
// Messages are UTF-8; the console is made to show them so.
void PrepareConsole();
// A name as it goes to standard output: its very bytes.
QByteArray NameForOutput(const QString& name);
// Whether standard output is a terminal, which a person reads.
bool StandardOutputIsTerminal();
// Interrupting (Ctrl+C and the like) asks the join to stop rather than ending
// the program; an interrupt that was ignored when the program started stays
// ignored (nohup).
void StopJoinOnInterrupt();
bool StopRequested();
