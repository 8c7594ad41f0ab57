#include "TestTree.h"

#include <QCryptographicHash>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace TestTree {

TEntry::TEntry(QString path, QByteArray content, qint64 mtime, long nanoseconds)
    : Kind(path.endsWith(u'/') ? ekFolder : ekFile)
    , Path(std::move(path))
    , Content(std::move(content))
    , MTime(mtime)
    , Nanoseconds(nanoseconds)
{
    if (Kind == ekFile && MTime == NoTime)
        MTime = DefaultMTime;
}

TEntry TEntry::Link(QString path, const QString &target)
{
    TEntry e(std::move(path), QFile::encodeName(target));
    e.Kind = ekLink;
    e.MTime = NoTime;
    return e;
}

TEntry TEntry::Fifo(QString path)
{
    TEntry e(std::move(path));
    e.Kind = ekFifo;
    e.MTime = NoTime;
    return e;
}

QByteArray Native(const QString &path)
{
    return QFile::encodeName(path);
}

bool SetMTime(const QString &path, qint64 seconds, long nanoseconds)
{
    struct timespec times[2];
    times[0].tv_sec = time_t(seconds);
    times[0].tv_nsec = nanoseconds;
    times[1] = times[0];
    return ::utimensat(AT_FDCWD, Native(path).constData(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

namespace {

bool Fail(const TEntry &entry, const QString &path, const char *what)
{
    const QByteArray reason = std::strerror(errno);
    qWarning("TestTree::Build: cannot %s %s (entry \"%s\"): %s", what, qPrintable(path), qPrintable(entry.Path),
             reason.constData());
    return false;
}

bool MakeFolder(const QString &path)
{
    if (QDir().mkpath(path))
        return true;
    errno = EEXIST;
    struct stat st;
    if (::stat(Native(path).constData(), &st) != 0)
        return false;
    errno = S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    return errno == 0;
}

bool WriteFile(const QString &path, const QByteArray &content)
{
    const int fd = ::open(Native(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    qsizetype done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.constData() + done, size_t(content.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int saved = errno;
            ::close(fd);
            errno = saved;
            return false;
        }
        done += n;
    }
    return ::close(fd) == 0;
}

} // namespace

bool Build(const QString &root, const QList<TEntry> &entries)
{
    if (!MakeFolder(root))
        return Fail(TEntry(u"/"_s), root, "make the folder");
    QList<const TEntry *> timedFolders;
    for (const TEntry &e : entries) {
        QString relative = e.Path;
        while (relative.endsWith(u'/'))
            relative.chop(1);
        const QString path = root + u'/' + relative;
        if (e.Kind == TEntry::ekFolder) {
            if (!MakeFolder(path))
                return Fail(e, path, "make the folder");
            if (e.MTime != NoTime)
                timedFolders << &e;
            continue;
        }
        const QString parent = QFileInfo(path).path();
        if (!MakeFolder(parent))
            return Fail(e, parent, "make the folder");
        switch (e.Kind) {
        case TEntry::ekFile:
            if (!WriteFile(path, e.Content))
                return Fail(e, path, "write");
            break;
        case TEntry::ekLink:
            if (::symlink(e.Content.constData(), Native(path).constData()) != 0)
                return Fail(e, path, "make the link");
            break;
        case TEntry::ekFifo:
            if (::mkfifo(Native(path).constData(), 0600) != 0)
                return Fail(e, path, "make the pipe");
            break;
        case TEntry::ekFolder:
            break;
        }
        if (e.MTime != NoTime && !SetMTime(path, e.MTime, e.Nanoseconds))
            return Fail(e, path, "set the time of");
    }
    // Last, as every entry made in a folder changes its time.
    for (const TEntry *e : std::as_const(timedFolders)) {
        const QString path = root + u'/' + e->Path;
        if (!SetMTime(path, e->MTime, e->Nanoseconds))
            return Fail(*e, path, "set the time of");
    }
    return true;
}

namespace {

QString Time(const struct timespec &t)
{
    QString s = u" @"_s + QString::number(qint64(t.tv_sec));
    if (t.tv_nsec != 0)
        s += u'.' + QString::number(qint64(t.tv_nsec)).rightJustified(9, u'0');
    return s;
}

QString Describe(const QByteArray &data)
{
    const bool printable = std::all_of(data.cbegin(), data.cend(), [](char c) { return c >= 0x20 && c < 0x7f; });
    if (printable && data.size() <= 40)
        return u'"' + QString::fromLatin1(data) + u'"';
    return u"%1 bytes md5:%2"_s.arg(data.size())
        .arg(QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex().left(12)));
}

void Walk(const QByteArray &folder, const QString &relative, bool folderTimes, QStringList &out)
{
    DIR *dir = ::opendir(folder.constData());
    if (!dir) {
        out << relative + u" (cannot list: "_s + QString::fromLocal8Bit(std::strerror(errno)) + u')';
        return;
    }
    QList<QByteArray> names;
    while (const dirent *d = ::readdir(dir)) {
        if (std::strcmp(d->d_name, ".") != 0 && std::strcmp(d->d_name, "..") != 0)
            names << QByteArray(d->d_name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    for (const QByteArray &name : std::as_const(names)) {
        const QByteArray path = folder + '/' + name;
        const QString rel = relative + QFile::decodeName(name);
        struct stat st;
        if (::lstat(path.constData(), &st) != 0) {
            out << rel + u" (gone)"_s;
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            out << rel + u'/' + (folderTimes ? Time(st.st_mtim) : QString());
            Walk(path, rel + u'/', folderTimes, out);
        } else if (S_ISREG(st.st_mode)) {
            QFile f(QFile::decodeName(path));
            const QString content = f.open(QIODevice::ReadOnly) ? Describe(f.readAll()) : u"(unreadable)"_s;
            out << rel + u' ' + content + Time(st.st_mtim);
        } else if (S_ISLNK(st.st_mode)) {
            QByteArray target(4096, '\0');
            const ssize_t n = ::readlink(path.constData(), target.data(), size_t(target.size()));
            target.truncate(n < 0 ? 0 : qsizetype(n));
            out << rel + u" -> "_s + QFile::decodeName(target);
        } else {
            out << rel + (S_ISFIFO(st.st_mode) ? u" fifo"_s : u" special"_s);
        }
    }
}

} // namespace

QStringList Snapshot(const QString &root, bool folderTimes)
{
    struct stat st;
    if (::stat(Native(root).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return {u"(no folder at %1)"_s.arg(root)};
    QStringList out;
    Walk(Native(root), QString(), folderTimes, out);
    return out;
}

} // namespace TestTree
