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
  return input;
}

// Names a disk that ignores case or folds Unicode normalisation takes for one.
bool FoldsTo(const QString& entry, const QString& name) {
  return entry.normalized(QString::NormalizationForm_C)
             .compare(name.normalized(QString::NormalizationForm_C), Qt::CaseInsensitive) == 0;
}

// What an existing output leads to, the inputs known; lists the output's
// folder into plan.outputFolderEntries where it must.
OutputTarget TargetOf(const QString& folder, const QString& outPath, const FileStatus& output, JoinPlan& plan) {
  const auto isOutput = [&](const InputFile& input) { return input.identity == output.identity; };
  if (std::any_of(plan.inputs->begin(), plan.inputs->end(), isOutput)) return OutputTarget::Input;
  if (!output.isRegular) return OutputTarget::NotPlainFile;
  const Fallible<QStringList> entries = ListJoinFolder(QFileInfo(outPath).path() + u'/');
  if (entries) plan.outputFolderEntries = *entries;
  if (SpelledLikeAnInput(folder, outPath, *plan.inputs, plan.outputFolderEntries, false)) return OutputTarget::Input;
  return OutputTarget::PlainFile;
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

Fallible<JoinPlan> PlanJoin(const QString& folder, const QString& outName, const QStringList& files,
                            const std::optional<QStringList>& temporaries) {
  JoinPlan plan;
  plan.files = files;
  plan.joinedFolderTemporaries = temporaries;
  if (!NativeFiles::KeepsOutputName(outName)) {
    plan.target = OutputTarget::BadName;
    return plan;
  }
  if (files.contains(outName)) {
    plan.target = OutputTarget::Input;
    return plan;
  }
  const QString outPath = folder + outName;
  SystemError error = 0;
  const std::optional<FileStatus> output = StatusOf(outPath, error);
  // A link that leads nowhere or round in a loop is no plain file either.
  if (!output) {
    plan.target = IsLink(outPath) ? OutputTarget::NotPlainFile : OutputTarget::Free;
    return plan;
  }
  Fallible<std::vector<InputFile>> inputs = InspectInputs(folder, files);
  if (!inputs) return inputs.failure();
  plan.inputs = *inputs;
  plan.target = TargetOf(folder, outPath, *output, plan);
  return plan;
}

FailureKind RefusalOf(OutputTarget target) {
  switch (target) {
    case OutputTarget::Input:
      return FailureKind::SameAsInput;
    case OutputTarget::BadName:
      return FailureKind::NameWindowsChanges;
    default:
      return FailureKind::OutputNotPlainFile;
  }
}

bool SpelledLikeAnInput(const QString& folder, const QString& outPath, const std::vector<InputFile>& inputs,
                        const std::optional<QStringList>& entries, bool sameFolder) {
  const QFileInfo output(outPath);
  const QString name = output.fileName();
  if (!entries) return sameFolder;
  const auto named = [&name](const InputFile& input) { return input.name == name; };
  if (entries->contains(name)) return sameFolder && std::any_of(inputs.begin(), inputs.end(), named);
  SystemError error = 0;
  const std::optional<FileStatus> outFolder = StatusOf(output.path(), error);
  const std::optional<FileStatus> joinFolder = StatusOf(folder, error);
  sameFolder = sameFolder || (outFolder && joinFolder && outFolder->identity == joinFolder->identity) ||
               FoldsTo(QDir::cleanPath(output.absolutePath()), QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
  if (!sameFolder) return false;
  const auto folds = [&name](const QString& entry) { return FoldsTo(entry, name); };
  const auto inputFolds = [&name](const InputFile& input) { return FoldsTo(input.name, name); };
  return std::any_of(inputs.begin(), inputs.end(), inputFolds) || std::none_of(entries->begin(), entries->end(), folds);
}
