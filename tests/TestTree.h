#pragma once

// Builds small real trees for tests from a declared list of entries.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace TestTree {

inline QByteArray Native(const QString &path)
{
    return QFile::encodeName(path);
}

// Sets a file's modification time (and access time) in whole seconds plus nanoseconds.
inline bool SetMTime(const QString &path, qint64 seconds, long nanoseconds = 0)
{
    struct timespec times[2];
    times[0].tv_sec = time_t(seconds);
    times[0].tv_nsec = nanoseconds;
    times[1] = times[0];
    return ::utimensat(AT_FDCWD, Native(path).constData(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

// Writes a file below root (missing folders are created) with its content and time.
inline void File(const QString &root, const QString &relative, const QByteArray &content, qint64 mtime = 1700000000,
                 long nanoseconds = 0)
{
    const QString path = root + u'/' + relative;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(f.write(content), content.size());
    f.close();
    QVERIFY(SetMTime(path, mtime, nanoseconds));
}

inline void Dir(const QString &root, const QString &relative)
{
    QVERIFY(QDir().mkpath(root + u'/' + relative));
}

inline void SymLink(const QString &target, const QString &linkPath)
{
    QDir().mkpath(QFileInfo(linkPath).absolutePath());
    QVERIFY2(::symlink(Native(target).constData(), Native(linkPath).constData()) == 0, qPrintable(linkPath));
}

} // namespace TestTree
