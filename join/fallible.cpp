#include "join/fallible.h"

#include "join/filenames.h"

#include <QDir>

Err Described(const Failure& failure) {
  Err shown = failure.path.isEmpty() ? failure.err : WithFailedPath(failure.err, DisplayFileName(failure.path));
  if (!failure.leftBehind.isEmpty()) {
    shown.Description += QStringLiteral(" 一時ファイル「%1」を削除できませんでした。")
                             .arg(QDir::toNativeSeparators(DisplayFileName(failure.leftBehind)));
  }
  return shown;
}
