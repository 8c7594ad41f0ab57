#include "platform/TFolderHandle.h"

#include "platform/TLongPath.h"

#include <fcntl.h>
#include <unistd.h>

TFolderHandle::~TFolderHandle()
{
    if (FFd >= 0)
        ::close(FFd);
}

void TFolderHandle::Point(const QByteArray &root, QByteArrayView relative)
{
    if (FPointed && relative == FRelative)
        return;
    if (FFd >= 0)
        ::close(FFd);
    FRelative = relative.toByteArray();
    FPointed = true;
    QByteArray path = root;
    path.append(relative);
    FFd = TLongPath::Open(path, O_PATH | O_DIRECTORY);
}

TFileStat TFolderHandle::Stat(const char *name) const
{
    if (FFd < 0)
        return {};
    return TFileStat::At(FFd, name);
}

TFileStat TFolderHandle::FolderStat() const
{
    return TFileStat::OfFd(FFd);
}

bool TFolderHandle::IsSymLink(const char *name) const
{
    return FFd >= 0 && TFileStat::IsSymLinkAt(FFd, name);
}
