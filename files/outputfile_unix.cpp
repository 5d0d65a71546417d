#include "files/outputfile.h"

#include "files/filenames.h"
#include "files/outputfile_p.h"
#include "files/posix_p.h"

#include <QDateTime>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

QByteArray FolderOf(const QByteArray& path) {
  const qsizetype slash = path.lastIndexOf('/');
  if (slash < 0) return ".";
  return slash == 0 ? QByteArray("/") : path.left(slash);
}

// The old file's owner, group and permissions pass to its replacement, as far
// as this process may give them; never a setuid or setgid bit.
void CarryOverMetadata(int file, const QByteArray& oldPath, const struct stat& old) {
  if (::fchown(file, old.st_uid, old.st_gid) != 0) (void)::fchown(file, static_cast<uid_t>(-1), old.st_gid);
  (void)::fchmod(file, old.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO | S_ISVTX));
  // Access lists are extended attributes too; set after the mode, which would change their mask.
  const ssize_t listSize = ::listxattr(oldPath.constData(), nullptr, 0);
  if (listSize <= 0) return;
  std::vector<char> names(static_cast<size_t>(listSize));
  const ssize_t listed = ::listxattr(oldPath.constData(), names.data(), names.size());
  if (listed <= 0) return;
  std::vector<char> value;
  for (const char* name = names.data(); name < names.data() + listed; name += std::strlen(name) + 1) {
    const ssize_t valueSize = ::getxattr(oldPath.constData(), name, nullptr, 0);
    if (valueSize < 0) continue;
    value.resize(static_cast<size_t>(valueSize));
    const ssize_t got = ::getxattr(oldPath.constData(), name, value.data(), value.size());
    if (got >= 0) (void)::fsetxattr(file, name, value.data(), static_cast<size_t>(got), 0);
  }
}

bool SameFile(const struct stat& one, const struct stat& other) {
  return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

// What a link in the output's place leads to, followed once: a file there or
// a free name in an existing folder; a link that leads nowhere fails.
bool ResolveOutputPlace(const QByteArray& path, QByteArray& place, SystemError& error) {
  place = path;
  struct stat link {};
  if (::lstat(path.constData(), &link) != 0 || !S_ISLNK(link.st_mode)) return true;
  char* resolved = ::realpath(path.constData(), nullptr);
  if (!resolved) {
    error = errno;
    return false;
  }
  place = resolved;
  std::free(resolved);
  return true;
}

// Holds the open folder locked against other joins taking a name in it,
// waiting up to two seconds for one that holds it. Where the system keeps no
// such locks the name is taken unlocked, as only joins ever ask for them.
bool TakeTurn(int folder, SystemError& error) {
  for (int tries = 0; ::flock(folder, LOCK_EX | LOCK_NB) != 0; ++tries) {
    if (errno == ENOLCK || errno == EOPNOTSUPP || errno == EINVAL) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) {
      error = errno;
      return false;
    }
    if (tries == 200) {
      error = EWOULDBLOCK;
      return false;
    }
    ::usleep(10000);
  }
  return true;
}

}  // namespace

struct OutputFile::Private {
  ~Private() {
    if (standing >= 0) ::close(standing);
    if (folder >= 0) ::close(folder);
  }
  // The output's place, a link there followed once.
  QByteArray folderPath;
  QByteArray name;
  int folder = -1;      // the folder, held from the check to the commit
  int standing = -1;    // the file that stood at the name, held so that its number stays
  QByteArray tempName;  // in the folder; empty while the file has none
  bool committed = false;

  // The same file through the folder held, for calls that take a path.
  QByteArray PathOf(const QByteArray& entry) const {
    if (::access("/proc/self/fd", X_OK) == 0) return "/proc/self/fd/" + QByteArray::number(folder) + '/' + entry;
    return folderPath + '/' + entry;
  }
  bool Present(struct stat& status) const {
    return ::fstatat(folder, name.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0;
  }
  // Gives an unnamed file a temporary name in the folder.
  bool NameTemporary(int file, SystemError& error) {
    if (!tempName.isEmpty()) return true;
    const QByteArray unnamed = "/proc/self/fd/" + QByteArray::number(file);
    return MakeUnderFreshTemporaryName([&](const QString& fresh, bool& taken) {
      const QByteArray candidate = EncodeFileName(fresh);
      if (::linkat(AT_FDCWD, unnamed.constData(), folder, candidate.constData(), AT_SYMLINK_FOLLOW) != 0) {
        error = errno;
        taken = errno == EEXIST;
        return false;
      }
      tempName = candidate;
      return true;
    });
  }
  // Gives the output the name only while the name is free, also on FUSE
  // drivers that cannot refuse a taken name in a rename.
  bool TakeFreeName(int file, SystemError& error) {
    if (tempName.isEmpty()) {
      const QByteArray unnamed = "/proc/self/fd/" + QByteArray::number(file);
      if (::linkat(AT_FDCWD, unnamed.constData(), folder, name.constData(), AT_SYMLINK_FOLLOW) == 0) return true;
      error = errno;
      return false;
    }
    if (::renameat2(folder, tempName.constData(), folder, name.constData(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
      error = errno;
      return false;
    }
    // A hard link is refused where the name is taken (NTFS through ntfs-3g).
    if (::linkat(folder, tempName.constData(), folder, name.constData(), 0) == 0) {
      (void)::unlinkat(folder, tempName.constData(), 0);
      return true;
    }
    if (errno == EEXIST) {
      error = errno;
      return false;
    }
    return RenameWhileFree(error);
  }
  // No hard links (exFAT, FAT): joins taking a name in this folder take turns,
  // and the name is taken only while it is still free. Nothing stands under it
  // before the rename, so a join killed meanwhile leaves it free.
  bool RenameWhileFree(SystemError& error) {
    const int turn = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (turn < 0) {
      error = errno;
      return false;
    }
    struct stat present {};
    bool taken = false;
    if (TakeTurn(turn, error)) {
      if (Present(present))
        error = EEXIST;
      else if (errno != ENOENT)
        error = errno;
      else if (::renameat(folder, tempName.constData(), folder, name.constData()) == 0)
        taken = true;
      else
        error = errno;
    }
    ::close(turn);
    return taken;
  }
  // Replaces the plain file `present` at the name, after a last look that it is still there.
  bool Replace(int file, const struct stat& present, SystemError& error) {
    CarryOverMetadata(file, PathOf(name), present);
    if (!NameTemporary(file, error)) return false;
    struct stat now {};
    if (!Present(now) || !SameFile(now, present)) {
      error = EEXIST;
      return false;
    }
    if (::renameat(folder, tempName.constData(), folder, name.constData()) == 0) return true;
    error = errno;
    return false;
  }
};

OutputFile::OutputFile(const QString& path) : path_(path), d_(std::make_unique<Private>()) {}

OutputFile::~OutputFile() {
  SystemError ignored = 0;
  Discard(ignored);
}

bool OutputFile::Create(SystemError& error) {
  QByteArray place;
  if (!ResolveOutputPlace(EncodeFileName(path_), place, error)) return false;
  d_->folderPath = FolderOf(place);
  d_->name = place.mid(place.lastIndexOf('/') + 1);
  d_->folder = ::open(d_->folderPath.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (d_->folder < 0) {
    error = errno;
    return false;
  }
  d_->standing = ::openat(d_->folder, d_->name.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
  // A file without a name leaves nothing behind however the process ends;
  // it needs /proc to be given its name.
  if (::access("/proc/self/fd", X_OK) == 0) {
    const int descriptor = ::openat(d_->folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (descriptor >= 0) {
      file_ = NativeFile(descriptor);
      return true;
    }
  }
  return MakeUnderFreshTemporaryName([&](const QString& fresh, bool& taken) {
    const QByteArray tempName = EncodeFileName(fresh);
    const int descriptor =
        ::openat(d_->folder, tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (descriptor < 0) {
      error = errno;
      taken = errno == EEXIST;
      return false;
    }
    d_->tempName = tempName;
    file_ = NativeFile(descriptor);
    // Held until the file is closed: a running join's file is never taken for a stray one.
    (void)::flock(descriptor, LOCK_EX | LOCK_NB);
    return true;
  });
}

QString OutputFile::folderPath() const { return DecodeFileName(d_->folderPath); }

bool OutputFile::Flush(SystemError& error) {
  if (::fsync(Descriptor(file_)) == 0) return true;
  error = errno;
  return false;
}

// Linux has no marks of the web's zones.
void OutputFile::MarkWithZone(std::optional<int>) {}

// No other program's open file keeps a rename here from replacing it.
bool OutputFile::Commit(const MayReplace& mayReplace, const WhileHeld&, SystemError& error) {
  // A file that takes the name meanwhile is looked at on a second round.
  for (int round = 0; round < 2; ++round) {
    struct stat present {};
    bool taken = false;
    if (!d_->Present(present)) {
      if (errno != ENOENT) {
        error = errno;
        return false;
      }
      taken = d_->TakeFreeName(Descriptor(file_), error);
      if (!taken && error == EEXIST) continue;
    } else {
      struct stat held {};
      const bool standing = d_->standing >= 0 && ::fstat(d_->standing, &held) == 0 && SameFile(held, present);
      if (!S_ISREG(present.st_mode) || !mayReplace(StatusFrom(present), standing)) {
        error = EEXIST;
        return false;
      }
      taken = d_->Replace(Descriptor(file_), present, error);
    }
    if (!taken) return false;
    d_->committed = true;
    const int synced = ::openat(d_->folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (synced >= 0) {
      (void)::fsync(synced);
      ::close(synced);
    }
    return true;
  }
  error = EEXIST;
  return false;
}

bool OutputFile::Discard(SystemError& error) {
  if (d_->committed || d_->tempName.isEmpty()) return true;
  if (::unlinkat(d_->folder, d_->tempName.constData(), 0) != 0 && errno != ENOENT) {
    error = errno;
    return false;
  }
  d_->tempName.clear();
  return true;
}

QString OutputFile::temporaryPath() const {
  return d_->tempName.isEmpty() ? QString() : DecodeFileName(d_->folderPath + '/' + d_->tempName);
}

namespace {

// Removes the temporary file `name` in `folder` where a join left it.
void RemoveIfStray(int folder, const QByteArray& name, qint64 now) {
  const int descriptor = ::openat(folder, name.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (descriptor < 0) return;
  struct stat opened {};
  struct stat named {};
  // A join that holds the lock is still running; the name must still be the file opened.
  if (::fstat(descriptor, &opened) == 0 && S_ISREG(opened.st_mode) &&
      now - opened.st_mtime >= kStrayJoinTemporarySeconds && ::flock(descriptor, LOCK_EX | LOCK_NB) == 0 &&
      ::fstatat(folder, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(named, opened)) {
    ::unlinkat(folder, name.constData(), 0);
  }
  ::close(descriptor);
}

}  // namespace

void RemoveStrayJoinTemporaries(const QString& folder) {
  DIR* directory = ::opendir(EncodeFileName(folder).constData());
  if (!directory) return;
  const qint64 now = QDateTime::currentSecsSinceEpoch();
  while (const dirent* entry = ::readdir(directory)) {
    // Their names begin with a dot: the others need no decoding.
    if (entry->d_name[0] == '.' && IsJoinTemporaryName(DecodeFileName(entry->d_name)))
      RemoveIfStray(::dirfd(directory), entry->d_name, now);
  }
  ::closedir(directory);
}
