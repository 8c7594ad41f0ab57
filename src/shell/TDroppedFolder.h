#pragma once

#include <QString>

class QMimeData;
class QWidget;
class QDropEvent;

// The folder that a drag from a file manager brings to a folder tree or a path box: the
// first dropped item that is on this computer, a folder itself or, for a file, the folder
// that holds it. Nothing (an empty text) where the first item is not a local path, or
// names nothing that exists: such a drag is refused. Of several items only the first
// counts, as a tree or a path box shows one folder.
class TDroppedFolder
{
public:
    static QString Of(const QMimeData *data);
    // Accepts the drag or drop event (with the copy action) when it brings a folder;
    // returns that folder.
    static QString Accept(QDropEvent *event);
};
