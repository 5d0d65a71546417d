#pragma once

#include "report/failure.h"

#include <array>
#include <span>

// The system's error codes of one failure number, and the description where
// the number's standard one would mislead.
struct SystemErrorFailure {
  qint32 number;
  std::array<int, 6> errorCodes;  // 0 marks an unused place
  const char* description = nullptr;
};

// This system's codes (errno, or the Windows error codes), one table per system.
extern const std::span<const SystemErrorFailure> kSystemErrorFailures;

// Beyond a size limit of the output's file system (FAT's 4 GiB), not a full disk.
inline constexpr char kFileTooLargeDescription[] =
    "ファイルが大きすぎて、このドライブのファイルシステムには書き込めません。";
inline constexpr char kReadOnlyDriveDescription[] = "ドライブが読み取り専用のため、書き込めません。";
