#include "compare/TCompareFile.h"

#include "platform/TLongPath.h"

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

TCompareFile::~TCompareFile()
{
    if (FFd >= 0)
        ::close(FFd);
}

void TCompareFile::Fail(TError error, int err)
{
    FError = error;
    FErrno = err;
}

bool TCompareFile::Open(const QByteArray &path)
{
    FPath = path;
    // O_NONBLOCK: opening a FIFO must never wait for a writer; it is refused below.
    FFd = TLongPath::Open(path, O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (FFd < 0) {
        Fail(ceOpen, errno);
        return false;
    }
    struct stat st;
    const bool known = ::fstat(FFd, &st) == 0;
    // The null device stands for a file that does not exist on that side (version-control
    // tools pass it for a file that is new or gone): it reads as empty, and never blocks.
    const bool nullDevice = known && S_ISCHR(st.st_mode) && st.st_rdev == makedev(1, 3);
    if (!known || (!S_ISREG(st.st_mode) && !nullDevice)) {
        Fail(ceOpen, !known ? errno : S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
        ::close(FFd);
        FFd = -1;
        return false;
    }
    // Reads of a regular file never block; the flag only mattered for the open.
    ::fcntl(FFd, F_SETFL, ::fcntl(FFd, F_GETFL) & ~O_NONBLOCK);
    FSize = st.st_size;
    FMtimeSec = st.st_mtim.tv_sec;
    FMtimeNsec = st.st_mtim.tv_nsec;
    return true;
}

QByteArray TCompareFile::ReadAt(qint64 offset, qint64 length)
{
    QByteArray out;
    if (FFd < 0 || length <= 0)
        return out;
    out.resize(length);
    qint64 got = 0;
    while (got < length) {
        const ssize_t n = ::pread(FFd, out.data() + got, size_t(length - got), offset + got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            Fail(ceRead, errno);
            return {};
        }
        if (n == 0)
            break;
        got += n;
    }
    out.truncate(got);
    return out;
}

bool TCompareFile::ReadAll(QByteArray *out, qsizetype spare, const TCompareControl &control, int from, int to)
{
    constexpr qint64 Chunk = 4 << 20;
    out->clear();
    if (FFd < 0)
        return false;
    if (FSize > std::numeric_limits<qsizetype>::max() / 2) {
        Fail(ceTooLarge, EFBIG);
        return false;
    }
    // One allocation for the expected size and the caller's spare bytes; a file that grew
    // since it was opened is read to its end all the same.
    out->reserve(qsizetype(FSize) + spare);
    qint64 got = 0;
    char probe[65536];
    for (;;) {
        if (control.Cancelled()) {
            Fail(ceCancelled, ECANCELED);
            out->clear();
            return false;
        }
        // Up to the size seen at open straight into place; past it through a small buffer,
        // so that the usual end of file costs no second allocation.
        const bool inPlace = got < FSize;
        const qint64 step = inPlace ? qMin(Chunk, FSize - got) : qint64(sizeof probe);
        if (inPlace)
            out->resize(got + step);
        char *target = inPlace ? out->data() + got : probe;
        const ssize_t n = ::pread(FFd, target, size_t(step), got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            Fail(ceRead, errno);
            out->clear();
            return false;
        }
        if (inPlace)
            out->resize(got + n);
        else if (n > 0)
            out->append(probe, n);
        got += n;
        if (n == 0)
            break;
        if (FSize > 0)
            control.Report(from + int((to - from) * qMin(got, FSize) / FSize));
    }
    return true;
}
