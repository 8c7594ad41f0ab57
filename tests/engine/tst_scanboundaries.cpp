// Whole runs over trees that fight back: links and bind mounts between the two trees,
// folders reached by many routes, roots that cannot be compared, paths longer than the
// kernel takes in one call. What matters is that no file is paired with a file of its
// own tree, that nothing is walked twice, and that whatever is left out is reported.

#include "engine/TScanRun.h"
#include "support/TScanTextLines.h"

#include "TestTree.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace TestTree;

namespace {

class TRecorder final : public TScanSink
{
public:
    QList<QStringList> Lists = QList<QStringList>(9);
    QStringList Left; // "REASON PATH" of entries not compared
    QStringList Skip; // "REASON PATH" of folders skipped, which hides nothing

    void ShowStatus(const QString &) override {}
    void AddToList(int list, const QString &path) override { Lists[list] << path; }
    void NotCompared(const QString &path, const QString &reason) override { Left << reason + u' ' + path; }
    void Skipped(const QString &path, const QString &reason) override { Skip << reason + u' ' + path; }
    int Total() const
    {
        int n = 0;
        for (const QStringList &l : Lists)
            n += int(l.size());
        return n;
    }
};

// The texts are their line numbers; "already compared through %1" keeps its argument.
TScanTexts Texts()
{
    return TScanTextLines::Texts([](int line) { return line == 107 ? u"T107(%1)"_s : u"T%1"_s.arg(line); });
}

QSet<QString> AsSet(const QStringList &l)
{
    return QSet<QString>(l.begin(), l.end());
}

} // namespace

class tst_ScanBoundaries : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir FDir;
    QString FSrc, FDst;
    QStringList FMounts;

    TScanOptions Options() const
    {
        TScanOptions o;
        o.srcPath = FSrc + u'/';
        o.dstPath = FDst + u'/';
        return o;
    }
    static QString Run(const TScanOptions &o, TRecorder &sink)
    {
        std::atomic<bool> never{false};
        return TScanRun(o, Texts(), sink, never).Execute();
    }
    // Binds folder onto target; false when this process may not mount.
    bool Bind(const QString &folder, const QString &target)
    {
        QDir().mkpath(target);
        if (::mount(Native(folder).constData(), Native(target).constData(), nullptr, MS_BIND, nullptr) != 0)
            return false;
        FMounts.prepend(target);
        return true;
    }

private Q_SLOTS:
    void init();
    void cleanup();

    void linksIntoTheOtherTreeAreNotWalked();
    void aFolderIsJudgedUnderItsOwnName_data();
    void aFolderIsJudgedUnderItsOwnName();
    void aCounterpartFolderLeadingBackIsNotUsed_data();
    void aCounterpartFolderLeadingBackIsNotUsed();
    void aFileAgainstAFolderIsNoPair();
    void contentThatCannotBeRead_data();
    void contentThatCannotBeRead();
    void bindMountsIntoTheOtherTreeAreNotWalked();
    void aDiamondOfLinksIsWalkedOncePerFolder();
    void unusableRoots_data();
    void unusableRoots();
    void pathsLongerThanTheKernelLimitAreCompared();
    void aCounterpartThatCannotBeLookedUpIsNotMissing();
    void oneFileReachedFromBothTreesIsReported();
};

void tst_ScanBoundaries::init()
{
    QVERIFY(FDir.isValid());
    FSrc = FDir.filePath(u"src"_s);
    FDst = FDir.filePath(u"dst"_s);
    QDir().mkpath(FSrc);
    QDir().mkpath(FDst);
}

void tst_ScanBoundaries::cleanup()
{
    // Unmount before anything is removed: removing through a bind mount would empty
    // the folder it shows.
    for (const QString &m : std::as_const(FMounts))
        QCOMPARE(::umount2(Native(m).constData(), MNT_DETACH), 0);
    FMounts.clear();
    QDir(FDir.path()).removeRecursively();
    QDir().mkpath(FDir.path());
}

void tst_ScanBoundaries::linksIntoTheOtherTreeAreNotWalked()
{
    QVERIFY(Build(FDir.path(), {{u"src/only.txt"_s, "only copy"},
                                {u"src/sub/deep.txt"_s, "only copy"},
                                {u"dst/dst.txt"_s, "only copy"},
                                TEntry::Link(u"dst/tosrc"_s, FSrc),             // the other root
                                TEntry::Link(u"dst/tosub"_s, FSrc + u"/sub"_s), // a folder inside it
                                TEntry::Link(u"dst/toabove"_s, FDir.path()),    // a folder holding it
                                TEntry::Link(u"src/todst"_s, FDst),             // and the other direction
                                {u"elsewhere/e.txt"_s, "e"},                    // a link out of both trees is walked
                                TEntry::Link(u"src/out"_s, FDir.filePath(u"elsewhere"_s))}));

    TRecorder r;
    QCOMPARE(Run(Options(), r), QString());
    const QString s = Options().srcPath, d = Options().dstPath;
    QCOMPARE(AsSet(r.Lists[1]), (QSet<QString>{s + u"only.txt"_s, s + u"sub/deep.txt"_s, s + u"out/e.txt"_s}));
    QCOMPARE(r.Lists[2], QStringList{d + u"dst.txt"_s});
    QCOMPARE(r.Total(), 4);
    QCOMPARE(AsSet(r.Skip), (QSet<QString>{u"T105 "_s + s + u"todst/"_s, u"T105 "_s + d + u"tosrc/"_s,
                                           u"T105 "_s + d + u"tosub/"_s, u"T106 "_s + d + u"toabove/"_s}));
    QCOMPARE(r.Skip.size(), 4);
    QVERIFY(r.Left.isEmpty());
}

void tst_ScanBoundaries::aFolderIsJudgedUnderItsOwnName_data()
{
    // tree: "s/PATH" and "d/PATH" are files (all alike), "PATH -> TARGET" links; "o/" lies
    // outside both trees. lists: "N PATH" of every finding. skipped: "PATH ROUTE", a folder
    // not walked and the route it was compared through.
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<QStringList>("lists");
    QTest::addColumn<QStringList>("skipped");
    const QStringList release{u"s/releases/v2/app.bin"_s, u"d/releases/v2/app.bin"_s};
    const QStringList pair{u"5 s/releases/v2/app.bin"_s, u"6 d/releases/v2/app.bin"_s};
    QTest::newRow("a link above its target")
        << release + QStringList{u"s/current -> releases/v2"_s} << pair << QStringList{u"s/current/ s/releases/v2/"_s};
    QTest::newRow("the same link on both sides")
        << release + QStringList{u"s/current -> releases/v2"_s, u"d/current -> releases/v2"_s} << pair
        << QStringList{u"s/current/ s/releases/v2/"_s, u"d/current/ d/releases/v2/"_s};
    QTest::newRow("a backup made with links resolved")
        << release + QStringList{u"s/current -> releases/v2"_s, u"d/current/app.bin"_s} << pair
        << QStringList{u"s/current/ s/releases/v2/"_s};
    // The folder holding the link may be listed before or after the target's: both ways.
    QTest::newRow("a link in a sibling, one way")
        << QStringList{u"s/a/l -> ../b/t"_s, u"s/b/t/f"_s, u"d/b/t/f"_s} << QStringList{u"5 s/b/t/f"_s, u"6 d/b/t/f"_s}
        << QStringList{u"s/a/l/ s/b/t/"_s};
    QTest::newRow("a link in a sibling, the other way")
        << QStringList{u"s/b/l -> ../a/t"_s, u"s/a/t/f"_s, u"d/a/t/f"_s} << QStringList{u"5 s/a/t/f"_s, u"6 d/a/t/f"_s}
        << QStringList{u"s/b/l/ s/a/t/"_s};
    QTest::newRow("a link far from a deep target") << QStringList{u"s/l -> x/y/z"_s, u"s/x/y/z/f"_s}
                                                   << QStringList{u"1 s/x/y/z/f"_s} << QStringList{u"s/l/ s/x/y/z/"_s};
    // Reached only through links: the shallowest link, then the first by name.
    QTest::newRow("an outside folder reached twice")
        << QStringList{u"o/ext/e"_s, u"s/b/l2 -> ../../o/ext"_s, u"s/a/l1 -> ../../o/ext"_s}
        << QStringList{u"1 s/a/l1/e"_s} << QStringList{u"s/b/l2/ s/a/l1/"_s};
    QTest::newRow("an outside folder at two depths")
        << QStringList{u"o/ext/e"_s, u"s/a/deep/l1 -> ../../../o/ext"_s, u"s/z/l2 -> ../../o/ext"_s}
        << QStringList{u"1 s/z/l2/e"_s} << QStringList{u"s/a/deep/l1/ s/z/l2/"_s};
    QTest::newRow("a link inside a linked folder")
        << QStringList{u"o/ext/in/e"_s, u"o/ext/back -> in"_s, u"s/l -> ../o/ext"_s} << QStringList{u"1 s/l/in/e"_s}
        << QStringList{u"s/l/back/ s/l/in/"_s};
}

void tst_ScanBoundaries::aFolderIsJudgedUnderItsOwnName()
{
    QFETCH(QStringList, tree);
    QFETCH(QStringList, lists);
    QFETCH(QStringList, skipped);
    const QString s = Options().srcPath, d = Options().dstPath, o = FDir.filePath(u"o/"_s);
    const auto full = [&](const QString &p) -> QString {
        return p.startsWith(u"s/"_s) ? s + p.mid(2) : p.startsWith(u"d/"_s) ? d + p.mid(2) : o + p.mid(2);
    };
    QList<TEntry> entries;
    for (const QString &entry : std::as_const(tree)) {
        const QStringList link = entry.split(u" -> "_s);
        const QString relative = full(link[0]).mid(FDir.path().size() + 1);
        entries << (link.size() == 2 ? TEntry::Link(relative, link[1]) : TEntry(relative, "same"));
    }
    QVERIFY(Build(FDir.path(), entries));
    for (int threads : {0, 3}) {
        TScanOptions options = Options();
        options.LookAheadThreads = threads;
        TRecorder r;
        QCOMPARE(Run(options, r), QString());
        QStringList found;
        for (int list = 1; list <= 8; ++list)
            for (const QString &path : std::as_const(r.Lists[list]))
                found << QString::number(list) + u' ' + path;
        QStringList expected;
        for (const QString &l : std::as_const(lists))
            expected << l.first(2) + full(l.mid(2));
        found.sort();
        expected.sort();
        QCOMPARE(found, expected);
        QStringList expectedSkip;
        for (const QString &k : std::as_const(skipped)) {
            const QStringList parts = k.split(u' ');
            expectedSkip << u"T107(%1) %2"_s.arg(full(parts[1]), full(parts[0]));
        }
        QCOMPARE(AsSet(r.Skip), AsSet(expectedSkip));
        QCOMPARE(r.Skip.size(), expectedSkip.size());
        QVERIFY2(r.Left.isEmpty(), qPrintable(r.Left.join(u'\n')));
    }
}

void tst_ScanBoundaries::aCounterpartFolderLeadingBackIsNotUsed_data()
{
    QTest::addColumn<bool>("mount");
    QTest::newRow("a link") << false;
    QTest::newRow("a bind mount") << true;
}

void tst_ScanBoundaries::aCounterpartFolderLeadingBackIsNotUsed()
{
    // The destination's "a" shows the source's "b": pairing src/a/f.txt with dst/a/f.txt
    // would pair it with src/b/f.txt, and an update would overwrite a source file.
    QFETCH(bool, mount);
    QVERIFY(Build(FSrc, {{u"a/f.txt"_s, "new text", 1700000100}, {u"b/f.txt"_s, "old text", 1700000000}}));
    if (!mount)
        QVERIFY(Build(FDst, {TEntry::Link(u"a"_s, FSrc + u"/b"_s)}));
    else if (!Bind(FSrc + u"/b"_s, FDst + u"/a"_s))
        QSKIP("mounting is not permitted here");
    TRecorder r;
    QCOMPARE(Run(Options(), r), QString());
    const QString s = Options().srcPath, d = Options().dstPath;
    QCOMPARE(r.Lists[1], QStringList{s + u"b/f.txt"_s});
    QCOMPARE(r.Total(), 1);
    QCOMPARE(AsSet(r.Skip), (QSet<QString>{u"T108 "_s + s + u"a/"_s, u"T105 "_s + d + u"a/"_s}));
    QVERIFY(r.Left.isEmpty());
}

void tst_ScanBoundaries::bindMountsIntoTheOtherTreeAreNotWalked()
{
    QVERIFY(Build(
        FDir.path(),
        {{u"src/only.txt"_s, "only copy"}, {u"src/sub/deep.txt"_s, "only copy"}, {u"dst/x/dst.txt"_s, "only copy"}}));
    // A bind mount keeps the device of the folder it shows, so only its place in the
    // file system tells where it belongs.
    if (!Bind(FSrc, FDst + u"/wholesrc"_s))
        QSKIP("mounting is not permitted here");
    QVERIFY(Bind(FSrc + u"/sub"_s, FDst + u"/m/sub"_s));
    QVERIFY(Bind(FDst + u"/x"_s, FDir.filePath(u"outside"_s)));
    QVERIFY(Bind(FDir.filePath(u"outside"_s), FSrc + u"/tox"_s)); // the other direction, twice removed

    TRecorder r;
    QCOMPARE(Run(Options(), r), QString());
    const QString s = Options().srcPath, d = Options().dstPath;
    QCOMPARE(AsSet(r.Lists[1]), (QSet<QString>{s + u"only.txt"_s, s + u"sub/deep.txt"_s}));
    QCOMPARE(r.Lists[2], QStringList{d + u"x/dst.txt"_s});
    QCOMPARE(r.Total(), 3);
    QCOMPARE(AsSet(r.Skip), (QSet<QString>{u"T105 "_s + s + u"tox/"_s, u"T105 "_s + d + u"wholesrc/"_s,
                                           u"T105 "_s + d + u"m/sub/"_s}));
    QVERIFY(r.Left.isEmpty());
}

void tst_ScanBoundaries::aDiamondOfLinksIsWalkedOncePerFolder()
{
    // Folder i holds two links to folder i+1: 2^24 routes to the last folder.
    constexpr int Levels = 24;
    QList<TEntry> tree{{u"f%1/end.txt"_s.arg(Levels), "x"}};
    for (int i = 0; i < Levels; ++i) {
        tree << TEntry::Link(u"f%1/a"_s.arg(i), u"../f%1"_s.arg(i + 1))
             << TEntry::Link(u"f%1/b"_s.arg(i), u"../f%1"_s.arg(i + 1));
    }
    QVERIFY(Build(FSrc, tree));
    TRecorder r;
    QCOMPARE(Run(Options(), r), QString());
    const QString s = Options().srcPath;
    QCOMPARE(r.Lists[1].size(), 1);
    QCOMPARE(r.Lists[1].first(), s + u"f%1/end.txt"_s.arg(Levels));
    // Every folder f1..f24 is met three times (by name and through two links) and walked
    // once; the two later routes name the first.
    QCOMPARE(r.Skip.size(), 2 * Levels);
    for (const QString &skipped : std::as_const(r.Skip))
        QVERIFY2(skipped.startsWith(u"T107("_s + s), qPrintable(skipped));
    QVERIFY(r.Left.isEmpty());
}

void tst_ScanBoundaries::unusableRoots_data()
{
    QTest::addColumn<QString>("src");
    QTest::addColumn<QString>("dst");
    QTest::addColumn<QString>("error");
    QTest::newRow("source missing") << u"missing/"_s << u"dst/"_s << u"T97"_s;
    QTest::newRow("destination missing") << u"src/"_s << u"missing/"_s << u"T97"_s;
    QTest::newRow("destination below a file") << u"src/"_s << u"file.txt/sub/"_s << u"T97"_s;
    QTest::newRow("source is a file") << u"file.txt/"_s << u"dst/"_s << u"T98"_s;
    QTest::newRow("destination links to a file") << u"src/"_s << u"filelink/"_s << u"T98"_s;
    QTest::newRow("dangling link") << u"dangling/"_s << u"dst/"_s << u"T97"_s;
    // A loop of links is there but cannot be listed: never "does not exist".
    QTest::newRow("source a loop of links") << u"loop/"_s << u"dst/"_s << u"T99"_s;
    QTest::newRow("destination below a loop of links") << u"src/"_s << u"loop/sub/"_s << u"T99"_s;
}

void tst_ScanBoundaries::unusableRoots()
{
    QFETCH(QString, src);
    QFETCH(QString, dst);
    QFETCH(QString, error);
    QVERIFY(Build(FDir.path(), {{u"src/a.txt"_s, "a"},
                                {u"dst/b.txt"_s, "b"},
                                {u"file.txt"_s, "f"},
                                TEntry::Link(u"filelink"_s, FDir.filePath(u"file.txt"_s)),
                                TEntry::Link(u"dangling"_s, FDir.filePath(u"nowhere"_s)),
                                TEntry::Link(u"loop"_s, FDir.filePath(u"loop"_s))}));
    TScanOptions o;
    o.srcPath = FDir.path() + u'/' + src;
    o.dstPath = FDir.path() + u'/' + dst;
    TRecorder r;
    QCOMPARE(Run(o, r), error);
    // Not a single file is offered as missing from the other side.
    QCOMPARE(r.Total(), 0);
    QVERIFY(r.Left.isEmpty());
}

void tst_ScanBoundaries::pathsLongerThanTheKernelLimitAreCompared()
{
    // 45 folders of 200 bytes: the files lie more than twice the kernel's limit deep, so
    // a path split only once would still be too long.
    QByteArray rel;
    for (int i = 0; i < 45; ++i)
        rel += QByteArray(200, char('a' + i % 26)) + '/';
    QCOMPARE(rel.size() > 2 * PATH_MAX, true);
    for (const QString &root : {FSrc, FDst}) {
        const int base = ::open(Native(root).constData(), O_PATH | O_DIRECTORY);
        QVERIFY(base >= 0);
        int fd = base;
        for (const QByteArray &name : rel.split('/')) {
            if (name.isEmpty())
                break;
            QCOMPARE(::mkdirat(fd, name.constData(), 0700), 0);
            const int next = ::openat(fd, name.constData(), O_PATH | O_DIRECTORY);
            if (fd != base)
                ::close(fd);
            fd = next;
            QVERIFY(fd >= 0);
        }
        const QByteArray content = "same";
        for (const char *file : {"pair.txt", root == FSrc ? "onlysrc.txt" : "onlydst.txt"}) {
            const int f = ::openat(fd, file, O_CREAT | O_WRONLY, 0600);
            QVERIFY(f >= 0);
            QCOMPARE(::write(f, content.constData(), 4), 4);
            struct timespec times[2] = {{1700000000, 0}, {1700000000, 0}};
            QCOMPARE(::futimens(f, times), 0);
            ::close(f);
        }
        ::close(fd);
        ::close(base);
    }
    TRecorder r;
    QCOMPARE(Run(Options(), r), QString());
    const QString s = Options().srcPath + QString::fromLatin1(rel), d = Options().dstPath + QString::fromLatin1(rel);
    QCOMPARE(r.Lists[1], QStringList{s + u"onlysrc.txt"_s});
    QCOMPARE(r.Lists[2], QStringList{d + u"onlydst.txt"_s});
    QCOMPARE(r.Lists[5], QStringList{s + u"pair.txt"_s});
    QCOMPARE(r.Lists[6], QStringList{d + u"pair.txt"_s});
    QCOMPARE(r.Total(), 4);
    QVERIFY2(r.Left.isEmpty(), qPrintable(r.Left.join(u'\n')));
    // QDir cannot remove what it cannot reach.
    QVERIFY(QProcess::execute(u"rm"_s, {u"-rf"_s, FSrc, FDst}) == 0);
}

void tst_ScanBoundaries::aCounterpartThatCannotBeLookedUpIsNotMissing()
{
    // Files that are there but out of this user's reach must not read as "missing": the
    // other side's copy would be offered for deletion.
    QVERIFY(Build(FDir.path(), {{u"src/closed/f.txt"_s, "a"},
                                {u"dst/closed/f.txt"_s, "a"},
                                {u"src/open/g.txt"_s, "b"},
                                {u"dst/open/g.txt"_s, "b"},
                                {u"private/x.txt"_s, "c"},
                                TEntry::Link(u"src/x.txt"_s, FDir.filePath(u"private/x.txt"_s)),
                                {u"dst/x.txt"_s, "c"},
                                TEntry::Link(u"src/loop"_s, FSrc + u"/loop"_s), // looked up as such, even by root
                                {u"dst/loop"_s, "d"}}));
    const QString s = Options().srcPath, d = Options().dstPath;
    {
        TRecorder r;
        QCOMPARE(Run(Options(), r), QString());
        QVERIFY(r.Lists[2].isEmpty());
        QCOMPARE(r.Left, QStringList{u"T104 "_s + s + u"loop"_s});
    }
    if (::geteuid() != 0)
        QSKIP("needs root to scan as another user; the link loop was checked");
    QCOMPARE(::chmod(Native(FDir.path()).constData(), 0755), 0);
    QVERIFY(QProcess::execute(u"chmod"_s, {u"-R"_s, u"a+rX"_s, FSrc, FDst}) == 0);
    QCOMPARE(::chmod(Native(FDir.filePath(u"private"_s)).constData(), 0700), 0);
    QCOMPARE(::chmod(Native(FSrc + u"/closed"_s).constData(), 0), 0);
    QCOMPARE(::chmod(Native(FDst + u"/open"_s).constData(), 0), 0);
    TRecorder r;
    QCOMPARE(::seteuid(65534), 0);
    const QString error = Run(Options(), r);
    QCOMPARE(::seteuid(0), 0);
    QCOMPARE(error, QString());
    QCOMPARE(::chmod(Native(FSrc + u"/closed"_s).constData(), 0755), 0);
    QCOMPARE(::chmod(Native(FDst + u"/open"_s).constData(), 0755), 0);
    QCOMPARE(r.Total(), 0);
    QCOMPARE(AsSet(r.Left), (QSet<QString>{u"T101 "_s + s + u"closed/"_s, u"T104 "_s + s + u"closed/f.txt"_s,
                                           u"T101 "_s + d + u"open/"_s, u"T104 "_s + d + u"open/g.txt"_s,
                                           u"T104 "_s + s + u"x.txt"_s, u"T104 "_s + s + u"loop"_s}));
    QCOMPARE(r.Left.size(), 6); // each named once
}

void tst_ScanBoundaries::aFileAgainstAFolderIsNoPair()
{
    // A file against a folder of its name, both ways round: neither is listed as a pair,
    // both sides are named, and what the folder holds is missing on the other side.
    QVERIFY(Build(FDir.path(), {{u"src/x"_s, "file"},
                                {u"dst/x/inner"_s, "in"},
                                {u"src/y/inner"_s, "in"},
                                {u"dst/y"_s, "file"},
                                // A file whose counterpart is a link that cannot be followed:
                                // named whatever the size limits.
                                {u"src/big"_s, QByteArray(2048, 'b')},
                                TEntry::Link(u"dst/big"_s, FDst + u"/big"_s)}));
    const QString s = Options().srcPath, d = Options().dstPath;
    for (float minimum : {0.0f, 1.0f}) {
        TScanOptions o = Options();
        o.MinFileSize = minimum;
        o.MinSizeFactor = 1024;
        TRecorder r;
        QCOMPARE(Run(o, r), QString());
        QCOMPARE(r.Lists[1], minimum > 0 ? QStringList() : QStringList{s + u"y/inner"_s});
        QCOMPARE(r.Lists[2], minimum > 0 ? QStringList() : QStringList{d + u"x/inner"_s});
        QCOMPARE(r.Total(), minimum > 0 ? 0 : 2);
        QSet<QString> left{u"T104 "_s + d + u"big"_s};
        if (minimum == 0)
            left +=
                {u"T160 "_s + s + u"x"_s, u"T161 "_s + d + u"x/"_s, u"T160 "_s + d + u"y"_s, u"T161 "_s + s + u"y/"_s};
        QCOMPARE(AsSet(r.Left), left);
        QCOMPARE(r.Left.size(), left.size());
    }
}

void tst_ScanBoundaries::contentThatCannotBeRead_data()
{
    QTest::addColumn<int>("threads");
    QTest::addColumn<bool>("hardLink");
    QTest::newRow("unreadable, read on the walk's thread") << 0 << false;
    QTest::newRow("unreadable, read ahead") << 2 << false;
    QTest::newRow("one file twice, on the walk's thread") << 0 << true;
    QTest::newRow("one file twice, ahead") << 2 << true;
}

void tst_ScanBoundaries::contentThatCannotBeRead()
{
    // A file the scan may not read is never judged as "different"; two names of one
    // file (a backup made of hard links) are equal without a byte read.
    QFETCH(int, threads);
    QFETCH(bool, hardLink);
    if (::geteuid() != 0)
        QSKIP("needs root to scan as another user");
    File(FSrc, u"f.bin"_s, "0123456789", 1700000000);
    if (hardLink)
        QCOMPARE(::link(Native(FSrc + u"/f.bin"_s).constData(), Native(FDst + u"/f.bin"_s).constData()), 0);
    else
        File(FDst, u"f.bin"_s, "0123456789", 1700000500);
    QCOMPARE(::chmod(Native(FDir.path()).constData(), 0755), 0);
    QVERIFY(QProcess::execute(u"chmod"_s, {u"-R"_s, u"a+rX"_s, FSrc, FDst}) == 0);
    QCOMPARE(::chmod(Native(FSrc + u"/f.bin"_s).constData(), 0), 0);
    TScanOptions o = Options();
    o.DupByContent = true;
    o.LookAheadThreads = threads;
    TRecorder r;
    QCOMPARE(::seteuid(65534), 0);
    const QString error = Run(o, r);
    QCOMPARE(::seteuid(0), 0);
    QCOMPARE(error, QString());
    const QString s = Options().srcPath, d = Options().dstPath;
    if (hardLink) {
        QCOMPARE(r.Lists[5], QStringList{s + u"f.bin"_s});
        QCOMPARE(r.Lists[6], QStringList{d + u"f.bin"_s});
        QCOMPARE(r.Total(), 2);
        QVERIFY(r.Left.isEmpty());
    } else {
        QCOMPARE(r.Total(), 0);
        QCOMPARE(r.Left, QStringList{u"T104 "_s + s + u"f.bin"_s});
    }
}

void tst_ScanBoundaries::oneFileReachedFromBothTreesIsReported()
{
    QVERIFY(Build(FDir.path(), {{u"dst/g.txt"_s, "only copy"}, TEntry::Link(u"src/g.txt"_s, FDst + u"/g.txt"_s)}));
    TRecorder r;
    QCOMPARE(Run(Options(), r), QString());
    QCOMPARE(r.Total(), 0);
    QCOMPARE(r.Skip, QStringList{u"T107(%1) %2"_s.arg(Options().dstPath + u"g.txt"_s, Options().srcPath + u"g.txt"_s)});
    QVERIFY(r.Left.isEmpty());
}

QTEST_GUILESS_MAIN(tst_ScanBoundaries)
#include "tst_scanboundaries.moc"
