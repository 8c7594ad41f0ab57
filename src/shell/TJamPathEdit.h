#pragma once

#include <QLineEdit>
#include <QPointer>

class QCompleter;
class QMouseEvent;
class QFileSystemModel;

// A path box for a folder, completing folder names as they are typed. Change() is
// raised on every change of the text, typed or set. A text that names no folder is
// marked, and its tooltip says why, until it names one again. A folder dragged from a
// file manager (or a file, for its folder) takes the box's text whole.
class TJamPathEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit TJamPathEdit(QWidget *parent = nullptr);

    QString Path() const { return text(); }
    // Leaves the text alone when it already names that path (it may differ by a
    // trailing separator the user has just typed), so echoing a folder back into the
    // box never disturbs typing and never raises Change() again.
    void SetPath(const QString &path);

    // The text is an absolute path naming an existing folder.
    bool IsValidPath() const;

    // The tooltip of a marked box: what the program does while the text names no folder.
    void SetInvalidTip(const QString &tip);
    // Whether the box is marked now.
    bool Marked() const { return FMarked; }
    // Marks the box anew, as after its folder appeared or disappeared with the text unchanged.
    void Recheck() { UpdateMark(); }

    // Whether completion offers folders whose names start with ".".
    bool ShowHidden() const { return FShowHidden; }
    void SetShowHidden(bool show);

Q_SIGNALS:
    void Change();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // The folder part of the text, up to its last separator; empty when not absolute.
    QString TypedFolder() const;
    void LoadTypedFolder();
    void FolderLoaded(const QString &folder);
    // A press outside the open completion list: closes the list and hands the press to
    // the control under the pointer, which the list would otherwise swallow.
    bool PassPressOn(const QMouseEvent &press);
    // The rest of that click: the window system still sends it to the closed list.
    bool PassRestOfClick(const QMouseEvent &event);

    QFileSystemModel *FModel;
    void UpdateMark();

    QCompleter *FCompleter;
    QPointer<QWidget> FClickedControl;
    QString FInvalidTip;
    bool FShowHidden = false;
    bool FMarked = false;
};
