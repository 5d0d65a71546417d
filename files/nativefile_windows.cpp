#include "files/nativefile.h"

#include "files/nativepath.h"
#include "files/win32_p.h"

#include <algorithm>

#include <windows.h>

void NativeFile::Close() {
  if (isOpen()) ::CloseHandle(Handle(*this));
  handle_ = -1;
}

std::optional<FileStatus> NativeFile::Status(SystemError& error) const { return StatusOfHandle(Handle(*this), error); }

qint64 NativeFile::Read(char* data, qint64 length, SystemError& error) {
  DWORD count = 0;
  const DWORD wanted = static_cast<DWORD>(std::min<qint64>(length, qint64{1} << 30));
  if (::ReadFile(Handle(*this), data, wanted, &count, nullptr)) return count;
  if (::GetLastError() == ERROR_HANDLE_EOF) return 0;
  error = LastError();
  return -1;
}

bool NativeFile::WriteAll(const char* data, qint64 length, SystemError& error) {
  for (qint64 written = 0; written < length;) {
    DWORD count = 0;
    const DWORD piece = static_cast<DWORD>(std::min<qint64>(length - written, qint64{1} << 30));
    if (!::WriteFile(Handle(*this), data + written, piece, &count, nullptr)) {
      error = LastError();
      return false;
    }
    written += count;
  }
  return true;
}

bool NativeFile::Seek(qint64 offset, SystemError& error) {
  LARGE_INTEGER distance{};
  distance.QuadPart = offset;
  if (::SetFilePointerEx(Handle(*this), distance, nullptr, FILE_BEGIN)) return true;
  error = LastError();
  return false;
}

bool NativeFile::SetLength(qint64 length, SystemError& error) {
  LARGE_INTEGER position{};
  if (!::SetFilePointerEx(Handle(*this), LARGE_INTEGER{}, &position, FILE_CURRENT) || !Seek(length, error) ||
      !::SetEndOfFile(Handle(*this))) {
    error = LastError();
    return false;
  }
  return Seek(position.QuadPart, error);
}

// Holes are not looked for here: every file is read whole.
NativeFile::DataRange NativeFile::NextData(qint64 offset, qint64 end) const { return {offset, end}; }

// A file here is not sparse unless asked to be, so its holes are written.
bool NativeFile::KeepsHoles() { return false; }

NativeFile NativeFiles::OpenInput(const QString& path, SystemError& error) {
  // Others may go on reading and writing it; one that holds it exclusively makes this fail.
  const HANDLE handle =
      ::CreateFileW(Win32Path(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) error = LastError();
  return NativeFile(reinterpret_cast<intptr_t>(handle));
}

qint64 NativeFiles::CopyInKernel(NativeFile&, NativeFile&, qint64, CopyFailure& failure) {
  failure.error = ERROR_NOT_SUPPORTED;
  failure.refused = true;
  return -1;
}

void NativeFiles::StartWriteBack(NativeFile&, qint64, qint64) {}

void NativeFiles::PrepareForJoins() {}

std::optional<qint64> NativeFiles::FileSizeLimit() { return std::nullopt; }

// Win32 would drop trailing dots and spaces, open a device for NUL or COM1 and
// a stream for x:y; the \\?\ form it is handed would make names other
// programs cannot open.
bool NativeFiles::KeepsOutputName(const QString& outName) { return IsKeptWindowsName(outName); }
