#include "app/drives.h"

#include "files/filenames.h"
#include "files/nativepath.h"

#include <QDir>

#include <windows.h>

bool IsUserVolume(const QString&, const QByteArray&) { return true; }

// Every drive letter, read afresh each time, those without a medium too:
// choosing one of them is how the user learns that it is not ready.
QList<Drive> SystemDrives::ListDrives() {
  QList<Drive> drives;
  const DWORD letters = ::GetLogicalDrives();
  for (int letter = 0; letter < 26; ++letter) {
    if ((letters & (DWORD{1} << letter)) == 0) continue;
    const QString id = QStringLiteral("%1:").arg(QChar(u'a' + letter));
    Drive drive{id, QString(), id.toUpper() + u'/'};
    wchar_t label[MAX_PATH + 1] = {};
    // No error box for an empty drive while its label is asked for.
    const UINT previousMode = ::SetErrorMode(SEM_FAILCRITICALERRORS);
    if (::GetVolumeInformationW(Win32Path(drive.root).c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr,
                                0))
      drive.label = QString::fromWCharArray(label);
    ::SetErrorMode(previousMode);
    drives.append(drive);
  }
  return drives;
}

QString SystemDrives::WorkingFolder() { return QDir::currentPath(); }

// What GetFullPathNameW makes of "D:": the folder cmd.exe and other programs left as D:'s current one.
QString SystemDrives::CurrentFolder(const Drive& drive) {
  const QString folder = DriveCurrentFolder(drive.id.front());
  const UINT previousMode = ::SetErrorMode(SEM_FAILCRITICALERRORS);
  const DWORD attributes = ::GetFileAttributesW(Win32Path(folder).c_str());
  ::SetErrorMode(previousMode);
  const bool there = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return there && folder.startsWith(drive.root, Qt::CaseInsensitive) ? folder : drive.root;
}

std::optional<Failure> SystemDrives::CheckFolder(const Drive& drive, const QString& folder) {
  const UINT previousMode = ::SetErrorMode(SEM_FAILCRITICALERRORS);
  std::optional<Failure> failure;
  if (!::GetVolumeInformationW(Win32Path(drive.root).c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0)) {
    const int error = static_cast<int>(::GetLastError());
    // A drive that answers but hides its label is ready; one that does not answer is not.
    if (error != ERROR_ACCESS_DENIED) failure = FailureOfOpeningFolder(drive.root, error);
  }
  const DWORD attributes = ::GetFileAttributesW(Win32Path(folder).c_str());
  if (!failure && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
    failure = FailureOfOpeningFolder(folder, ERROR_DIRECTORY);  // a file where the folder was
  if (!failure) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW(Win32Path(FolderText(folder) + u'*').c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
      failure = FailureOfOpeningFolder(folder, static_cast<int>(::GetLastError()));
    } else {
      ::FindClose(search);
    }
  }
  ::SetErrorMode(previousMode);
  return failure;
}
