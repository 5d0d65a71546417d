#pragma once

#include "report/failure.h"

#include <span>

// One of the system's error codes with a failure number of its own, and the
// description where the number's standard one would mislead.
struct SystemErrorFailure {
  int errorCode;
  qint32 number;
  const char* description = nullptr;
};

// This system's codes (errno, or the Windows error codes), one table per system.
extern const std::span<const SystemErrorFailure> kSystemErrorFailures;

// Beyond a size limit of the output's file system (FAT's 4 GiB), not a full disk.
inline constexpr char kFileTooLargeDescription[] =
    "ファイルが大きすぎて、このドライブのファイルシステムには書き込めません。";
inline constexpr char kReadOnlyDriveDescription[] = "ドライブが読み取り専用のため、書き込めません。";
