#include "shell/TJamPathEdit.h"

#include <QCompleter>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>

namespace {

QDir::Filters FolderFilter(bool showHidden)
{
    QDir::Filters filter = QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives;
    if (showHidden)
        filter |= QDir::Hidden;
    return filter;
}

} // namespace

TJamPathEdit::TJamPathEdit(QWidget *parent)
    : QLineEdit(parent)
    , FModel(new QFileSystemModel(this))
    , FCompleter(new QCompleter(this))
{
    FModel->setFilter(FolderFilter(FShowHidden));
    FModel->setRootPath(QString());
    FCompleter->setModel(FModel);
    FCompleter->setCompletionMode(QCompleter::PopupCompletion);
    FCompleter->setCaseSensitivity(Qt::CaseSensitive);
    setCompleter(FCompleter);
    connect(this, &QLineEdit::textChanged, this, &TJamPathEdit::Change);
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

void TJamPathEdit::SetShowHidden(bool show)
{
    if (show == FShowHidden)
        return;
    FShowHidden = show;
    FModel->setFilter(FolderFilter(show));
}
