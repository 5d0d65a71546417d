#include "loopmount.h"

LoopMount::LoopMount(const QString& type, int) {
  whyNot_ = QStringLiteral("mounting a %1 image is done on Linux only").arg(type);
}

LoopMount::~LoopMount() = default;

std::unique_ptr<QProcess> TakeNameAfterCall(const QString&, const QString&, QString& whyNot) {
  whyNot = QStringLiteral("system calls are traced on Linux only");
  return nullptr;
}
