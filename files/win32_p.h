#pragma once

// What the Windows files of files/ share.

#include "files/filestatus.h"
#include "files/nativefile.h"

#include <cstring>
#include <optional>

#include <windows.h>

inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

inline HANDLE Handle(const NativeFile& file) { return reinterpret_cast<HANDLE>(file.handle()); }

inline SystemError LastError() { return static_cast<SystemError>(::GetLastError()); }

// Windows' FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS, which MinGW's headers lack:
// a file kept in the cloud, fetched as it is read.
inline constexpr DWORD kRecallOnDataAccess = 0x00400000;

inline std::optional<FileStatus> StatusOfHandle(HANDLE handle, SystemError& error) {
  // Devices (CON, NUL, COM1) and pipes are no disk files and have no file index.
  if (::GetFileType(handle) != FILE_TYPE_DISK) return FileStatus{};
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(handle, &information)) {
    error = LastError();
    return std::nullopt;
  }
  FileIdentity identity{information.dwVolumeSerialNumber,
                        (quint64{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
  // On ReFS and Dev Drives the 64-bit index above is only part of the file's
  // number: the whole 128 bits, where the file system gives them.
  FILE_ID_INFO id{};
  if (::GetFileInformationByHandleEx(handle, FileIdInfo, &id, sizeof id)) {
    identity = {id.VolumeSerialNumber, 0, 0};
    std::memcpy(&identity.inode, id.FileId.Identifier, sizeof identity.inode);
    std::memcpy(&identity.inodeHigh, id.FileId.Identifier + sizeof identity.inode, sizeof identity.inodeHigh);
  }
  const DWORD attributes = information.dwFileAttributes;
  const qint64 size = static_cast<qint64>((quint64{information.nFileSizeHigh} << 32) | information.nFileSizeLow);
  // Joins here never leave holes, so a file is taken to need all of its size.
  return FileStatus{identity,
                    size,
                    (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0,
                    size,
                    (attributes & FILE_ATTRIBUTE_READONLY) != 0,
                    (attributes & kRecallOnDataAccess) != 0};
}
