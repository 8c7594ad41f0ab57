#include "shell/TJamShellTree.h"

#include "shell/TDroppedFolder.h"

#include <QDir>
#include <QDropEvent>
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
    return root == u"/" || root.startsWith(u"/media/") || root.startsWith(u"/mnt/") || root.startsWith(u"/run/media/")
           || root.startsWith(QDir::homePath() + u'/');
}

QFileSystemModel *NewFolderModel(QObject *parent, bool showHidden)
{
    auto *model = new QFileSystemModel(parent);
    model->setFilter(FolderFilter(showHidden));
    model->setReadOnly(true);
    model->setRootPath(QStringLiteral("/"));
    return model;
}

QToolButton *NewPlaceButton(QWidget *parent, QStyle::StandardPixmap icon)
{
    auto *button = new QToolButton(parent);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

TJamShellTree::TJamShellTree(QWidget *parent)
    : QTreeView(parent)
    , FModel(NewFolderModel(this, false))
    , FPlacesBar(new QWidget(this))
    , FHomeButton(NewPlaceButton(FPlacesBar, QStyle::SP_DirHomeIcon))
    , FRootButton(NewPlaceButton(FPlacesBar, QStyle::SP_ComputerIcon))
    , FVolumeButton(NewPlaceButton(FPlacesBar, QStyle::SP_DriveHDIcon))
    , FVolumeMenu(new QMenu(this))
{
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformRowHeights(true);
    setAnimated(false);
    UseModel(FModel);

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
    PlacePlacesBar();
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
}

// A drop goes to the tree as a whole, not to the row under the pointer: the tree never
// moves or copies anything, it only selects the dropped folder.
void TJamShellTree::dragEnterEvent(QDragEnterEvent *event)
{
    TDroppedFolder::Accept(event);
}

void TJamShellTree::dragMoveEvent(QDragMoveEvent *event)
{
    TDroppedFolder::Accept(event);
}

void TJamShellTree::dropEvent(QDropEvent *event)
{
    const QString folder = TDroppedFolder::Accept(event);
    if (!folder.isEmpty())
        SetSelectedFolder(folder);
}

void TJamShellTree::SetPlaceTips(const QString &home, const QString &fileSystem, const QString &volumes)
{
    FHomeButton->setToolTip(home);
    FRootButton->setToolTip(fileSystem);
    FVolumeButton->setToolTip(volumes);
}

QString TJamShellTree::SelectedFolder() const
{
    // The selection, not the current index: a view gives itself a current row when it
    // gets the focus, and that is no choice of the user's.
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty())
        return QString();
    return FModel->filePath(rows.first());
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
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index, QAbstractItemView::PositionAtCenter);
    FScrollPending = true;
}

void TJamShellTree::UseModel(QFileSystemModel *model)
{
    QItemSelectionModel *oldSelection = selectionModel();
    setModel(model);
    delete oldSelection;
    for (int column = 1; column < model->columnCount(); ++column)
        hideColumn(column);
    setSortingEnabled(true);
    sortByColumn(0, Qt::AscendingOrder);
    expand(model->index(QStringLiteral("/")));
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &TJamShellTree::CurrentFolderChanged);
    connect(model, &QFileSystemModel::directoryLoaded, this, &TJamShellTree::KeepSelectionInView);
    connect(model, &QAbstractItemModel::layoutChanged, this, &TJamShellTree::KeepSelectionInView);
}

void TJamShellTree::SetShowHidden(bool show)
{
    if (show == FShowHidden)
        return;
    FShowHidden = show;
    // A selected folder inside a hidden one goes with its branch: its nearest
    // ancestor that stays listed takes its place.
    QString folder = SelectedFolder();
    if (!show) {
        while (folder.contains(u"/."))
            folder = QFileInfo(folder).path();
    }
    // The branches the user had open stay open.
    QStringList expanded;
    for (QModelIndex row = FModel->index(0, 0); row.isValid(); row = indexBelow(row)) {
        const QString path = FModel->filePath(row);
        if (isExpanded(row) && (show || !path.contains(u"/.")))
            expanded << path;
    }
    // A fresh model rather than a new filter on the loaded one: refiltering a model
    // that is still loading a branch can drop visible folders from the tree.
    QFileSystemModel *oldModel = FModel;
    FModel = NewFolderModel(this, show);
    UseModel(FModel);
    oldModel->deleteLater();
    for (const QString &path : std::as_const(expanded))
        expand(FModel->index(path));
    SetSelectedFolder(folder);
    CurrentFolderChanged();
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
    if (!FScrollPending)
        return;
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (!rows.isEmpty())
        scrollTo(rows.first(), QAbstractItemView::PositionAtCenter);
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
