#include "engine/TRootChecks.h"

#include "platform/TFileStat.h"
#include "platform/TNativeName.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool TRootChecks::IsInside(const QByteArray &inner, const QByteArray &outer)
{
    const TFileStat target = TFileStat::Of(outer);
    if (!target.Exists || !target.IsDir)
        return false;
    int fd = ::open(inner.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat current;
    if (::fstat(fd, &current) != 0) {
        ::close(fd);
        return false;
    }
    bool inside = false;
    // ".." is resolved by the kernel on the real folder, so this climbs the physical
    // parents whatever links the path went through. It ends at the file system root,
    // whose ".." is itself.
    for (int depth = 0; depth < 4096; ++depth) {
        const int parent = ::openat(fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = parent;
        struct stat up;
        if (fd < 0 || ::fstat(fd, &up) != 0)
            break;
        if (up.st_dev == current.st_dev && up.st_ino == current.st_ino)
            break;
        const TFileStat upStat = TFileStat::FromStat(up);
        if (upStat.SameIdentity(target)) {
            inside = true;
            break;
        }
        current = up;
    }
    if (fd >= 0)
        ::close(fd);
    return inside;
}

QString TRootChecks::Check(const TScanOptions &options, const TScanTexts &texts)
{
    const QString &src = options.srcPath;
    const QString &dst = options.dstPath;
    if (src.isEmpty())
        return texts.NoSource;
    if (dst.isEmpty())
        return texts.NoDestination;

    const QByteArray srcNative = TNativeName::Encode(src);
    const QByteArray dstNative = TNativeName::Encode(dst);
    if (src == dst || TFileStat::Of(srcNative).SameIdentity(TFileStat::Of(dstNative)))
        return texts.SameFolders;

    if (options.DoSubFolders) {
        const qsizetype ls = src.size(), ld = dst.size();
        if ((ls > ld && src.startsWith(dst)) || IsInside(srcNative, dstNative))
            return texts.SourceInside;
        if ((ls <= ld && dst.startsWith(src)) || IsInside(dstNative, srcNative))
            return texts.DestinationInside;
    }
    return {};
}
