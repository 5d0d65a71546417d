#include "report/failure.h"

#include <QDir>
#include <QOperatingSystemVersion>

#include <algorithm>
#include <array>
#include <cerrno>

namespace {

struct FailureKind {
  qint32 number;
  const char* description;
  std::array<int, 3> posixErrors;        // errno values; 0 marks an unused slot
  std::array<quint32, 6> windowsErrors;  // Windows error codes; 0 marks an unused slot
};

#ifndef ENOMEDIUM
#define ENOMEDIUM 0
#endif
#ifndef EDQUOT
#define EDQUOT 0
#endif

// One table for both systems. The Windows codes by name:
// 2 FILE_NOT_FOUND, 3 PATH_NOT_FOUND, 4 TOO_MANY_OPEN_FILES, 5 ACCESS_DENIED,
// 8 NOT_ENOUGH_MEMORY, 14 OUTOFMEMORY, 15 INVALID_DRIVE, 19 WRITE_PROTECT,
// 21 NOT_READY, 23 CRC, 29 WRITE_FAULT, 30 READ_FAULT, 31 GEN_FAILURE,
// 32 SHARING_VIOLATION, 33 LOCK_VIOLATION, 39 HANDLE_DISK_FULL, 53 BAD_NETPATH,
// 55 DEV_NOT_EXIST, 67 BAD_NET_NAME, 80 FILE_EXISTS, 112 DISK_FULL,
// 123 INVALID_NAME, 161 BAD_PATHNAME, 183 ALREADY_EXISTS, 206 FILENAME_EXCED_RANGE,
// 223 FILE_TOO_LARGE, 267 DIRECTORY, 1112 NO_MEDIA_IN_DRIVE, 1117 IO_DEVICE,
// 1295 DISK_QUOTA_EXCEEDED, 1816 NOT_ENOUGH_QUOTA.
const std::array kFailureKinds{
    FailureKind{FailureNumber::kOutOfMemory, "メモリが不足しています。", {ENOMEM}, {8, 14}},
    FailureKind{FailureNumber::kBadFileName, "ファイル名が正しくありません。", {ENAMETOOLONG, EILSEQ}, {123, 161, 206}},
    FailureKind{FailureNumber::kFileNotFound, "ファイルが見つかりません。", {ENOENT}, {2}},
    FailureKind{FailureNumber::kDeviceIoError, "デバイスの入出力でエラーが起きました。", {EIO}, {23, 29, 30, 31, 1117}},
    FailureKind{FailureNumber::kFileAlreadyExists, "ファイルは既に存在します。", {EEXIST}, {80, 183}},
    FailureKind{FailureNumber::kDiskFull, "ディスクの空き容量が足りません。", {ENOSPC, EDQUOT}, {39, 112, 1295, 1816}},
    FailureKind{FailureNumber::kTooManyFiles, "開いているファイルが多すぎます。", {EMFILE, ENFILE}, {4}},
    FailureKind{FailureNumber::kDeviceUnavailable,
                "デバイスが使用できません。",
                {ENOMEDIUM, ENODEV, ENXIO},
                {15, 21, 53, 55, 67, 1112}},
    FailureKind{FailureNumber::kPermissionDenied, "アクセスが拒否されました。", {EACCES, EPERM}, {5, 32, 33}},
    FailureKind{FailureNumber::kPathFileAccessError, "パスまたはファイルにアクセスできません。", {}, {}},
    FailureKind{FailureNumber::kPathNotFound, "パスが見つかりません。", {ENOTDIR}, {3, 267}},
    // A size limit of the output's file system (FAT's 4 GiB) or of the process, not a full disk.
    FailureKind{FailureNumber::kPathFileAccessError,
                "ファイルが大きすぎて、このドライブのファイルシステムには書き込めません。",
                {EFBIG},
                {223}},
    FailureKind{FailureNumber::kPermissionDenied, "ドライブが読み取り専用のため、書き込めません。", {EROFS}, {19}},
};

const FailureKind& KindOfNumber(qint32 number) {
  for (const FailureKind& kind : kFailureKinds) {
    if (kind.number == number) return kind;
  }
  return KindOfNumber(FailureNumber::kPathFileAccessError);
}

// The kind a system error code belongs to, in the column of its system.
template <typename Code, size_t N>
const FailureKind* KindOfCode(Code errorCode, std::array<Code, N> FailureKind::*column) {
  if (errorCode == 0) return nullptr;
  for (const FailureKind& kind : kFailureKinds) {
    const std::array<Code, N>& codes = kind.*column;
    if (std::find(codes.begin(), codes.end(), errorCode) != codes.end()) return &kind;
  }
  return nullptr;
}

qint32 NumberOf(const FailureKind* kind) { return kind ? kind->number : FailureNumber::kPathFileAccessError; }

}  // namespace

Err FailureOfNumber(qint32 number) {
  const FailureKind& kind = KindOfNumber(number);
  return {kind.number, QString::fromUtf8(kind.description)};
}

qint32 FailureNumberOfPosixError(int errorCode) { return NumberOf(KindOfCode(errorCode, &FailureKind::posixErrors)); }

qint32 FailureNumberOfWindowsError(quint32 errorCode) {
  return NumberOf(KindOfCode(errorCode, &FailureKind::windowsErrors));
}

Err FailureFromSystemError(int errorCode) {
  const bool windows = QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows;
  const FailureKind* kind = windows ? KindOfCode(static_cast<quint32>(errorCode), &FailureKind::windowsErrors)
                                    : KindOfCode(errorCode, &FailureKind::posixErrors);
  if (kind) return {kind->number, QString::fromUtf8(kind->description)};
  // Codes without a number of their own: 75, with the system's own message.
  Err failure = FailureOfNumber(FailureNumber::kPathFileAccessError);
  failure.Description += QStringLiteral("（%1）").arg(qt_error_string(errorCode));
  return failure;
}

Err OwnFailure(qint32 number, const QString& description) { return {number, description}; }

Err WithFailedPath(Err failure, const QString& path) {
  failure.Description += QStringLiteral("「%1」").arg(QDir::toNativeSeparators(path));
  return failure;
}
