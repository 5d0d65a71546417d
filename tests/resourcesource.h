#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One compiled resource of the program: its type, language and bytes.
struct Resource {
  quint16 type = 0;
  quint16 language = 0;
  QByteArray data;
};

// The program's compiled resources: on Linux compiled from the generated
// resource script, on Windows read back from the built entw.exe. Empty,
// with why, where they cannot be had.
QList<Resource> LoadProgramResources(QString& whyNot);
