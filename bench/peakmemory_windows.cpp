#include "peakmemory.h"

#include <windows.h>
// Needs windows.h first.
#include <psapi.h>

std::optional<double> PeakMemoryMiB() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) return std::nullopt;
  return static_cast<double>(counters.PeakWorkingSetSize) / (1024 * 1024);
}

// Windows keeps the peak for the process's whole life.
void RestartPeakMemory() {}
