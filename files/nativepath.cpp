#include "files/nativepath.h"

#include <QStringList>

#include <algorithm>
#include <array>

namespace {

constexpr QStringView kPrefix = u"\\\\?\\";
constexpr QStringView kUncPrefix = u"\\\\?\\UNC\\";

bool IsSeparator(QChar character) { return character == u'/' || character == u'\\'; }

bool StartsWithDrive(QStringView path) {
  return path.size() >= 2 && path[1] == u':' && path[0].isLetter() && path[0].unicode() < 0x80;
}

// \\?\… is in the form already; \\.\… names a device, which has no other form.
bool IsUncleanedForm(QStringView path) {
  return path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) && (path[2] == u'?' || path[2] == u'.') &&
         IsSeparator(path[3]);
}

// The folder as \\server\share\… or C:\…, whichever way it was written.
QString PlainForm(QString folder) {
  folder.replace(u'/', u'\\');
  if (folder.startsWith(kUncPrefix, Qt::CaseInsensitive))
    return QStringLiteral("\\\\") + folder.sliced(kUncPrefix.size());
  if (folder.startsWith(kPrefix)) return folder.sliced(kPrefix.size());
  return folder;
}

// The root an absolute path starts with, without its separator: "C:" or "\\server\share".
QString RootOf(const QString& absolute) {
  if (!absolute.startsWith(u"\\\\")) return absolute.left(2);
  const QStringList parts = absolute.sliced(2).split(u'\\');
  return QStringLiteral("\\\\") + parts.value(0) + (parts.size() > 1 ? u'\\' + parts[1] : QString());
}

// The path made absolute as Windows would: C:x from C:'s current folder, \x from its root.
QString Absolute(const QString& path, const QString& currentFolder) {
  if (path.startsWith(u"\\\\") || (StartsWithDrive(path) && path.size() > 2 && path[2] == u'\\')) return path;
  const QString current = PlainForm(currentFolder);
  if (StartsWithDrive(path)) {
    const bool sameDrive = current.startsWith(path.left(2), Qt::CaseInsensitive);
    return (sameDrive ? current : path.left(2)) + u'\\' + path.sliced(2);
  }
  if (path.startsWith(u'\\')) return RootOf(current) + path;
  return current + u'\\' + path;
}

bool IsDeviceName(QStringView part) {
  // Windows compares the name before its first dot, blanks at its end dropped.
  QStringView base = part.left(part.indexOf(u'.'));
  while (base.endsWith(u' ')) base.chop(1);
  static constexpr std::array<QStringView, 4> kDevices{u"CON", u"PRN", u"AUX", u"NUL"};
  for (QStringView device : kDevices) {
    if (base.compare(device, Qt::CaseInsensitive) == 0) return true;
  }
  if (base.size() != 4) return false;
  const QStringView kind = base.first(3);
  const char16_t number = base[3].unicode();
  const bool numbered = (number >= u'1' && number <= u'9') || number == u'¹' || number == u'²' || number == u'³';
  return numbered && (kind.compare(u"COM", Qt::CaseInsensitive) == 0 || kind.compare(u"LPT", Qt::CaseInsensitive) == 0);
}

bool IsKeptPart(QStringView part) {
  if (part.isEmpty() || part == u"." || part == u"..") return true;
  if (part.endsWith(u'.') || part.endsWith(u' ')) return false;
  for (QChar character : part) {
    if (character.unicode() < 0x20 || QStringView(u":<>\"|?*").contains(character)) return false;
  }
  return !IsDeviceName(part);
}

}  // namespace

QString ExtendedLengthPath(const QString& path, const QString& currentFolder) {
  QString text = path;
  text.replace(u'/', u'\\');
  if (IsUncleanedForm(text)) return text;
  const QString absolute = Absolute(text, currentFolder);
  const QString root = RootOf(absolute);
  QStringList kept;
  for (const QString& part : absolute.sliced(root.size()).split(u'\\', Qt::SkipEmptyParts)) {
    if (part == u"..") {
      if (!kept.isEmpty()) kept.removeLast();
    } else if (part != u".") {
      kept.append(part);
    }
  }
  const QString rootForm = root.startsWith(u"\\\\") ? QStringLiteral("UNC\\") + root.sliced(2) : root;
  return kPrefix.toString() + rootForm + u'\\' + kept.join(u'\\');
}

bool IsKeptWindowsName(QStringView typedName) {
  QString name = typedName.toString();
  name.replace(u'\\', u'/');
  const QStringList parts = name.split(u'/');
  return std::all_of(parts.begin(), parts.end(), [](const QString& part) { return IsKeptPart(part); });
}
