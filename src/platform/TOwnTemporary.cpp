#include "platform/TOwnTemporary.h"

#include <QByteArrayList>
#include <QRandomGenerator>
#include <QStringBuilder>

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr char NameMark[] = ".foldermate-";
constexpr char Attribute[] = "user.foldermate.temporary";
constexpr qsizetype HostDigits = 16; // 8 of the machine's identity, 8 of the boot's
constexpr qsizetype RandomDigits = 12;

// The start of a small file of the system's, or empty.
QByteArray ReadSmall(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    char buffer[1024];
    ssize_t n;
    do
        n = ::read(fd, buffer, sizeof buffer);
    while (n < 0 && errno == EINTR);
    ::close(fd);
    return n > 0 ? QByteArray(buffer, n) : QByteArray();
}

// The moment a process started, in clock ticks since the boot: the 22nd field of its
// stat line, counted after the command name (which may hold spaces and parentheses).
QByteArray StartOf(const QByteArray &pid)
{
    const QByteArray line = ReadSmall("/proc/" + pid + "/stat");
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0)
        return {};
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    // Fields from the third (state) on: the start time is the 22nd, the 20th here.
    return fields.size() > 19 ? fields.at(19) : QByteArray();
}

// Eight lower-case hexadecimal digits of an identity file, or zeros where it cannot be read.
QByteArray Digits(const QByteArray &path)
{
    QByteArray id = ReadSmall(path).trimmed().toLower();
    id.replace('-', QByteArray());
    return id.size() >= 8 ? id.left(8) : QByteArray(8, '0');
}

struct TWriter
{
    QByteArray Pid;
    QByteArray Start;
    QByteArray Host;
};

const TWriter &Me()
{
    static const TWriter me = [] {
        TWriter w;
        w.Pid = QByteArray::number(::getpid());
        w.Start = StartOf("self");
        if (w.Start.isEmpty())
            w.Start = "0";
        w.Host = Digits("/etc/machine-id") + Digits("/proc/sys/kernel/random/boot_id");
        return w;
    }();
    return me;
}

bool Decimal(QByteArrayView text, qsizetype most)
{
    if (text.isEmpty() || text.size() > most || (text.size() > 1 && text.front() == '0'))
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

bool Hex(QByteArrayView text, qsizetype size)
{
    if (text.size() != size)
        return false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

// The part after the mark of a name of the exact form, split; false for any other name.
bool Parse(QByteArrayView name, TWriter *writer, QByteArrayView *stamp)
{
    if (name.size() < 3 || name.front() != '.')
        return false;
    const qsizetype mark = name.lastIndexOf(QByteArrayView(NameMark));
    if (mark <= 1)
        return false;
    *stamp = name.sliced(mark + qsizetype(sizeof NameMark) - 1);
    const QList<QByteArray> parts = stamp->toByteArray().split('-');
    if (parts.size() != 4 || !Decimal(parts.at(0), 10) || !Decimal(parts.at(1), 20) || !Hex(parts.at(2), HostDigits)
        || !Hex(parts.at(3), RandomDigits) || parts.at(0) == "0")
        return false;
    *writer = {parts.at(0), parts.at(1), parts.at(2)};
    return true;
}

bool WriterGone(const TWriter &writer)
{
    const TWriter &me = Me();
    // Another machine's writer may be at work right now: never gone from here.
    if (writer.Host.left(8) != me.Host.left(8))
        return false;
    // Every process of an earlier boot is gone.
    if (writer.Host != me.Host)
        return true;
    if (writer.Pid == me.Pid)
        return writer.Start != me.Start;
    const QByteArray start = StartOf(writer.Pid);
    if (start.isEmpty()) {
        // No such process; any other reason to fail to read its line leaves it alive.
        struct stat st;
        return ::stat(QByteArray("/proc/" + writer.Pid).constData(), &st) != 0 && errno == ENOENT;
    }
    return start != writer.Start;
}

} // namespace

QByteArray TOwnTemporary::Make(QByteArrayView name)
{
    const TWriter &me = Me();
    const quint64 random = QRandomGenerator::global()->generate64() & ((quint64(1) << (4 * RandomDigits)) - 1);
    const QByteArray stamp = me.Pid + '-' + me.Start + '-' + me.Host + '-'
                             + QByteArray::number(random, 16).rightJustified(RandomDigits, '0');
    // Room for the dot, the mark and the stamp; a cut never splits a character.
    qsizetype room = NAME_MAX - 1 - qsizetype(sizeof NameMark - 1) - stamp.size();
    if (name.size() > room) {
        while (room > 0 && (quint8(name.at(room)) & 0xC0) == 0x80)
            --room;
        name = name.first(room);
    }
    return '.' + name.toByteArray() + NameMark + stamp;
}

void TOwnTemporary::Mark(int fd, QByteArrayView temp)
{
    TWriter writer;
    QByteArrayView stamp;
    if (Parse(temp, &writer, &stamp))
        ::fsetxattr(fd, Attribute, stamp.data(), size_t(stamp.size()), 0);
}

void TOwnTemporary::Unmark(int fd)
{
    ::fremovexattr(fd, Attribute);
}

bool TOwnTemporary::IsStale(int folderFd, const char *name)
{
    TWriter writer;
    QByteArrayView stamp;
    if (!Parse(QByteArrayView(name, qsizetype(std::strlen(name))), &writer, &stamp) || !WriterGone(writer))
        return false;
    const int fd = ::openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    char value[64];
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    const ssize_t size = ::fgetxattr(fd, Attribute, value, sizeof value);
    const int error = errno;
    ::close(fd);
    if (!regular)
        return false;
    if (size >= 0)
        return QByteArrayView(value, size) == stamp;
    // No marks on this file system: the name alone. Where there are, an unmarked file is
    // ours only while it is empty (a writer killed between making and marking it); one
    // with content is someone else's.
    return error == ENOTSUP || error == EOPNOTSUPP || (error == ENODATA && st.st_size == 0);
}

void TOwnTemporary::RemoveStale(int folderFd)
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
        // Cheap tests on the name first: most names are not even close.
        if (entry->d_name[0] == '.' && std::strstr(entry->d_name, NameMark) && IsStale(folderFd, entry->d_name))
            stale.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    for (const QByteArray &name : stale)
        ::unlinkat(folderFd, name.constData(), 0);
}
