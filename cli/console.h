#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdio>

// What entw-join needs of the console, one implementation per platform.

// The arguments as the user typed them, names with all their bytes.
QStringList CommandLineArguments(int argc, char* argv[]);
// Standard output and error take bytes as they are given: lines end in a plain LF.
void PrepareConsole();
// Writes UTF-8 text, or a name's very bytes, to standard output or error:
// to a console as characters, which read right whatever its code page, and
// elsewhere (a file, a pipe) as the bytes. False where they did not all go.
bool WriteToStream(std::FILE* stream, const QByteArray& bytes);
// Why the last write or flush of a stream failed, as the system's error
// code (errno, or the Windows error code: the C library's errno is no
// Windows code).
int LastStreamError();
// A name as it goes to standard output: its very bytes.
QByteArray NameForOutput(const QString& name);
// The help's note on what a list of names ended by NUL bytes is for, in the
// system's own terms, indented under -z.
QByteArray ZeroListNote();
// Whether standard output is a terminal, which a person reads.
bool StandardOutputIsTerminal();
// Interrupting (Ctrl+C and the like) asks the join to stop rather than ending
// the program; an interrupt that was ignored when the program started stays
// ignored (nohup).
void StopJoinOnInterrupt();
bool StopRequested();
