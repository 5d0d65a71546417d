#include "files/folderlisting.h"

#include "files/nativepath.h"
#include "files/win32_p.h"

#include <QDate>
#include <QDir>

#include <map>

#include <windows.h>

bool ListRegularFiles(const QString& folder, QStringList& names, SystemError& error) {
  const QDir directory(folder);
  if (!directory.exists()) {
    error = kPathNotFoundError;
    return false;
  }
  names = directory.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
  return true;
}

struct FolderDays::Private {
  DYNAMIC_TIME_ZONE_INFORMATION zone{};
  std::map<WORD, TIME_ZONE_INFORMATION> rules;  // the zone's rules by year, each read once

  // The zone's rules for a year, or null for its present ones where Windows has none by year.
  const TIME_ZONE_INFORMATION* Rules(WORD year) {
    auto found = rules.find(year);
    if (found == rules.end()) {
      TIME_ZONE_INFORMATION yearRules{};
      if (!::GetTimeZoneInformationForYear(year, &zone, &yearRules)) return nullptr;
      // The user's "adjust for daylight saving time automatically" switched off.
      if (zone.DynamicDaylightTimeDisabled) yearRules.StandardDate.wMonth = 0;
      found = rules.emplace(year, yearRules).first;
    }
    return &found->second;
  }
};

// Where Windows cannot tell its zone, no rules by year are found for it.
FolderDays::FolderDays(const QString& folder) : folder_(folder), d_(std::make_unique<Private>()) {
  ::GetDynamicTimeZoneInformation(&d_->zone);
}

FolderDays::~FolderDays() = default;

// The day Explorer shows: the file's time in UTC converted by Windows' own
// zone, under the daylight-saving rule of that date. The C runtime's local
// time, and so Qt's, follows TZ instead, and reads no zone names such as
// Asia/Tokyo that Unix-style shells set.
std::optional<qint64> FolderDays::LocalDay(const QString& name, SystemError& error) const {
  // Opened for its attributes only, which no other program's sharing forbids; a link leads to its file.
  const HANDLE file = ::CreateFileW(Win32Path(folder_ + name).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  FILETIME written{};
  const bool read = file != INVALID_HANDLE_VALUE && ::GetFileTime(file, nullptr, nullptr, &written);
  if (!read) error = static_cast<SystemError>(::GetLastError());
  if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
  if (!read) return std::nullopt;
  SYSTEMTIME utc{};
  SYSTEMTIME local{};
  // Around New Year the local year's rules are the ones that hold.
  if (!::FileTimeToSystemTime(&written, &utc) ||
      !::SystemTimeToTzSpecificLocalTime(d_->Rules(utc.wYear), &utc, &local) ||
      (local.wYear != utc.wYear && !::SystemTimeToTzSpecificLocalTime(d_->Rules(local.wYear), &utc, &local))) {
    error = static_cast<SystemError>(::GetLastError());
    return std::nullopt;
  }
  return QDate(local.wYear, local.wMonth, local.wDay).toJulianDay();
}

// Opened for listing, which takes part in sharing as an attributes-only
// handle does not, and not shared for deleting, which a rename needs.
HeldFolder::HeldFolder(const QString& folder) {
  const HANDLE handle =
      ::CreateFileW(Win32Path(folder).c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle != INVALID_HANDLE_VALUE) handle_ = reinterpret_cast<intptr_t>(handle);
}

HeldFolder::~HeldFolder() {
  if (handle_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

// As NativeFiles::OpenInput opens it, but by its name in the held folder.
NativeFile HeldFolder::OpenInput(const QString& name, const QString& path, SystemError& error) const {
  if (handle_ == -1) return NativeFiles::OpenInput(path, error);
  const HANDLE file = OpenRelative(reinterpret_cast<HANDLE>(handle_), QDir::toNativeSeparators(name).toStdWString(),
                                   GENERIC_READ, kShareAll, FILE_OPEN, error, FILE_SEQUENTIAL_ONLY);
  return NativeFile(file ? reinterpret_cast<intptr_t>(file) : -1);
}
