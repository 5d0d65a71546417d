#pragma once

#include <QString>

class QUrl;

// A folder handed to the window from outside: on its command line, or
// dropped on it from a file manager. Names keep every byte: on Linux those
// that are not UTF-8 too (see DecodeFileName).

// The first argument left once Qt has taken its own, empty without one: on
// Linux from argv's very bytes, which Qt's decoded arguments would change; on
// Windows from the wide command line, as the narrow one loses what the ANSI
// code page lacks.
QString GivenPathArgument(int argc, char* argv[]);

// The path of a dropped local file's URL.
QString DroppedPath(const QUrl& url);

// The path made absolute from the working folder, . and .. resolved; the
// disk is not asked.
QString AbsoluteGivenPath(const QString& path);

// The folder to open for an absolute path given: the path itself, or the
// folder holding it where it leads to anything but a folder (a file, say).
// A path that leads nowhere is kept, for the opening to fail on. Asks the
// disk, which may not answer: a drive's thread asks (DriveQuestions).
QString FolderOfGivenPath(const QString& path);
