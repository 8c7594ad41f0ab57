// GIO first: its headers use words that Qt defines as macros.
#include <gio/gio.h>

#include "platform/TSystemFileOperations.h"

#include "platform/TExtentCopy.h"
#include "platform/TMetadataCopy.h"
#include "platform/TOwnTemporary.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

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

// A name refused when it is made: FAT and exFAT volumes refuse some characters (':',
// '?', '*', ...) with EINVAL, or EPERM through FUSE, and a folder that folds case refuses
// bytes that are not UTF-8.
bool NameRefused(const QByteArray &name, int error)
{
    if (error == EINVAL)
        return true;
    if (error != EPERM)
        return false;
    for (const char c : name) {
        if (uchar(c) < 0x20 || std::strchr("\"*:<>?\\|", c))
            return true;
    }
    return false;
}

TFileOpResult NameFailure(const QString &what, int error, const QByteArray &name)
{
    if (NameRefused(name, error))
        return TFileOpResult::Failed(TFileOpResult::rsNameNotHeld, what, error);
    return Failure(what, error);
}

// How a volume that folds case may see a name: FAT also drops trailing dots and spaces.
QString Folded(const QByteArray &name)
{
    QString folded = QFile::decodeName(name);
    while (folded.endsWith(u'.') || folded.endsWith(u' '))
        folded.chop(1);
    return folded.toCaseFolded();
}

// Whether the folder lists this very name (and not only a name it takes for the same).
bool Listed(int folderFd, const QByteArray &name)
{
    const int listFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0)
        return true;
    DIR *dir = ::fdopendir(listFd);
    if (!dir) {
        ::close(listFd);
        return true;
    }
    bool found = false;
    while (const dirent *entry = ::readdir(dir)) {
        if (name == entry->d_name) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
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

// Whether path still names the folder (device, inode): a fresh look-up, following links
// as the open did.
bool NamesFolder(const QByteArray &path, dev_t device, ino_t inode)
{
    struct stat st;
    if (path.size() < PATH_MAX) {
        if (::stat(path.constData(), &st) != 0)
            return false;
    } else {
        int error = 0;
        TFd fd(OpenFolder(path, false, nullptr, &error));
        if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0)
            return false;
    }
    return S_ISDIR(st.st_mode) && st.st_dev == device && st.st_ino == inode;
}

// Whether the file under name is no longer the one the user saw and chose to replace; a
// missing one has not changed into anything that could be lost.
bool ChangedSince(int folderFd, const QByteArray &name, const std::optional<TCopyOptions::TSeen> &seen)
{
    struct stat st;
    return seen && ::fstatat(folderFd, name.constData(), &st, 0) == 0
           && (st.st_size != seen->Size || st.st_mtim.tv_sec != seen->MTimeSec);
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

void TSystemFileOperations::EndBatch()
{
    DropFolderCache();
    FCleaned.clear();
    FSettled.clear();
}

void TSystemFileOperations::Step(const QString &step) const
{
    if (FStepHook)
        FStepHook(step);
}

int TSystemFileOperations::TargetFolder(const QByteArray &folder, int *error)
{
    if (FFolderFd >= 0 && FFolderPath == folder && NamesFolder(folder, FFolderDevice, FFolderInode))
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
    if (FCreated.size() == before && FCleaned.insert({st.st_dev, st.st_ino}).second)
        TOwnTemporary::RemoveStale(fd);
    FFolderFd = fd;
    FFolderPath = folder;
    FFolderDevice = st.st_dev;
    FFolderInode = st.st_ino;
    return fd;
}

TFileOpResult TSystemFileOperations::Reaim(TStaged &staged)
{
    if (NamesFolder(staged.Folder, staged.Device, staged.Inode))
        return TFileOpResult::Done();
    // The folder was renamed, replaced or deleted since the copy was written: the copy
    // goes where the path says now, on the same file system.
    int error = 0;
    const int fd = TargetFolder(staged.Folder, &error);
    if (fd < 0)
        return TFileOpResult::Failed(TFileOpResult::rsFolderNotCreated, QFile::decodeName(staged.Folder), error);
    if (FFolderDevice != staged.Device)
        return TFileOpResult::Failed(TFileOpResult::rsFolderReplaced, staged.Target);
    const int dup = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (dup < 0)
        return Failure(staged.Target, errno);
    if (staged.FolderFd != staged.TempFolderFd)
        ::close(staged.FolderFd);
    staged.FolderFd = dup;
    staged.Inode = FFolderInode;
    return TFileOpResult::Done();
}

void TSystemFileOperations::Discard(TStaged &staged)
{
    if (staged.Fd >= 0)
        ::close(staged.Fd);
    if (!staged.TempName.isEmpty())
        ::unlinkat(staged.TempFolderFd, staged.TempName.constData(), 0);
    if (staged.TempFolderFd >= 0 && staged.TempFolderFd != staged.FolderFd)
        ::close(staged.TempFolderFd);
    if (staged.FolderFd >= 0)
        ::close(staged.FolderFd);
    staged.Fd = staged.FolderFd = staged.TempFolderFd = -1;
    staged.TempName.clear();
    TTrashCan::Close(staged.Trashed);
}

TFileOpResult TSystemFileOperations::StageCopy(const QString &source, const QString &target,
                                               const TCopyOptions &options, const TProgress &progress,
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
        return TFileOpResult::Failed(NameRefused(folder, error) ? TFileOpResult::rsFolderNameNotHeld
                                                                : TFileOpResult::rsFolderNotCreated,
                                     QFile::decodeName(folder), error);

    const QByteArray path = dst.startsWith('/') ? dst : QFile::encodeName(QDir::currentPath()) + '/' + dst;
    struct stat dstStat;
    if (::fstatat(folderFd, name.constData(), &dstStat, 0) == 0) {
        if (S_ISDIR(dstStat.st_mode))
            return TFileOpResult::Failed(TFileOpResult::rsFolderInTheWay, target);
        // A FIFO, socket or device (the /dev/null a version-control tool passes for a file
        // that is new) is not a file to replace: it would go to the trash, and a regular
        // file would take its name.
        if (!S_ISREG(dstStat.st_mode))
            return TFileOpResult::Failed(TFileOpResult::rsNotRegularFile, target);
        if (dstStat.st_dev == srcStat.st_dev && dstStat.st_ino == srcStat.st_ino)
            return TFileOpResult::Failed(TFileOpResult::rsSameFile, target);
        if (options.NewOnly)
            return TFileOpResult::Failed(TFileOpResult::rsTargetAppeared, target);
        if (ChangedSince(folderFd, name, options.TargetSeen))
            return TFileOpResult::Failed(TFileOpResult::rsTargetChanged, target);
        if (TFileOpResult twin = RefuseTwin(folderFd, path, target); !twin.Ok())
            return twin;
    } else if (options.NewOnly && ::fstatat(folderFd, name.constData(), &dstStat, AT_SYMLINK_NOFOLLOW) == 0) {
        return TFileOpResult::Failed(TFileOpResult::rsTargetAppeared, target); // a link that leads nowhere
    }

    TStaged staged;
    staged.Name = name;
    staged.Target = target;
    staged.Path = path;
    staged.Keep = options.KeepReplaced;
    staged.NewOnly = options.NewOnly;
    staged.Seen = options.TargetSeen;
    staged.Folder = folder;
    staged.Device = FFolderDevice;
    staged.Inode = FFolderInode;
    staged.FolderFd = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    if (staged.FolderFd < 0)
        return Failure(target, errno);
    if (!FNamedOnly)
        staged.Fd = ::openat(folderFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (staged.Fd < 0) {
        // No unnamed files here: a hidden name beside the target, marked with this
        // process so that a later copy can tell a stale one.
        for (int attempt = 0; attempt < 100 && staged.Fd < 0; ++attempt) {
            staged.TempName = TOwnTemporary::Make(name);
            staged.Fd = ::openat(folderFd, staged.TempName.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
            if (staged.Fd < 0 && errno != EEXIST)
                break;
        }
        if (staged.Fd < 0) {
            const int e = errno;
            staged.TempName.clear();
            Discard(staged);
            return NameFailure(target, e, name);
        }
        staged.TempFolderFd = staged.FolderFd;
        TOwnTemporary::Mark(staged.Fd, staged.TempName);
    }

    ::posix_fadvise(in.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    const TExtentCopy::TEnd end = TExtentCopy::Copy(in.Get(), staged.Fd, progress, cancel, &error);
    if (end != TExtentCopy::ceDone) {
        Discard(staged);
        if (end == TExtentCopy::ceCancelled)
            return {TFileOpResult::orCancelled, QString()};
        return end == TExtentCopy::ceReadFailed ? Failure(source, error) : Failure(target, error);
    }
    // A file written to while it was read would arrive torn, and under the times it had
    // before the change, so that no later comparison would tell: the copy is dropped and
    // the old target stays, for a retry to copy the file as it is then.
    struct stat readStat;
    if (::fstat(in.Get(), &readStat) != 0) {
        const int e = errno;
        Discard(staged);
        return Failure(source, e);
    }
    if (readStat.st_size != srcStat.st_size || readStat.st_mtim.tv_sec != srcStat.st_mtim.tv_sec
        || readStat.st_mtim.tv_nsec != srcStat.st_mtim.tv_nsec || readStat.st_ctim.tv_sec != srcStat.st_ctim.tv_sec
        || readStat.st_ctim.tv_nsec != srcStat.st_ctim.tv_nsec) {
        Discard(staged);
        return TFileOpResult::Failed(TFileOpResult::rsChangedWhileCopied, source);
    }
    TFileOpResult done;
    if (!TMetadataCopy::Carry(in.Get(), srcStat, staged.Fd, &done.Unkept, &error)) {
        Discard(staged);
        return Failure(target, error);
    }
    FStaged.push_back(std::move(staged));
    FStagedBytes += srcStat.st_size;
    return done;
}

void TSystemFileOperations::BeginBatch()
{
    FWritten.clear();
}

void TSystemFileOperations::RememberWritten(const TStaged &staged)
{
    QByteArray folder, name;
    Split(staged.Path, &folder, &name);
    FWritten[folder].Names.push_back(staged.Name);
}

// A name that differs from one this batch wrote in the same folder only where a volume
// that folds case does not look (case, trailing dots): if the folder finds a file under
// it without listing it, that file is the other one, and replacing it would lose it.
TFileOpResult TSystemFileOperations::RefuseTwin(int folderFd, const QByteArray &path, const QString &target)
{
    QByteArray folder, name;
    Split(path, &folder, &name);
    const auto written = FWritten.find(folder);
    if (written == FWritten.end())
        return TFileOpResult::Done();
    // The folded names are worked out when a name is first checked in the folder.
    TWrittenNames &names = *written;
    for (; names.Indexed < names.Names.size(); ++names.Indexed)
        names.Folded.insert(Folded(names.Names[names.Indexed]), names.Names[names.Indexed]);
    const QString folded = Folded(name);
    QByteArray other;
    for (auto it = names.Folded.constFind(folded); it != names.Folded.cend() && it.key() == folded; ++it) {
        if (*it != name)
            other = *it;
    }
    struct stat st;
    if (other.isEmpty() || ::fstatat(folderFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0
        || Listed(folderFd, name))
        return TFileOpResult::Done();
    TFileOpResult twin = TFileOpResult::Failed(TFileOpResult::rsCaseTwin, target);
    twin.Other = QFile::decodeName(other);
    twin.Message = target + u": the volume does not tell this name from "_s + twin.Other
                   + u", which this copy has just written; that file was not replaced"_s;
    return twin;
}

TFileOpResult TSystemFileOperations::Place(TStaged &staged)
{
    Step(u"place "_s + staged.Target);
    // A new name is linked without replacing anything; a name already there is checked.
    const auto twin = [&] { return RefuseTwin(staged.FolderFd, staged.Path, staged.Target); };
    if (!staged.TempName.isEmpty()) {
        if (TFileOpResult refused = twin(); !refused.Ok())
            return refused;
        struct stat before, after;
        const bool known = ::fstat(staged.Fd, &before) == 0;
        int renamed;
        if (staged.NewOnly) {
            renamed = ::renameat2(staged.TempFolderFd, staged.TempName.constData(), staged.FolderFd,
                                  staged.Name.constData(), RENAME_NOREPLACE);
            // A file system that cannot rename without replacing: a look first.
            if (renamed != 0 && (errno == EINVAL || errno == ENOSYS)) {
                if (::fstatat(staged.FolderFd, staged.Name.constData(), &after, AT_SYMLINK_NOFOLLOW) == 0)
                    errno = EEXIST;
                else
                    renamed = ::renameat(staged.TempFolderFd, staged.TempName.constData(), staged.FolderFd,
                                         staged.Name.constData());
            }
        } else if (ChangedSince(staged.FolderFd, staged.Name, staged.Seen)) {
            return TFileOpResult::Failed(TFileOpResult::rsTargetChanged, staged.Target);
        } else {
            renamed =
                ::renameat(staged.TempFolderFd, staged.TempName.constData(), staged.FolderFd, staged.Name.constData());
        }
        if (renamed != 0) {
            if (staged.NewOnly && errno == EEXIST)
                return TFileOpResult::Failed(TFileOpResult::rsTargetAppeared, staged.Target);
            return NameFailure(staged.Target, errno, staged.Name);
        }
        staged.TempName.clear();
        TOwnTemporary::Unmark(staged.Fd);
        // A FAT volume through FUSE stamps a renamed file with the time of the rename.
        if (known && ::fstatat(staged.FolderFd, staged.Name.constData(), &after, AT_SYMLINK_NOFOLLOW) == 0
            && after.st_mtim.tv_sec != before.st_mtim.tv_sec) {
            const struct timespec times[2] = {before.st_atim, before.st_mtim};
            ::utimensat(staged.FolderFd, staged.Name.constData(), times, AT_SYMLINK_NOFOLLOW);
        }
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
        return NameFailure(staged.Target, errno, staged.Name);
    if (staged.NewOnly)
        return TFileOpResult::Failed(TFileOpResult::rsTargetAppeared, staged.Target);
    if (TFileOpResult refused = twin(); !refused.Ok())
        return refused;
    // An old target is replaced whole by a rename over it, from a name of our own that a
    // later copy can tell for a leftover, should this one be killed in between.
    const auto unmark = qScopeGuard([&] { TOwnTemporary::Unmark(staged.Fd); });
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray temp = TOwnTemporary::Make(staged.Name);
        TOwnTemporary::Mark(staged.Fd, temp);
        if (!link(temp)) {
            if (errno == EEXIST)
                continue;
            return NameFailure(staged.Target, errno, staged.Name);
        }
        if (ChangedSince(staged.FolderFd, staged.Name, staged.Seen)) {
            ::unlinkat(staged.FolderFd, temp.constData(), 0);
            return TFileOpResult::Failed(TFileOpResult::rsTargetChanged, staged.Target);
        }
        if (::renameat(staged.FolderFd, temp.constData(), staged.FolderFd, staged.Name.constData()) != 0) {
            const int e = errno;
            ::unlinkat(staged.FolderFd, temp.constData(), 0);
            return NameFailure(staged.Target, e, staged.Name);
        }
        return TFileOpResult::Done();
    }
    return Failure(staged.Target, EEXIST);
}

QList<TFileOperations::TStagedFailure> TSystemFileOperations::FinishCopies()
{
    QList<TStagedFailure> failures;
    std::vector<TFileOpResult> results(FStaged.size());
    // Each copy goes to the folder its path names now. An old target to be kept gets its
    // name in the trash first, in the same flush as the new content: by the time the new
    // file is renamed over it, the trash holds it with its restore information.
    for (size_t i = 0; i < FStaged.size(); ++i) {
        TStaged &staged = FStaged[i];
        // Copies into one folder follow each other: the folder is looked up once for them.
        const TStaged *before = i > 0 && results[i - 1].Ok() ? &FStaged[i - 1] : nullptr;
        if (!before || before->Folder != staged.Folder || before->Device != staged.Device
            || before->Inode != staged.Inode)
            results[i] = Reaim(staged);
        struct stat st;
        if (results[i].Ok() && staged.NewOnly
            && ::fstatat(staged.FolderFd, staged.Name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
            results[i] = TFileOpResult::Failed(TFileOpResult::rsTargetAppeared, staged.Target);
        else if (results[i].Ok() && ChangedSince(staged.FolderFd, staged.Name, staged.Seen))
            results[i] = TFileOpResult::Failed(TFileOpResult::rsTargetChanged, staged.Target);
        if (results[i].Ok() && staged.Keep
            && ::fstatat(staged.FolderFd, staged.Name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            results[i] = TTrashCan::LinkIn(staged.FolderFd, staged.Name, staged.Path, &staged.Trashed, &FSettled);
            if (results[i].Ok())
                Step(u"trash "_s + staged.Target);
        }
    }
    // The content reaches the disk before any name points at it: a crash leaves either
    // the old file or the new one, never a torn one. One flush of each file system for a
    // group; a flush of each file for one or two files.
    std::vector<dev_t> flushed;
    std::vector<dev_t> broken;
    struct TLookedUp
    {
        const TStaged *First; // of the copies into that folder
        bool There;
    };
    std::vector<TLookedUp> stillThere; // folders looked up again after the flush
    for (size_t i = 0; i < FStaged.size(); ++i) {
        TStaged &staged = FStaged[i];
        TFileOpResult &r = results[i];
        if (r.Ok()) {
            int result = 0;
            if (FStaged.size() <= 2) {
                Step(u"flush"_s);
                result = ::fsync(staged.Fd);
                if (result == 0 && staged.Trashed.FilesFd >= 0 && !TTrashCan::Flush(staged.Trashed))
                    result = -1;
            } else if (std::find(flushed.begin(), flushed.end(), staged.Device) == flushed.end()) {
                Step(u"flush"_s);
                flushed.push_back(staged.Device);
                if (::syncfs(staged.Fd) != 0)
                    broken.push_back(staged.Device);
            }
            const int e = errno;
            // A flush can take a while; a folder moved meanwhile is not written into.
            auto there = std::find_if(stillThere.begin(), stillThere.end(), [&](const TLookedUp &f) {
                return f.First->Inode == staged.Inode && f.First->Device == staged.Device
                       && f.First->Folder == staged.Folder;
            });
            if (there == stillThere.end())
                there = stillThere.insert(stillThere.end(),
                                          {&staged, NamesFolder(staged.Folder, staged.Device, staged.Inode)});
            if (result != 0)
                r = Failure(staged.Target, e);
            else if (std::find(broken.begin(), broken.end(), staged.Device) != broken.end())
                r = TFileOpResult::Failed(TFileOpResult::rsNotWritten, staged.Target);
            else if (!there->There)
                r = TFileOpResult::Failed(TFileOpResult::rsFolderMoved, staged.Target);
            else
                r = Place(staged);
            if (r.Ok())
                RememberWritten(staged);
            // The old file stays where it was: its second name in the trash goes again.
            if (r.Ok())
                TTrashCan::Complete(staged.Trashed);
            else
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

TFileOpResult TSystemFileOperations::CopyFile(const QString &source, const QString &target, const TCopyOptions &options,
                                              const TProgress &progress, const std::atomic<bool> *cancel)
{
    const TFileOpResult staged = StageCopy(source, target, options, progress, cancel);
    const QList<TStagedFailure> failures = FinishCopies();
    if (!staged.Ok())
        return staged;
    for (const TStagedFailure &failure : failures) {
        if (failure.Target == target)
            return failure.Result;
    }
    return staged;
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
    // The trash cannot record the path: like any other refusal, the user may delete it.
    if (native.size() >= PATH_MAX)
        return TFileOpResult::Refused(TFileOpResult::rsPathTooLongForTrash, path);

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
