#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// A name on a POSIX system is bytes. Names are carried as text all the way
// from the listing to the open: valid UTF-8 is decoded, and every byte that
// is not part of valid UTF-8 becomes the lone surrogate U+DC80 + (byte - 0x80),
// which no decoded name can hold, so that encoding gives back the very bytes.
QString DecodeFileName(QByteArrayView bytes);
QByteArray EncodeFileName(const QString& name);

// The name as a person can read it: undecodable bytes shown as U+FFFD.
QString DisplayFileName(const QString& name);
// Whether the name holds bytes that are not UTF-8.
bool HasUndecodedBytes(const QString& name);

// The folder text for building paths: the folder with one trailing separator.
QString FolderText(const QString& folder);

// The typed output name without the blanks around it: U+0020 and the
// ideographic space U+3000.
QString TrimOutputName(const QString& typed);
