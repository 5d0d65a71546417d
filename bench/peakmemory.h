#pragma once

#include <optional>

// The process's peak resident memory in MiB, where the system tells it.
std::optional<double> PeakMemoryMiB();

// Starts the peak over from the memory in use now, so that each figure's
// peak is its own and not the one before it, where the system can.
void RestartPeakMemory();
