#pragma once

// What the Windows files of files/ share.

#include "files/filestatus.h"
#include "files/nativefile.h"

#include <cstring>
#include <optional>

#include <windows.h>
// Needs windows.h first.
#include <winternl.h>

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

inline SystemError ErrorOfStatus(NTSTATUS status) { return static_cast<SystemError>(::RtlNtStatusToDosError(status)); }

// Opens or makes `name` (a file's name, or a stream's name ":x" where base
// is the file) relative to `base`, an open folder or file; Win32 opens by
// path only, and a path may lead elsewhere by now.
inline HANDLE OpenRelative(HANDLE base, const std::wstring& name, ACCESS_MASK access, ULONG share, ULONG disposition,
                           SystemError& error, ULONG options = FILE_NON_DIRECTORY_FILE,
                           ULONG attributesMade = FILE_ATTRIBUTE_NORMAL) {
  const auto bytes = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  UNICODE_STRING objectName{bytes, bytes, const_cast<PWSTR>(name.c_str())};
  OBJECT_ATTRIBUTES attributes{};
  InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, base, nullptr);
  IO_STATUS_BLOCK io{};
  HANDLE handle = nullptr;
  const NTSTATUS status = ::NtCreateFile(&handle, access | SYNCHRONIZE, &attributes, &io, nullptr, attributesMade,
                                         share, disposition, options | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
  if (NT_SUCCESS(status)) return handle;
  error = ErrorOfStatus(status);
  return nullptr;
}
