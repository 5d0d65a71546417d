#include "app/drives.h"

#include "files/filenames.h"
#include "files/nativepath.h"

#include <QDir>

#include <windows.h>

namespace {

// No error box for an empty drive while the calling thread asks it something;
// the thread's own mode, as questions to several drives run at once.
class NoCriticalErrorBoxes {
 public:
  NoCriticalErrorBoxes() { ::SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previous_); }
  ~NoCriticalErrorBoxes() { ::SetThreadErrorMode(previous_, nullptr); }
  NoCriticalErrorBoxes(const NoCriticalErrorBoxes&) = delete;
  NoCriticalErrorBoxes& operator=(const NoCriticalErrorBoxes&) = delete;

 private:
  DWORD previous_ = 0;
};

}  // namespace

bool IsUserVolume(const QString&, const QByteArray&) { return true; }

// Every drive letter, read afresh each time, those without a medium too:
// choosing one of them is how the user learns that it is not ready.
QList<Drive> SystemDrives::ListDrives() {
  QList<Drive> drives;
  const DWORD letters = ::GetLogicalDrives();
  for (int letter = 0; letter < 26; ++letter) {
    if ((letters & (DWORD{1} << letter)) == 0) continue;
    const QString id = QStringLiteral("%1:").arg(QChar(u'a' + letter));
    drives.append(Drive{id, QString(), id.toUpper() + u'/'});
  }
  return drives;
}

QString SystemDrives::WorkingFolder() { return QDir::currentPath(); }

// What GetFullPathNameW makes of "D:": the folder cmd.exe and other programs left as D:'s current one.
QString SystemDrives::CurrentFolder(const Drive& drive) {
  const QString folder = DriveCurrentFolder(drive.id.front());
  return folder.startsWith(drive.root, Qt::CaseInsensitive) ? folder : drive.root;
}

std::optional<QString> SystemDrives::AskLabel(const Drive& drive) {
  const NoCriticalErrorBoxes quiet;
  wchar_t label[MAX_PATH + 1] = {};
  if (::GetVolumeInformationW(Win32Path(drive.root).c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr,
                              0))
    return QString::fromWCharArray(label);
  // A drive that answers but hides its label is ready.
  if (::GetLastError() == ERROR_ACCESS_DENIED) return QString();
  return std::nullopt;
}

std::optional<Failure> SystemDrives::CheckFolder(const Drive& drive, const QString& folder) {
  const NoCriticalErrorBoxes quiet;
  if (!::GetVolumeInformationW(Win32Path(drive.root).c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0)) {
    const int error = static_cast<int>(::GetLastError());
    // A drive that answers but hides its label is ready; one that does not answer is not.
    if (error != ERROR_ACCESS_DENIED) return FailureOfOpeningFolder(drive.root, error);
  }
  const DWORD attributes = ::GetFileAttributesW(Win32Path(folder).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
    return FailureOfOpeningFolder(folder, ERROR_DIRECTORY);  // a file where the folder was
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW(Win32Path(FolderText(folder) + u'*').c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return FailureOfOpeningFolder(folder, static_cast<int>(::GetLastError()));
  ::FindClose(search);
  return std::nullopt;
}
