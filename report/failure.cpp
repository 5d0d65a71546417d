#include "report/failure.h"

#include "report/failure_p.h"

#include <QDir>

#include <algorithm>
#include <array>

namespace {

struct NumberedFailure {
  qint32 number;
  const char* description;
};

// Each number's standard description.
const std::array kNumberedFailures{
    NumberedFailure{FailureNumber::kOutOfMemory, "メモリが不足しています。"},
    NumberedFailure{FailureNumber::kBadFileName, "ファイル名が正しくありません。"},
    NumberedFailure{FailureNumber::kFileNotFound, "ファイルが見つかりません。"},
    NumberedFailure{FailureNumber::kDeviceIoError, "デバイスの入出力でエラーが起きました。"},
    NumberedFailure{FailureNumber::kFileAlreadyExists, "ファイルは既に存在します。"},
    NumberedFailure{FailureNumber::kDiskFull, "ディスクの空き容量が足りません。"},
    NumberedFailure{FailureNumber::kTooManyFiles, "開いているファイルが多すぎます。"},
    NumberedFailure{FailureNumber::kDeviceUnavailable, "デバイスが使用できません。"},
    NumberedFailure{FailureNumber::kPermissionDenied, "アクセスが拒否されました。"},
    NumberedFailure{FailureNumber::kPathFileAccessError, "パスまたはファイルにアクセスできません。"},
    NumberedFailure{FailureNumber::kPathNotFound, "パスが見つかりません。"},
};

// The table's row of the code, if any.
const SystemErrorFailure* SystemErrorFailureOf(int errorCode) {
  if (errorCode == 0) return nullptr;
  for (const SystemErrorFailure& failure : kSystemErrorFailures) {
    if (std::find(failure.errorCodes.begin(), failure.errorCodes.end(), errorCode) != failure.errorCodes.end())
      return &failure;
  }
  return nullptr;
}

}  // namespace

Err FailureOfNumber(qint32 number) {
  for (const NumberedFailure& failure : kNumberedFailures) {
    if (failure.number == number) return {failure.number, QString::fromUtf8(failure.description)};
  }
  return FailureOfNumber(FailureNumber::kPathFileAccessError);
}

Err FailureFromSystemError(int errorCode) {
  const SystemErrorFailure* listed = SystemErrorFailureOf(errorCode);
  if (listed && listed->number != kNoNumberOfItsOwn) {
    return listed->description ? OwnFailure(listed->number, QString::fromUtf8(listed->description))
                               : FailureOfNumber(listed->number);
  }
  // Codes without a number of their own: 75, with the system's own message.
  Err failure = FailureOfNumber(FailureNumber::kPathFileAccessError);
  failure.Description += QStringLiteral("（%1）").arg(qt_error_string(errorCode));
  return failure;
}

bool MeansUnavailable(int errorCode) {
  const SystemErrorFailure* listed = SystemErrorFailureOf(errorCode);
  return listed && listed->driveUnavailable;
}

Err OwnFailure(qint32 number, const QString& description) { return {number, description}; }

Err WithFailedPath(Err failure, const QString& path) {
  failure.Description += QStringLiteral("「%1」").arg(QDir::toNativeSeparators(path));
  return failure;
}
