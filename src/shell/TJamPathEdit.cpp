#include "shell/TJamPathEdit.h"

#include "shell/TDroppedFolder.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QMimeData>
#include <QMouseEvent>
#include <QWindow>

namespace {

QFileSystemModel *NewFolderModel(QObject *parent, bool showHidden)
{
    QDir::Filters filter = QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives;
    if (showHidden)
        filter |= QDir::Hidden;
    auto *model = new QFileSystemModel(parent);
    model->setFilter(filter);
    model->setReadOnly(true);
    model->setRootPath(QStringLiteral("/"));
    return model;
}

// Sends a mouse event that arrived elsewhere to a control, at the same place on the screen.
void SendMouse(QWidget *control, const QMouseEvent &event)
{
    const QPointF at = event.globalPosition();
    QMouseEvent passed(event.type(), control->mapFromGlobal(at), control->window()->mapFromGlobal(at), at,
                       event.button(), event.buttons(), event.modifiers(), event.pointingDevice());
    QCoreApplication::sendEvent(control, &passed);
}

} // namespace

TJamPathEdit::TJamPathEdit(QWidget *parent)
    : QLineEdit(parent)
    , FModel(NewFolderModel(this, false))
    , FCompleter(new QCompleter(this))
{
    FCompleter->setModel(FModel);
    FCompleter->setCompletionMode(QCompleter::PopupCompletion);
    FCompleter->setCaseSensitivity(Qt::CaseSensitive);
    setCompleter(FCompleter);
    // Installed after the completer's own filter, so it sees the list's events first.
    FCompleter->popup()->installEventFilter(this);
    connect(this, &QLineEdit::textChanged, this, &TJamPathEdit::UpdateMark);
    connect(this, &QLineEdit::textChanged, this, &TJamPathEdit::Change);
    connect(this, &QLineEdit::textEdited, this, &TJamPathEdit::LoadTypedFolder);
    connect(FModel, &QFileSystemModel::directoryLoaded, this, &TJamPathEdit::FolderLoaded);
}

QString TJamPathEdit::TypedFolder() const
{
    const QString typed = text();
    const qsizetype slash = typed.lastIndexOf(u'/');
    if (slash < 0 || !QDir::isAbsolutePath(typed))
        return QString();
    return slash == 0 ? QStringLiteral("/") : typed.left(slash);
}

void TJamPathEdit::LoadTypedFolder()
{
    // The model lists a folder only when asked, and the completer never asks; so the
    // folder being typed into is loaded here, and the list offered once it arrives.
    const QString folder = TypedFolder();
    if (folder.isEmpty())
        return;
    const QModelIndex index = FModel->index(folder);
    if (index.isValid() && FModel->canFetchMore(index))
        FModel->fetchMore(index);
}

void TJamPathEdit::FolderLoaded(const QString &folder)
{
    if (!hasFocus() || QDir::cleanPath(folder) != QDir::cleanPath(TypedFolder()))
        return;
    FCompleter->setCompletionPrefix(text());
    if (FCompleter->completionCount() > 0)
        FCompleter->complete();
}

bool TJamPathEdit::eventFilter(QObject *watched, QEvent *event)
{
    QWidget *list = FCompleter->popup();
    if (watched == list && event->type() == QEvent::Show)
        FClickedControl = nullptr;
    if (watched == list && event->type() == QEvent::MouseButtonPress)
        return PassPressOn(*static_cast<QMouseEvent *>(event));
    if (watched == list->windowHandle() && FClickedControl != nullptr && !list->isVisible()
        && (event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonRelease))
        return PassRestOfClick(*static_cast<QMouseEvent *>(event));
    return QLineEdit::eventFilter(watched, event);
}

bool TJamPathEdit::PassPressOn(const QMouseEvent &press)
{
    QWidget *list = FCompleter->popup();
    const QPoint at = press.globalPosition().toPoint();
    if (list->rect().contains(list->mapFromGlobal(at)))
        return false;
    // The list holds the pointer while it is open, so a click on another control lands
    // here and would only close the list: the user's click on the other path box left
    // the focus, and the next keys, in this one. Qt passes such a press on only on some
    // platforms, so it is never left to pass it on as well.
    list->setAttribute(Qt::WA_NoMouseReplay);
    list->hide();
    QWidget *target = QApplication::widgetAt(at);
    if (target == nullptr || target->window() != window() || !target->isEnabled())
        return true;
    for (QWidget *w = target; w != nullptr; w = w->parentWidget()) {
        if (w->isEnabled() && (w->focusPolicy() & Qt::ClickFocus) == Qt::ClickFocus) {
            w->setFocus(Qt::MouseFocusReason);
            break;
        }
        if (w->isWindow())
            break;
    }
    // Sent now, not posted: a quick click's release may already wait in the window
    // system's queue, and must reach the control after its press.
    FClickedControl = target;
    if (QWindow *listWindow = list->windowHandle())
        listWindow->installEventFilter(this);
    SendMouse(target, press);
    return true;
}

bool TJamPathEdit::PassRestOfClick(const QMouseEvent &event)
{
    QWidget *target = FClickedControl;
    if (event.type() == QEvent::MouseButtonRelease && event.buttons() == Qt::NoButton)
        FClickedControl = nullptr;
    SendMouse(target, event);
    return true;
}

void TJamPathEdit::SetPath(const QString &path)
{
    const QString current = text();
    if (current == path)
        return;
    if (!current.isEmpty() && !path.isEmpty() && QDir::cleanPath(current) == QDir::cleanPath(path))
        return;
    setText(path);
}

bool TJamPathEdit::IsValidPath() const
{
    const QString path = text();
    return !path.isEmpty() && QDir::isAbsolutePath(path) && QFileInfo(path).isDir();
}

void TJamPathEdit::SetInvalidTip(const QString &tip)
{
    FInvalidTip = tip;
    if (FMarked)
        setToolTip(FInvalidTip);
}

void TJamPathEdit::UpdateMark()
{
    // An empty box names nothing yet; it is not wrong.
    const bool marked = !text().isEmpty() && !IsValidPath();
    if (marked == FMarked)
        return;
    FMarked = marked;
    QPalette colours = QApplication::palette(this);
    if (marked) {
        colours.setColor(QPalette::Text, QColor(0xb0, 0x00, 0x20));
        colours.setColor(QPalette::Base, QColor(0xff, 0xec, 0xec));
    }
    setPalette(colours);
    setToolTip(marked ? FInvalidTip : QString());
}

void TJamPathEdit::SetShowHidden(bool show)
{
    if (show == FShowHidden)
        return;
    FShowHidden = show;
    // A fresh model, as the folder tree does: refiltering a loaded one is unreliable.
    QFileSystemModel *oldModel = FModel;
    FModel = NewFolderModel(this, show);
    connect(FModel, &QFileSystemModel::directoryLoaded, this, &TJamPathEdit::FolderLoaded);
    FCompleter->setModel(FModel);
    oldModel->deleteLater();
}

// Dropped paths replace the text instead of being inserted into it; other dropped text is
// the line edit's own business.
void TJamPathEdit::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        TDroppedFolder::Accept(event);
    else
        QLineEdit::dragEnterEvent(event);
}

void TJamPathEdit::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->mimeData()->hasUrls())
        TDroppedFolder::Accept(event);
    else
        QLineEdit::dragMoveEvent(event);
}

void TJamPathEdit::dropEvent(QDropEvent *event)
{
    if (!event->mimeData()->hasUrls()) {
        QLineEdit::dropEvent(event);
        return;
    }
    const QString folder = TDroppedFolder::Accept(event);
    if (!folder.isEmpty())
        setText(folder);
}
