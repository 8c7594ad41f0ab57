#include "engine/TContentComparer.h"

#include "platform/TLongPath.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class TReadFile
{
public:
    explicit TReadFile(const QByteArray &path)
    {
        // O_NONBLOCK: opening a FIFO or device must never wait for a writer.
        FFd = TLongPath::Open(path, O_RDONLY | O_NOCTTY | O_NONBLOCK);
        struct stat st;
        if (FFd >= 0 && (::fstat(FFd, &st) != 0 || !S_ISREG(st.st_mode))) {
            ::close(FFd);
            FFd = -1;
        }
        if (FFd >= 0) {
            FSize = st.st_size;
            ::posix_fadvise(FFd, 0, 0, POSIX_FADV_SEQUENTIAL);
        }
    }
    ~TReadFile()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    bool IsOpen() const { return FFd >= 0; }
    qint64 Size() const { return FSize; }

    // Reads up to n bytes; fewer only at the end of the file or on an error.
    qint64 ReadFully(char *buffer, qint64 n)
    {
        qint64 done = 0;
        while (done < n) {
            const ssize_t r = ::read(FFd, buffer + done, size_t(n - done));
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                break;
            done += r;
        }
        return done;
    }

private:
    int FFd = -1;
    qint64 FSize = 0;
};

} // namespace

TContentComparer::TResult TContentComparer::Compare(const QByteArray &sourcePath, const QByteArray &destinationPath,
                                                    const std::atomic<bool> *cancel)
{
    TReadFile s(sourcePath);
    if (!s.IsOpen())
        return crSourceUnreadable;
    TReadFile d(destinationPath);
    if (!d.IsOpen())
        return crDestinationUnreadable;
    if (s.Size() != d.Size())
        return crDifferent;

    std::unique_ptr<char[]> bufS(new char[BlockSize]);
    std::unique_ptr<char[]> bufD(new char[BlockSize]);
    qint64 remaining = s.Size();
    while (remaining > 0) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            return crDifferent;
        const qint64 n = remaining < BlockSize ? remaining : BlockSize;
        if (s.ReadFully(bufS.get(), n) != n)
            return crSourceUnreadable;
        if (d.ReadFully(bufD.get(), n) != n)
            return crDestinationUnreadable;
        if (std::memcmp(bufS.get(), bufD.get(), size_t(n)) != 0)
            return crDifferent;
        remaining -= n;
    }
    return crSame;
}
