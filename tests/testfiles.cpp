#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTimeZone>

bool WriteFile(const QString& path, const QByteArray& bytes, const QDateTime& modified) {
  QFile file(path);
  // Flushed before the time is set, as a later write would move it again.
  const bool written = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush() &&
                       (!modified.isValid() || file.setFileTime(modified, QFileDevice::FileModificationTime));
  if (!written) qWarning("cannot write %s: %s", qPrintable(path), qPrintable(file.errorString()));
  return written;
}

bool SetModified(const QString& path, const QDateTime& when) {
  QFile file(path);
  return file.open(QIODevice::ReadWrite) && file.setFileTime(when, QFileDevice::FileModificationTime);
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList Entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QDateTime Local(int year, int month, int day, int hour, int minute) {
  return QDateTime(QDate(year, month, day), QTime(hour, minute), QTimeZone::systemTimeZone());
}
