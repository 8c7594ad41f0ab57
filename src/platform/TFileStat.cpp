#include "platform/TFileStat.h"

#include "platform/TLongPath.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

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

namespace {

TFileStat Failed(int error)
{
    TFileStat r;
    r.Error = error;
    return r;
}

} // namespace

bool TFileStat::CannotLookUp() const
{
    return !Exists && Error != 0 && Error != ENOENT && Error != ENOTDIR;
}

TFileStat TFileStat::Of(const QByteArray &nativePath)
{
    struct stat st;
    if (nativePath.isEmpty())
        return {};
    if (nativePath.size() < PATH_MAX)
        return ::stat(nativePath.constData(), &st) == 0 ? FromStat(st) : Failed(errno);
    QByteArray name;
    const int folder = TLongPath::OpenParent(nativePath, &name);
    if (folder < 0)
        return Failed(errno);
    const TFileStat r = name.isEmpty() ? OfFd(folder) : At(folder, name.constData());
    ::close(folder);
    return r;
}

TFileStat TFileStat::Entry(int dirFd, const char *name)
{
    struct statx sx;
    if (::statx(dirFd, name, AT_STATX_SYNC_AS_STAT | (name[0] ? 0 : AT_EMPTY_PATH),
                STATX_TYPE | STATX_MTIME | STATX_SIZE | STATX_INO, &sx)
        != 0)
        return Failed(errno);
    TFileStat r;
    r.Exists = true;
    r.IsDir = S_ISDIR(sx.stx_mode);
    r.IsRegular = S_ISREG(sx.stx_mode);
    r.Size = static_cast<qint64>(sx.stx_size);
    r.MTimeSec = static_cast<qint64>(sx.stx_mtime.tv_sec);
    r.MTimeNsec = static_cast<qint64>(sx.stx_mtime.tv_nsec);
    r.Dev = static_cast<quint64>(makedev(sx.stx_dev_major, sx.stx_dev_minor));
    r.Ino = static_cast<quint64>(sx.stx_ino);
    r.IsMountRoot = (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT);
    return r;
}

TFileStat TFileStat::OfFd(int fd)
{
    struct stat st;
    if (fd < 0)
        return {};
    if (::fstat(fd, &st) != 0)
        return Failed(errno);
    return FromStat(st);
}

TFileStat TFileStat::At(int dirFd, const char *name)
{
    struct stat st;
    if (::fstatat(dirFd, name, &st, 0) != 0)
        return Failed(errno);
    return FromStat(st);
}

bool TFileStat::IsSymLink(const QByteArray &nativePath)
{
    struct stat st;
    if (nativePath.size() < PATH_MAX)
        return ::lstat(nativePath.constData(), &st) == 0 && S_ISLNK(st.st_mode);
    QByteArray name;
    const int folder = TLongPath::OpenParent(nativePath, &name);
    if (folder < 0)
        return false;
    const bool link = IsSymLinkAt(folder, name.constData());
    ::close(folder);
    return link;
}

bool TFileStat::IsSymLinkAt(int dirFd, const char *name)
{
    struct stat st;
    return ::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
}
