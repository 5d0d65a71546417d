#include "files/outputfile.h"

#include "files/nativepath.h"
#include "files/outputfile_p.h"
#include "files/win32_p.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <functional>
#include <optional>

#include <windows.h>

namespace {

// A virus scanner or the search indexer often holds a fresh file for a
// moment: how long a held file is waited for before the join fails.
constexpr DWORD kHeldFilePatienceMs = 2000;

qint64 SecondsSinceWritten(const FILETIME& written) {
  const qint64 ticks = static_cast<qint64>((quint64{written.dwHighDateTime} << 32) | written.dwLowDateTime);
  constexpr qint64 kTicksPerSecond = 10'000'000;
  constexpr qint64 kEpochDifferenceSeconds = 11'644'473'600;  // from 1601 to 1970
  return QDateTime::currentSecsSinceEpoch() - (ticks / kTicksPerSecond - kEpochDifferenceSeconds);
}

bool MeansHeld(SystemError error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// Whether another program has the file open so that it cannot be renamed or
// replaced now; the system's error is left as the reason.
bool Held(const std::wstring& path) {
  const HANDLE handle = ::CreateFileW(path.c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle != INVALID_HANDLE_VALUE) {
    ::CloseHandle(handle);
    return false;
  }
  // A file that may not be deleted may still be replaced through its folder's rights: that is for the try to tell.
  return ::GetLastError() == ERROR_SHARING_VIOLATION || ::GetLastError() == ERROR_LOCK_VIOLATION;
}

// Tries the step again while another program holds a file it needs, with
// pauses of 10, 20, 40 ms and so on, for about kHeldFilePatienceMs.
bool RetriedWhileHeld(const std::function<bool()>& step, SystemError& error) {
  DWORD waited = 0;
  for (DWORD pause = 10;; pause *= 2) {
    if (step()) return true;
    error = LastError();
    if (!MeansHeld(error) || waited >= kHeldFilePatienceMs) return false;
    pause = std::min(pause, kHeldFilePatienceMs - waited);
    ::Sleep(pause);
    waited += pause;
  }
}

// Clears the hidden attribute the file was written under, keeping the others.
bool Unhide(HANDLE handle, SystemError& error) {
  FILE_BASIC_INFO information{};
  if (!::GetFileInformationByHandleEx(handle, FileBasicInfo, &information, sizeof information)) {
    error = LastError();
    return false;
  }
  information.FileAttributes &= ~DWORD{FILE_ATTRIBUTE_HIDDEN};
  if (information.FileAttributes == 0) information.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  if (::SetFileInformationByHandle(handle, FileBasicInfo, &information, sizeof information)) return true;
  error = LastError();
  return false;
}

// A path as GetFinalPathNameByHandleW gives it (\\?\C:\… or \\?\UNC\…), as Qt writes paths.
QString FromFinalPath(QString path) {
  if (path.startsWith(u"\\\\?\\UNC\\"))
    path.replace(0, 8, QStringLiteral("\\\\"));
  else if (path.startsWith(u"\\\\?\\"))
    path.remove(0, 4);
  return QDir::fromNativeSeparators(path);
}

// What a link in the output's place leads to, followed once; a link that leads nowhere fails.
bool ResolveOutputPlace(QString& path, SystemError& error) {
  const DWORD attributes = ::GetFileAttributesW(Win32Path(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return true;
  const HANDLE handle = ::CreateFileW(Win32Path(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = LastError();
    return false;
  }
  std::wstring final(32768, L'\0');
  const DWORD length = ::GetFinalPathNameByHandleW(handle, final.data(), static_cast<DWORD>(final.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (length == 0 || length >= final.size()) error = LastError();
  ::CloseHandle(handle);
  if (length == 0 || length >= final.size()) return false;
  path = FromFinalPath(QString::fromWCharArray(final.data(), static_cast<qsizetype>(length)));
  return true;
}

}  // namespace

struct OutputFile::Private {
  ~Private() {
    if (folder != INVALID_HANDLE_VALUE) ::CloseHandle(folder);
  }
  QString tempPath;
  // Held, not shared for deleting, so that the folder cannot be renamed or
  // removed while the join writes in it: Win32 renames by path only.
  HANDLE folder = INVALID_HANDLE_VALUE;
  std::optional<FileIdentity> standing;  // the file that stood at the name
  bool committed = false;
};

OutputFile::OutputFile(const QString& path) : path_(path), d_(std::make_unique<Private>()) {}

OutputFile::~OutputFile() {
  SystemError ignored = 0;
  Discard(ignored);
}

bool OutputFile::Create(SystemError& error) {
  if (!ResolveOutputPlace(path_, error)) return false;
  const QString folder = folderPath();
  d_->folder = ::CreateFileW(Win32Path(folder).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (d_->folder == INVALID_HANDLE_VALUE) {
    error = LastError();
    return false;
  }
  SystemError ignored = 0;
  if (const std::optional<FileStatus> standing = StatusOf(path_, ignored)) d_->standing = standing->identity;
  return MakeUnderFreshTemporaryName([&](const QString& name, bool& taken) {
    const QString tempPath = folder + u'/' + name;
    // Not shared for deleting: another join never takes a running join's file for a stray one.
    // Hidden, so that Explorer does not show a file that is still being written.
    const HANDLE handle = ::CreateFileW(Win32Path(tempPath).c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      error = LastError();
      taken = error == ERROR_FILE_EXISTS;
      return false;
    }
    d_->tempPath = tempPath;
    file_ = NativeFile(reinterpret_cast<intptr_t>(handle));
    return true;
  });
}

QString OutputFile::folderPath() const { return QFileInfo(path_).path(); }

bool OutputFile::Flush(SystemError& error) {
  if (::FlushFileBuffers(Handle(file_))) return true;
  error = LastError();
  return false;
}

bool OutputFile::Commit(const MayReplace& mayReplace, SystemError& error) {
  // Visible before it takes its name; a replaced hidden file passes its attribute on.
  if (!Unhide(Handle(file_), error)) return false;
  file_ = NativeFile();
  const std::wstring temp = Win32Path(d_->tempPath);
  const std::wstring target = Win32Path(path_);
  // A file that takes the name meanwhile is looked at on a second round.
  for (int round = 0; round < 2; ++round) {
    SystemError ignored = 0;
    const std::optional<FileStatus> old = StatusOf(path_, ignored);
    if (old && (!old->isRegular || !mayReplace(*old, old->identity == d_->standing))) {
      error = ERROR_FILE_EXISTS;
      return false;
    }
    // Replacing keeps the old file's access lists, attributes and streams.
    const auto takeName = [&]() -> bool {
      // Asked before each try: a replace that fails can leave worse than none (without a backup
      // name the old file may be gone; Wine leaves files of its own).
      if (Held(temp) || (old && Held(target))) return false;
      return old ? (::ReplaceFileW(target.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                                   nullptr) ||
                    ::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                 : ::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
    };
    if (RetriedWhileHeld(takeName, error)) {
      d_->committed = true;
      return true;
    }
    // Without MOVEFILE_REPLACE_EXISTING a name taken meanwhile is refused, on every drive.
    if (old || (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)) return false;
  }
  return false;
}

bool OutputFile::Discard(SystemError& error) {
  if (d_->committed || d_->tempPath.isEmpty()) return true;
  file_ = NativeFile();
  if (!::DeleteFileW(Win32Path(d_->tempPath).c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND) {
    error = LastError();
    return false;
  }
  d_->tempPath.clear();
  return true;
}

QString OutputFile::temporaryPath() const { return d_->tempPath; }

// Windows finds them by their pattern, without reading the whole folder.
void RemoveStrayJoinTemporaries(const QString& folder) {
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW(Win32Path(folder + QStringLiteral("/.entw-join-*.tmp")).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const QString name = QString::fromWCharArray(found.cFileName);
    if (IsJoinTemporaryName(name) && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
        SecondsSinceWritten(found.ftLastWriteTime) >= kStrayJoinTemporarySeconds)
      ::DeleteFileW(Win32Path(folder + u'/' + name).c_str());
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
}