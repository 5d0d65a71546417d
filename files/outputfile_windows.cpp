#include "files/outputfile.h"

#include "files/nativepath.h"
#include "files/outputfile_p.h"
#include "files/win32_p.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <cstddef>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include <windows.h>
// Needs windows.h first.
#include <aclapi.h>

namespace {

// A virus scanner, the search indexer or OneDrive often holds a file for a
// moment, a media player for as long as it plays it: how long the commit
// waits for the file it replaces, asking every kHeldRetryMs whether to go on.
constexpr DWORD kHeldFilePatienceMs = 30'000;
constexpr DWORD kHeldRetryMs = 250;

// NT's information classes and rename flags, which MinGW's headers lack.
constexpr auto kFileRenameInformation = static_cast<FILE_INFORMATION_CLASS>(10);
constexpr auto kFileRenameInformationEx = static_cast<FILE_INFORMATION_CLASS>(65);
constexpr ULONG kRenameReplaceIfExists = 0x01;
constexpr ULONG kRenamePosixSemantics = 0x02;
constexpr ULONG kRenameIgnoreReadOnlyAttribute = 0x40;

// FILE_RENAME_INFORMATION as Windows 10 has it: flags where older Windows
// takes a BOOLEAN ReplaceIfExists, at the same place.
struct RenameInformation {
  ULONG flags;
  HANDLE rootDirectory;
  ULONG fileNameLength;
  WCHAR fileName[1];
};

// What a replaced file passes on to the new one, besides its access list.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The name of the stream that carries the web's mark.
constexpr wchar_t kZoneStream[] = L":Zone.Identifier";

qint64 SecondsSinceWritten(const FILETIME& written) {
  const qint64 ticks = static_cast<qint64>((quint64{written.dwHighDateTime} << 32) | written.dwLowDateTime);
  constexpr qint64 kTicksPerSecond = 10'000'000;
  constexpr qint64 kEpochDifferenceSeconds = 11'644'473'600;  // from 1601 to 1970
  return QDateTime::currentSecsSinceEpoch() - (ticks / kTicksPerSecond - kEpochDifferenceSeconds);
}

// A handle closed when it goes.
struct OwnedHandle {
  HANDLE handle = nullptr;
  OwnedHandle() = default;
  explicit OwnedHandle(HANDLE opened) : handle(opened == INVALID_HANDLE_VALUE ? nullptr : opened) {}
  ~OwnedHandle() {
    if (handle) ::CloseHandle(handle);
  }
  OwnedHandle(OwnedHandle&& other) noexcept : handle(std::exchange(other.handle, nullptr)) {}
  OwnedHandle& operator=(OwnedHandle&& other) noexcept {
    std::swap(handle, other.handle);
    return *this;
  }
  explicit operator bool() const { return handle != nullptr; }
};

// Renames the open file to `name` in the held folder, whatever its path is
// now; without a folder, `name` is a whole NT path.
SystemError RenameInFolder(HANDLE file, HANDLE folder, const std::wstring& name, FILE_INFORMATION_CLASS kind,
                           ULONG flags) {
  std::vector<std::byte> buffer(offsetof(RenameInformation, fileName) + (name.size() + 1) * sizeof(wchar_t));
  auto* rename = reinterpret_cast<RenameInformation*>(buffer.data());
  rename->flags = flags;
  rename->rootDirectory = folder;
  rename->fileNameLength = static_cast<ULONG>(name.size() * sizeof(wchar_t));
  std::memcpy(rename->fileName, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
  IO_STATUS_BLOCK io{};
  const NTSTATUS status = ::NtSetInformationFile(file, &io, rename, static_cast<ULONG>(buffer.size()), kind);
  return NT_SUCCESS(status) ? 0 : ErrorOfStatus(status);
}

// A path in the \\?\ form as NT takes it: \??\C:\… or \??\UNC\….
std::wstring NtPath(std::wstring path) { return path.replace(0, 4, L"\\??\\"); }

bool MeansHeld(SystemError error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION; }

// Whether a rename that replaces the file `name` was refused for another
// program's open handle rather than for want of rights: only an open handle
// stands in the way where the file may be deleted, and one that shares no
// deleting keeps it from being opened to be. Without POSIX semantics a file
// open in any way is not replaced.
bool ReplacedFileIsOpen(HANDLE folder, const std::wstring& name) {
  SystemError error = 0;
  const OwnedHandle probe(OpenRelative(folder, name, DELETE, kShareAll, FILE_OPEN, error, 0));
  return probe || MeansHeld(error);
}

// Whether the rename by handle is not known here (older Windows, Wine) or
// not taken by the file system (FAT), so that the plain rename is tried.
bool RenameExRefused(SystemError error) {
  return error == ERROR_INVALID_PARAMETER || error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED;
}

std::optional<FILE_BASIC_INFO> BasicInformation(HANDLE handle) {
  FILE_BASIC_INFO information{};
  if (!::GetFileInformationByHandleEx(handle, FileBasicInfo, &information, sizeof information)) return std::nullopt;
  return information;
}

// Sets the attributes (FILE_ATTRIBUTE_NORMAL for none) and the creation
// time where not 0, leaving the other times as they are.
bool SetBasicInformation(HANDLE handle, DWORD attributes, LARGE_INTEGER creationTime) {
  FILE_BASIC_INFO information{};
  information.CreationTime = creationTime;
  information.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
  return ::SetFileInformationByHandle(handle, FileBasicInfo, &information, sizeof information) != 0;
}

// Sets the attributes of the file `name` in the held folder; no handle of
// it stays open, which would keep a rename from replacing it.
bool SetAttributesInFolder(HANDLE folder, const std::wstring& name, DWORD attributes) {
  SystemError ignored = 0;
  const OwnedHandle file(OpenRelative(folder, name, FILE_WRITE_ATTRIBUTES, kShareAll, FILE_OPEN, ignored));
  return file && SetBasicInformation(file.handle, attributes, {});
}

// The old file's access list onto the new one, as it was set: inherited
// entries are inherited afresh, a list that inherits nothing stays so.
// Where it may not be read or given, the new file keeps the folder's.
void CopyAccessList(HANDLE from, HANDLE to) {
  PACL list = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetSecurityInfo(from, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &list, nullptr,
                        &descriptor) != ERROR_SUCCESS)
    return;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  const bool inheritsNothing =
      ::GetSecurityDescriptorControl(descriptor, &control, &revision) && (control & SE_DACL_PROTECTED) != 0;
  ::SetSecurityInfo(to, SE_FILE_OBJECT,
                    DACL_SECURITY_INFORMATION |
                        (inheritsNothing ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION),
                    nullptr, nullptr, list, nullptr);
  ::LocalFree(descriptor);
}

// The web's mark as Windows writes it, with the zone alone.
QByteArray ZoneMark(int zone) {
  return QByteArrayLiteral("[ZoneTransfer]\r\nZoneId=") + QByteArray::number(zone) + "\r\n";
}

bool WriteStream(HANDLE stream, const QByteArray& content) {
  DWORD written = 0;
  return ::WriteFile(stream, content.constData(), static_cast<DWORD>(content.size()), &written, nullptr) &&
         written == static_cast<DWORD>(content.size());
}

// Where the temporary file could not take the web's mark (Wine, which keeps
// streams as files of their own name), the file takes it by its final name;
// without one, a mark left there (by Wine, for the file replaced) is removed.
void MarkByName(HANDLE folder, const std::wstring& name, std::optional<int> zone, bool given) {
  if (given) return;
  SystemError ignored = 0;
  const std::wstring stream = name + kZoneStream;
  if (zone) {
    const OwnedHandle marked(OpenRelative(folder, stream, GENERIC_WRITE, 0, FILE_OVERWRITE_IF, ignored));
    if (marked) WriteStream(marked.handle, ZoneMark(*zone));
  } else {
    const OwnedHandle left(OpenRelative(folder, stream, DELETE, kShareAll, FILE_OPEN, ignored,
                                        FILE_NON_DIRECTORY_FILE | FILE_DELETE_ON_CLOSE));
  }
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
  // Held for listing, which takes part in sharing as an attributes-only
  // handle does not, and not shared for deleting: the folder cannot be
  // renamed or removed while the join writes in it. The commit, the removal
  // and the web's mark go through it or the file's own handle, never a path.
  HANDLE folder = INVALID_HANDLE_VALUE;
  std::optional<FileIdentity> standing;  // the file that stood at the name
  std::optional<int> zone;               // the web's mark to give
  bool zoneGiven = false;                // given to the temporary file, which keeps it when renamed
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
  d_->folder =
      ::CreateFileW(Win32Path(folder).c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (d_->folder == INVALID_HANDLE_VALUE) {
    error = LastError();
    return false;
  }
  SystemError ignored = 0;
  if (const std::optional<FileStatus> standing = StatusOf(path_, ignored)) d_->standing = standing->identity;
  return MakeUnderFreshTemporaryName([&](const QString& name, bool& taken) {
    // Not shared for writing or deleting, and open until it has its name or
    // is gone: no other program can hold it so that it may not be renamed,
    // and another join never takes it for a stray one. Hidden, so that
    // Explorer does not show a file that is still being written.
    const HANDLE handle =
        OpenRelative(d_->folder, name.toStdWString(),
                     GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | READ_CONTROL | WRITE_DAC,
                     FILE_SHARE_READ, FILE_CREATE, error, FILE_NON_DIRECTORY_FILE, FILE_ATTRIBUTE_HIDDEN);
    if (!handle) {
      taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
      return false;
    }
    d_->tempPath = folder + u'/' + name;
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

void OutputFile::MarkWithZone(std::optional<int> zone) { d_->zone = zone; }

bool OutputFile::Commit(const MayReplace& mayReplace, const WhileHeld& whileHeld, SystemError& error) {
  const HANDLE file = Handle(file_);
  const std::wstring name = QFileInfo(path_).fileName().toStdWString();
  // On the temporary file the mark goes with it; Wine and drives without
  // streams refuse it, and it is tried again by the final name.
  if (d_->zone) {
    SystemError ignored = 0;
    const OwnedHandle stream(OpenRelative(file, kZoneStream, GENERIC_WRITE, 0, FILE_OVERWRITE_IF, ignored));
    d_->zoneGiven = stream && WriteStream(stream.handle, ZoneMark(*d_->zone));
  }
  // A file that takes the name meanwhile is looked at on a second round; a
  // held file is waited for, and what stands at the name looked at again
  // before each try, so that the wait lets no other file in.
  DWORD waited = 0;
  for (int round = 0; round < 2;) {
    SystemError ignored = 0;
    // Any kind of file: a folder there is refused below. One whose access
    // list may not be read is replaced all the same, with the folder's.
    OwnedHandle old(
        OpenRelative(d_->folder, name, FILE_READ_ATTRIBUTES | READ_CONTROL, kShareAll, FILE_OPEN, ignored, 0));
    if (!old && ignored == ERROR_ACCESS_DENIED)
      old = OwnedHandle(OpenRelative(d_->folder, name, FILE_READ_ATTRIBUTES, kShareAll, FILE_OPEN, ignored, 0));
    std::optional<FileStatus> status = old ? StatusOfHandle(old.handle, ignored) : std::nullopt;
    if (status && (!status->isRegular || !mayReplace(*status, status->identity == d_->standing))) {
      error = ERROR_FILE_EXISTS;
      return false;
    }
    // What the new file keeps of the old one.
    DWORD attributes = 0;
    if (const std::optional<FILE_BASIC_INFO> information = old ? BasicInformation(old.handle) : std::nullopt) {
      attributes = information->FileAttributes & kKeptAttributes;
      CopyAccessList(old.handle, file);
      SetBasicInformation(file, FILE_ATTRIBUTE_HIDDEN, information->CreationTime);
    }
    const bool replacing = status.has_value();
    old = OwnedHandle();
    // In one step, the old file gone only once the new one has its name:
    // with POSIX semantics (Windows 10 1709 and later, NTFS) even while
    // others read it, and whether or not it is read-only.
    const auto rename = [&] {
      SystemError failed = RenameInFolder(
          file, d_->folder, name, kFileRenameInformationEx,
          (replacing ? kRenameReplaceIfExists | kRenameIgnoreReadOnlyAttribute : 0) | kRenamePosixSemantics);
      // Older Windows, other file systems and Wine take the plain rename,
      // which replaces no read-only file: its attribute is lifted for the
      // moment of the rename, and put back if the rename fails.
      if (!RenameExRefused(failed)) return failed;
      const bool lifted = replacing && (attributes & FILE_ATTRIBUTE_READONLY) &&
                          SetAttributesInFolder(d_->folder, name, attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
      failed = RenameInFolder(file, d_->folder, name, kFileRenameInformation, replacing ? 1 : 0);
      // A network drive may take no rename relative to a folder: by the path, then.
      if (RenameExRefused(failed))
        failed = RenameInFolder(file, nullptr, NtPath(Win32Path(path_)), kFileRenameInformation, replacing ? 1 : 0);
      if (failed != 0 && lifted) SetAttributesInFolder(d_->folder, name, attributes);
      return failed;
    };
    error = rename();
    // Refused while held, even as denied access, the file was in use.
    if (error != 0 &&
        (MeansHeld(error) || (error == ERROR_ACCESS_DENIED && replacing && ReplacedFileIsOpen(d_->folder, name)))) {
      error = ERROR_SHARING_VIOLATION;
      if (waited >= kHeldFilePatienceMs || (whileHeld && !whileHeld())) return false;
      ::Sleep(kHeldRetryMs);
      waited += kHeldRetryMs;
      continue;
    }
    if (error == 0) {
      d_->committed = true;
      // Shown only now that it has its name, with the old file's attributes.
      if (const std::optional<FILE_BASIC_INFO> now = BasicInformation(file)) {
        const DWORD made = now->FileAttributes & ~DWORD{FILE_ATTRIBUTE_HIDDEN};
        SetBasicInformation(file, replacing ? (made & ~kKeptAttributes) | attributes : made, {});
      }
      MarkByName(d_->folder, name, d_->zone, d_->zoneGiven);
      file_ = NativeFile();
      return true;
    }
    // A name taken meanwhile is refused, on every drive.
    if (replacing || (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)) return false;
    ++round;
  }
  return false;
}

bool OutputFile::Discard(SystemError& error) {
  if (d_->committed || !file_.isOpen()) return true;
  // By its own handle: the folder's path may lead elsewhere by now.
  FILE_DISPOSITION_INFO disposition{TRUE};
  if (!::SetFileInformationByHandle(Handle(file_), FileDispositionInfo, &disposition, sizeof disposition)) {
    // It stays, hidden, until a later join in its folder removes it.
    error = LastError();
    file_ = NativeFile();
    return false;
  }
  file_ = NativeFile();
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
