#include "join/concatenation.h"

#include "files/folderlisting.h"
#include "files/nativefile.h"
#include "files/outputfile.h"

#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>
#include <chrono>
#include <future>
#include <map>
#include <memory>
#include <vector>

namespace {

// The buffered copy moves data through one buffer of this size, whatever the file sizes.
constexpr qint64 kBufferBytes = qint64{1} << 20;
// Files below this size are gathered in the buffer and written many at a time.
constexpr qint64 kGatheredBelowBytes = qint64{64} << 10;
// How often a running flush to disk lets the progress display repaint.
constexpr std::chrono::milliseconds kFlushPollInterval{50};

JoinResult Failed(FailureKind kind, FailureSide side, const QString& path) {
  return {JoinOutcome::Failed, {kind, side, path}};
}
JoinResult FailedOnSystemError(SystemError errorCode, FailureSide side, const QString& path) {
  // A size limit of the process, not of the drive's file system.
  if (errorCode == kFileTooLargeError && NativeFiles::FileSizeLimit())
    return Failed(FailureKind::ProcessSizeLimit, side, path);
  return {JoinOutcome::Failed, SystemFailure(errorCode, side, path)};
}
JoinResult Stopped() { return {JoinOutcome::Stopped, {}}; }
// Nothing went wrong so far: the join goes on.
JoinResult Fine() { return {}; }
// The join ends here, failed or stopped.
bool Halts(const JoinResult& result) { return result.outcome != JoinOutcome::Joined; }

// File systems that can share the inputs' blocks with the output, so that a
// join may need almost no room at all.
bool SharesBlocks(const QByteArray& fileSystemType) {
  return fileSystemType == "btrfs" || fileSystemType == "xfs" || fileSystemType == "bcachefs" ||
         fileSystemType == "zfs" || fileSystemType == "ocfs2";
}

// The largest file a file system can hold, where it is small enough to matter.
std::optional<qint64> FileSizeCap(const QByteArray& fileSystemType) {
  const QByteArray type = fileSystemType.toLower();
  if (type == "vfat" || type == "msdos" || type == "fat" || type == "fat32" || type == "fat16" ||
      type == "fuse.fusefat")
    return (qint64{4} << 30) - 1;
  return std::nullopt;
}

// Fails early where the output cannot fit; a join that could succeed is never refused here.
JoinResult CheckRoom(const QStorageInfo& storage, const QString& outPath, qint64 bytesTotal, qint64 bytesNeeded) {
  if (!storage.isValid() || !storage.isReady()) return Fine();
  if (const std::optional<qint64> cap = FileSizeCap(storage.fileSystemType()); cap && bytesTotal > *cap)
    return FailedOnSystemError(kFileTooLargeError, FailureSide::Output, outPath);
  // Some FUSE drivers (FAT's) report no size and no free space: that tells nothing about room.
  if (!SharesBlocks(storage.fileSystemType()) && storage.bytesTotal() > 0 && storage.bytesAvailable() >= 0 &&
      storage.bytesAvailable() < bytesNeeded)
    return FailedOnSystemError(kDiskFullError, FailureSide::Output, outPath);
  return Fine();
}

// Room for the inputs kept in the cloud, which come down to their own drive
// as they are read, and stay there: what comes down to the output's drive
// is added to what the output needs, any other drive is checked on its own.
JoinResult CheckCloudRoom(const std::vector<InputFile>& inputs, const QString& outputFolder, qint64& outputDriveBytes) {
  std::map<quint64, std::pair<QString, qint64>> byDrive;  // an input on the drive, and what comes down to it
  for (const InputFile& input : inputs) {
    if (!input.onlineOnly) continue;
    auto& [path, bytes] = byDrive[input.identity.device];
    path = input.path;
    bytes += input.size;
  }
  if (byDrive.empty()) return Fine();
  SystemError error = 0;
  if (const std::optional<FileStatus> folder = StatusOf(outputFolder, error)) {
    if (const auto same = byDrive.find(folder->identity.device); same != byDrive.end()) {
      outputDriveBytes += same->second.second;
      byDrive.erase(same);
    }
  }
  for (const auto& [drive, input] : byDrive) {
    const QStorageInfo storage(QFileInfo(input.first).path());
    if (storage.isValid() && storage.isReady() && storage.bytesAvailable() >= 0 &&
        storage.bytesAvailable() < input.second)
      return FailedOnSystemError(kDiskFullError, FailureSide::Input, input.first);
  }
  return Fine();
}

// The zone of the least trusted mark among the inputs, where any has one:
// from the most trusted, this machine (0), trusted sites (2), the intranet
// (1), the Internet (3), restricted sites (4); zones of other numbers are
// taken for the Internet.
std::optional<int> LeastTrustedZone(const std::vector<InputFile>& inputs) {
  const auto distrust = [](int zone) {
    switch (zone) {
      case 0:
        return 0;
      case 2:
        return 1;
      case 1:
        return 2;
      case 4:
        return 4;
      default:
        return 3;
    }
  };
  std::optional<int> least;
  for (const InputFile& input : inputs) {
    const std::optional<int> zone = WebZoneOf(input.path);
    if (zone && (!least || distrust(*zone) > distrust(*least))) least = zone;
  }
  return least;
}

// Whether the output is written in the joined folder, however either is
// spelled: its temporary file, under a fresh name, is seen there too.
bool WrittenInJoinedFolder(const OutputFile& output, const QString& folder) {
  const QString temporary = output.temporaryPath();
  SystemError error = 0;
  return !temporary.isEmpty() && StatusOf(folder + QFileInfo(temporary).fileName(), error);
}

// Copies each input to the end of the output, in pieces.
class Copier {
 public:
  Copier(const HeldFolder& folder, NativeFile& output, const QString& outPath, qint64 bytesTotal, bool keepHoles,
         const JoinProgress& progress)
      : folder_(folder),
        output_(output),
        outPath_(outPath),
        bytesTotal_(bytesTotal),
        keepHoles_(keepHoles),
        progress_(progress) {}

  JoinResult CopyWhole(const InputFile& input) {
    SystemError error = 0;
    NativeFile source = folder_.OpenInput(input.name, input.path, error);
    if (!source.isOpen()) return FailedOnSystemError(error, FailureSide::Input, input.path);
    // What was opened, not what the path led to a moment ago, must be the listed file.
    const std::optional<FileStatus> opened = source.Status(error);
    if (!opened) return FailedOnSystemError(error, FailureSide::Input, input.path);
    if (!opened->isRegular || opened->identity != input.identity)
      return Failed(FailureKind::ReplacedMeanwhile, FailureSide::Input, input.path);

    // The input is taken as it is now: what a writer adds meanwhile is left out.
    const qint64 size = opened->size;
    if (size < kGatheredBelowBytes) return Gather(source, input, size);
    if (const JoinResult flushed = WriteGathered(); Halts(flushed)) return flushed;
    // Whether the kernel copies depends on the pair of file systems, so each input tries it afresh.
    bool kernelCopy = true;
    if (!keepHoles_ || opened->allocated >= size) return CopyRange(source, input, 0, size, kernelCopy);
    if (const JoinResult copied = CopyDataRanges(source, input, size, kernelCopy); Halts(copied)) return copied;
    // A file cut short reads as a hole past its new end.
    const std::optional<FileStatus> after = source.Status(error);
    if (!after) return FailedOnSystemError(error, FailureSide::Input, input.path);
    if (after->size < size) return Failed(FailureKind::Shrank, FailureSide::Input, input.path);
    return Fine();
  }

  // Writes what small inputs left in the buffer; the last input may have been one.
  JoinResult WriteGathered() {
    SystemError error = 0;
    if (!output_.WriteAll(buffer_.get(), gathered_, error))
      return FailedOnSystemError(error, FailureSide::Output, outPath_);
    StartWriteBack(gathered_);
    gathered_ = 0;
    return Fine();
  }

  qint64 bytesDone() const { return bytesDone_; }

 private:
  char* Buffer() {
    if (!buffer_) buffer_ = std::make_unique<char[]>(kBufferBytes);
    return buffer_.get();
  }

  // A join of many small files is bound by system calls per file: each one is
  // read into the buffer without a second read for its end, and the buffer is
  // written when full.
  JoinResult Gather(NativeFile& source, const InputFile& input, qint64 size) {
    char* buffer = Buffer();
    // A short read may be a network file system's, so reading goes on to the size.
    for (qint64 readOfInput = 0; readOfInput < size;) {
      if (gathered_ == kBufferBytes) {
        if (const JoinResult flushed = WriteGathered(); Halts(flushed)) return flushed;
      }
      SystemError error = 0;
      const qint64 count =
          source.Read(buffer + gathered_, std::min(kBufferBytes - gathered_, size - readOfInput), error);
      if (count < 0) return FailedOnSystemError(error, FailureSide::Input, input.path);
      if (count == 0) return Failed(FailureKind::Shrank, FailureSide::Input, input.path);
      gathered_ += count;
      readOfInput += count;
      bytesDone_ += count;
    }
    if (progress_ && !progress_(bytesDone_, bytesTotal_, input.name)) return Stopped();
    return Fine();
  }

  // Copies only the data of an input with holes, [0, end) of it, and leaves
  // its holes as holes in the output; the bytes read back are the same.
  JoinResult CopyDataRanges(NativeFile& source, const InputFile& input, qint64 end, bool& kernelCopy) {
    const qint64 base = position_;
    for (qint64 offset = 0; offset < end;) {
      const NativeFile::DataRange data = source.NextData(offset, end);
      if (data.start > offset) {
        bytesDone_ += data.start - offset;
        if (progress_ && !progress_(bytesDone_, bytesTotal_, input.name)) return Stopped();
      }
      if (data.start >= end) break;
      if (const JoinResult sought = SeekBoth(source, input, base, data.start); Halts(sought)) return sought;
      if (const JoinResult copied = CopyRange(source, input, data.start, data.stop, kernelCopy); Halts(copied))
        return copied;
      offset = data.stop;
    }
    // A hole at the end has no data after it to make it: the length does.
    SystemError error = 0;
    if (position_ < base + end && !output_.SetLength(base + end, error))
      return FailedOnSystemError(error, FailureSide::Output, outPath_);
    return SeekBoth(source, input, base, end);
  }

  // Both files' positions at `from` in the input and `base + from` in the output.
  JoinResult SeekBoth(NativeFile& source, const InputFile& input, qint64 base, qint64 from) {
    SystemError error = 0;
    if (!source.Seek(from, error)) return FailedOnSystemError(error, FailureSide::Input, input.path);
    if (!output_.Seek(base + from, error)) return FailedOnSystemError(error, FailureSide::Output, outPath_);
    position_ = base + from;
    return Fine();
  }

  // Copies the input's [from, to) from the positions on, in pieces; an input
  // that ends before `to` has shrunk since it was opened.
  JoinResult CopyRange(NativeFile& source, const InputFile& input, qint64 from, qint64 to, bool& kernelCopy) {
    for (qint64 offset = from; offset < to;) {
      const qint64 length = std::min(kJoinPieceBytes, to - offset);
      qint64 copied = 0;
      if (kernelCopy) {
        NativeFiles::CopyFailure failure;
        copied = NativeFiles::CopyInKernel(source, output_, length, failure);
        if (copied < 0 && failure.refused) {
          kernelCopy = false;
          continue;
        }
        if (copied < 0 && failure.onOutput) return FailedOnSystemError(failure.error, FailureSide::Output, outPath_);
        if (copied < 0) return FailedOnSystemError(failure.error, FailureSide::Input, input.path);
        // From Linux 5.3 to 5.11 the kernel copied between two file systems
        // itself and, from virtual ones such as sysfs, reported success having
        // copied nothing; reading tells the true end.
        if (copied == 0) {
          kernelCopy = false;
          continue;
        }
      } else {
        const JoinResult piece = CopyPieceThroughBuffer(source, input, length, copied);
        if (Halts(piece)) return piece;
      }
      if (copied == 0) return Failed(FailureKind::Shrank, FailureSide::Input, input.path);
      StartWriteBack(copied);
      offset += copied;
      bytesDone_ += copied;
      if (progress_ && !progress_(bytesDone_, bytesTotal_, input.name)) return Stopped();
    }
    return Fine();
  }

  // The disk starts writing what is copied while copying goes on, so that the
  // closing flush waits only for the last pieces.
  void StartWriteBack(qint64 length) {
    NativeFiles::StartWriteBack(output_, position_, length);
    position_ += length;
  }

  // Up to `length` bytes through the buffer, the count in `copied` (0 at the
  // end of the input). A failure names the side that failed.
  JoinResult CopyPieceThroughBuffer(NativeFile& source, const InputFile& input, qint64 length, qint64& copied) {
    char* buffer = Buffer();
    copied = 0;
    while (copied < length) {
      SystemError error = 0;
      const qint64 readCount = source.Read(buffer, std::min(kBufferBytes, length - copied), error);
      if (readCount < 0) return FailedOnSystemError(error, FailureSide::Input, input.path);
      if (readCount == 0) break;
      if (!output_.WriteAll(buffer, readCount, error)) return FailedOnSystemError(error, FailureSide::Output, outPath_);
      copied += readCount;
    }
    return Fine();
  }

  const HeldFolder& folder_;  // that of the inputs
  NativeFile& output_;
  const QString& outPath_;
  const qint64 bytesTotal_;
  const bool keepHoles_;  // the output keeps holes
  const JoinProgress& progress_;
  qint64 bytesDone_ = 0;
  qint64 position_ = 0;  // the output's length so far
  qint64 gathered_ = 0;  // bytes in the buffer not yet written
  std::unique_ptr<char[]> buffer_;
};

// The flush runs on a thread of its own so that the progress display stays
// alive however slow the drive; a stop asked meanwhile takes effect after it.
JoinResult Flush(OutputFile& output, const QString& outPath, qint64 bytesTotal, const JoinProgress& progress) {
  bool stopAsked = false;
  SystemError error = 0;
  bool flushed = false;
  if (progress) {
    std::future<bool> flushing = std::async(std::launch::async, [&output, &error] { return output.Flush(error); });
    while (flushing.wait_for(kFlushPollInterval) != std::future_status::ready) {
      if (!progress(bytesTotal, bytesTotal, QString())) stopAsked = true;
    }
    flushed = flushing.get();
  } else {
    flushed = output.Flush(error);
  }
  if (!flushed) return FailedOnSystemError(error, FailureSide::Output, outPath);
  if (stopAsked || (progress && !progress(bytesTotal, bytesTotal, QString()))) return Stopped();
  return Fine();
}

// What an input takes on disk as the join writes it: only larger inputs keep
// their holes, a small one is written whole.
qint64 AllocatedOf(const InputFile& input) { return input.size < kGatheredBelowBytes ? input.size : input.allocated; }

// Whether some input has holes worth keeping.
bool AnyHoles(const std::vector<InputFile>& inputs) {
  return std::any_of(inputs.begin(), inputs.end(),
                     [](const InputFile& input) { return AllocatedOf(input) < input.size; });
}

JoinResult WriteOutput(const HeldFolder& folder, OutputFile& output, const QString& outPath,
                       const std::vector<InputFile>& inputs, const JoinProgress& progress, const JoinWaiting& waiting,
                       const OutputFile::MayReplace& mayReplace) {
  qint64 bytesTotal = 0;
  qint64 bytesAllocated = 0;
  for (const InputFile& input : inputs) {
    bytesTotal += input.size;
    bytesAllocated += AllocatedOf(input);
  }
  // Asked of the output itself: a container may hide which file system it is on.
  const bool keepHoles = AnyHoles(inputs) && output.file().KeepsHoles();
  qint64 bytesNeeded = keepHoles ? bytesAllocated : bytesTotal;
  if (const JoinResult room = CheckCloudRoom(inputs, output.folderPath(), bytesNeeded); Halts(room)) return room;
  const QStorageInfo storage(output.folderPath());
  if (const JoinResult room = CheckRoom(storage, outPath, bytesTotal, bytesNeeded); Halts(room)) return room;

  Copier copier(folder, output.file(), outPath, bytesTotal, keepHoles, progress);
  for (const InputFile& input : inputs) {
    if (progress && !progress(copier.bytesDone(), bytesTotal, input.name)) return Stopped();
    if (const JoinResult copied = copier.CopyWhole(input); Halts(copied)) return copied;
  }
  if (const JoinResult flushed = copier.WriteGathered(); Halts(flushed)) return flushed;
  if (const JoinResult flushed = Flush(output, outPath, bytesTotal, progress); Halts(flushed)) return flushed;
  output.MarkWithZone(LeastTrustedZone(inputs));
  bool stopAsked = false;
  const auto whileHeld = [&] {
    stopAsked = waiting ? !waiting(outPath) : progress && !progress(bytesTotal, bytesTotal, QString());
    return !stopAsked;
  };
  SystemError error = 0;
  if (output.Commit(mayReplace, whileHeld, error)) return Fine();
  return stopAsked ? Stopped() : FailedOnSystemError(error, FailureSide::Output, outPath);
}

}  // namespace

JoinResult JoinFiles(const QString& folder, const QString& outName, const JoinPlan& plan, const JoinProgress& progress,
                     Replacing replacing, const JoinWaiting& waiting) {
  NativeFiles::PrepareForJoins();
  const QString outPath = folder + outName;
  // Inputs not looked at for the output's sake are looked at now.
  const Fallible<std::vector<InputFile>> inspected = plan.inputs ? *plan.inputs : InspectInputs(folder, plan.files);
  if (!inspected) return {JoinOutcome::Failed, inspected.failure()};
  const std::vector<InputFile>& inputs = *inspected;
  const HeldFolder joinedFolder(folder);
  OutputFile output(outPath);
  SystemError error = 0;
  if (!output.Create(error))
    return FailedOnSystemError(error == kNotFoundError ? kPathNotFoundError : error, FailureSide::Output, outPath);
  RemoveStrayJoinTemporaries(output.folderPath());
  // What is replaced at the commit is never an input, and is what stood there unless any may be.
  const auto mayReplace = [&](const FileStatus& present, bool standing) {
    const auto isPresent = [&](const InputFile& input) { return input.identity == present.identity; };
    return std::none_of(inputs.begin(), inputs.end(), isPresent) &&
           ((standing && plan.replaces && replacing != Replacing::Nothing) || replacing == Replacing::AnyPlainFile);
  };
  JoinResult result = plan.inputWhereWrittenInJoinedFolder && WrittenInJoinedFolder(output, folder)
                          ? Failed(FailureKind::SameAsInput, FailureSide::Output, outPath)
                          : WriteOutput(joinedFolder, output, outPath, inputs, progress, waiting, mayReplace);
  if (result.outcome != JoinOutcome::Joined && !output.Discard(error)) {
    // Where files can be made but not removed (an append-only folder), the user must hear of it.
    if (result.outcome == JoinOutcome::Stopped) result = Failed(FailureKind::Stopped, FailureSide::Output, {});
    result.failure.leftBehind = output.temporaryPath();
  }
  return result;
}
