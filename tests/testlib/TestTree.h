#pragma once

// Real trees for tests, declared as data, and a comparable picture of a whole tree.
//
//   QVERIFY(TestTree::Build(root, {{u"a.txt"_s, "x", 1700000000},      // a file, its content and time
//                                  {u"sub/"_s},                         // a folder
//                                  TestTree::TEntry::Link(u"l"_s, u"sub"_s)}));
//   ... copy or delete ...
//   QCOMPARE(TestTree::Snapshot(target), TestTree::Snapshot(source));

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTest>

#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace TestTree {

constexpr qint64 DefaultMTime = 1700000000;
// No time given: a file gets DefaultMTime, a folder or link keeps the time it was made at.
constexpr qint64 NoTime = std::numeric_limits<qint64>::min();

// One entry of a declared tree, its path relative to the root the tree is built in.
struct TEntry
{
    enum EKind { ekFile, ekFolder, ekLink, ekFifo };

    // A file with its content and modification time; a path ending in '/' is a folder,
    // whose time (when given) is set after everything below it is made.
    TEntry(QString path, QByteArray content = {}, qint64 mtime = NoTime, long nanoseconds = 0);
    // A symbolic link holding target as written (relative to the link's folder, or absolute).
    static TEntry Link(QString path, const QString &target);
    // A named pipe.
    static TEntry Fifo(QString path);

    EKind Kind = ekFile;
    QString Path;
    QByteArray Content; // a file's data, a link's target
    qint64 MTime = NoTime;
    long Nanoseconds = 0;
};

// Makes every entry below root (missing folders are made too, root included). False, after a
// warning naming the entry and the reason, at the first entry that cannot be made.
bool Build(const QString &root, const QList<TEntry> &entries);

// Every entry below root in name order, each folder followed by what it holds, one line
// each: "sub/" for a folder, "a.txt \"x\" @1700000000" for a file (long or binary content as
// size and checksum, the nanoseconds when there are some), "l -> target" for a link,
// "p fifo" for a pipe.
// Folder times only with folderTimes, as making a file in a folder changes its time.
QStringList Snapshot(const QString &root, bool folderTimes = false);

QByteArray Native(const QString &path);

// Sets a file's modification time (and access time) in whole seconds plus nanoseconds,
// on a link itself rather than what it names.
bool SetMTime(const QString &path, qint64 seconds, long nanoseconds = 0);

// One entry at a time, for trees that grow during a test.
inline void File(const QString &root, const QString &relative, const QByteArray &content, qint64 mtime = DefaultMTime,
                 long nanoseconds = 0)
{
    QVERIFY(Build(root, {TEntry(relative, content, mtime, nanoseconds)}));
}

inline void Dir(const QString &root, const QString &relative)
{
    QVERIFY(QDir().mkpath(root + u'/' + relative));
}

inline void SymLink(const QString &target, const QString &linkPath)
{
    QVERIFY(Build(QFileInfo(linkPath).absolutePath(), {TEntry::Link(QFileInfo(linkPath).fileName(), target)}));
}

} // namespace TestTree
