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

// The files a join writes before its output takes its name, in the output's
// folder: ".entw-join-" and eight hexadecimal digits, then ".tmp". Listings
// never take them.
bool IsJoinTemporaryName(QStringView name);
QString NewJoinTemporaryName();
