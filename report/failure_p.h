#pragma once

#include "report/failure.h"

#include <array>
#include <span>

// Failure numbers the program shows, one per kind of failure.
namespace FailureNumber {
inline constexpr qint32 kOutOfMemory = 7;
inline constexpr qint32 kBadFileName = 52;
inline constexpr qint32 kFileNotFound = 53;
inline constexpr qint32 kDeviceIoError = 57;
inline constexpr qint32 kFileAlreadyExists = 58;
inline constexpr qint32 kDiskFull = 61;
inline constexpr qint32 kTooManyFiles = 67;
inline constexpr qint32 kDeviceUnavailable = 68;
inline constexpr qint32 kPermissionDenied = 70;
inline constexpr qint32 kPathFileAccessError = 75;
inline constexpr qint32 kPathNotFound = 76;
}  // namespace FailureNumber

// A failure as the report shows it: its number and its description, where
// "%1" stands for the file it names.
struct Shown {
  qint32 number;
  const char* description;
};

// Every description a failure is shown with, each written once.
namespace ShownAs {
// The numbers' standard descriptions.
inline constexpr Shown kOutOfMemory{FailureNumber::kOutOfMemory, "メモリが不足しています。"};
inline constexpr Shown kBadFileName{FailureNumber::kBadFileName, "ファイル名が正しくありません。"};
inline constexpr Shown kFileNotFound{FailureNumber::kFileNotFound, "ファイルが見つかりません。"};
inline constexpr Shown kDeviceIoError{FailureNumber::kDeviceIoError, "デバイスの入出力でエラーが起きました。"};
inline constexpr Shown kFileAlreadyExists{FailureNumber::kFileAlreadyExists, "ファイルは既に存在します。"};
inline constexpr Shown kDiskFull{FailureNumber::kDiskFull, "ディスクの空き容量が足りません。"};
inline constexpr Shown kTooManyFiles{FailureNumber::kTooManyFiles, "開いているファイルが多すぎます。"};
inline constexpr Shown kDeviceUnavailable{FailureNumber::kDeviceUnavailable, "デバイスが使用できません。"};
inline constexpr Shown kPermissionDenied{FailureNumber::kPermissionDenied, "アクセスが拒否されました。"};
inline constexpr Shown kPathFileAccessError{FailureNumber::kPathFileAccessError,
                                            "パスまたはファイルにアクセスできません。"};
inline constexpr Shown kPathNotFound{FailureNumber::kPathNotFound, "パスが見つかりません。"};
// System errors whose number's standard description would mislead.
// Beyond a size limit of the output's file system (FAT's 4 GiB), not a full disk.
inline constexpr Shown kFileTooLargeForDrive{
    FailureNumber::kPathFileAccessError, "ファイルが大きすぎて、このドライブのファイルシステムには書き込めません。"};
inline constexpr Shown kReadOnlyDrive{FailureNumber::kPermissionDenied,
                                      "ドライブが読み取り専用のため、書き込めません。"};
// A file another program holds open, not a matter of permissions.
inline constexpr Shown kInUse{FailureNumber::kPermissionDenied, "ほかのプログラムが使用中のため、アクセスできません。"};
// A file kept in the cloud (OneDrive's online-only files), fetched as it is read.
inline constexpr Shown kCloudFile{FailureNumber::kPathFileAccessError,
                                  "クラウド上のファイルを取り出せませんでした。OneDrive "
                                  "などが動いていて、インターネットにつながっているか確かめてください。"};
inline constexpr Shown kCannotAccessFile{FailureNumber::kPathFileAccessError,
                                         "Windows がこのファイルを開けませんでした。クラウド上のファイルなら、OneDrive "
                                         "などが動いているか確かめてください。"};
// What the engine finds itself.
inline constexpr Shown kNotPlainFile{FailureNumber::kPathFileAccessError,
                                     "通常のファイルではないため、結合できません。"};
inline constexpr Shown kReplacedMeanwhile{FailureNumber::kPathFileAccessError,
                                          "結合の途中でファイルが別のものに置き換えられました。"};
inline constexpr Shown kShrank{FailureNumber::kPathFileAccessError, "結合の途中でファイルが短くなりました。"};
inline constexpr Shown kSameAsInput{FailureNumber::kPathFileAccessError, "結合するファイルと同じ名前は使えません。"};
inline constexpr Shown kOutputNotPlainFile{FailureNumber::kPathFileAccessError,
                                           "「%1」は通常のファイルではないため、出力ファイル名に使えません。"};
inline constexpr Shown kNameWindowsChanges{
    FailureNumber::kBadFileName,
    "「%1」は Windows では出力ファイル名にできません（末尾のピリオドや空白、: < > \" | ? *、"
    "制御文字、CON・NUL・COM1 などの予約名は使えません）。"};
inline constexpr Shown kProcessSizeLimit{
    FailureNumber::kPathFileAccessError,
    "ファイルが大きすぎて、このプログラムに許されたファイルサイズの上限を超えます。"};
inline constexpr Shown kStopped{FailureNumber::kPathFileAccessError, "結合を中止しました。"};
}  // namespace ShownAs

// The system's error codes shown as one failure (nullptr: 75, with the
// system's message), and whether a drive whose folder fails to open with
// them is unavailable (not there, no medium, not mounted, gone).
struct SystemErrorFailure {
  const Shown* shown;
  std::array<int, 6> errorCodes;  // 0 marks an unused place
  bool driveUnavailable = false;
};
inline constexpr bool kDriveUnavailable = true;

// This system's codes (errno, or the Windows error codes), one table per system.
extern const std::span<const SystemErrorFailure> kSystemErrorFailures;
