#include "files/filenames.h"

namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // + byte, for bytes 0x80 to 0xFF

// A low surrogate after a high one is half of a real character, not an escape.
bool IsEscapeAt(QStringView name, qsizetype i) {
  const char16_t unit = name[i].unicode();
  return unit >= 0xDC80 && unit <= 0xDCFF && (i == 0 || !name[i - 1].isHighSurrogate());
}

bool IsTrimmedBlank(QChar character) { return character == u' ' || character == u'\u3000'; }

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the valid UTF-8 sequence at bytes[i], or 0 if none starts there.
qsizetype ValidSequenceLength(QByteArrayView bytes, qsizetype i) {
  const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
  const unsigned char lead = at(i);
  qsizetype length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (i + length > bytes.size()) return 0;
  if (at(i + 1) < low || at(i + 1) > high) return 0;
  for (qsizetype k = 2; k < length; ++k) {
    if (!IsContinuation(at(i + k))) return 0;
  }
  return length;
}

}  // namespace

QString DecodeFileName(QByteArrayView bytes) {
  QString name;
  name.reserve(bytes.size());
  qsizetype validFrom = 0;
  qsizetype i = 0;
  const auto takeValid = [&] {
    if (i > validFrom) name += QString::fromUtf8(bytes.sliced(validFrom, i - validFrom));
  };
  while (i < bytes.size()) {
    const qsizetype length = ValidSequenceLength(bytes, i);
    if (length > 0) {
      i += length;
      continue;
    }
    takeValid();
    name += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[i])));
    validFrom = ++i;
  }
  takeValid();
  return name;
}

QByteArray EncodeFileName(const QString& name) {
  QByteArray bytes;
  bytes.reserve(name.size());
  qsizetype plainFrom = 0;
  for (qsizetype i = 0; i < name.size(); ++i) {
    if (!IsEscapeAt(name, i)) continue;
    bytes += QStringView(name).sliced(plainFrom, i - plainFrom).toUtf8();
    bytes += static_cast<char>(name[i].unicode() - kEscapeBase);
    plainFrom = i + 1;
  }
  bytes += QStringView(name).sliced(plainFrom).toUtf8();
  return bytes;
}

QString DisplayFileName(const QString& name) {
  QString shown = name;
  for (qsizetype i = 0; i < name.size(); ++i) {
    if (IsEscapeAt(name, i)) shown[i] = QChar::ReplacementCharacter;
  }
  return shown;
}

bool HasUndecodedBytes(const QString& name) {
  for (qsizetype i = 0; i < name.size(); ++i) {
    if (IsEscapeAt(name, i)) return true;
  }
  return false;
}

QString FolderText(const QString& folder) { return folder.endsWith(u'/') ? folder : folder + u'/'; }

QString TrimOutputName(const QString& typed) {
  qsizetype first = 0;
  qsizetype end = typed.size();
  while (first < end && IsTrimmedBlank(typed[first])) ++first;
  while (end > first && IsTrimmedBlank(typed[end - 1])) --end;
  return typed.mid(first, end - first);
}
