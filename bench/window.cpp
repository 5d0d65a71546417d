// Times the window on big folders and prints the figures; timings never fail it.
//   entw-bench-window [--files N] [--folders N] [--rounds R] [--base DIR] [FOLDER]
// The data goes into FOLDER, or into a temporary folder under DIR (default the
// system's temporary folder), and is removed afterwards.

#include "app/folderlist.h"
#include "app/frmmain.h"
#include "dialogs/dialogs.h"
#include "peakmemory.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QPushButton>
#include <QRadioButton>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace {

// A figure that has not come by then is reported as missing instead of hanging the run.
constexpr int kWaitLimitMs = 300'000;

// Answers the window's dialogs without showing any: the name prompt notes when it came and
// cancels, so nothing is written.
class BenchDialogs final : public Dialogs {
 public:
  void StartClock() {
    promptAfter_.reset();
    clock_.start();
  }
  std::optional<double> SecondsToPrompt() const { return promptAfter_; }
  const QStringList& messages() const { return messages_; }

  void ShowMessage(const QString& text, int, const QString&) override { messages_.append(text); }
  QString PromptText(const QString&, const QString&) override {
    promptAfter_ = clock_.nsecsElapsed() / 1e9;
    return {};
  }
  bool AskYesNo(const QString&, const QString&) override { return false; }
  std::unique_ptr<ProgressView> OpenProgress(const QString&, const QString&) override {
    return std::make_unique<Stopping>();
  }

 private:
  class Stopping final : public ProgressView {
   public:
    bool Update(qint64, qint64, const QString&) override { return false; }
  };

  QElapsedTimer clock_;
  std::optional<double> promptAfter_;
  QStringList messages_;
};

// A machine with one drive, the benchmark's folder, opened on a folder of it.
class BenchDrives final : public DriveServices {
 public:
  BenchDrives(const QString& root, const QString& workingFolder) : root_(root), workingFolder_(workingFolder) {}

  QList<Drive> ListDrives() override { return {Drive{QStringLiteral("bench:"), QString(), root_ + u'/'}}; }
  QString WorkingFolder() override { return workingFolder_; }
  QString CurrentFolder(const Drive& drive) override { return drive.root; }
  std::optional<Failure> CheckFolder(const Drive&, const QString& folder) override {
    if (QDir(folder).exists()) return std::nullopt;
    return Failure{FailureKind::DriveUnavailable, FailureSide::Folder};
  }

 private:
  QString root_;
  QString workingFolder_;
};

// Calls back on every paint of the widget it watches.
class PaintWatch final : public QObject {
 public:
  PaintWatch(QWidget* widget, std::function<void()> painted) : QObject(widget), painted_(std::move(painted)) {
    widget->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted_();
    return false;
  }

 private:
  std::function<void()> painted_;
};

// Runs the events until loop is quit; false, with a word on standard error, if that takes too long.
bool RunUntilQuit(QEventLoop& loop, const char* what) {
  bool late = false;
  QTimer::singleShot(kWaitLimitMs, &loop, [&] {
    late = true;
    loop.quit();
  });
  loop.exec();
  if (late) std::fprintf(stderr, "entw-bench-window: gave up waiting for %s\n", what);
  return !late;
}

// The window's parts the benchmark drives, found as the tests find them.
struct WindowParts {
  explicit WindowParts(frmMain& window)
      : folders(window.findChild<FolderList*>(QStringLiteral("dirMain"))),
        tree(qobject_cast<QSortFilterProxyModel*>(folders->model())),
        files(qobject_cast<QFileSystemModel*>(tree->sourceModel())),
        join(window.findChild<QPushButton*>(QStringLiteral("cmdMain"))) {
    for (QRadioButton* option : window.findChildren<QRadioButton*>(QStringLiteral("optOrder")))
      (option->property("index").toInt() == 0 ? byDate : byName) = option;
  }
  QModelIndex rowOf(const QString& folder) const { return tree->mapFromSource(files->index(folder)); }

  FolderList* folders;
  QSortFilterProxyModel* tree;
  QFileSystemModel* files;
  QPushButton* join;
  QRadioButton* byDate = nullptr;
  QRadioButton* byName = nullptr;
};

// Waits until the tree has read folder, so that no reading goes on behind what is timed.
bool WaitForListing(const WindowParts& parts, const QString& folder) {
  QEventLoop loop;
  QObject::connect(parts.files, &QFileSystemModel::directoryLoaded, &loop, [&](const QString& path) {
    if (QDir::cleanPath(path) == folder) loop.quit();
  });
  if (!RunUntilQuit(loop, "the folder tree's listing")) return false;
  QCoreApplication::processEvents();
  return true;
}

// Names as bench/run makes them, numbered apart by a step prime to the power of ten above count,
// so that no two differ in case only.
QString FileName(qint64 i, qint64 modulus) {
  const QString stem = i % 3 ? QStringLiteral("file") : QStringLiteral("File");
  return stem + QStringLiteral("%1.dat").arg((i * 7919) % modulus, 6, 10, QChar(u'0'));
}

// count empty files whose modification days spread over some years, not in name order.
bool MakeFiles(const QString& folder, qint64 count) {
  if (!QDir().mkpath(folder)) return false;
  qint64 modulus = 100'000;
  while (modulus < count) modulus *= 10;
  const QDateTime now = QDateTime::currentDateTime();
  for (qint64 i = 1; i <= count; ++i) {
    QFile file(folder + u'/' + FileName(i, modulus));
    if (!file.open(QIODevice::WriteOnly)) return false;
    const qint64 age = ((i * 104729) % 2000) * 86400 + i % 86400;
    if (!file.setFileTime(now.addSecs(-age), QFileDevice::FileModificationTime)) return false;
  }
  return true;
}

bool MakeFolders(const QString& folder, qint64 count) {
  QDir parent;
  if (!parent.mkpath(folder)) return false;
  for (qint64 i = 1; i <= count; ++i) {
    if (!parent.mkdir(folder + QStringLiteral("/d%1").arg(i, 6, 10, QChar(u'0')))) return false;
  }
  return true;
}

void PrintFigure(const QString& label, std::vector<double> seconds) {
  if (seconds.empty()) return;
  std::sort(seconds.begin(), seconds.end());
  const size_t middle = seconds.size() / 2;
  const double median = seconds.size() % 2 ? seconds[middle] : (seconds[middle - 1] + seconds[middle]) / 2;
  const std::optional<double> peak = PeakMemoryMiB();
  const QString peakText = peak ? QStringLiteral("%1 MiB").arg(*peak, 0, 'f', 1) : QStringLiteral("n/a");
  std::printf("%-52s median %.3f s  min %.3f s  peak %s\n", qPrintable(label), median, seconds.front(),
              qPrintable(peakText));
  std::fflush(stdout);
}

// Whether what a figure is timed on was made, saying so where not; the
// figure's peak memory counts from here.
bool ReadyToTime(bool made, const char* what, const QString& folder) {
  if (!made) {
    std::fprintf(stderr, "entw-bench-window: could not make the %s in %s\n", what, qPrintable(folder));
    return false;
  }
  RestartPeakMemory();
  return true;
}

// From pressing 結合実行 to the name prompt, in both orders, on one window that has read the folder.
bool TimeClickToPrompt(const QString& root, qint64 count, int rounds) {
  const QString folder = root + QStringLiteral("/files");
  if (!ReadyToTime(MakeFiles(folder, count), "files", folder)) return false;
  BenchDialogs dialogs;
  BenchDrives drives(root, folder);
  frmMain window(dialogs, drives, 96);
  const WindowParts parts(window);
  window.show();
  if (!WaitForListing(parts, folder)) return false;

  std::vector<double> byName;
  std::vector<double> byDate;
  for (int round = 0; round < rounds; ++round) {
    for (int turn = 0; turn < 2; ++turn) {
      const bool date = (round + turn) % 2 == 1;
      (date ? parts.byDate : parts.byName)->click();
      dialogs.StartClock();
      QTest::mouseClick(parts.join, Qt::LeftButton);
      const std::optional<double> seconds = dialogs.SecondsToPrompt();
      if (!seconds || window.joinList().size() != count) {
        std::fprintf(stderr, "entw-bench-window: the join asked no name for %s files (%s listed): %s\n",
                     qPrintable(QString::number(count)), qPrintable(QString::number(window.joinList().size())),
                     qPrintable(dialogs.messages().join(u' ')));
        return false;
      }
      (date ? byDate : byName).push_back(*seconds);
      QCoreApplication::processEvents();
    }
  }
  const QString label = QStringLiteral("window: click to prompt, %1 files, ").arg(count);
  PrintFigure(label + QStringLiteral("by name"), byName);
  PrintFigure(label + QStringLiteral("by date"), byDate);
  QDir(folder).removeRecursively();
  return true;
}

// Seconds from double-clicking the folder in a fresh window's tree until all its subfolders are
// rows and the tree has painted them; nothing when they never come.
std::optional<double> TimeTreeOpening(const QString& root, const QString& folder, qint64 count) {
  BenchDialogs dialogs;
  BenchDrives drives(root, root);
  frmMain window(dialogs, drives, 96);
  const WindowParts parts(window);
  QWidget* rows = parts.folders->viewport();
  std::function<void()> onPaint = [] {};
  PaintWatch watch(rows, [&] { onPaint(); });

  // Fresh: the drive's folder read and painted.
  QEventLoop settling;
  bool listed = false;
  QObject::connect(parts.files, &QFileSystemModel::directoryLoaded, &settling, [&](const QString& path) {
    if (QDir::cleanPath(path) != root) return;
    listed = true;
    rows->update();
  });
  onPaint = [&] {
    if (listed) settling.quit();
  };
  window.show();
  if (!RunUntilQuit(settling, "the fresh window")) return std::nullopt;
  QCoreApplication::processEvents();

  const QModelIndex row = parts.rowOf(folder);
  parts.folders->scrollTo(row);
  const QPoint place = parts.folders->visualRect(row).center();
  QEventLoop loop;
  QElapsedTimer clock;
  bool loaded = false;
  bool stopping = false;
  std::optional<double> seconds;
  const auto checkLoaded = [&] {
    if (loaded || parts.tree->rowCount(parts.rowOf(folder)) < count) return;
    loaded = true;
    rows->update();  // a paint is due even if the last rows fell out of view
  };
  // The clock stops once that paint is done, back in the event loop.
  onPaint = [&] {
    if (!loaded || stopping) return;
    stopping = true;
    QMetaObject::invokeMethod(
        &loop,
        [&] {
          seconds = clock.nsecsElapsed() / 1e9;
          loop.quit();
        },
        Qt::QueuedConnection);
  };
  QObject::connect(parts.files, &QFileSystemModel::directoryLoaded, &loop, checkLoaded);
  QObject::connect(parts.tree, &QAbstractItemModel::rowsInserted, &loop, checkLoaded);
  QObject::connect(parts.tree, &QAbstractItemModel::layoutChanged, &loop, checkLoaded);
  clock.start();
  // As a double-click comes: the second press arrives as the double-click itself.
  QTest::mouseClick(rows, Qt::LeftButton, {}, place);
  QTest::mouseDClick(rows, Qt::LeftButton, {}, place);
  QTest::mouseRelease(rows, Qt::LeftButton, {}, place);
  if (parts.folders->path() != folder) {
    std::fprintf(stderr, "entw-bench-window: double-clicking did not open %s\n", qPrintable(folder));
    return std::nullopt;
  }
  checkLoaded();
  if (!RunUntilQuit(loop, "the subfolders")) return std::nullopt;
  return seconds;
}

bool TimeTreeOpenings(const QString& root, qint64 count, int rounds) {
  const QString folder = root + QStringLiteral("/folders");
  if (!ReadyToTime(MakeFolders(folder, count), "folders", folder)) return false;
  std::vector<double> seconds;
  for (int round = 0; round < rounds; ++round) {
    const std::optional<double> opening = TimeTreeOpening(root, folder, count);
    if (!opening) return false;
    seconds.push_back(*opening);
  }
  PrintFigure(QStringLiteral("window: folder tree opens %1 subfolders").arg(count), seconds);
  QDir(folder).removeRecursively();
  return true;
}

// Whether path, made or still to make, is the home folder or inside it, where the benchmark puts nothing.
bool InHome(const QString& path) {
  const QString home = QDir(QDir::homePath()).canonicalPath();
  const QFileInfo place(path);
  const QString full = place.exists() ? place.canonicalFilePath() : QDir::cleanPath(place.absoluteFilePath());
  return !home.isEmpty() && (full == home || full.startsWith(home + u'/'));
}

}  // namespace

int main(int argc, char* argv[]) {
  // No display is needed: the window draws offscreen unless told otherwise.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Times the window on big folders and prints the figures."));
  parser.addHelpOption();
  const QCommandLineOption filesOption(QStringLiteral("files"), QStringLiteral("Files to join (0 skips)."),
                                       QStringLiteral("N"), QStringLiteral("100000"));
  const QCommandLineOption foldersOption(QStringLiteral("folders"),
                                         QStringLiteral("Subfolders for the tree to open (0 skips)."),
                                         QStringLiteral("N"), QStringLiteral("10000"));
  const QCommandLineOption roundsOption(QStringLiteral("rounds"), QStringLiteral("Rounds of each figure."),
                                        QStringLiteral("R"), QStringLiteral("5"));
  const QCommandLineOption baseOption(QStringLiteral("base"), QStringLiteral("Where the temporary data folder goes."),
                                      QStringLiteral("DIR"), QDir::tempPath());
  parser.addOptions({filesOption, foldersOption, roundsOption, baseOption});
  parser.addPositionalArgument(QStringLiteral("FOLDER"), QStringLiteral("An empty folder for the data instead."),
                               QStringLiteral("[FOLDER]"));
  parser.process(application);

  bool filesOk = false;
  bool foldersOk = false;
  bool roundsOk = false;
  const qint64 files = parser.value(filesOption).toLongLong(&filesOk);
  const qint64 folders = parser.value(foldersOption).toLongLong(&foldersOk);
  const int rounds = parser.value(roundsOption).toInt(&roundsOk);
  const bool valid = filesOk && foldersOk && roundsOk && files >= 0 && folders >= 0 && rounds >= 1;
  if (!valid || parser.positionalArguments().size() > 1) parser.showHelp(EXIT_FAILURE);

  const QString place = parser.positionalArguments().value(0, parser.value(baseOption));
  if (InHome(place)) {
    std::fprintf(stderr, "entw-bench-window: %s is in the home folder; choose another place\n", qPrintable(place));
    return EXIT_FAILURE;
  }
  std::unique_ptr<QTemporaryDir> temporary;
  QString root;
  bool madeRoot = false;
  if (parser.positionalArguments().isEmpty()) {
    temporary = std::make_unique<QTemporaryDir>(parser.value(baseOption) + QStringLiteral("/entw-bench-XXXXXX"));
    if (!temporary->isValid()) {
      std::fprintf(stderr, "entw-bench-window: no temporary folder under %s\n", qPrintable(parser.value(baseOption)));
      return EXIT_FAILURE;
    }
    root = temporary->path();
  } else {
    root = parser.positionalArguments().constFirst();
    madeRoot = !QDir(root).exists();
    if ((madeRoot && !QDir().mkdir(root)) || !QDir(root).isEmpty()) {
      std::fprintf(stderr, "entw-bench-window: %s could not be made, or is not empty\n", qPrintable(root));
      return EXIT_FAILURE;
    }
  }
  root = QDir(root).canonicalPath();

  std::printf("entw-bench-window: Qt %s, platform %s, rounds %d, data in %s\n", qVersion(),
              qPrintable(QGuiApplication::platformName()), rounds, qPrintable(root));
  // The tree first: the click's big folder leaves memory behind that the tree's peak would show.
  const bool ok = (folders == 0 || TimeTreeOpenings(root, folders, rounds)) &&
                  (files == 0 || TimeClickToPrompt(root, files, rounds));
  if (!temporary) {
    QDir(root + QStringLiteral("/files")).removeRecursively();
    QDir(root + QStringLiteral("/folders")).removeRecursively();
    if (madeRoot) QDir().rmdir(root);
  }
  return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
