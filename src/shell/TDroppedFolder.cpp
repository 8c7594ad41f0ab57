#include "shell/TDroppedFolder.h"

#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

QString TDroppedFolder::Of(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return {};
    const QList<QUrl> urls = data->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return {};
    const QFileInfo dropped(urls.first().toLocalFile());
    if (!dropped.isAbsolute())
        return {};
    if (dropped.isDir())
        return QDir::cleanPath(dropped.absoluteFilePath());
    if (dropped.exists())
        return QDir::cleanPath(dropped.absolutePath());
    return {};
}

QString TDroppedFolder::Accept(QDropEvent *event)
{
    const QString folder = Of(event->mimeData());
    if (folder.isEmpty()) {
        event->ignore();
        return {};
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return folder;
}
