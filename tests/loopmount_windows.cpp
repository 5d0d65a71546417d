#include "loopmount.h"

LoopMount::LoopMount(const QString& type, int) {
  whyNot_ = QStringLiteral("mounting a %1 image is done on Linux only").arg(type);
}

LoopMount::~LoopMount() = default;
