#include "platform/TDirListing.h"

#include "platform/TLongPath.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TDirListing::TDirListing(const QByteArray &nativeFolder)
{
    const int fd = TLongPath::Open(nativeFolder, O_RDONLY | O_DIRECTORY);
    if (fd < 0) {
        FError = errno;
        return;
    }
    FDir = ::fdopendir(fd);
    if (!FDir) {
        FError = errno;
        ::close(fd);
        return;
    }
    FFd = fd;
}

TDirListing::~TDirListing()
{
    if (FDir)
        ::closedir(FDir);
}

const char *TDirListing::Next(size_t *length)
{
    if (!FDir)
        return nullptr;
    while (dirent *e = ::readdir(FDir)) {
        const char *n = e->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        FType = e->d_type;
        *length = std::strlen(n);
        return n;
    }
    return nullptr;
}

bool TDirListing::IsSymLink(const char *name) const
{
    if (FType != DT_UNKNOWN)
        return FType == DT_LNK;
    return TFileStat::IsSymLinkAt(FFd, name);
}

TFileStat TDirListing::Stat(const char *name) const
{
    return TFileStat::Entry(FFd, name);
}

TFileStat TDirListing::FolderStat() const
{
    return TFileStat::OfFd(FFd);
}
