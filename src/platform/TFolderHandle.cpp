#include "platform/TFolderHandle.h"

#include "platform/TLongPath.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
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
    // Not following a link at the end first: a folder reached through a link is told
    // apart at no extra cost where there is none.
    // (A trailing "/" would make the kernel follow the link regardless.)
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    FThroughLink = false;
    FFd = TLongPath::Open(path, O_PATH | O_DIRECTORY | O_NOFOLLOW);
    if (FFd < 0 && (errno == ENOTDIR || errno == ELOOP)) {
        FFd = TLongPath::Open(path, O_PATH | O_DIRECTORY);
        FThroughLink = FFd >= 0;
    }
    FError = FFd < 0 ? errno : 0;
}

TFileStat TFolderHandle::Stat(const char *name) const
{
    if (FFd < 0) {
        TFileStat r;
        r.Error = FError;
        return r;
    }
    return TFileStat::At(FFd, name);
}

bool TFolderHandle::HasEntry(const char *name) const
{
    struct stat st;
    return FFd >= 0 && ::fstatat(FFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0;
}

TFileStat TFolderHandle::FolderStat() const
{
    return TFileStat::OfFd(FFd);
}

bool TFolderHandle::IsSymLink(const char *name) const
{
    return FFd >= 0 && TFileStat::IsSymLinkAt(FFd, name);
}
