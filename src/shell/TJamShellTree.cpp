#include "shell/TJamShellTree.h"

#include "shell/TDroppedFolder.h"

#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QStorageInfo>
#include <QStyle>
#include <QTimer>
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
    , FMissingMark(new QLabel(FPlacesBar))
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
    // Shown while the chosen folder is missing; its tooltip says what that means.
    const int iconSize = style()->pixelMetric(QStyle::PM_SmallIconSize);
    FMissingMark->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(iconSize, iconSize));
    FMissingMark->setObjectName(QStringLiteral("MissingMark"));
    FMissingMark->hide();
    barLayout->addWidget(FMissingMark);
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

void TJamShellTree::SetSelectedFolder(const QString &path)
{
    if (path.isEmpty())
        return;
    const QString folder = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (folder == FChosen && !FMissing)
        return;
    SelectFolder(folder);
}

bool TJamShellTree::SelectFolder(const QString &folder)
{
    // The disk, not the model, says whether the folder is there: the model learns of a
    // removed folder only a little later.
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return false;
    // index() creates the branches down to the folder even where nothing has been
    // listed yet; their siblings arrive later from the model's loader.
    const QModelIndex index = FModel->index(folder);
    if (!index.isValid() || !FModel->isDir(index))
        return false;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        expand(parent);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index, QAbstractItemView::PositionAtCenter);
    FScrollPending = true;
    return true;
}

void TJamShellTree::SetMissingTip(const QString &tip)
{
    FMissingTip = tip;
    if (FMissing) {
        setToolTip(tip);
        FMissingMark->setToolTip(tip);
    }
}

void TJamShellTree::SetMissing(bool missing)
{
    if (missing == FMissing)
        return;
    FMissing = missing;
    FMissingMark->setVisible(missing);
    FMissingMark->setToolTip(missing ? FMissingTip : QString());
    setToolTip(missing ? FMissingTip : QString());
    Q_EMIT MissingChange();
}

void TJamShellTree::rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end)
{
    // The view would select a neighbour of a selected row that goes (or of the row of its
    // current folder): a folder the user never chose. The choice stays, without a row.
    const QModelIndexList before = selectionModel()->selectedRows();
    bool losing = false;
    for (QModelIndex row = before.value(0); row.isValid() && !losing; row = row.parent())
        losing = row.parent() == parent && row.row() >= start && row.row() <= end;
    FLosingRows = true;
    QTreeView::rowsAboutToBeRemoved(parent, start, end);
    if (losing)
        selectionModel()->clear();
    else if (!before.isEmpty() && selectionModel()->selectedRows() != before)
        selectionModel()->setCurrentIndex(before.first(),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    FLosingRows = false;
    if (losing)
        SetMissing(true);
}

void TJamShellTree::rowsInserted(const QModelIndex &parent, int start, int end)
{
    QTreeView::rowsInserted(parent, start, end);
    // A missing folder that comes back (a disk plugged in again) is the same choice.
    if (FMissing && !FReturnCheckPending) {
        FReturnCheckPending = true;
        QTimer::singleShot(0, this, &TJamShellTree::SelectReturnedFolder);
    }
}

void TJamShellTree::SelectReturnedFolder()
{
    FReturnCheckPending = false;
    if (FMissing)
        SelectFolder(FChosen);
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
    QString folder = FChosen;
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
    SelectFolder(folder);
    CurrentFolderChanged();
}

void TJamShellTree::CurrentFolderChanged()
{
    if (FLosingRows)
        return;
    const QModelIndexList rows = selectionModel()->selectedRows();
    QString folder;
    if (!rows.isEmpty()) {
        folder = FModel->filePath(rows.first());
    } else if (!FChosen.isEmpty() && !QFileInfo(FChosen).isDir()) {
        // The row went with its folder: that is no choice of the user's.
        SetMissing(true);
        return;
    }
    const bool changed = folder != FChosen;
    FChosen = folder;
    SetMissing(false);
    if (changed)
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
