#pragma once

#include <QTreeView>

class QFileSystemModel;
class QLabel;
class QMenu;
class QToolButton;

// A tree of the file system's folders from "/", with a small bar of places above it:
// the home folder, the top of the file system, and the mounted volumes. Folders are
// loaded lazily as they are opened, but any existing folder can be selected at once
// (SetSelectedFolder builds the branches down to it).
//
// Change() is raised whenever the selected folder changes, whoever changed it, and only
// then: selecting the folder that is already selected is no change, so a path box that
// echoes the tree back cannot start a loop.
//
// A folder dragged from a file manager onto the tree is selected (a file: its folder).
//
// The chosen folder is the user's: when it disappears (renamed, deleted, its parent
// deleted, its disk unplugged) it stays chosen, no other row is selected in its place,
// and FolderMissing() says so until the user chooses again or it comes back. A scan of a
// missing folder then fails with its own message instead of scanning a neighbour.
class TJamShellTree : public QTreeView
{
    Q_OBJECT

public:
    explicit TJamShellTree(QWidget *parent = nullptr);

    // Absolute path of the chosen folder ("/" for the top, otherwise without a trailing
    // separator), also while it is missing; empty when none is chosen.
    QString SelectedFolder() const { return FChosen; }
    // The chosen folder has disappeared from the file system.
    bool FolderMissing() const { return FMissing; }
    // The tooltip of the tree while its folder is missing.
    void SetMissingTip(const QString &tip);
    // Selects an existing folder, opening its parents and scrolling to it. A path that
    // names no folder, or names the one already selected, changes nothing.
    void SetSelectedFolder(const QString &path);

    // Whether folders whose names start with "." are listed.
    bool ShowHidden() const { return FShowHidden; }
    // The tooltips of the buttons above the tree: home folder, file system, volumes.
    void SetPlaceTips(const QString &home, const QString &fileSystem, const QString &volumes);
    void SetShowHidden(bool show);

    // Replaced when ShowHidden changes.
    QFileSystemModel *FileSystemModel() const { return FModel; }

Q_SIGNALS:
    void Change();
    // The chosen folder went missing or came back; SelectedFolder() is unchanged.
    void MissingChange();

protected:
    void rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end) override;
    void rowsInserted(const QModelIndex &parent, int start, int end) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void UseModel(QFileSystemModel *model);
    void CurrentFolderChanged();
    // Selects an existing folder's row; false when there is no such folder.
    bool SelectFolder(const QString &folder);
    void SetMissing(bool missing);
    // Selects the chosen folder again once it exists again.
    void SelectReturnedFolder();
    void KeepSelectionInView();
    void FillVolumeMenu();
    void PlacePlacesBar();

    QFileSystemModel *FModel;
    QWidget *FPlacesBar;
    QToolButton *FHomeButton;
    QToolButton *FRootButton;
    QToolButton *FVolumeButton;
    QMenu *FVolumeMenu;
    QLabel *FMissingMark;
    QString FChosen;
    QString FMissingTip;
    bool FMissing = false;
    // Set while rows leave the model: the view's move to a neighbouring row is no choice.
    bool FLosingRows = false;
    bool FReturnCheckPending = false;
    bool FShowHidden = false;
    // A folder chosen from code is kept in view while its branch is still loading and
    // sorting, until the user takes over the tree.
    bool FScrollPending = false;
};
