// GIO first: its headers use words that Qt defines as macros.
#include <gio/gio.h>

#include "platform/TSystemFileOperations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString SystemMessage(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

TFileOpResult Failure(const QString &what, int error)
{
    return TFileOpResult::Failed(what + u": "_s + SystemMessage(error));
}

class TFd
{
public:
    explicit TFd(int fd = -1) : FFd(fd) {}
    ~TFd() { Close(); }
    TFd(const TFd &) = delete;
    TFd &operator=(const TFd &) = delete;
    int Get() const { return FFd; }
    void Reset(int fd)
    {
        Close();
        FFd = fd;
    }
    int Close()
    {
        int r = 0;
        if (FFd >= 0)
            r = ::close(FFd);
        FFd = -1;
        return r;
    }

private:
    int FFd;
};

// A temporary file beside the target that disappears unless it is renamed into place.
class TTemporaryTarget
{
public:
    explicit TTemporaryTarget(const QByteArray &folder, const QByteArray &name)
    {
        for (int attempt = 0; attempt < 100 && FFd.Get() < 0; ++attempt) {
            FPath = folder + "/." + name + ".foldermate-"
                    + QByteArray::number(QRandomGenerator::global()->generate(), 36);
            FFd.Reset(::open(FPath.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600));
            if (FFd.Get() < 0 && errno != EEXIST)
                break;
        }
        FError = FFd.Get() < 0 ? errno : 0;
    }
    ~TTemporaryTarget()
    {
        FFd.Close();
        if (!FKept && !FPath.isEmpty())
            ::unlink(FPath.constData());
    }
    int Fd() const { return FFd.Get(); }
    int Error() const { return FError; }
    int Close() { return FFd.Close(); }
    bool RenameOver(const QByteArray &target)
    {
        if (::rename(FPath.constData(), target.constData()) != 0)
            return false;
        FKept = true;
        return true;
    }

private:
    TFd FFd;
    QByteArray FPath;
    int FError = 0;
    bool FKept = false;
};

bool WriteAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t w = ::write(fd, data, size);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0) {
            if (w == 0)
                errno = EIO;
            return false;
        }
        data += w;
        size -= size_t(w);
    }
    return true;
}

} // namespace

TFileOpResult TSystemFileOperations::CopyFile(const QString &source, const QString &target,
                                              const TProgress &progress, const std::atomic<bool> *cancel)
{
    const QByteArray src = QFile::encodeName(source);
    const QByteArray dst = QFile::encodeName(target);

    TFd in(::open(src.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (in.Get() < 0)
        return Failure(source, errno);
    struct stat srcStat;
    if (::fstat(in.Get(), &srcStat) != 0)
        return Failure(source, errno);
    if (!S_ISREG(srcStat.st_mode))
        return TFileOpResult::Failed(source + u": not a regular file"_s);

    struct stat dstStat;
    if (::stat(dst.constData(), &dstStat) == 0) {
        if (S_ISDIR(dstStat.st_mode))
            return TFileOpResult::Failed(target + u": a folder is in the way"_s);
        if (dstStat.st_dev == srcStat.st_dev && dstStat.st_ino == srcStat.st_ino)
            return TFileOpResult::Failed(target + u": source and target are the same file"_s);
    }

    const QFileInfo info(target);
    const QString folder = info.absolutePath();
    if (!QDir().mkpath(folder))
        return TFileOpResult::Failed(folder + u": the folder cannot be created"_s);

    TTemporaryTarget temp(QFile::encodeName(folder), QFile::encodeName(info.fileName()));
    if (temp.Fd() < 0)
        return Failure(target, temp.Error());

    ::posix_fadvise(in.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    constexpr size_t chunk = 1 << 20;
    std::unique_ptr<char[]> buffer(new char[chunk]);
    qint64 done = 0;
    for (;;) {
        if (cancel && cancel->load())
            return {TFileOpResult::orCancelled, QString()};
        const ssize_t r = ::read(in.Get(), buffer.get(), chunk);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return Failure(source, errno);
        if (r == 0)
            break;
        if (!WriteAll(temp.Fd(), buffer.get(), size_t(r)))
            return Failure(target, errno);
        done += r;
        if (progress)
            progress(done);
    }

    if (::fchmod(temp.Fd(), srcStat.st_mode & 07777) != 0)
        return Failure(target, errno);
    const struct timespec times[2] = {srcStat.st_atim, srcStat.st_mtim};
    if (::futimens(temp.Fd(), times) != 0)
        return Failure(target, errno);
    // The bytes are on disk before the name points at them: a crash leaves either
    // the old file or the new one, never a torn one.
    if (::fsync(temp.Fd()) != 0)
        return Failure(target, errno);
    if (temp.Close() != 0)
        return Failure(target, errno);
    if (cancel && cancel->load())
        return {TFileOpResult::orCancelled, QString()};
    // No fsync of the folder: until the rename reaches the disk a crash brings back the
    // old file, whole, which is all the safety the copy promises; the cost would double.
    if (!temp.RenameOver(dst))
        return Failure(target, errno);
    return TFileOpResult::Done();
}

// Deletes take files only: a folder, or anything that is not a regular file, is refused.
static TFileOpResult CheckRegularFile(const QString &path, const QByteArray &native)
{
    struct stat st;
    if (::stat(native.constData(), &st) != 0)
        return Failure(path, errno);
    if (!S_ISREG(st.st_mode))
        return TFileOpResult::Failed(path + u": not a regular file"_s);
    return TFileOpResult::Done();
}

TFileOpResult TSystemFileOperations::MoveToTrash(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    if (TFileOpResult check = CheckRegularFile(path, native); !check.Ok())
        return check;

    GFile *file = g_file_new_for_path(native.constData());
    GError *error = nullptr;
    const gboolean ok = g_file_trash(file, nullptr, &error);
    g_object_unref(file);
    if (ok)
        return TFileOpResult::Done();
    TFileOpResult result;
    result.Kind = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED) ? TFileOpResult::orTrashRefused
                                                                               : TFileOpResult::orFailed;
    result.Message = path + u": "_s + QString::fromUtf8(error ? error->message : "");
    if (error)
        g_error_free(error);
    return result;
}

TFileOpResult TSystemFileOperations::DeletePermanently(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    if (TFileOpResult check = CheckRegularFile(path, native); !check.Ok())
        return check;
    if (::unlink(native.constData()) != 0)
        return Failure(path, errno);
    return TFileOpResult::Done();
}
