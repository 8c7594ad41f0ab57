// Whole runs over trees that fight back: links and bind mounts between the two trees,
// folders reached by many routes, roots that cannot be compared, paths longer than the
// kernel takes in one call. What matters is that no file is paired with a file of its
// own tree, that nothing is walked twice, and that whatever is left out is reported.

#include "engine/TScanRun.h"

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
    QStringList Left; // "REASON PATH"

    void ShowStatus(const QString &) override {}
    void AddToList(int list, const QString &path) override { Lists[list] << path; }
    void NotCompared(const QString &path, const QString &reason) override { Left << reason + u' ' + path; }
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
    return TScanTexts::FromLines([](int line) { return line == 107 ? u"T107(%1)"_s : u"T%1"_s.arg(line); });
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
    void aCounterpartFolderLeadingBackIsNotUsed();
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
    File(FSrc, u"only.txt"_s, "only copy");
    File(FSrc, u"sub/deep.txt"_s, "only copy");
    File(FDst, u"dst.txt"_s, "only copy");
    SymLink(FSrc, FDst + u"/tosrc"_s);             // the other root
    SymLink(FSrc + u"/sub"_s, FDst + u"/tosub"_s); // a folder inside it
    SymLink(FDir.path(), FDst + u"/toabove"_s);    // a folder holding it
    SymLink(FDst, FSrc + u"/todst"_s);             // and the other direction
    File(FDir.path(), u"elsewhere/e.txt"_s, "e");  // a link out of both trees is walked
    SymLink(FDir.filePath(u"elsewhere"_s), FSrc + u"/out"_s);
    if (QTest::currentTestFailed())
        return;

    TRecorder r;
    QCOMPARE(Run(Options(), r), QString());
    const QString s = Options().srcPath, d = Options().dstPath;
    QCOMPARE(AsSet(r.Lists[1]), (QSet<QString>{s + u"only.txt"_s, s + u"sub/deep.txt"_s, s + u"out/e.txt"_s}));
    QCOMPARE(r.Lists[2], QStringList{d + u"dst.txt"_s});
    QCOMPARE(r.Total(), 4);
    QCOMPARE(AsSet(r.Left), (QSet<QString>{u"T105 "_s + s + u"todst/"_s, u"T105 "_s + d + u"tosrc/"_s,
                                           u"T105 "_s + d + u"tosub/"_s, u"T106 "_s + d + u"toabove/"_s}));
    QCOMPARE(r.Left.size(), 4);
}

void tst_ScanBoundaries::aCounterpartFolderLeadingBackIsNotUsed()
{
    // The destination's "a" is a link to the source's "b": pairing src/a/f.txt with
    // dst/a/f.txt would pair it with src/b/f.txt, and an update would overwrite a source file.
    File(FSrc, u"a/f.txt"_s, "new text", 1700000100);
    File(FSrc, u"b/f.txt"_s, "old text", 1700000000);
    SymLink(FSrc + u"/b"_s, FDst + u"/a"_s);
    if (QTest::currentTestFailed())
        return;
    TRecorder r;
    QCOMPARE(Run(Options(), r), QString());
    const QString s = Options().srcPath, d = Options().dstPath;
    QCOMPARE(r.Lists[1], QStringList{s + u"b/f.txt"_s});
    QCOMPARE(r.Total(), 1);
    QCOMPARE(AsSet(r.Left), (QSet<QString>{u"T108 "_s + s + u"a/"_s, u"T105 "_s + d + u"a/"_s}));
}

void tst_ScanBoundaries::bindMountsIntoTheOtherTreeAreNotWalked()
{
    File(FSrc, u"only.txt"_s, "only copy");
    File(FSrc, u"sub/deep.txt"_s, "only copy");
    File(FDst, u"x/dst.txt"_s, "only copy");
    if (QTest::currentTestFailed())
        return;
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
    QCOMPARE(AsSet(r.Left), (QSet<QString>{u"T105 "_s + s + u"tox/"_s, u"T105 "_s + d + u"wholesrc/"_s,
                                           u"T105 "_s + d + u"m/sub/"_s}));
}

void tst_ScanBoundaries::aDiamondOfLinksIsWalkedOncePerFolder()
{
    // Folder i holds two links to folder i+1: 2^24 routes to the last folder.
    constexpr int Levels = 24;
    for (int i = 0; i <= Levels; ++i)
        Dir(FSrc, u"f%1"_s.arg(i));
    for (int i = 0; i < Levels; ++i) {
        SymLink(u"../f%1"_s.arg(i + 1), FSrc + u"/f%1/a"_s.arg(i));
        SymLink(u"../f%1"_s.arg(i + 1), FSrc + u"/f%1/b"_s.arg(i));
    }
    File(FSrc, u"f%1/end.txt"_s.arg(Levels), "x");
    if (QTest::currentTestFailed())
        return;
    TRecorder r;
    QCOMPARE(Run(Options(), r), QString());
    const QString s = Options().srcPath;
    QCOMPARE(r.Lists[1].size(), 1);
    QCOMPARE(r.Lists[1].first(), s + u"f%1/end.txt"_s.arg(Levels));
    // Every folder f1..f24 is met three times (by name and through two links) and walked
    // once; the two later routes name the first.
    QCOMPARE(r.Left.size(), 2 * Levels);
    for (const QString &left : std::as_const(r.Left))
        QVERIFY2(left.startsWith(u"T107("_s + s), qPrintable(left));
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
}

void tst_ScanBoundaries::unusableRoots()
{
    QFETCH(QString, src);
    QFETCH(QString, dst);
    QFETCH(QString, error);
    File(FSrc, u"a.txt"_s, "a");
    File(FDst, u"b.txt"_s, "b");
    File(FDir.path(), u"file.txt"_s, "f");
    SymLink(FDir.filePath(u"file.txt"_s), FDir.filePath(u"filelink"_s));
    SymLink(FDir.filePath(u"nowhere"_s), FDir.filePath(u"dangling"_s));
    if (QTest::currentTestFailed())
        return;
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
    // 25 folders of 200 bytes: the files lie more than 5,000 bytes deep.
    QByteArray rel;
    for (int i = 0; i < 25; ++i)
        rel += QByteArray(200, char('a' + i % 26)) + '/';
    QCOMPARE(rel.size() > PATH_MAX, true);
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
    File(FSrc, u"closed/f.txt"_s, "a");
    File(FDst, u"closed/f.txt"_s, "a");
    File(FSrc, u"open/g.txt"_s, "b");
    File(FDst, u"open/g.txt"_s, "b");
    File(FDir.path(), u"private/x.txt"_s, "c");
    SymLink(FDir.filePath(u"private/x.txt"_s), FSrc + u"/x.txt"_s);
    File(FDst, u"x.txt"_s, "c");
    SymLink(FSrc + u"/loop"_s, FSrc + u"/loop"_s); // looked up as such, even by root
    File(FDst, u"loop"_s, "d");
    if (QTest::currentTestFailed())
        return;
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

void tst_ScanBoundaries::oneFileReachedFromBothTreesIsReported()
{
    File(FDst, u"g.txt"_s, "only copy");
    SymLink(FDst + u"/g.txt"_s, FSrc + u"/g.txt"_s);
    if (QTest::currentTestFailed())
        return;
    TRecorder r;
    QCOMPARE(Run(Options(), r), QString());
    QCOMPARE(r.Total(), 0);
    QCOMPARE(r.Left, QStringList{u"T107(%1) %2"_s.arg(Options().dstPath + u"g.txt"_s, Options().srcPath + u"g.txt"_s)});
}

QTEST_GUILESS_MAIN(tst_ScanBoundaries)
#include "tst_scanboundaries.moc"
