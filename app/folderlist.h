#pragma once

#include <QAbstractFileIconProvider>
#include <QComboBox>
#include <QTreeView>

#include <memory>

class QFileSystemModel;
class DriveTreeModel;

// The drive list: the machine's drives, read afresh each time it opens.
class DriveList final : public QComboBox {
  Q_OBJECT

 public:
  using QComboBox::QComboBox;
  void showPopup() override;

 signals:
  void aboutToShowDrives();
};

// The folder list: the tree of one drive's folders with one folder open.
// Only opening a folder (double-click or Enter) changes path(); a folder
// that is merely highlighted does not. The open folder is told apart by
// more than bold type: a screen reader hears it, and its path shows on hover.
class FolderList final : public QTreeView {
  Q_OBJECT

 public:
  explicit FolderList(QWidget* parent = nullptr);

  QString path() const { return path_; }
  // Shows the tree of the drive at driveRoot with folder open in it.
  void openFolder(const QString& driveRoot, const QString& folder);
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

 signals:
  void folderOpened(const QString& folder);

 private:
  void OpenIndex(const QModelIndex& index);
  void ShowOpenFolder();
  void FollowOpenFolder();
  void DescribeOpenFolder();

  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool viewportEvent(QEvent* event) override;

  std::unique_ptr<QAbstractFileIconProvider> icons_;  // files_ asks it about every entry it reads
  QFileSystemModel* files_;
  DriveTreeModel* tree_;
  QString path_;
  // Folders load and sort in the background, moving rows; the open folder is
  // kept in view while they settle, until the user takes over.
  bool followingOpenFolder_ = false;
};
