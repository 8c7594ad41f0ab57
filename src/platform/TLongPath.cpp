#include "platform/TLongPath.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <unistd.h>

int TLongPath::Open(const QByteArray &path, int flags)
{
    if (path.size() < PATH_MAX)
        return ::open(path.constData(), flags | O_CLOEXEC);
    return OpenAt(AT_FDCWD, path, flags);
}

int TLongPath::OpenAt(int base, QByteArrayView path, int flags)
{
    if (path.size() < PATH_MAX) {
        const QByteArray text = path.toByteArray();
        return ::openat(base, text.constData(), flags | O_CLOEXEC);
    }
    // Cut at the last "/" that keeps the piece below PATH_MAX, open that folder, go on
    // from it with the rest.
    const qsizetype cut = path.first(PATH_MAX - 1).lastIndexOf('/');
    if (cut <= 0) {
        errno = ENAMETOOLONG; // one name longer than any file system allows
        return -1;
    }
    const QByteArray head = path.first(cut).toByteArray();
    const int folder = ::openat(base, head.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return -1;
    const int fd = OpenAt(folder, path.sliced(cut + 1), flags);
    const int saved = errno;
    ::close(folder);
    errno = saved;
    return fd;
}

int TLongPath::OpenParent(QByteArrayView path, QByteArray *name)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf('/');
    *name = path.sliced(slash + 1).toByteArray();
    if (slash < 0)
        return ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    return OpenAt(AT_FDCWD, slash == 0 ? QByteArrayView("/") : path.first(slash), O_PATH | O_DIRECTORY);
}
