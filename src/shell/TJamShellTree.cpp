#include "shell/TJamShellTree.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QStorageInfo>
#include <QStyle>
#include <QToolButton>

namespace {

QDir::Filters FolderFilter(bool showHidden)
{
    QDir::Filters filter = QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives;
    if (showHidden)
        filter |= QDir::Hidden;
    return filter;
}

// Volumes a user mounts and browses: the system's own, removable media and
// mounts under the conventional places. Pseudo file systems (proc, sysfs, runtime
// tmpfs mounts) would only clutter the menu.
bool IsUserVolume(const QStorageInfo &volume)
{
    if (!volume.isValid() || !volume.isReady())
        return false;
    const QString root = volume.rootPath();
    return root == u"/" || root.startsWith(u"/media/") || root.startsWith(u"/mnt/")
           || root.startsWith(u"/run/media/") || root.startsWith(QDir::homePath() + u'/');
}

QToolButton *NewPlaceButton(QWidget *parent, QStyle::StandardPixmap icon, const QString &tip)
{
    auto *button = new QToolButton(parent);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setToolTip(tip);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

TJamShellTree::TJamShellTree(QWidget *parent)
    : QTreeView(parent)
    , FModel(new QFileSystemModel(this))
    , FPlacesBar(new QWidget(this))
    , FHomeButton(NewPlaceButton(FPlacesBar, QStyle::SP_DirHomeIcon, tr("Home folder")))
    , FRootButton(NewPlaceButton(FPlacesBar, QStyle::SP_ComputerIcon, tr("File system")))
    , FVolumeButton(NewPlaceButton(FPlacesBar, QStyle::SP_DriveHDIcon, tr("Volumes")))
    , FVolumeMenu(new QMenu(this))
{
    FModel->setFilter(FolderFilter(FShowHidden));
    FModel->setReadOnly(true);
    FModel->setRootPath(QStringLiteral("/"));
    setModel(FModel);
    for (int column = 1; column < FModel->columnCount(); ++column)
        hideColumn(column);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(true);
    sortByColumn(0, Qt::AscendingOrder);
    setUniformRowHeights(true);
    setAnimated(false);
    expand(FModel->index(QStringLiteral("/")));

    auto *barLayout = new QHBoxLayout(FPlacesBar);
    barLayout->setContentsMargins(2, 1, 2, 1);
    barLayout->setSpacing(2);
    barLayout->addWidget(FHomeButton);
    barLayout->addWidget(FRootButton);
    barLayout->addWidget(FVolumeButton);
    barLayout->addStretch();
    FVolumeButton->setMenu(FVolumeMenu);
    FVolumeButton->setPopupMode(QToolButton::InstantPopup);
    connect(FVolumeMenu, &QMenu::aboutToShow, this, &TJamShellTree::FillVolumeMenu);
    connect(FHomeButton, &QToolButton::clicked, this, [this] { SetSelectedFolder(QDir::homePath()); });
    connect(FRootButton, &QToolButton::clicked, this, [this] { SetSelectedFolder(QStringLiteral("/")); });

    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TJamShellTree::CurrentFolderChanged);
    connect(FModel, &QFileSystemModel::directoryLoaded, this, &TJamShellTree::KeepSelectionInView);
    connect(FModel, &QAbstractItemModel::layoutChanged, this, &TJamShellTree::KeepSelectionInView);
    PlacePlacesBar();
}

QString TJamShellTree::SelectedFolder() const
{
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return QString();
    return FModel->filePath(current);
}

void TJamShellTree::SetSelectedFolder(const QString &path)
{
    if (path.isEmpty())
        return;
    const QString folder = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (folder == SelectedFolder())
        return;
    // index() creates the branches down to the folder even where nothing has been
    // listed yet; their siblings arrive later from the model's loader.
    const QModelIndex index = FModel->index(folder);
    if (!index.isValid() || !FModel->isDir(index))
        return;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        expand(parent);
    setCurrentIndex(index);
    scrollTo(index, QAbstractItemView::PositionAtCenter);
    FScrollPending = true;
}

void TJamShellTree::SetShowHidden(bool show)
{
    if (show == FShowHidden)
        return;
    FShowHidden = show;
    const QString before = SelectedFolder();
    FModel->setFilter(FolderFilter(show));
    // A hidden folder that was selected is gone from the tree now; its parent is what
    // the model made current, which CurrentFolderChanged has already reported.
    if (!before.isEmpty() && SelectedFolder() != before)
        SetSelectedFolder(before);
}

void TJamShellTree::CurrentFolderChanged()
{
    const QString folder = SelectedFolder();
    if (folder == FLastFolder)
        return;
    FLastFolder = folder;
    Q_EMIT Change();
}

void TJamShellTree::KeepSelectionInView()
{
    if (FScrollPending && currentIndex().isValid())
        scrollTo(currentIndex(), QAbstractItemView::PositionAtCenter);
}

void TJamShellTree::FillVolumeMenu()
{
    FVolumeMenu->clear();
    const QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo &volume : volumes) {
        if (!IsUserVolume(volume))
            continue;
        const QString root = volume.rootPath();
        QString caption = volume.displayName();
        if (caption != root)
            caption += u" (" + root + u')';
        QAction *action = FVolumeMenu->addAction(style()->standardIcon(QStyle::SP_DriveHDIcon), caption);
        connect(action, &QAction::triggered, this, [this, root] { SetSelectedFolder(root); });
    }
}

void TJamShellTree::PlacePlacesBar()
{
    const int barHeight = FPlacesBar->sizeHint().height();
    setViewportMargins(0, barHeight, 0, 0);
    const QRect area = contentsRect();
    FPlacesBar->setGeometry(area.left(), area.top(), area.width(), barHeight);
}

void TJamShellTree::resizeEvent(QResizeEvent *event)
{
    QTreeView::resizeEvent(event);
    PlacePlacesBar();
}

void TJamShellTree::mousePressEvent(QMouseEvent *event)
{
    FScrollPending = false;
    QTreeView::mousePressEvent(event);
}

void TJamShellTree::keyPressEvent(QKeyEvent *event)
{
    FScrollPending = false;
    QTreeView::keyPressEvent(event);
}

void TJamShellTree::wheelEvent(QWheelEvent *event)
{
    FScrollPending = false;
    QTreeView::wheelEvent(event);
}
