#include "loopmount.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

bool Run(const QString& program, const QStringList& arguments, QString& error) {
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(program, arguments);
  if (process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
    return true;
  error = program + QStringLiteral(": ") + QString::fromLocal8Bit(process.readAll()).trimmed();
  return false;
}

// How each type is made and mounted: the kernel's own drivers by loop
// device, FAT, exFAT and NTFS through their FUSE drivers as on most desktops.
struct FileSystemKind {
  QString mkfs;
  QStringList mkfsOptions;
  QString mountProgram;  // given the image and the mount point
  QStringList mountOptions;
};

FileSystemKind KindOf(const QString& type) {
  if (type == QStringLiteral("fat")) return {"mkfs.vfat", {"-F", "32"}, "fusefat", {"-o", "rw+"}};
  // The exFAT FUSE driver takes block devices only.
  if (type == QStringLiteral("exfat")) return {"mkfs.exfat", {}, "mount", {"-t", "exfat-fuse", "-o", "loop"}};
  if (type == QStringLiteral("ntfs")) return {"mkfs.ntfs", {"-q", "-F", "-f"}, "ntfs-3g", {}};
  if (type == QStringLiteral("ext4")) return {"mkfs.ext4", {"-q", "-F"}, "mount", {"-o", "loop"}};
  return {"mkfs." + type, {"-q"}, "mount", {"-o", "loop"}};
}

QString FindProgram(const QString& name) {
  return QStandardPaths::findExecutable(name, {"/usr/sbin", "/sbin", "/usr/bin", "/bin"});
}

char takenPath[4096];

// A signal handler: only calls safe there.
void TakeName(int) { ::close(::open(takenPath, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644)); }

}  // namespace

LoopMount::LoopMount(const QString& type, int sizeMiB) {
  if (::geteuid() != 0) {
    whyNot_ = QStringLiteral("mounting a %1 image needs root").arg(type);
    return;
  }
  if (type == QStringLiteral("tmpfs")) {
    QDir(dir_.path()).mkdir(QStringLiteral("mnt"));
    mounted_ = Run(QStringLiteral("mount"),
                   {"-t", "tmpfs", "-o", QStringLiteral("size=%1m").arg(sizeMiB), "none", path()}, whyNot_);
    return;
  }
  const FileSystemKind kind = KindOf(type);
  const QString mkfs = FindProgram(kind.mkfs);
  const QString mounter = FindProgram(kind.mountProgram);
  if (mkfs.isEmpty() || mounter.isEmpty()) {
    whyNot_ = QStringLiteral("%1 or %2 is not installed").arg(kind.mkfs, kind.mountProgram);
    return;
  }
  const QString image = dir_.filePath(QStringLiteral("image"));
  QFile file(image);
  if (!dir_.isValid() || !file.open(QIODevice::WriteOnly) || !file.resize(qint64{sizeMiB} << 20)) {
    whyNot_ = QStringLiteral("no room for the image");
    return;
  }
  file.close();
  QDir(dir_.path()).mkdir(QStringLiteral("mnt"));
  if (!Run(mkfs, kind.mkfsOptions + QStringList{image}, whyNot_)) return;
  mounted_ = Run(mounter, kind.mountOptions + QStringList{image, path()}, whyNot_);
}

LoopMount::~LoopMount() {
  if (!mounted_) return;
  QString ignored;
  if (!Run(QStringLiteral("umount"), {path()}, ignored))
    Run(QStringLiteral("umount"), {QStringLiteral("-l"), path()}, ignored);
}

std::unique_ptr<QProcess> TakeNameAfterCall(const QString& call, const QString& path, QString& whyNot) {
  const QString strace = FindProgram(QStringLiteral("strace"));
  whyNot = QStringLiteral("taking a name after a system call needs root and strace");
  if (::geteuid() != 0 || strace.isEmpty()) return nullptr;
  qstrncpy(takenPath, QFile::encodeName(path).constData(), sizeof takenPath);
  std::signal(SIGUSR1, TakeName);
  // Sent on the call's entry, the signal is handled as the call returns.
  auto tracer = std::make_unique<QProcess>();
  tracer->setReadChannel(QProcess::StandardError);
  const QString pid = QString::number(::getpid());
  tracer->start(strace, {"-f", "-o", "/dev/null", "-e", "inject=" + call + ":signal=SIGUSR1:when=1", "-p", pid});
  const QString attached = "Process " + pid + " attached";
  for (whyNot.clear(); !whyNot.contains(attached) && tracer->waitForReadyRead(10000);)
    whyNot += QString::fromLocal8Bit(tracer->readAll());
  return whyNot.contains(attached) ? std::move(tracer) : nullptr;
}
