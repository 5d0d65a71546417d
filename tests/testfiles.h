#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

// Plain files for tests. Helpers that can fail say so, for the test to
// check at its own level: a check inside a helper would end the helper,
// not the test.

// A new file at path holding bytes, last modified at `modified` where valid.
bool WriteFile(const QString& path, const QByteArray& bytes, const QDateTime& modified = {});
bool SetModified(const QString& path, const QDateTime& when);

// A file's bytes; "<missing>" where it cannot be read.
QByteArray ReadFile(const QString& path);

// Every name in a folder, hidden ones included, sorted.
QStringList Entries(const QString& folder);

// A date and time in the system's own zone: on Windows its setting, which
// TZ does not change, elsewhere TZ's or /etc/localtime's.
QDateTime Local(int year, int month, int day, int hour, int minute = 0);
