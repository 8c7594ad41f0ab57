#include "platform/TExtentCopy.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <linux/fs.h>
#include <memory>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What one system call may copy: a cancel waits for no more than this.
constexpr off_t Chunk = 4 << 20;
constexpr size_t BufferSize = 1 << 20;
constexpr off_t NoEnd = std::numeric_limits<off_t>::max();

// copy_file_range refuses these between some pairs of files or file systems: the content
// is then read and written.
bool KernelRefused(int error)
{
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EBADF
           || error == EPERM;
}

bool WriteAll(int fd, const char *data, size_t size, off_t at)
{
    while (size > 0) {
        const ssize_t w = ::pwrite(fd, data, size, at);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0) {
            if (w == 0)
                errno = EIO;
            return false;
        }
        data += w;
        at += w;
        size -= size_t(w);
    }
    return true;
}

// One copy in hand: the data from one offset up to the next hole, chunk by chunk.
struct TRun
{
    int In;
    int Out;
    const TFileOperations::TProgress &Progress;
    const std::atomic<bool> *Cancel;
    bool Kernel = true;
    std::unique_ptr<char[]> Buffer;
    off_t Written = 0; // the end of the data written so far

    // Copies [from, to); *at: where it ended, before to at the end of the file.
    TExtentCopy::TEnd Range(off_t from, off_t to, off_t *at, int *error)
    {
        off_t offset = from;
        while (offset < to) {
            if (Cancel && Cancel->load())
                return TExtentCopy::ceCancelled;
            const off_t want = std::min(Chunk, to - offset);
            ssize_t n;
            if (Kernel) {
                loff_t inAt = offset, outAt = offset;
                n = ::copy_file_range(In, &inAt, Out, &outAt, size_t(want), 0);
                if (n < 0 && errno == EINTR)
                    continue;
                if ((n < 0 && KernelRefused(errno)) || n == 0) {
                    // Some file systems report nothing to copy where there is content; the
                    // read below tells the end of the file.
                    Kernel = false;
                    continue;
                }
                if (n < 0) {
                    *error = errno;
                    return TExtentCopy::ceWriteFailed;
                }
            } else {
                if (!Buffer)
                    Buffer.reset(new char[BufferSize]);
                n = ::pread(In, Buffer.get(), size_t(std::min<off_t>(want, BufferSize)), offset);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0) {
                    *error = errno;
                    return TExtentCopy::ceReadFailed;
                }
                if (n == 0)
                    break;
                if (!WriteAll(Out, Buffer.get(), size_t(n), offset)) {
                    *error = errno;
                    return TExtentCopy::ceWriteFailed;
                }
            }
            offset += n;
            Written = offset;
            if (Progress)
                Progress(offset);
        }
        *at = offset;
        return TExtentCopy::ceDone;
    }
};

} // namespace

TExtentCopy::TEnd TExtentCopy::Copy(int in, int out, const TFileOperations::TProgress &progress,
                                    const std::atomic<bool> *cancel, int *error)
{
    *error = 0;
    const auto cancelled = [cancel] { return cancel && cancel->load(); };
    if (cancelled())
        return ceCancelled;
    struct stat st;
    if (::fstat(in, &st) != 0) {
        *error = errno;
        return ceReadFailed;
    }
    // A file system with shared extents makes the copy in one step, without data.
    if (st.st_size > 0 && ::ioctl(out, FICLONE, in) == 0) {
        if (progress)
            progress(st.st_size);
        return cancelled() ? ceCancelled : ceDone;
    }

    TRun run{in, out, progress, cancel, true, {}, 0};
    off_t offset = 0;
    bool extents = true;
    for (;;) {
        off_t data = offset, hole = NoEnd;
        if (extents) {
            data = ::lseek(in, offset, SEEK_DATA);
            if (data < 0 && errno == ENXIO)
                break; // a hole up to the end, or the end
            if (data >= 0) {
                hole = ::lseek(in, data, SEEK_HOLE);
                if (hole < 0)
                    hole = NoEnd;
            } else {
                // No extent information here: everything is data.
                extents = false;
                data = offset;
            }
        }
        off_t at = data;
        if (const TEnd end = run.Range(data, hole, &at, error); end != ceDone)
            return end;
        offset = at;
        if (!extents || at < hole)
            break; // the end of the file
    }
    if (cancelled())
        return ceCancelled;
    // A hole at the end: the size says where the file ends.
    const off_t size = ::lseek(in, 0, SEEK_END);
    if (size < 0) {
        *error = errno;
        return ceReadFailed;
    }
    if (size > run.Written) {
        if (::ftruncate(out, size) != 0) {
            *error = errno;
            return ceWriteFailed;
        }
        if (progress)
            progress(size);
    }
    return ceDone;
}
