#include "platform/TFileStat.h"

#include <fcntl.h>
#include <sys/stat.h>

TFileStat TFileStat::FromStat(const struct stat &st)
{
    TFileStat r;
    r.Exists = true;
    r.IsDir = S_ISDIR(st.st_mode);
    r.IsRegular = S_ISREG(st.st_mode);
    r.Size = static_cast<qint64>(st.st_size);
    r.MTimeSec = static_cast<qint64>(st.st_mtim.tv_sec);
    r.MTimeNsec = static_cast<qint64>(st.st_mtim.tv_nsec);
    r.Dev = static_cast<quint64>(st.st_dev);
    r.Ino = static_cast<quint64>(st.st_ino);
    return r;
}

TFileStat TFileStat::Of(const QByteArray &nativePath)
{
    struct stat st;
    if (nativePath.isEmpty() || ::stat(nativePath.constData(), &st) != 0)
        return {};
    return FromStat(st);
}

TFileStat TFileStat::At(int dirFd, const char *name)
{
    struct stat st;
    if (::fstatat(dirFd, name, &st, 0) != 0)
        return {};
    return FromStat(st);
}

bool TFileStat::IsSymLink(const QByteArray &nativePath)
{
    struct stat st;
    return ::lstat(nativePath.constData(), &st) == 0 && S_ISLNK(st.st_mode);
}
