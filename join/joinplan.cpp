#include "join/joinplan.h"

#include "files/filestatus.h"
#include "files/nativefile.h"
#include "join/joinorder.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

Fallible<InputFile> InspectInput(const QString& folder, const QString& name) {
  InputFile input;
  input.name = name;
  input.path = folder + name;
  SystemError error = 0;
  const std::optional<FileStatus> status = StatusOf(input.path, error);
  if (!status) return SystemFailure(error, FailureSide::Input, input.path);
  if (!status->isRegular) return Failure{FailureKind::NotPlainFile, FailureSide::Input, input.path};
  input.size = status->size;
  input.allocated = std::min(input.size, status->allocated);
  input.identity = status->identity;
  input.onlineOnly = status->onlineOnly;
  return input;
}

// Names a disk that ignores case or folds Unicode normalisation takes for one.
bool FoldsTo(const QString& entry, const QString& name) {
  return entry.normalized(QString::NormalizationForm_C)
             .compare(name.normalized(QString::NormalizationForm_C), Qt::CaseInsensitive) == 0;
}

// Whether an existing plain file at outPath, none of the inputs by its
// number, is one of them by its spelling. Case-insensitive or normalising
// disks (FAT, exFAT) open a name under any of its spellings, and their FUSE
// drivers number each spelling apart, so identities do not tell. Where the
// output's folder holds no entry of the very name given, the file system took
// it for another spelling: for an input's, or, where no entry's name folds
// to it, for one the name alone cannot tell. Where the output's folder is
// the joined one, an input's very name is one too; where its folder's
// spelling cannot tell that, the answer waits for the join's temporary file.
enum class Spelling { AnotherFile, AnInput, AnInputWhereInJoinedFolder };
Spelling SpellingOf(const QString& folder, const QString& outPath, const std::vector<InputFile>& inputs) {
  const QFileInfo output(outPath);
  const QString name = output.fileName();
  const Fallible<QStringList> entries = ListJoinFolder(output.path() + u'/');
  if (!entries) return Spelling::AnInputWhereInJoinedFolder;
  const auto named = [&name](const InputFile& input) { return input.name == name; };
  if (entries->contains(name))
    return std::any_of(inputs.begin(), inputs.end(), named) ? Spelling::AnInputWhereInJoinedFolder
                                                            : Spelling::AnotherFile;
  const auto folds = [&name](const QString& entry) { return FoldsTo(entry, name); };
  const auto inputFolds = [&name](const InputFile& input) { return FoldsTo(input.name, name); };
  if (std::none_of(inputs.begin(), inputs.end(), inputFolds) && std::any_of(entries->begin(), entries->end(), folds))
    return Spelling::AnotherFile;
  SystemError error = 0;
  const std::optional<FileStatus> outFolder = StatusOf(output.path(), error);
  const std::optional<FileStatus> joinFolder = StatusOf(folder, error);
  const bool sameFolder =
      (outFolder && joinFolder && outFolder->identity == joinFolder->identity) ||
      FoldsTo(QDir::cleanPath(output.absolutePath()), QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
  return sameFolder ? Spelling::AnInput : Spelling::AnInputWhereInJoinedFolder;
}

}  // namespace

Fallible<std::vector<InputFile>> InspectInputs(const QString& folder, const QStringList& files) {
  std::vector<InputFile> inputs;
  inputs.reserve(static_cast<size_t>(files.size()));
  for (const QString& name : files) {
    const Fallible<InputFile> input = InspectInput(folder, name);
    if (!input) return input.failure();
    inputs.push_back(*input);
  }
  return inputs;
}

Fallible<JoinPlan> PlanJoin(const QString& folder, const QString& outName, const QStringList& files) {
  const QString outPath = folder + outName;
  const auto refused = [&outPath](FailureKind kind) { return Failure{kind, FailureSide::Output, outPath}; };
  if (!NativeFiles::KeepsOutputName(outName)) return refused(FailureKind::NameWindowsChanges);
  if (files.contains(outName)) return refused(FailureKind::SameAsInput);
  JoinPlan plan;
  plan.files = files;
  SystemError error = 0;
  const std::optional<FileStatus> output = StatusOf(outPath, error);
  if (!output) {
    // A link that leads nowhere or round in a loop is no plain file either.
    if (IsLink(outPath)) return refused(FailureKind::OutputNotPlainFile);
    return plan;
  }
  Fallible<std::vector<InputFile>> inputs = InspectInputs(folder, files);
  if (!inputs) return inputs.failure();
  const auto isOutput = [&output](const InputFile& input) { return input.identity == output->identity; };
  if (std::any_of(inputs->begin(), inputs->end(), isOutput)) return refused(FailureKind::SameAsInput);
  if (!output->isRegular) return refused(FailureKind::OutputNotPlainFile);
  const Spelling spelling = SpellingOf(folder, outPath, *inputs);
  if (spelling == Spelling::AnInput) return refused(FailureKind::SameAsInput);
  // Known before anything is written, rather than after the whole copy.
  if (HeldByAnotherProgram(outPath)) return SystemFailure(kInUseError, FailureSide::Output, outPath);
  plan.inputs = *inputs;
  plan.replaces = true;
  plan.replacesReadOnly = output->readOnly;
  plan.inputWhereWrittenInJoinedFolder = spelling == Spelling::AnInputWhereInJoinedFolder;
  return plan;
}
