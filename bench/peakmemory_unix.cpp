#include "peakmemory.h"

#include <QFile>

// Linux keeps the peak as VmHWM in /proc/self/status.
std::optional<double> PeakMemoryMiB() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return std::nullopt;
  for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
    if (!line.startsWith("VmHWM:")) continue;
    bool ok = false;
    const double kib = line.mid(6).trimmed().split(' ').value(0).toDouble(&ok);
    return ok ? std::optional<double>(kib / 1024) : std::nullopt;
  }
  return std::nullopt;
}

// Linux starts it over on writing 5 to /proc/self/clear_refs.
void RestartPeakMemory() {
  QFile clear(QStringLiteral("/proc/self/clear_refs"));
  if (clear.open(QIODevice::WriteOnly)) clear.write("5");
}
