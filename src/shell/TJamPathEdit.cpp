#include "shell/TJamPathEdit.h"

#include "shell/TDroppedFolder.h"

#include <QApplication>
#include <QCompleter>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QMimeData>

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
