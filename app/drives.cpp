#include "app/drives.h"

#include "app/givenfolder.h"

#include "files/filenames.h"
#include "report/failure.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QPromise>
#include <QThreadPool>
#include <QTimer>

#include <memory>

namespace {

// Threads that may wait on a drive for good. The pool is never destroyed, as
// destroying it would wait for them; a drive holds at most one at a time.
QThreadPool& DriveThreads() {
  static QThreadPool* const threads = [] {
    auto* pool = new QThreadPool;
    pool->setMaxThreadCount(256);
    return pool;
  }();
  return *threads;
}

template <typename Result, typename Question>
QFuture<Result> AskOnDriveThread(Question question) {
  auto promise = std::make_shared<QPromise<Result>>();
  promise->start();
  QFuture<Result> answer = promise->future();
  DriveThreads().start([promise, question] {
    promise->addResult(question());
    promise->finish();
  });
  return answer;
}

// Whether the question is answered by the deadline; meanwhile the window
// repaints and takes its answers, but no input.
bool Answered(const QFuture<void>& question, const QDeadlineTimer& deadline) {
  if (question.isFinished()) return true;
  QEventLoop waiting;
  QFutureWatcher<void> watcher;
  QObject::connect(&watcher, &QFutureWatcher<void>::finished, &waiting, &QEventLoop::quit);
  watcher.setFuture(question);
  QTimer::singleShot(std::max<qint64>(0, deadline.remainingTime()), &waiting, &QEventLoop::quit);
  if (!question.isFinished()) waiting.exec(QEventLoop::ExcludeUserInputEvents);
  return question.isFinished();
}

}  // namespace

Failure FailureOfOpeningFolder(const QString& folder, int errorCode) {
  if (MeansUnavailable(errorCode)) return {FailureKind::DriveUnavailable, FailureSide::Folder};
  return SystemFailure(errorCode, FailureSide::Folder, folder);
}

QString Drive::displayText() const {
  return label.isEmpty() || label == id ? id : id + QStringLiteral("  [") + label + u']';
}

std::optional<Drive> DriveHolding(const QList<Drive>& drives, const QString& path) {
  std::optional<Drive> holding;
  const QString folder = FolderText(path);
  for (const Drive& drive : drives) {
    if (folder.startsWith(drive.root, Qt::CaseInsensitive) && (!holding || drive.root.size() > holding->root.size()))
      holding = drive;
  }
  if (!holding && !drives.isEmpty()) holding = drives.first();
  return holding;
}

DriveQuestions::DriveQuestions(DriveServices& services, QObject* parent) : QObject(parent), services_(services) {}

void DriveQuestions::AskLabel(const Drive& drive) {
  if (!asked_.value(drive.id).isFinished()) return;
  DriveServices* services = &services_;
  const QFuture<std::optional<QString>> answer =
      AskOnDriveThread<std::optional<QString>>([services, drive] { return services->AskLabel(drive); });
  asked_.insert(drive.id, QFuture<void>(answer));
  // Owned here, so that no answer reaches the window once it is gone.
  auto* watcher = new QFutureWatcher<std::optional<QString>>(this);
  connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, id = drive.id] {
    emit labelled(id, watcher->result());
    watcher->deleteLater();
  });
  watcher->setFuture(answer);
}

namespace {

// The folder that choosing drive opens: folder, or where it has gone, the
// nearest folder above it that is there, down to the drive's root; otherwise
// the failure: DriveUnavailable where not even the root opens, the system's
// error where a folder is there but does not open (one that may not be read).
Fallible<QString> FolderToOpen(DriveServices& services, const Drive& drive, const QString& folder);
Fallible<QString> FolderToOpen(DriveServices& services, const Drive& drive, const QString& folder) {
  for (QString tried = QDir::cleanPath(folder);; tried = QDir::cleanPath(tried + QStringLiteral("/.."))) {
    const std::optional<Failure> failure = services.CheckFolder(drive, tried);
    if (!failure) return tried;
    // Gone, or a file now: the folder above it, while there is one on the drive.
    if (failure->kind != FailureKind::DriveUnavailable || FolderText(tried).size() <= drive.root.size())
      return *failure;
  }
}

}  // namespace

std::optional<Fallible<QString>> DriveQuestions::AskFolder(const Drive& drive, const QString& folder,
                                                           std::chrono::milliseconds bound) {
  DriveServices* services = &services_;
  return AskInTurn(drive, bound, [services, drive, folder] { return FolderToOpen(*services, drive, folder); });
}

std::optional<Fallible<QString>> DriveQuestions::AskGivenFolder(const Drive& drive, const QString& path,
                                                                std::chrono::milliseconds bound) {
  DriveServices* services = &services_;
  return AskInTurn(drive, bound, [services, drive, path]() -> Fallible<QString> {
    const QString folder = FolderOfGivenPath(path);
    if (const std::optional<Failure> failure = services->CheckFolder(drive, folder)) return *failure;
    return folder;
  });
}

std::optional<Fallible<QString>> DriveQuestions::AskInTurn(const Drive& drive, std::chrono::milliseconds bound,
                                                           const std::function<Fallible<QString>()>& question) {
  const QDeadlineTimer deadline(bound);
  // A drive still busy with an earlier question is not asked again before it answers.
  if (!Answered(asked_.value(drive.id), deadline)) return std::nullopt;
  const QFuture<Fallible<QString>> answer = AskOnDriveThread<Fallible<QString>>(question);
  asked_.insert(drive.id, QFuture<void>(answer));
  if (!Answered(QFuture<void>(answer), deadline)) return std::nullopt;
  return answer.result();
}
