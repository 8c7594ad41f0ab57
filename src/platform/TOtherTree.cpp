#include "platform/TOtherTree.h"

#include "platform/TLongPath.h"

#include <QFile>
#include <QList>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// A field of the mount table, with its octal escapes (\040 for a space...) undone.
QByteArray Unescape(QByteArrayView field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const QByteArrayView digits = field.sliced(i + 1, 3);
            bool ok = false;
            const int code = digits.toByteArray().toInt(&ok, 8);
            if (ok) {
                out.append(char(code));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return out;
}

// Whether path lies at or below folder ("/a" holds "/a" and "/a/b", not "/ab").
bool AtOrBelow(const QByteArray &path, const QByteArray &folder)
{
    if (folder == "/")
        return true;
    return path == folder || (path.startsWith(folder) && path.at(folder.size()) == '/');
}

} // namespace

TOtherTree::TOtherTree(const QByteArray &otherRoot)
{
    int fd = TLongPath::Open(otherRoot, O_PATH | O_DIRECTORY);
    if (fd < 0)
        return;
    FRoot = TFileStat::OfFd(fd);
    FHasPlace = FileSystemPlace(fd, &FPlaceDev, &FPlace);
    // The real ancestors up to the top of the name space, whose ".." is itself.
    TFileStat current = FRoot;
    for (int depth = 0; depth < 100000; ++depth) {
        const int parent = ::openat(fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = parent;
        const TFileStat up = TFileStat::OfFd(fd);
        if (!up.Exists || up.SameIdentity(current))
            break;
        FAncestors.insert({up.Dev, up.Ino});
        current = up;
    }
    if (fd >= 0)
        ::close(fd);
}

TOtherTree::TPlace TOtherTree::ByIdentity(const TFileStat &folder) const
{
    if (folder.SameIdentity(FRoot))
        return opInside;
    if (!FAncestors.isEmpty() && FAncestors.contains({folder.Dev, folder.Ino}))
        return opHolds;
    return opOutside;
}

TOtherTree::TPlace TOtherTree::Locate(int fd) const
{
    if (!FRoot.Exists || fd < 0)
        return opOutside;
    quint64 dev = 0;
    QByteArray place;
    if (FHasPlace && FileSystemPlace(fd, &dev, &place) && dev == FPlaceDev) {
        if (AtOrBelow(place, FPlace))
            return opInside;
        if (AtOrBelow(FPlace, place))
            return opHolds;
    }
    int current = ::openat(fd, ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    TFileStat here = TFileStat::OfFd(current);
    TPlace result = opOutside;
    for (int depth = 0; depth < 100000 && current >= 0; ++depth) {
        const int parent = ::openat(current, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
        ::close(current);
        current = parent;
        const TFileStat up = TFileStat::OfFd(current);
        if (!up.Exists || up.SameIdentity(here))
            break;
        if (up.SameIdentity(FRoot)) {
            result = opInside;
            break;
        }
        here = up;
    }
    if (current >= 0)
        ::close(current);
    return result;
}

bool TOtherTree::FileSystemPlace(int fd, quint64 *dev, QByteArray *place)
{
    struct statx sx;
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_MNT_ID | STATX_INO, &sx) != 0 || !(sx.stx_mask & STATX_MNT_ID))
        return false;
    // Where the folder is in the name space.
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    QByteArray path(8192, Qt::Uninitialized);
    const ssize_t n = ::readlink(link, path.data(), size_t(path.size()));
    if (n <= 0 || n >= path.size() || path.at(0) != '/')
        return false;
    path.truncate(n);

    QFile table(QStringLiteral("/proc/self/mountinfo"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    // "id parent major:minor root mount-point options ...": the folder's mount gives the
    // path of its top inside the file system and where that top is in the name space.
    const QByteArray id = QByteArray::number(quint64(sx.stx_mnt_id));
    for (const QByteArray &line : table.readAll().split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() < 5 || f.at(0) != id)
            continue;
        const QByteArray root = Unescape(f.at(3));
        const QByteArray mountPoint = Unescape(f.at(4));
        if (!AtOrBelow(path, mountPoint))
            return false;
        QByteArray rest = mountPoint == "/" ? path : path.sliced(mountPoint.size());
        QByteArray result = root == "/" ? QByteArray() : root;
        result += rest;
        if (result.isEmpty())
            result = "/";
        *place = result;
        *dev = quint64(makedev(sx.stx_dev_major, sx.stx_dev_minor));
        return true;
    }
    return false;
}
