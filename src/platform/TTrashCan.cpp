// GIO first: its headers use words that Qt defines as macros.
#include <gio/gunixmounts.h>

#include "platform/TTrashCan.h"

#include "platform/TLongPath.h"
#include "platform/TOwnTemporary.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

TFileOpResult Refused(const QByteArray &path, const QString &why)
{
    TFileOpResult result = TFileOpResult::Failed(QFile::decodeName(path) + u": "_s + why);
    result.Kind = TFileOpResult::orTrashRefused;
    return result;
}

TFileOpResult Refused(const QByteArray &path, int error)
{
    TFileOpResult result = TFileOpResult::Failed(TFileOpResult::rsTrashFailed, QFile::decodeName(path), error);
    result.Kind = TFileOpResult::orTrashRefused;
    return result;
}

// A folder of the trash: made with the owner's rights only when missing; one that is
// there must be a real folder of this user (not a link another user could point
// elsewhere).
bool OwnFolder(const QByteArray &path)
{
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

bool MakePath(const QByteArray &path)
{
    return QDir().mkpath(QFile::decodeName(path)) && OwnFolder(path);
}

// The top of the volume that holds folder: the last folder upwards on the same device.
QByteArray TopOfVolume(const QByteArray &folder, dev_t device)
{
    QByteArray top = folder;
    while (top != "/") {
        const qsizetype slash = top.lastIndexOf('/');
        const QByteArray up = slash <= 0 ? QByteArray("/") : top.left(slash);
        struct stat st;
        if (::stat(up.constData(), &st) != 0 || st.st_dev != device)
            break;
        top = up;
    }
    return top;
}

// The trash folder of the volume's top for this user, or empty where there is none: the
// shared ".Trash" (a sticky folder) with a folder per user, else the user's ".Trash-UID".
QByteArray VolumeTrash(const QByteArray &top)
{
    const QByteArray base = top == "/" ? QByteArray() : top;
    const QByteArray uid = QByteArray::number(::getuid());
    struct stat st;
    const QByteArray shared = base + "/.Trash";
    if (::lstat(shared.constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        const QByteArray own = shared + '/' + uid;
        if (OwnFolder(own))
            return own;
    }
    const QByteArray own = base + "/.Trash-" + uid;
    return OwnFolder(own) ? own : QByteArray();
}

QByteArray DataHome()
{
    const QByteArray set = qgetenv("XDG_DATA_HOME");
    if (set.startsWith('/'))
        return set;
    return qgetenv("HOME") + "/.local/share";
}

QByteArray DeletionDate()
{
    const std::time_t now = std::time(nullptr);
    struct tm local;
    char text[32] = {};
    ::localtime_r(&now, &local);
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// The name in the trash: the file's own, then NAME.2, NAME.3 ... while taken; short
// enough to leave room for ".trashinfo".
QByteArray TrashName(const QByteArray &name, int attempt)
{
    const QByteArray suffix = attempt <= 1 ? QByteArray() : '.' + QByteArray::number(attempt);
    constexpr qsizetype room = NAME_MAX - qsizetype(sizeof ".trashinfo" - 1);
    return name.left(room - suffix.size()) + suffix;
}

bool WriteAll(int fd, const QByteArray &data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t w = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        done += w;
    }
    return true;
}

// Whether the file at the restore path of the information file info (in the open folder
// infoFd) is the very file kept, the same inode: then it was never replaced.
bool StillInPlace(int infoFd, const QByteArray &info, const QByteArray &top, const struct stat &kept)
{
    const int fd = ::openat(infoFd, info.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    QFile file;
    QByteArray path;
    if (file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        for (const QByteArray &line : file.read(64 << 10).split('\n')) {
            if (line.startsWith("Path="))
                path = QByteArray::fromPercentEncoding(line.mid(5));
        }
    } else {
        ::close(fd);
    }
    if (path.isEmpty())
        return false;
    if (!path.startsWith('/'))
        path = top + path;
    QByteArray name;
    const int folder = TLongPath::OpenParent(path, &name);
    if (folder < 0)
        return false;
    struct stat st;
    const bool same = ::fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && st.st_dev == kept.st_dev
                      && st.st_ino == kept.st_ino;
    ::close(folder);
    return same;
}

} // namespace

TFileOpResult TTrashCan::LinkIn(int folderFd, const QByteArray &name, const QByteArray &path, TEntry *entry,
                                QSet<QByteArray> *settled)
{
    // Restore information is read back with paths the kernel takes whole.
    if (path.size() >= PATH_MAX)
        return TFileOpResult::Refused(TFileOpResult::rsPathTooLongForTrash, QFile::decodeName(path));
    struct stat file;
    if (::fstatat(folderFd, name.constData(), &file, AT_SYMLINK_NOFOLLOW) != 0)
        return TFileOpResult::SystemError(QFile::decodeName(path), errno);

    // The folder as the kernel sees it, without links, so that the restore information
    // names the place the file really had.
    QByteArray original = path;
    QByteArray folder = path.left(qMax<qsizetype>(1, path.lastIndexOf('/')));
    if (char *real = ::realpath(folder.constData(), nullptr)) {
        folder = real;
        std::free(real);
        original = (folder == "/" ? QByteArray() : folder) + '/' + name;
    }

    // The user's own trash where it shares the file's volume, else the volume's.
    QByteArray trash = DataHome() + "/Trash";
    QByteArray infoPath = original;
    QByteArray relativeTo;
    struct stat st;
    if (!MakePath(trash) || ::stat(trash.constData(), &st) != 0 || st.st_dev != file.st_dev) {
        GUnixMountEntry *mount = g_unix_mount_for(folder.constData(), nullptr);
        const bool noTrash =
            !mount || g_unix_mount_is_system_internal(mount)
            || std::strstr(g_unix_mount_get_options(mount) ? g_unix_mount_get_options(mount) : "", "x-gvfs-notrash");
        if (mount)
            g_unix_mount_free(mount);
        if (noTrash)
            return Refused(path, u"this volume keeps no trash"_s);
        const QByteArray top = TopOfVolume(folder, file.st_dev);
        trash = VolumeTrash(top);
        if (trash.isEmpty() || ::stat(trash.constData(), &st) != 0 || st.st_dev != file.st_dev)
            return Refused(path, u"no trash can be made on this volume"_s);
        // A volume's trash names the file relative to the volume's top, which stays right
        // wherever the volume is mounted next.
        const QByteArray prefix = top == "/" ? QByteArray("/") : top + '/';
        if (original.startsWith(prefix))
            infoPath = original.mid(prefix.size());
        relativeTo = prefix;
    }
    if (!OwnFolder(trash + "/files") || !OwnFolder(trash + "/info"))
        return Refused(path, u"the trash folders cannot be made"_s);

    TEntry made;
    made.FilesFd = ::open(QByteArray(trash + "/files").constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    made.InfoFd = ::open(QByteArray(trash + "/info").constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (made.FilesFd < 0 || made.InfoFd < 0) {
        Close(made);
        return Refused(path, u"the trash cannot be opened"_s);
    }
    if (settled && !settled->contains(trash)) {
        Settle(trash, relativeTo);
        settled->insert(trash);
    }
    const QByteArray info =
        "[Trash Info]\nPath=" + infoPath.toPercentEncoding("/") + "\nDeletionDate=" + DeletionDate() + '\n';
    // The restore information is written whole under a pending name first, and then
    // linked to its own name: no moment shows an empty or partial one. That link reserves
    // the name in the trash.
    made.Pending = TOwnTemporary::Make(QByteArray(name + ".trashinfo"));
    const int fd =
        ::openat(made.InfoFd, made.Pending.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        const int e = errno;
        made.Pending.clear();
        Close(made);
        return Refused(path, e);
    }
    TOwnTemporary::Mark(fd, made.Pending);
    const bool written = WriteAll(fd, info);
    const int e = errno;
    ::close(fd);
    if (!written) {
        Remove(made);
        return TFileOpResult::Failed(TFileOpResult::rsTrashFailed, QFile::decodeName(path), e);
    }
    for (int attempt = 1; attempt < 10000; ++attempt) {
        const QByteArray trashName = TrashName(name, attempt);
        const QByteArray infoName = trashName + ".trashinfo";
        if (::linkat(made.InfoFd, made.Pending.constData(), made.InfoFd, infoName.constData(), 0) != 0) {
            if (errno == EEXIST)
                continue;
            const int linkError = errno;
            Remove(made);
            return Refused(path, linkError);
        }
        if (::linkat(folderFd, name.constData(), made.FilesFd, trashName.constData(), 0) == 0) {
            made.Name = trashName;
            *entry = std::exchange(made, TEntry());
            return TFileOpResult::Done();
        }
        const int linkError = errno;
        ::unlinkat(made.InfoFd, infoName.constData(), 0);
        if (linkError == EEXIST)
            continue;
        Remove(made);
        // Another volume, or a file the system does not let this user link (someone
        // else's): the trash cannot take it without moving it.
        return Refused(path, linkError);
    }
    Remove(made);
    return Refused(path, u"the trash has no free name"_s);
}

bool TTrashCan::Flush(const TEntry &entry)
{
    const int info = ::openat(entry.InfoFd, QByteArray(entry.Name + ".trashinfo").constData(), O_RDONLY | O_CLOEXEC);
    const bool ok = info >= 0 && ::fsync(info) == 0;
    if (info >= 0)
        ::close(info);
    return ok && ::fsync(entry.FilesFd) == 0 && ::fsync(entry.InfoFd) == 0;
}

void TTrashCan::Complete(TEntry &entry)
{
    if (!entry.Pending.isEmpty())
        ::unlinkat(entry.InfoFd, entry.Pending.constData(), 0);
    Close(entry);
}

void TTrashCan::Remove(TEntry &entry)
{
    if (!entry.Name.isEmpty()) {
        // The file first: a name in the trash without its restore information would be lost.
        ::unlinkat(entry.FilesFd, entry.Name.constData(), 0);
        ::unlinkat(entry.InfoFd, QByteArray(entry.Name + ".trashinfo").constData(), 0);
    }
    if (!entry.Pending.isEmpty())
        ::unlinkat(entry.InfoFd, entry.Pending.constData(), 0);
    Close(entry);
}

void TTrashCan::Close(TEntry &entry)
{
    if (entry.FilesFd >= 0)
        ::close(entry.FilesFd);
    if (entry.InfoFd >= 0)
        ::close(entry.InfoFd);
    entry = TEntry();
}

void TTrashCan::Settle(const QByteArray &trash, const QByteArray &top)
{
    const int infoFd = ::open(QByteArray(trash + "/info").constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (infoFd < 0)
        return;
    const int filesFd = ::open(QByteArray(trash + "/files").constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    DIR *dir = ::fdopendir(infoFd);
    if (!dir) {
        ::close(infoFd);
        if (filesFd >= 0)
            ::close(filesFd);
        return;
    }
    // One pass over the names: the pending marks of gone writers, and every restore
    // information file by its inode (a mark is a second name of one of them).
    std::vector<QByteArray> pending;
    std::vector<std::pair<ino_t, QByteArray>> infos;
    while (const dirent *e = ::readdir(dir)) {
        const QByteArrayView n(e->d_name);
        if (n.endsWith(".trashinfo"))
            infos.emplace_back(e->d_ino, QByteArray(e->d_name));
        else if (n.front() == '.' && TOwnTemporary::IsStale(infoFd, e->d_name))
            pending.emplace_back(e->d_name);
    }
    for (const QByteArray &mark : pending) {
        struct stat markStat;
        if (::fstatat(infoFd, mark.constData(), &markStat, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        QByteArray info;
        for (const auto &[ino, candidate] : infos) {
            struct stat st;
            if (ino == markStat.st_ino && ::fstatat(infoFd, candidate.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0
                && st.st_dev == markStat.st_dev && st.st_ino == markStat.st_ino) {
                info = candidate;
                break;
            }
        }
        if (!info.isEmpty()) {
            const QByteArray name = info.chopped(10);
            struct stat kept;
            if (filesFd < 0 || ::fstatat(filesFd, name.constData(), &kept, AT_SYMLINK_NOFOLLOW) != 0) {
                // The run stopped before the file was linked: an entry without a file.
                if (filesFd < 0 || errno != ENOENT)
                    continue;
                ::unlinkat(infoFd, info.constData(), 0);
            } else if (StillInPlace(infoFd, info, top, kept)) {
                // The file was never replaced: it is still in its place, whole.
                ::unlinkat(filesFd, name.constData(), 0);
                ::unlinkat(infoFd, info.constData(), 0);
            }
        }
        ::unlinkat(infoFd, mark.constData(), 0);
    }
    ::closedir(dir);
    if (filesFd >= 0)
        ::close(filesFd);
}
