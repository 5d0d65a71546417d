#include "app/folderlist.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QHelpEvent>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QStyle>
#include <QToolTip>

#include <algorithm>
#include <utility>

namespace {

// What assistive technology says of the folder a join takes.
QString OpenFolderWords() { return QStringLiteral("開いているフォルダー"); }

}  // namespace

// Shows one drive's folders by name alone: its root as the single top item,
// and the open folder in bold, named so to assistive technology, with its
// whole path on hover.
class DriveTreeModel final : public QSortFilterProxyModel {
 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;

  void setDrive(const QString& root) {
    driveRoot_ = QDir::cleanPath(root);
    driveParent_ = files()->filePath(files()->index(driveRoot_).parent());
    invalidateRowsFilter();
  }
  // Only the rows of the old and the new open folder change their look.
  void setOpenFolder(const QString& folder) {
    const QString previous = std::exchange(openFolder_, QDir::cleanPath(folder));
    for (const QString& path : {previous, openFolder_}) {
      if (const QModelIndex row = indexOf(path); row.isValid())
        emit dataChanged(row, row, {Qt::FontRole, Qt::AccessibleDescriptionRole, Qt::ToolTipRole});
    }
  }
  QModelIndex indexOf(const QString& path) const { return mapFromSource(files()->index(QDir::cleanPath(path))); }
  QString pathOf(const QModelIndex& index) const { return files()->filePath(mapToSource(index)); }

  QVariant data(const QModelIndex& index, int role) const override {
    // Asked for every role of every row painted: the path is built only for the roles that need it.
    if (role != Qt::FontRole && role != Qt::AccessibleDescriptionRole && role != Qt::ToolTipRole)
      return QSortFilterProxyModel::data(index, role);
    if (pathOf(index) != openFolder_)
      return role == Qt::FontRole ? QSortFilterProxyModel::data(index, role) : QString();
    switch (role) {
      case Qt::FontRole: {
        QFont bold;
        bold.setBold(true);
        return bold;
      }
      case Qt::AccessibleDescriptionRole:
        return OpenFolderWords();
      default:
        return QDir::toNativeSeparators(openFolder_);
    }
  }

 protected:
  // Size, type and date are neither shown nor read out.
  bool filterAcceptsColumn(int column, const QModelIndex&) const override { return column == 0; }

  bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
    // Beside the drive's root, nothing of the folder above it is shown.
    if (files()->filePath(parent) != driveParent_) return true;
    return files()->filePath(files()->index(row, 0, parent)) == driveRoot_;
  }

 private:
  QFileSystemModel* files() const { return static_cast<QFileSystemModel*>(sourceModel()); }

  QString driveRoot_;
  QString driveParent_;  // empty for a drive at the top of the file system
  QString openFolder_;
};

// Every row shows the same folder icon. The model asks for an icon and a type for each entry it
// reads, files too, every time a folder it shows changes; the platform's own answers cost a theme
// and a file-type lookup each, which a busy folder turns into a steady load.
class FolderIcons final : public QAbstractFileIconProvider {
 public:
  explicit FolderIcons(const QStyle& style) : folder_(style.standardIcon(QStyle::SP_DirIcon)) {}

  QIcon icon(IconType) const override { return folder_; }
  QIcon icon(const QFileInfo&) const override { return folder_; }
  // Never empty: the model shows a newly read entry only where its details differ from a bare
  // file's, whose type is empty.
  QString type(const QFileInfo&) const override { return QStringLiteral("フォルダー"); }

 private:
  QIcon folder_;
};

void DriveList::showPopup() {
  emit aboutToShowDrives();
  QComboBox::showPopup();
}

FolderList::FolderList(QWidget* parent)
    : QTreeView(parent),
      icons_(std::make_unique<FolderIcons>(*style())),
      files_(new QFileSystemModel(this)),
      tree_(new DriveTreeModel(this)) {
  files_->setIconProvider(icons_.get());
  files_->setFilter(QDir::AllDirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::Drives);
  files_->setReadOnly(true);
  tree_->setSourceModel(files_);
  tree_->setDynamicSortFilter(false);
  setModel(tree_);
  setHeaderHidden(true);
  // The tree is narrow: deep names widen it and it scrolls sideways.
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setAccessibleName(QStringLiteral("フォルダー"));
  setUniformRowHeights(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setExpandsOnDoubleClick(false);  // opening a folder expands it; a second toggle would fold it again
  connect(this, &QTreeView::activated, this, &FolderList::OpenIndex);
  // Queued: the view must be done with the model's change before the current row moves.
  connect(files_, &QFileSystemModel::directoryLoaded, this, &FolderList::FollowOpenFolder, Qt::QueuedConnection);
  connect(tree_, &QAbstractItemModel::layoutChanged, this, &FolderList::FollowOpenFolder, Qt::QueuedConnection);
  connect(tree_, &QAbstractItemModel::rowsInserted, this, &FolderList::FollowOpenFolder, Qt::QueuedConnection);
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this] { followingOpenFolder_ = false; });
}

void FolderList::mousePressEvent(QMouseEvent* event) {
  followingOpenFolder_ = false;
  QTreeView::mousePressEvent(event);
}

void FolderList::keyPressEvent(QKeyEvent* event) {
  followingOpenFolder_ = false;
  QTreeView::keyPressEvent(event);
}

void FolderList::wheelEvent(QWheelEvent* event) {
  followingOpenFolder_ = false;
  QTreeView::wheelEvent(event);
}

void FolderList::FollowOpenFolder() {
  if (followingOpenFolder_) ShowOpenFolder();
}

void FolderList::openFolder(const QString& driveRoot, const QString& folder) {
  followingOpenFolder_ = false;
  files_->setRootPath(driveRoot);
  tree_->setDrive(driveRoot);
  path_ = QDir::cleanPath(folder);
  tree_->setOpenFolder(path_);
  DescribeOpenFolder();
  const QModelIndex rootIndex = tree_->indexOf(driveRoot);
  setRootIndex(rootIndex.parent());
  followingOpenFolder_ = true;
  ShowOpenFolder();
}

void FolderList::scrollTo(const QModelIndex& index, ScrollHint hint) {
  QTreeView::scrollTo(index, hint);
  // Sideways as little as brings the name's end into view, but never past its start.
  const QRect item = visualRect(index);
  if (item.isEmpty()) return;
  QScrollBar* sideways = horizontalScrollBar();
  const int left = item.left() + sideways->value();
  sideways->setValue(std::clamp(left + sizeHintForIndex(index).width() - viewport()->width(), 0, left));
}

// A name that runs past the tree's edge shows whole on hover; the open folder shows its path.
bool FolderList::viewportEvent(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QTreeView::viewportEvent(event);
  const auto* help = static_cast<QHelpEvent*>(event);
  const QModelIndex index = indexAt(help->pos());
  QString tip = index.data(Qt::ToolTipRole).toString();
  if (tip.isEmpty() && index.isValid()) {
    const QRect item = visualRect(index);
    const bool cut = item.left() < 0 || item.left() + sizeHintForIndex(index).width() > viewport()->width();
    if (cut) tip = index.data(Qt::DisplayRole).toString();
  }
  if (tip.isEmpty())
    QToolTip::hideText();
  else
    QToolTip::showText(help->globalPos(), tip, viewport(), visualRect(index));
  return true;
}

void FolderList::OpenIndex(const QModelIndex& index) {
  if (!index.isValid()) return;
  path_ = tree_->pathOf(index);
  tree_->setOpenFolder(path_);
  DescribeOpenFolder();
  ShowOpenFolder();
  emit folderOpened(path_);
}

void FolderList::ShowOpenFolder() {
  const QModelIndex open = tree_->indexOf(path_);
  if (!open.isValid()) return;
  for (QModelIndex ancestor = open; ancestor.isValid(); ancestor = ancestor.parent()) expand(ancestor);
  setCurrentIndex(open);
  scrollTo(open, QAbstractItemView::PositionAtCenter);
}

void FolderList::DescribeOpenFolder() {
  setAccessibleDescription(OpenFolderWords() + QStringLiteral(": ") + QDir::toNativeSeparators(path_));
}
