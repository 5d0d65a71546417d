#pragma once

#include <QString>
#include <QStringView>

#include <string>

// Windows paths, as pure text so that the rules can be tested on any system.

// The form in which Win32 takes a path of any length: \\?\C:\… for a drive,
// \\?\UNC\server\share\… for a network share. That form turns off Windows'
// own cleaning of paths, so the path is made absolute from currentFolder
// here, its . and .. parts resolved and / turned into \; a path already in
// that form is kept. A trailing separator is dropped, except at a root.
QString ExtendedLengthPath(const QString& path, const QString& currentFolder);

// Whether Windows keeps every part of a typed name as typed, and takes it
// for a plain file's name: no part ends in a dot or a space, none holds
// : < > " | ? * or a control character, and none is a device's name (CON,
// PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, and COM and LPT with ¹ ² ³),
// whatever its case or extension. "." and ".." are ways through folders.
bool IsKeptWindowsName(QStringView typedName);

// Windows only (nativepath_windows.cpp): the path as the program's Win32
// calls take it, relative paths from the process's current folder, or for
// a path like D:x from the folder Windows keeps as D:'s current one.
std::wstring Win32Path(const QString& path);

// Windows only: the folder Windows keeps as the current one of the drive
// with this letter, as Qt writes paths; the drive's root where it keeps none.
QString DriveCurrentFolder(QChar letter);
