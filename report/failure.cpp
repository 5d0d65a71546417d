#include "report/failure.h"

#include "files/filenames.h"
#include "report/failure_p.h"

#include <QDir>

#include <algorithm>

namespace {

// The table's row of the code, if any.
const SystemErrorFailure* SystemErrorFailureOf(SystemError errorCode) {
  if (errorCode == 0) return nullptr;
  for (const SystemErrorFailure& failure : kSystemErrorFailures) {
    if (std::find(failure.errorCodes.begin(), failure.errorCodes.end(), errorCode) != failure.errorCodes.end())
      return &failure;
  }
  return nullptr;
}

const Shown& ShownFor(FailureKind kind) {
  switch (kind) {
    case FailureKind::SystemError:
      break;
    case FailureKind::DriveUnavailable:
      return ShownAs::kDeviceUnavailable;
    case FailureKind::NotPlainFile:
      return ShownAs::kNotPlainFile;
    case FailureKind::ReplacedMeanwhile:
      return ShownAs::kReplacedMeanwhile;
    case FailureKind::Shrank:
      return ShownAs::kShrank;
    case FailureKind::SameAsInput:
      return ShownAs::kSameAsInput;
    case FailureKind::OutputNotPlainFile:
      return ShownAs::kOutputNotPlainFile;
    case FailureKind::NameWindowsChanges:
      return ShownAs::kNameWindowsChanges;
    case FailureKind::ProcessSizeLimit:
      return ShownAs::kProcessSizeLimit;
    case FailureKind::Stopped:
      return ShownAs::kStopped;
  }
  return ShownAs::kPathFileAccessError;
}

// A path as a person reads it: undecodable bytes shown, the system's separators.
QString PathText(const QString& path) { return QDir::toNativeSeparators(DisplayFileName(path)); }

// The description, with `name` where it names the file; named tells whether it does.
QString Description(const Shown& shown, const QString& name, bool& named) {
  const QString description = QString::fromUtf8(shown.description);
  named = description.contains(QStringLiteral("%1"));
  return named ? description.arg(name) : description;
}

}  // namespace

Err FailureFromSystemError(SystemError errorCode) {
  const SystemErrorFailure* listed = SystemErrorFailureOf(errorCode);
  if (listed && listed->shown) return {listed->shown->number, QString::fromUtf8(listed->shown->description)};
  // Codes without a number of their own: 75, with the system's own message.
  return {FailureNumber::kPathFileAccessError, QString::fromUtf8(ShownAs::kPathFileAccessError.description) +
                                                   QStringLiteral("（%1）").arg(qt_error_string(errorCode))};
}

Err Described(const Failure& failure) {
  const QString path = PathText(failure.path);
  bool named = false;
  Err shown;
  if (failure.kind == FailureKind::SystemError) {
    shown = FailureFromSystemError(failure.code);
  } else {
    const Shown& kind = ShownFor(failure.kind);
    shown = {kind.number, Description(kind, path, named)};
  }
  if (!named && !failure.path.isEmpty()) shown.Description += QStringLiteral("「%1」").arg(path);
  if (!failure.leftBehind.isEmpty())
    shown.Description +=
        QStringLiteral(" 一時ファイル「%1」を削除できませんでした。").arg(PathText(failure.leftBehind));
  return shown;
}

std::optional<QString> RefusalText(const Failure& failure, const QString& outName) {
  switch (failure.kind) {
    case FailureKind::SameAsInput:
    case FailureKind::OutputNotPlainFile:
    case FailureKind::NameWindowsChanges:
      break;
    default:
      return std::nullopt;
  }
  bool named = false;
  return Description(ShownFor(failure.kind), DisplayFileName(outName), named);
}

bool MeansUnavailable(SystemError errorCode) {
  const SystemErrorFailure* listed = SystemErrorFailureOf(errorCode);
  return listed && listed->driveUnavailable;
}
