#include "app/frmmain.h"

#include "app/folderlist.h"
#include "app/givenfolder.h"
#include "dialogs/dialogs.h"
#include "files/filenames.h"
#include "flow/joincommand.h"
#include "report/errorreport.h"
#include "resources/versioninfo.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDropEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QScreen>

namespace {

// Twips per inch.
constexpr int kTwipsPerInch = 1440;

// How long a chosen drive may take to answer before it is not ready.
constexpr std::chrono::milliseconds kDriveAnswerBound{1000};

// Enter presses the focused button as Space does, though the window has no default button for Enter to press.
class EnterPressesButton final : public QObject {
 public:
  explicit EnterPressesButton(QAbstractButton* button) : QObject(button), button_(button) {
    button->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != button_ || event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) || (key->modifiers() & ~Qt::KeypadModifier))
      return false;
    button_->animateClick();
    return true;
  }

 private:
  QAbstractButton* button_;
};

}  // namespace

QFont ProgramFont() {
  QFont font;
  // The first family the machine has wins: the classic Japanese UI font, then its nearest kin.
  font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"),
                    QStringLiteral("Noto Sans CJK JP")});
  font.setPointSizeF(10.2);
  font.setWeight(QFont::Normal);
  return font;
}

int TwipsToPixels(int twips, int dotsPerInch) {
  return static_cast<int>((static_cast<qint64>(twips) * dotsPerInch + kTwipsPerInch / 2) / kTwipsPerInch);
}

frmMain::frmMain(Dialogs& dialogs, DriveServices& drives, int dotsPerInch)
    : dialogs_(dialogs), driveServices_(drives), driveQuestions_(new DriveQuestions(drives, this)) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(ProgramName());
  setWindowIcon(QIcon(QStringLiteral(":/entw/window-icon")));
  setFont(ProgramFont());
  BuildMenu();
  BuildControls(dotsPerInch > 0 ? dotsPerInch : qRound(screen()->logicalDotsPerInch()));
  setAcceptDrops(true);
  Form_Load();
}

QString frmMain::openFolder() const { return dirMain->path(); }

void frmMain::BuildMenu() {
  mnuExit = menuBar()->addAction(QStringLiteral("終了(&X)"));
  mnuExit->setObjectName(QStringLiteral("mnuExit"));
  connect(mnuExit, &QAction::triggered, this, &QWidget::close);
  mnuHelp = menuBar()->addAction(QStringLiteral("ヘルプ(&H)..."));
  mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
  connect(mnuHelp, &QAction::triggered, this, &frmMain::mnuHelp_Click);
}

void frmMain::BuildControls(int dotsPerInch) {
  const auto place = [dotsPerInch](QWidget* control, const char* name, int left, int top, int width, int height) {
    control->setObjectName(QLatin1String(name));
    control->setGeometry(TwipsToPixels(left, dotsPerInch), TwipsToPixels(top, dotsPerInch),
                         TwipsToPixels(width, dotsPerInch), TwipsToPixels(height, dotsPerInch));
  };

  auto* client = new QWidget(this);
  client->setFixedSize(TwipsToPixels(5292, dotsPerInch), TwipsToPixels(4644, dotsPerInch));
  setCentralWidget(client);

  lblMain = new QLabel(QStringLiteral("結合対象(&T):"), client);
  place(lblMain, "lblMain", 180, 180, 2652, 312);
  drvMain = new DriveList(client);
  place(drvMain, "drvMain", 120, 480, 2712, 300);
  // The label names the drive list and its access key leads there, where the choice of what to join begins.
  lblMain->setBuddy(drvMain);
  drvMain->setAccessibleName(QStringLiteral("結合対象"));
  dirMain = new FolderList(client);
  place(dirMain, "dirMain", 120, 840, 2712, 3720);

  fraOrder = new QGroupBox(QStringLiteral("結合順序"), client);
  place(fraOrder, "fraOrder", 2940, 780, 2232, 1392);
  optOrder[0] = new QRadioButton(QStringLiteral("日付順(&D)"), fraOrder);
  place(optOrder[0], "optOrder", 240, 300, 1752, 372);
  optOrder[1] = new QRadioButton(QStringLiteral("名前順(&N)"), fraOrder);
  place(optOrder[1], "optOrder", 240, 720, 1752, 372);
  // One name for the pair, told apart by index as the group's ids are.
  optOrder[0]->setProperty("index", 0);
  optOrder[1]->setProperty("index", 1);
  optOrderGroup = new QButtonGroup(this);
  optOrderGroup->setObjectName(QStringLiteral("optOrder"));
  optOrderGroup->addButton(optOrder[0], 0);
  optOrderGroup->addButton(optOrder[1], 1);
  optOrder[1]->setChecked(true);

  chkMain = new QCheckBox(QStringLiteral("MS-DOSに頼る(&C)"), client);
  place(chkMain, "chkMain", 3000, 2400, 2232, 372);
  chkMain->setEnabled(false);
  chkMain->setAccessibleDescription(QStringLiteral("このバージョンでは効果がありません。"));

  cmdMain = new QPushButton(QStringLiteral("結合実行(&E)"), client);
  place(cmdMain, "cmdMain", 2940, 3720, 2232, 792);
  cmdMain->setAutoDefault(false);
  cmdMain->setDefault(false);
  new EnterPressesButton(cmdMain);

  // Of the option pair only the selected one is a Tab stop.
  const auto followSelectedOrder = [this](int id) {
    for (QRadioButton* option : optOrder) option->setFocusPolicy(Qt::ClickFocus);
    optOrder[static_cast<size_t>(id)]->setFocusPolicy(Qt::StrongFocus);
  };
  followSelectedOrder(1);
  connect(optOrderGroup, &QButtonGroup::idToggled, this, [followSelectedOrder](int id, bool checked) {
    if (checked) followSelectedOrder(id);
  });

  setTabOrder(drvMain, dirMain);
  setTabOrder(dirMain, chkMain);
  setTabOrder(chkMain, optOrder[0]);
  setTabOrder(optOrder[0], optOrder[1]);
  setTabOrder(optOrder[1], cmdMain);

  connect(cmdMain, &QPushButton::clicked, this, &frmMain::cmdMain_Click);
  connect(drvMain, &QComboBox::currentIndexChanged, this, &frmMain::drvMain_Change);
  connect(drvMain, &DriveList::aboutToShowDrives, this, &frmMain::RefreshDrives);
  connect(dirMain, &FolderList::folderOpened, this, &frmMain::RecordOpenedFolder);
  connect(driveQuestions_, &DriveQuestions::labelled, this, &frmMain::ShowLabel);

  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void frmMain::Form_Load() {
  workingFolder_ = driveServices_.WorkingFolder();
  RefreshDrives();
  if (const std::optional<Drive> working = DriveHolding(drives_, workingFolder_)) {
    const QSignalBlocker quiet(drvMain);
    drvMain->setCurrentIndex(drvMain->findData(working->id));
  }
  drvMain_Change();
}

void frmMain::cmdMain_Click() {
  const QScopedValueRollback joining(joining_, true);
  RunJoinCommand(dirMain->path(), optOrder[0]->isChecked(), dialogs_, strFiles, {.answerWhileJoining = true});
}

void frmMain::drvMain_Change() {
  const QString driveId = drvMain->currentData().toString();
  const std::optional<Drive> drive = FindDrive(driveId);
  const std::optional<Fallible<QString>> folder = OpenableFolder(drive);
  if (folder && *folder) {
    dirMain->openFolder(drive->root, **folder);
    // Where the drive's folder has gone, the one opened above it is the drive's now.
    driveFolders_.insert(driveId, **folder);
    strLastDrive = driveId;
    return;
  }
  if (folder && folder->failure().kind != FailureKind::DriveUnavailable) {
    ReportError(QStringLiteral("drvMain_Change"), Described(folder->failure()), dialogs_);
    return;
  }
  ShowDriveNotReady();
  // Back to the drive that worked last; going back is a change of its own and opens that drive again.
  if (!strLastDrive.isEmpty()) {
    SetDrive(strLastDrive);
    return;
  }
  // No drive has opened yet: the working folder's drive, or the first that opens.
  const std::optional<Drive> working = DriveHolding(drives_, workingFolder_);
  if (working && working->id != driveId) {
    SetDrive(working->id);
    return;
  }
  for (const Drive& other : std::as_const(drives_)) {
    if (other.id == driveId) continue;
    if (const std::optional<Fallible<QString>> opens = OpenableFolder(other); opens && *opens) {
      SetDrive(other.id);
      return;
    }
  }
}

// A notice, not an error report, so not the report's title: "エラー" joined
// directly to the name, the title this message has always had.
void frmMain::ShowDriveNotReady() {
  dialogs_.ShowMessage(QStringLiteral("ドライブの準備ができていません。"), MessageStyle::kError,
                       QStringLiteral("エラー") + ProgramName());
}

void frmMain::OpenGivenFolder(const QString& given, const QString& place) {
  const QString path = AbsoluteGivenPath(given);
  RefreshDrives();  // a drive mounted since the list was read
  const std::optional<Drive> drive = DriveHolding(drives_, path);
  const bool onDrive = drive && FolderText(path).startsWith(drive->root, Qt::CaseInsensitive);
  const std::optional<Fallible<QString>> folder =
      onDrive ? driveQuestions_->AskGivenFolder(*drive, path, kDriveAnswerBound) : std::nullopt;
  if (!folder || !*folder) {
    if (folder && folder->failure().kind != FailureKind::DriveUnavailable)
      ReportError(place, Described(folder->failure()), dialogs_);
    else
      ShowDriveNotReady();
    return;
  }
  // The drive opens on its current folder, now this one.
  driveFolders_.insert(drive->id, **folder);
  if (drvMain->currentData().toString() == drive->id)
    drvMain_Change();
  else
    SetDrive(drive->id);
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (!joining_ && !urls.isEmpty() && urls.first().isLocalFile()) event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (joining_ || urls.isEmpty() || !urls.first().isLocalFile()) return;
  event->acceptProposedAction();
  // Opened once the drop is done: a message shown inside it would hold the
  // file manager the drop came from until it is closed.
  QMetaObject::invokeMethod(
      this, [this, path = DroppedPath(urls.first())] { OpenGivenFolder(path, QStringLiteral("Form_OLEDragDrop")); },
      Qt::QueuedConnection);
}

void frmMain::mnuHelp_Click() { dialogs_.ShowMessage(VersionBoxText(), MessageStyle::kOkOnly, VersionBoxTitle()); }

void frmMain::RefreshDrives() {
  const QString shown = drvMain->currentData().toString();
  const std::optional<Drive> shownDrive = FindDrive(shown);
  drives_ = driveServices_.ListDrives();
  // A drive that went away stays listed while it is shown, so the list never changes by itself.
  if (shownDrive && !FindDrive(shown)) drives_.append(*shownDrive);
  const QSignalBlocker quiet(drvMain);
  drvMain->clear();
  // Listed at once, with the labels drives gave before; each is asked afresh and shows its label when it answers.
  for (Drive& drive : drives_) {
    drive.label = driveLabels_.value(drive.id);
    drvMain->addItem(drive.displayText(), drive.id);
    driveQuestions_->AskLabel(drive);
  }
  drvMain->setCurrentIndex(drvMain->findData(shown));
}

void frmMain::ShowLabel(const QString& driveId, const std::optional<QString>& label) {
  if (label)
    driveLabels_.insert(driveId, *label);
  else
    driveLabels_.remove(driveId);
  for (Drive& drive : drives_) {
    if (drive.id != driveId) continue;
    drive.label = label.value_or(QString());
    if (const int item = drvMain->findData(driveId); item >= 0) drvMain->setItemText(item, drive.displayText());
  }
}

void frmMain::SetDrive(const QString& driveId) { drvMain->setCurrentIndex(drvMain->findData(driveId)); }

void frmMain::RecordOpenedFolder(const QString& folder) { driveFolders_.insert(strLastDrive, folder); }

std::optional<Drive> frmMain::FindDrive(const QString& driveId) const {
  for (const Drive& drive : drives_) {
    if (drive.id == driveId) return drive;
  }
  return std::nullopt;
}

std::optional<Fallible<QString>> frmMain::OpenableFolder(const std::optional<Drive>& drive) {
  if (!drive) return std::nullopt;
  return driveQuestions_->AskFolder(*drive, CurrentFolderOf(*drive), kDriveAnswerBound);
}

QString frmMain::CurrentFolderOf(const Drive& drive) const {
  if (const auto opened = driveFolders_.constFind(drive.id); opened != driveFolders_.cend()) return *opened;
  const std::optional<Drive> working = DriveHolding(drives_, workingFolder_);
  return working && working->id == drive.id ? workingFolder_ : driveServices_.CurrentFolder(drive);
}
