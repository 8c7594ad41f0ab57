#pragma once

#include <QTreeView>

class QFileSystemModel;
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
class TJamShellTree : public QTreeView
{
    Q_OBJECT

public:
    explicit TJamShellTree(QWidget *parent = nullptr);

    // Absolute path of the selected folder ("/" for the top, otherwise without a
    // trailing separator); empty when none is selected.
    QString SelectedFolder() const;
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

protected:
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
    void KeepSelectionInView();
    void FillVolumeMenu();
    void PlacePlacesBar();

    QFileSystemModel *FModel;
    QWidget *FPlacesBar;
    QToolButton *FHomeButton;
    QToolButton *FRootButton;
    QToolButton *FVolumeButton;
    QMenu *FVolumeMenu;
    QString FLastFolder;
    bool FShowHidden = false;
    // A folder chosen from code is kept in view while its branch is still loading and
    // sorting, until the user takes over the tree.
    bool FScrollPending = false;
};
