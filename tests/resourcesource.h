#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One compiled resource of a program: its type, number (0 for a named one),
// language and bytes.
struct Resource {
  quint16 type = 0;
  quint16 id = 0;
  quint16 language = 0;
  QByteArray data;
};

// The compiled resources of `program` ("entw" or "entw-join"): on Linux
// compiled from its generated resource script, on Windows read back from its
// built .exe. Empty, with why, where they cannot be had.
QList<Resource> LoadProgramResources(const QString& program, QString& whyNot);
