// GIO first: its headers use words that Qt defines as macros.
#include <gio/gio.h>

#include "platform/TSystemFileOperations.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr char TempMark[] = ".foldermate-";

[[maybe_unused]] QString SystemMessage(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

TFileOpResult Failure(const QString &what, int error)
{
    return TFileOpResult::SystemError(what, error);
}

// The error number behind an error of the desktop's file service, or 0.
int ErrorNumber(const GError *error)
{
    if (!error || error->domain != G_IO_ERROR)
        return 0;
    switch (error->code) {
    case G_IO_ERROR_NOT_FOUND:
        return ENOENT;
    case G_IO_ERROR_PERMISSION_DENIED:
        return EACCES;
    case G_IO_ERROR_NO_SPACE:
        return ENOSPC;
    case G_IO_ERROR_READ_ONLY:
        return EROFS;
    case G_IO_ERROR_FILENAME_TOO_LONG:
        return ENAMETOOLONG;
    case G_IO_ERROR_BUSY:
        return EBUSY;
    default:
        return 0;
    }
}

class TFd
{
public:
    explicit TFd(int fd = -1)
        : FFd(fd)
    {}
    ~TFd() { Close(); }
    TFd(const TFd &) = delete;
    TFd &operator=(const TFd &) = delete;
    int Get() const { return FFd; }
    int Release() { return std::exchange(FFd, -1); }
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

// Splits a path into its folder and its last name.
void Split(const QByteArray &path, QByteArray *folder, QByteArray *name)
{
    const qsizetype slash = path.lastIndexOf('/');
    *folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
    *name = path.mid(slash + 1);
}

// Opens a folder for the *at calls. A path the kernel takes whole is opened at once; a
// longer one, or one with missing folders to create, is walked one name at a time, each
// relative to the folder before. Created folders are appended to created, outer first.
int OpenFolder(const QByteArray &path, bool create, std::vector<QByteArray> *created, int *error)
{
    if (path.size() < PATH_MAX) {
        const int fd = ::open(path.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0 || (errno != ENAMETOOLONG && !(errno == ENOENT && create))) {
            *error = errno;
            return fd;
        }
    }
    TFd at(::open(path.startsWith('/') ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    qsizetype from = 0;
    while (at.Get() >= 0 && from < path.size()) {
        qsizetype to = path.indexOf('/', from);
        if (to < 0)
            to = path.size();
        const QByteArray name = path.mid(from, to - from);
        from = to + 1;
        if (name.isEmpty() || name == ".")
            continue;
        int next = ::openat(at.Get(), name.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (next < 0 && errno == ENOENT && create) {
            if (::mkdirat(at.Get(), name.constData(), 0777) == 0) {
                if (created)
                    created->push_back(path.left(to));
            } else if (errno != EEXIST) {
                *error = errno;
                return -1;
            }
            next = ::openat(at.Get(), name.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        }
        if (next < 0) {
            *error = errno;
            return -1;
        }
        at.Reset(next);
    }
    *error = 0;
    return at.Release();
}

// The folder of path, opened, and the name in it.
int OpenParent(const QByteArray &path, QByteArray *name, int *error)
{
    QByteArray folder;
    Split(path, &folder, name);
    return OpenFolder(folder, false, nullptr, error);
}

int OpenFile(const QByteArray &path, int flags, int *error)
{
    int fd = -1;
    if (path.size() < PATH_MAX) {
        fd = ::open(path.constData(), flags | O_CLOEXEC);
        if (fd >= 0 || errno != ENAMETOOLONG) {
            *error = errno;
            return fd;
        }
    }
    QByteArray name;
    TFd folder(OpenParent(path, &name, error));
    if (folder.Get() < 0)
        return -1;
    fd = ::openat(folder.Get(), name.constData(), flags | O_CLOEXEC);
    *error = errno;
    return fd;
}

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

QByteArray TempName(const QByteArray &name)
{
    return "." + name + TempMark + QByteArray::number(::getpid()) + '-'
           + QByteArray::number(QRandomGenerator::global()->generate(), 36);
}

// Removes the temporaries that copies into this folder left when they were killed: named
// ".NAME.foldermate-PID-XXXX", written by a process that is no longer running, or
// ".NAME.foldermate-XXXX" and untouched for an hour.
void RemoveStaleTemporaries(int folderFd)
{
    const int listFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0)
        return;
    DIR *dir = ::fdopendir(listFd);
    if (!dir) {
        ::close(listFd);
        return;
    }
    std::vector<QByteArray> stale;
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.')
            continue;
        const QByteArrayView name(entry->d_name);
        const qsizetype mark = name.lastIndexOf(QByteArrayView(TempMark));
        if (mark <= 0)
            continue;
        const QByteArrayView rest = name.sliced(mark + qsizetype(sizeof TempMark) - 1);
        const qsizetype dash = rest.indexOf('-');
        bool ok = false;
        const long pid = dash > 0 ? rest.first(dash).toLong(&ok) : 0;
        if (ok && pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH) {
            stale.emplace_back(entry->d_name);
        } else if (dash < 0 && !rest.isEmpty()) {
            // Earlier versions did not mark the writer: theirs is stale once nothing has
            // written to it for an hour, as a running copy writes all the time.
            struct stat st;
            if (::fstatat(folderFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)
                && st.st_mtime < ::time(nullptr) - 3600)
                stale.emplace_back(entry->d_name);
        }
    }
    ::closedir(dir);
    for (const QByteArray &name : stale)
        ::unlinkat(folderFd, name.constData(), 0);
}

// Copies the content in kernel space where it can (shared extents on file systems that
// have them), reading and writing otherwise.
bool CopyContent(int in, int out, qint64 size, const TFileOperations::TProgress &progress,
                 const std::atomic<bool> *cancel, bool *cancelled, int *inError)
{
    qint64 done = 0;
    bool kernel = size > 0;
    std::unique_ptr<char[]> buffer;
    constexpr size_t chunk = 4 << 20;
    *inError = 0;
    for (;;) {
        if (cancel && cancel->load()) {
            *cancelled = true;
            return false;
        }
        ssize_t n = -1;
        if (kernel) {
            n = ::copy_file_range(in, nullptr, out, nullptr, chunk, 0);
            if (n < 0
                && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF
                    || errno == EPERM)) {
                kernel = false;
                continue;
            }
            if (n == 0 && done == 0) {
                // Some file systems report nothing to copy for files that have content.
                kernel = false;
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return false;
        } else {
            if (!buffer)
                buffer.reset(new char[1 << 20]);
            n = ::read(in, buffer.get(), 1 << 20);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                *inError = errno;
                return false;
            }
            if (n > 0 && !WriteAll(out, buffer.get(), size_t(n)))
                return false;
        }
        if (n == 0)
            return true;
        done += n;
        if (progress)
            progress(done);
    }
}

} // namespace

TSystemFileOperations::TSystemFileOperations()
{
    // Each staged copy holds two descriptors until its group ends: a group leaves room
    // for everything else the process has open.
    struct rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        FGroupFiles =
            int(qBound<rlim_t>(1, (limit.rlim_cur - qMin<rlim_t>(limit.rlim_cur, 256)) / 2, rlim_t(FGroupFiles)));
}

TSystemFileOperations::~TSystemFileOperations()
{
    for (TStaged &staged : FStaged)
        Discard(staged);
    FStaged.clear();
    RemoveCreatedFolders();
    DropFolderCache();
}

void TSystemFileOperations::SetGroupLimits(int files, qint64 bytes)
{
    FGroupFiles = qMax(1, files);
    FGroupBytes = qMax<qint64>(1, bytes);
}

bool TSystemFileOperations::StagingFull() const
{
    return int(FStaged.size()) >= FGroupFiles || FStagedBytes >= FGroupBytes;
}

void TSystemFileOperations::DropFolderCache()
{
    if (FFolderFd >= 0)
        ::close(FFolderFd);
    FFolderFd = -1;
    FFolderPath.clear();
}

int TSystemFileOperations::TargetFolder(const QByteArray &folder, int *error)
{
    if (FFolderFd >= 0 && FFolderPath == folder)
        return FFolderFd;
    DropFolderCache();
    const size_t before = FCreated.size();
    const int fd = OpenFolder(folder, true, &FCreated, error);
    if (fd < 0)
        return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        *error = errno;
        ::close(fd);
        return -1;
    }
    // A folder made just now holds no leftovers.
    if (FCreated.size() == before && !FCleaned.contains(folder)) {
        RemoveStaleTemporaries(fd);
        FCleaned.insert(folder);
    }
    FFolderFd = fd;
    FFolderPath = folder;
    FFolderDevice = st.st_dev;
    return fd;
}

void TSystemFileOperations::Discard(TStaged &staged)
{
    if (staged.Fd >= 0)
        ::close(staged.Fd);
    if (!staged.TempName.isEmpty())
        ::unlinkat(staged.FolderFd, staged.TempName.constData(), 0);
    if (staged.FolderFd >= 0)
        ::close(staged.FolderFd);
    staged.Fd = staged.FolderFd = -1;
    TTrashCan::Close(staged.Trashed);
}

TFileOpResult TSystemFileOperations::StageCopy(const QString &source, const QString &target, const TProgress &progress,
                                               const std::atomic<bool> *cancel)
{
    const QByteArray src = QFile::encodeName(source);
    const QByteArray dst = QFile::encodeName(target);

    int error = 0;
    TFd in(OpenFile(src, O_RDONLY | O_NOCTTY | O_NONBLOCK, &error));
    if (in.Get() < 0)
        return Failure(source, error);
    struct stat srcStat;
    if (::fstat(in.Get(), &srcStat) != 0)
        return Failure(source, errno);
    if (!S_ISREG(srcStat.st_mode))
        return TFileOpResult::Failed(TFileOpResult::rsNotRegularFile, source);

    QByteArray folder, name;
    Split(dst, &folder, &name);
    if (name.isEmpty())
        return TFileOpResult::Failed(TFileOpResult::rsNotFileName, target);
    const int folderFd = TargetFolder(folder, &error);
    if (folderFd < 0)
        return TFileOpResult::Failed(TFileOpResult::rsFolderNotCreated, QFile::decodeName(folder), error);

    struct stat dstStat;
    if (::fstatat(folderFd, name.constData(), &dstStat, 0) == 0) {
        if (S_ISDIR(dstStat.st_mode))
            return TFileOpResult::Failed(TFileOpResult::rsFolderInTheWay, target);
        if (dstStat.st_dev == srcStat.st_dev && dstStat.st_ino == srcStat.st_ino)
            return TFileOpResult::Failed(TFileOpResult::rsSameFile, target);
    }

    TStaged staged;
    staged.Name = name;
    staged.Target = target;
    staged.Path = dst.startsWith('/') ? dst : QFile::encodeName(QDir::currentPath()) + '/' + dst;
    staged.Keep = KeepReplaced();
    staged.Device = FFolderDevice;
    staged.FolderFd = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    if (staged.FolderFd < 0)
        return Failure(target, errno);
    if (!FNamedOnly)
        staged.Fd = ::openat(folderFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (staged.Fd < 0) {
        // No unnamed files here: a hidden name beside the target, marked with this
        // process so that a later copy can tell a stale one.
        for (int attempt = 0; attempt < 100 && staged.Fd < 0; ++attempt) {
            staged.TempName = TempName(name);
            staged.Fd = ::openat(folderFd, staged.TempName.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
            if (staged.Fd < 0 && errno != EEXIST)
                break;
        }
        if (staged.Fd < 0) {
            const int e = errno;
            staged.TempName.clear();
            Discard(staged);
            return Failure(target, e);
        }
    }

    ::posix_fadvise(in.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    bool cancelled = false;
    int inError = 0;
    if (!CopyContent(in.Get(), staged.Fd, srcStat.st_size, progress, cancel, &cancelled, &inError)) {
        const int e = errno;
        Discard(staged);
        if (cancelled)
            return {TFileOpResult::orCancelled, QString()};
        return inError ? Failure(source, inError) : Failure(target, e);
    }
    if (::fchmod(staged.Fd, srcStat.st_mode & 07777) != 0) {
        const int e = errno;
        Discard(staged);
        return Failure(target, e);
    }
    const struct timespec times[2] = {srcStat.st_atim, srcStat.st_mtim};
    if (::futimens(staged.Fd, times) != 0) {
        const int e = errno;
        Discard(staged);
        return Failure(target, e);
    }
    FStaged.push_back(std::move(staged));
    FStagedBytes += srcStat.st_size;
    return TFileOpResult::Done();
}

TFileOpResult TSystemFileOperations::Place(TStaged &staged)
{
    if (!staged.TempName.isEmpty()) {
        if (::renameat(staged.FolderFd, staged.TempName.constData(), staged.FolderFd, staged.Name.constData()) != 0)
            return Failure(staged.Target, errno);
        staged.TempName.clear();
        return TFileOpResult::Done();
    }
    const QByteArray proc = "/proc/self/fd/" + QByteArray::number(staged.Fd);
    const auto link = [&](const QByteArray &name) {
        if (::linkat(AT_FDCWD, proc.constData(), staged.FolderFd, name.constData(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        return errno == ENOENT && ::linkat(staged.Fd, "", staged.FolderFd, name.constData(), AT_EMPTY_PATH) == 0;
    };
    // A new file is simply linked into place.
    if (link(staged.Name))
        return TFileOpResult::Done();
    if (errno != EEXIST)
        return Failure(staged.Target, errno);
    // An old target is replaced whole by a rename over it.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray temp = TempName(staged.Name);
        if (!link(temp)) {
            if (errno == EEXIST)
                continue;
            return Failure(staged.Target, errno);
        }
        if (::renameat(staged.FolderFd, temp.constData(), staged.FolderFd, staged.Name.constData()) != 0) {
            const int e = errno;
            ::unlinkat(staged.FolderFd, temp.constData(), 0);
            return Failure(staged.Target, e);
        }
        return TFileOpResult::Done();
    }
    return Failure(staged.Target, EEXIST);
}

QList<TFileOperations::TStagedFailure> TSystemFileOperations::FinishCopies()
{
    QList<TStagedFailure> failures;
    std::vector<TFileOpResult> results(FStaged.size());
    // An old target to be kept gets its name in the trash first, in the same flush as the
    // new content: by the time the new file is renamed over it, the trash holds it with
    // its restore information.
    for (size_t i = 0; i < FStaged.size(); ++i) {
        TStaged &staged = FStaged[i];
        struct stat st;
        if (staged.Keep && ::fstatat(staged.FolderFd, staged.Name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
            results[i] = TTrashCan::LinkIn(staged.FolderFd, staged.Name, staged.Path, &staged.Trashed);
    }
    // The content reaches the disk before any name points at it: a crash leaves either
    // the old file or the new one, never a torn one. One flush of each file system for a
    // group; a flush of each file for one or two files.
    std::vector<dev_t> flushed;
    std::vector<dev_t> broken;
    for (size_t i = 0; i < FStaged.size(); ++i) {
        TStaged &staged = FStaged[i];
        TFileOpResult &r = results[i];
        if (r.Ok()) {
            int result = 0;
            if (FStaged.size() <= 2) {
                result = ::fsync(staged.Fd);
                if (result == 0 && staged.Trashed.FilesFd >= 0 && !TTrashCan::Flush(staged.Trashed))
                    result = -1;
            } else if (std::find(flushed.begin(), flushed.end(), staged.Device) == flushed.end()) {
                flushed.push_back(staged.Device);
                if (::syncfs(staged.Fd) != 0)
                    broken.push_back(staged.Device);
            }
            const int e = errno;
            if (result != 0)
                r = Failure(staged.Target, e);
            else if (std::find(broken.begin(), broken.end(), staged.Device) != broken.end())
                r = TFileOpResult::Failed(TFileOpResult::rsNotWritten, staged.Target);
            else
                r = Place(staged);
            // The old file stays where it was: its second name in the trash goes again.
            if (!r.Ok())
                TTrashCan::Remove(staged.Trashed);
        }
        if (!r.Ok())
            failures.append({staged.Target, r});
        Discard(staged);
    }
    FStaged.clear();
    FStagedBytes = 0;
    RemoveCreatedFolders();
    return failures;
}

void TSystemFileOperations::RemoveCreatedFolders()
{
    // Folders made for copies that did not arrive are removed again; the others hold a file.
    bool removed = false;
    for (auto it = FCreated.rbegin(); it != FCreated.rend(); ++it) {
        QByteArray name;
        int error = 0;
        TFd parent(OpenParent(*it, &name, &error));
        if (parent.Get() >= 0 && ::unlinkat(parent.Get(), name.constData(), AT_REMOVEDIR) == 0)
            removed = true;
    }
    FCreated.clear();
    if (removed)
        DropFolderCache();
}

TFileOpResult TSystemFileOperations::CopyFile(const QString &source, const QString &target, const TProgress &progress,
                                              const std::atomic<bool> *cancel)
{
    const TFileOpResult staged = StageCopy(source, target, progress, cancel);
    const QList<TStagedFailure> failures = FinishCopies();
    if (!staged.Ok())
        return staged;
    for (const TStagedFailure &failure : failures) {
        if (failure.Target == target)
            return failure.Result;
    }
    return TFileOpResult::Done();
}

// Deletes take files only: a folder, or anything that is not a regular file, is refused.
static TFileOpResult CheckRegularFile(const QString &path, const QByteArray &native)
{
    QByteArray name;
    int error = 0;
    TFd folder(OpenParent(native, &name, &error));
    struct stat st;
    if (folder.Get() < 0)
        return Failure(path, error);
    if (::fstatat(folder.Get(), name.constData(), &st, 0) != 0)
        return Failure(path, errno);
    if (!S_ISREG(st.st_mode))
        return TFileOpResult::Failed(TFileOpResult::rsNotRegularFile, path);
    return TFileOpResult::Done();
}

TFileOpResult TSystemFileOperations::MoveToTrash(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    if (TFileOpResult check = CheckRegularFile(path, native); !check.Ok())
        return check;
    if (native.size() >= PATH_MAX)
        return TFileOpResult::Failed(TFileOpResult::rsPathTooLongForTrash, path);

    GFile *file = g_file_new_for_path(native.constData());
    GError *error = nullptr;
    const gboolean ok = g_file_trash(file, nullptr, &error);
    g_object_unref(file);
    if (ok)
        return TFileOpResult::Done();
    // The desktop's trash service words its own errors; the common ones are named by their
    // error number, so that the dialogs can word them in the user's language.
    const int number = ErrorNumber(error);
    TFileOpResult result = number
                               ? TFileOpResult::SystemError(path, number)
                               : TFileOpResult::Failed(path + u": "_s + QString::fromUtf8(error ? error->message : ""));
    result.Kind = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED) ? TFileOpResult::orTrashRefused
                                                                               : TFileOpResult::orFailed;
    if (error)
        g_error_free(error);
    return result;
}

TFileOpResult TSystemFileOperations::DeletePermanently(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    if (TFileOpResult check = CheckRegularFile(path, native); !check.Ok())
        return check;
    QByteArray name;
    int error = 0;
    TFd folder(OpenParent(native, &name, &error));
    if (folder.Get() < 0)
        return Failure(path, error);
    if (::unlinkat(folder.Get(), name.constData(), 0) != 0)
        return Failure(path, errno);
    return TFileOpResult::Done();
}
