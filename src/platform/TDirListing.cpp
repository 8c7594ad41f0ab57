#include "platform/TDirListing.h"

#include <cstring>
#include <sys/stat.h>

TDirListing::TDirListing(const QByteArray &nativeFolder)
{
    FDir = ::opendir(nativeFolder.constData());
    if (FDir)
        FFd = ::dirfd(FDir);
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
        *length = std::strlen(n);
        return n;
    }
    return nullptr;
}

TFileStat TDirListing::Stat(const char *name) const
{
    return TFileStat::At(FFd, name);
}

TFileStat TDirListing::FolderStat() const
{
    struct stat st;
    if (FFd < 0 || ::fstat(FFd, &st) != 0)
        return {};
    return TFileStat::FromStat(st);
}
