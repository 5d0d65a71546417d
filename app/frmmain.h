#pragma once

#include "app/drives.h"

#include <QFont>
#include <QHash>
#include <QMainWindow>
#include <QStringList>

#include <array>

class Dialogs;
class DriveList;
class FolderList;
class QAction;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

// The window's font, which its dialogs share: a proportional Japanese UI font at 10.2 points.
QFont ProgramFont();

// Positions and sizes in twips (1/1440 inch) become pixels at the screen's logical density.
int TwipsToPixels(int twips, int dotsPerInch);

// The program's one window.
class frmMain final : public QMainWindow {
  Q_OBJECT

 public:
  // dotsPerInch 0 takes the screen's logical density.
  frmMain(Dialogs& dialogs, DriveServices& drives, int dotsPerInch = 0);

  // The join list of the last join, in join order.
  const QStringList& joinList() const { return strFiles; }
  QString lastDrive() const { return strLastDrive; }
  QString openFolder() const;

  // Opens the folder given, or the one holding the file given, as the user
  // would: its drive chosen, the folder open and kept as that drive's. One
  // that cannot be opened changes nothing, and the window says why; place
  // names where in an error report.
  void OpenGivenFolder(const QString& given, const QString& place);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildControls(int dotsPerInch);
  void BuildMenu();
  void Form_Load();
  void cmdMain_Click();
  void drvMain_Change();
  void ShowDriveNotReady();
  void mnuHelp_Click();
  void RefreshDrives();
  void ShowLabel(const QString& driveId, const std::optional<QString>& label);
  void SetDrive(const QString& driveId);
  void RecordOpenedFolder(const QString& folder);
  std::optional<Drive> FindDrive(const QString& driveId) const;
  QString CurrentFolderOf(const Drive& drive) const;
  // The folder choosing the drive opens, or its failure; nothing where the drive did not answer in time.
  std::optional<Fallible<QString>> OpenableFolder(const std::optional<Drive>& drive);

  Dialogs& dialogs_;
  DriveServices& driveServices_;
  DriveQuestions* driveQuestions_;
  QList<Drive> drives_;
  QHash<QString, QString> driveFolders_;  // each drive's current folder, once opened
  QHash<QString, QString> driveLabels_;   // the label each drive last answered with
  QString workingFolder_;
  bool joining_ = false;  // a drop then changes nothing

  QLabel* lblMain = nullptr;
  DriveList* drvMain = nullptr;
  FolderList* dirMain = nullptr;
  QGroupBox* fraOrder = nullptr;
  std::array<QRadioButton*, 2> optOrder{};
  QButtonGroup* optOrderGroup = nullptr;
  QCheckBox* chkMain = nullptr;
  QPushButton* cmdMain = nullptr;
  QAction* mnuExit = nullptr;
  QAction* mnuHelp = nullptr;

  QStringList strFiles;
  QString strLastDrive;
};
