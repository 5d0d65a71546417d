#pragma once

#include "report/failure.h"

#include <array>
#include <span>

// The system's error codes of one failure number; whether a drive whose
// folder fails to open with them is unavailable (not there, no medium, not
// mounted, gone); and the description where the number's standard one would
// mislead.
struct SystemErrorFailure {
  qint32 number;                  // kNoNumberOfItsOwn: 75, with the system's message
  std::array<int, 6> errorCodes;  // 0 marks an unused place
  bool driveUnavailable = false;
  const char* description = nullptr;
};
inline constexpr qint32 kNoNumberOfItsOwn = 0;
inline constexpr bool kDriveUnavailable = true;

// This system's codes (errno, or the Windows error codes), one table per system.
extern const std::span<const SystemErrorFailure> kSystemErrorFailures;

// Beyond a size limit of the output's file system (FAT's 4 GiB), not a full disk.
inline constexpr char kFileTooLargeDescription[] =
    "ファイルが大きすぎて、このドライブのファイルシステムには書き込めません。";
inline constexpr char kReadOnlyDriveDescription[] = "ドライブが読み取り専用のため、書き込めません。";
