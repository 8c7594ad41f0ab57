#include "engine/TRootChecks.h"

#include "platform/TFileStat.h"
#include "platform/TLongPath.h"
#include "platform/TNativeName.h"
#include "platform/TOtherTree.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool TRootChecks::IsInside(const QByteArray &inner, const QByteArray &outer)
{
    const TFileStat target = TFileStat::Of(outer);
    if (!target.Exists || !target.IsDir)
        return false;
    const int fd = TLongPath::Open(inner, O_PATH | O_DIRECTORY);
    if (fd < 0)
        return false;
    // The real parents of inner, and its place in its file system, so that neither links
    // nor bind mounts hide the nesting.
    const TOtherTree tree(outer);
    const bool inside = !TFileStat::OfFd(fd).SameIdentity(target) && tree.Locate(fd) == TOtherTree::opInside;
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
    // A root that is missing, not a folder or not listable would read as a tree with no
    // files, and every file of the other side would be listed as missing.
    for (const auto &[root, native] : {std::pair{&src, &srcNative}, std::pair{&dst, &dstNative}}) {
        const QString error = Unusable(*root, *native, texts);
        if (!error.isEmpty())
            return error;
    }
    return {};
}

QString TRootChecks::Unusable(const QString &rootPath, const QByteArray &native, const TScanTexts &texts)
{
    QString root = rootPath;
    while (root.size() > 1 && root.endsWith(u'/'))
        root.chop(1);
    // Without the trailing "/", so that a file reads as a file and not as a missing folder.
    QByteArray entry = native;
    while (entry.size() > 1 && entry.endsWith('/'))
        entry.chop(1);
    const TFileStat st = TFileStat::Of(entry);
    if (!st.Exists) {
        // Only a root that is not there is missing; a loop of links, no access or an I/O
        // error says so with the system's reason.
        if (!st.CannotLookUp())
            return texts.RootMissing.arg(root);
        return texts.RootUnlistable.arg(root, QString::fromLocal8Bit(std::strerror(st.Error)));
    }
    if (!st.IsDir)
        return texts.RootNotFolder.arg(root);
    const int fd = TLongPath::Open(native, O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return texts.RootUnlistable.arg(root, QString::fromLocal8Bit(std::strerror(errno)));
    ::close(fd);
    return {};
}
