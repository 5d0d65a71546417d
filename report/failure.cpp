#include "report/failure.h"

#include <QDir>

#include <array>
#include <cerrno>

namespace {

struct FailureKind {
  qint32 number;
  const char* description;
  std::array<int, 3> systemErrors;  // 0 marks an unused slot
};

#ifndef ENOMEDIUM
#define ENOMEDIUM 0
#endif
#ifndef EDQUOT
#define EDQUOT 0
#endif

const std::array kFailureKinds{
    FailureKind{FailureNumber::kOutOfMemory, "メモリが不足しています。", {ENOMEM}},
    FailureKind{FailureNumber::kBadFileName, "ファイル名が正しくありません。", {ENAMETOOLONG, EILSEQ}},
    FailureKind{FailureNumber::kFileNotFound, "ファイルが見つかりません。", {ENOENT}},
    FailureKind{FailureNumber::kDeviceIoError, "デバイスの入出力でエラーが起きました。", {EIO}},
    FailureKind{FailureNumber::kFileAlreadyExists, "ファイルは既に存在します。", {EEXIST}},
    FailureKind{FailureNumber::kDiskFull, "ディスクの空き容量が足りません。", {ENOSPC, EDQUOT, EFBIG}},
    FailureKind{FailureNumber::kTooManyFiles, "開いているファイルが多すぎます。", {EMFILE, ENFILE}},
    FailureKind{FailureNumber::kDeviceUnavailable, "デバイスが使用できません。", {ENOMEDIUM, ENODEV, ENXIO}},
    FailureKind{FailureNumber::kPermissionDenied, "アクセスが拒否されました。", {EACCES, EPERM, EROFS}},
    FailureKind{FailureNumber::kPathFileAccessError, "パスまたはファイルにアクセスできません。", {}},
    FailureKind{FailureNumber::kPathNotFound, "パスが見つかりません。", {ENOTDIR}},
};

const FailureKind& KindOfNumber(qint32 number) {
  for (const FailureKind& kind : kFailureKinds) {
    if (kind.number == number) return kind;
  }
  return KindOfNumber(FailureNumber::kPathFileAccessError);
}

}  // namespace

Err FailureOfNumber(qint32 number) {
  return {number, QString::fromUtf8(KindOfNumber(number).description)};
}

Err FailureFromSystemError(int errorCode) {
  if (errorCode != 0) {
    for (const FailureKind& kind : kFailureKinds) {
      for (int systemError : kind.systemErrors) {
        if (systemError == errorCode) return FailureOfNumber(kind.number);
      }
    }
  }
  Err failure = FailureOfNumber(FailureNumber::kPathFileAccessError);
  failure.Description += QStringLiteral("（%1）").arg(qt_error_string(errorCode));
  return failure;
}

Err WithFailedPath(Err failure, const QString& path) {
  failure.Description += QStringLiteral("「%1」").arg(QDir::toNativeSeparators(path));
  return failure;
}
