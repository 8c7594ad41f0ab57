#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Opens a path of any length. The kernel refuses a path of PATH_MAX (4,096) bytes or
// more in one call, so a longer path is opened a piece at a time, each piece relative
// to the folder opened before it. A shorter path costs one open(2), as always.
class TLongPath
{
public:
    // open(2) of path with flags (O_CLOEXEC is added); -1 with errno set on failure.
    static int Open(const QByteArray &path, int flags);
    // The same relative to the open folder base (or AT_FDCWD).
    static int OpenAt(int base, QByteArrayView path, int flags);
    // The open folder holding the last name of path, and that name; -1 when the folder
    // cannot be opened. The name points into path.
    static int OpenParent(QByteArrayView path, QByteArray *name);
};
