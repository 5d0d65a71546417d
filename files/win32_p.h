#pragma once

#include "files/filestatus.h"
#include "files/nativefile.h"

#include <optional>

#include <windows.h>

// What the Windows files of files/ share.

inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

inline HANDLE Handle(const NativeFile& file) { return reinterpret_cast<HANDLE>(file.handle()); }

inline SystemError LastError() { return static_cast<SystemError>(::GetLastError()); }

inline std::optional<FileStatus> StatusOfHandle(HANDLE handle, SystemError& error) {
  // Devices (CON, NUL, COM1) and pipes are no disk files and have no file index.
  if (::GetFileType(handle) != FILE_TYPE_DISK) return FileStatus{};
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(handle, &information)) {
    error = LastError();
    return std::nullopt;
  }
  const bool folder = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const qint64 size = static_cast<qint64>((quint64{information.nFileSizeHigh} << 32) | information.nFileSizeLow);
  // Joins here never leave holes, so a file is taken to need all of its size.
  return FileStatus{
      {information.dwVolumeSerialNumber, (quint64{information.nFileIndexHigh} << 32) | information.nFileIndexLow},
      size,
      !folder,
      size};
}
