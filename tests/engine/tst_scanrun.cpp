// Whole runs over real trees: what lands in which list, in which order, with which
// status texts, and what the walk refuses to touch.

#include "engine/TScanRun.h"
#include "support/TScanTextLines.h"

#include "TestTree.h"

#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace TestTree;

namespace {

class TRecorder final : public TScanSink
{
public:
    QStringList Events;
    QList<QStringList> Lists = QList<QStringList>(9);
    std::function<void()> OnDeliver;

    void ShowStatus(const QString &text) override { Events << u"S "_s + text; }
    void AddToList(int list, const QString &path) override
    {
        Events << QString::number(list) + u' ' + path;
        Lists[list] << path;
        if (OnDeliver)
            OnDeliver();
    }
    QList<TFinding> Findings;
    void AddFinding(const TFinding &finding) override
    {
        Findings << finding;
        TScanSink::AddFinding(finding);
    }
    QStringList Left; // "REASON PATH" of each entry not compared
    void NotCompared(const QString &path, const QString &reason) override { Left << reason + u' ' + path; }
    int Total() const
    {
        int n = 0;
        for (const QStringList &l : Lists)
            n += int(l.size());
        return n;
    }
};

TScanTexts Texts()
{
    return TScanTextLines::Texts([](int line) { return u"T%1"_s.arg(line); });
}

struct TRunResult
{
    QString Error;
    TRecorder Sink;
};

} // namespace

class tst_ScanRun : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir FDir;
    QString FSrc, FDst;

    TScanOptions Options() const
    {
        TScanOptions o;
        o.srcPath = FSrc + u'/';
        o.dstPath = FDst + u'/';
        return o;
    }
    static void Run(const TScanOptions &o, TRunResult &r, std::atomic<bool> *stop = nullptr,
                    TScanProgress *progress = nullptr)
    {
        std::atomic<bool> never{false};
        r.Error = TScanRun(o, Texts(), r.Sink, stop ? *stop : never, progress).Execute();
    }

private Q_SLOTS:
    void init();
    void cleanup();

    void classifiesEveryKindOfPair();
    void countsWhatItSeesAndCompares_data();
    void countsWhatItSeesAndCompares();
    void reportsStatusAndDeliveriesInOrder();
    void walksBreadthFirst();
    void hiddenEntries();
    void subFoldersOff();
    void rootChecks_data();
    void rootChecks();
    void stopFinishesTheFileInHandThenEnds();
    void hostileEntriesAreReportedNotCompared();
    void neverPairsAFileWithItself();
    void comparesWholeSecondsOfModificationTimes();
    void findingsCarryTheCounterpartsFigures();
};

void tst_ScanRun::init()
{
    QVERIFY(FDir.isValid());
    FSrc = FDir.filePath(u"src"_s);
    FDst = FDir.filePath(u"dst"_s);
    QDir().mkpath(FSrc);
    QDir().mkpath(FDst);
}

void tst_ScanRun::cleanup()
{
    QDir(FSrc).removeRecursively();
    QDir(FDst).removeRecursively();
    QDir(FDir.path()).removeRecursively();
    QDir().mkpath(FDir.path());
}

void tst_ScanRun::classifiesEveryKindOfPair()
{
    const qint64 t = 1700000000;
    QVERIFY(Build(FDir.path(), {
                                   {u"src/only_src.txt"_s, "a", t},
                                   {u"dst/only_dst.txt"_s, "a", t},
                                   {u"src/newer.txt"_s, "new", t + 10},
                                   {u"dst/newer.txt"_s, "old", t},
                                   {u"src/older.txt"_s, "old", t},
                                   {u"dst/older.txt"_s, "new", t + 10},
                                   {u"src/dup.txt"_s, "same", t},
                                   {u"dst/dup.txt"_s, "same", t + 99999},
                                   {u"src/conflict.txt"_s, "short", t},
                                   {u"dst/conflict.txt"_s, "longer", t},
                                   {u"src/sub/deep.txt"_s, "deep", t},
                                   {u"dst/sub/deep.txt"_s, "deep", t},
                                   // A file meets a folder of the same name: no pair, both named
                                   // as not compared.
                                   {u"src/thing"_s, "", t + 5},
                                   {u"dst/thing/inside.txt"_s, "x", t},
                                   {u"dst/thing/"_s, {}, t},
                                   // Destination files the source pass skipped, or that fail the
                                   // filter, go nowhere.
                                   {u"src/skip.bin"_s, "x", t},
                                   {u"dst/skip.bin"_s, "y", t + 3},
                                   {u"dst/other.bin"_s, "y", t},
                               }));

    TScanOptions o = Options();
    o.Filter = u"*.txt;*/thing*"_s;
    TRunResult r;
    Run(o, r);
    QCOMPARE(r.Error, QString());
    const QString s = o.srcPath, d = o.dstPath;
    QCOMPARE(r.Sink.Lists[1], QStringList{s + u"only_src.txt"_s});
    // Below a source file there is no folder, so what the destination folder holds is missing.
    QCOMPARE(QSet<QString>(r.Sink.Lists[2].begin(), r.Sink.Lists[2].end()),
             (QSet<QString>{d + u"only_dst.txt"_s, d + u"thing/inside.txt"_s}));
    QCOMPARE(r.Sink.Lists[3], QStringList{s + u"newer.txt"_s});
    QCOMPARE(r.Sink.Lists[4], QStringList{d + u"older.txt"_s});
    QCOMPARE(QSet<QString>(r.Sink.Lists[5].begin(), r.Sink.Lists[5].end()),
             (QSet<QString>{s + u"dup.txt"_s, s + u"sub/deep.txt"_s}));
    QCOMPARE(QSet<QString>(r.Sink.Lists[6].begin(), r.Sink.Lists[6].end()),
             (QSet<QString>{d + u"dup.txt"_s, d + u"sub/deep.txt"_s}));
    QCOMPARE(r.Sink.Lists[7], QStringList{s + u"conflict.txt"_s});
    QCOMPARE(r.Sink.Lists[8], QStringList{d + u"conflict.txt"_s});
    QCOMPARE(r.Sink.Total(), 11);
    QCOMPARE(r.Sink.Left, (QStringList{u"T160 "_s + s + u"thing"_s, u"T161 "_s + d + u"thing/"_s}));
}

void tst_ScanRun::countsWhatItSeesAndCompares_data()
{
    QTest::addColumn<bool>("byContent");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QList<qint64>>("counts"); // folders, files, pairs, bytes compared
    // Folders: both roots, src/sub and dst/empty; files: 4 + 3. Pairs: dup (5 bytes
    // read), other (3 bytes read), newer (another size: judged by its time, not read).
    QTest::newRow("contents") << true << QString() << QList<qint64>{4, 7, 3, 8};
    QTest::newRow("no contents") << false << QString() << QList<qint64>{4, 7, 3, 0};
    // Files left out by the filter are not counted; folders are still listed.
    QTest::newRow("filter") << true << u"*dup*"_s << QList<qint64>{4, 2, 1, 5};
}

void tst_ScanRun::countsWhatItSeesAndCompares()
{
    QFETCH(bool, byContent);
    QFETCH(QString, filter);
    QFETCH(QList<qint64>, counts);
    const qint64 t = 1700000000;
    File(FSrc, u"dup.txt"_s, "12345", t);
    File(FDst, u"dup.txt"_s, "12345", t);
    File(FSrc, u"other.txt"_s, "abc", t);
    File(FDst, u"other.txt"_s, "abd", t);
    File(FSrc, u"newer.txt"_s, "newer", t + 100);
    File(FDst, u"newer.txt"_s, "old", t);
    File(FSrc, u"sub/alone.txt"_s, "x", t);
    QVERIFY(QDir().mkpath(FDst + u"/empty"_s));
    if (QTest::currentTestFailed())
        return;
    TScanOptions o = Options();
    o.DupByContent = byContent;
    if (!filter.isEmpty())
        o.Filter = filter;
    TRunResult r;
    TScanProgress progress;
    Run(o, r, nullptr, &progress);
    QCOMPARE(r.Error, QString());
    QCOMPARE((QList<qint64>{progress.Folders, progress.Files, progress.Pairs, progress.Bytes}), counts);
    QCOMPARE(progress.Text(u"%1|%2|%3|%4|%5"_s, 61'500, QLocale::c()),
             u"%1|%2|%3|%4 bytes|1:01"_s.arg(counts[0]).arg(counts[1]).arg(counts[2]).arg(counts[3]));
}

void tst_ScanRun::reportsStatusAndDeliveriesInOrder()
{
    QVERIFY(Build(FDir.path(), {{u"src/a.txt"_s, "same"}, {u"dst/a.txt"_s, "same"}, {u"dst/sub/b.txt"_s, "b"}}));
    TRunResult r;
    const TScanOptions o = Options();
    Run(o, r);
    const QString s = o.srcPath, d = o.dstPath;
    const QStringList expected{
        u"S T91"_s,
        u"S T88"_s,
        u"S T89 "_s + s + u"a.txt"_s,
        u"5 "_s + s + u"a.txt"_s,
        u"6 "_s + d + u"a.txt"_s,
        u"S T89"_s,
        u"S T89 "_s + d + u"a.txt"_s,
        u"S T89 "_s + d + u"sub/b.txt"_s,
        u"2 "_s + d + u"sub/b.txt"_s,
    };
    QCOMPARE(r.Sink.Events, expected);
}

void tst_ScanRun::walksBreadthFirst()
{
    const QStringList files{u"l1a"_s,          u"d1/l2a"_s, u"d1/d2/l3a"_s, u"e1/l2b"_s,
                            u"e1/e2/e3/l4a"_s, u"l1b"_s,    u"d1/d2/l3b"_s, u"e1/f2/l3c"_s};
    QList<TEntry> tree;
    for (const QString &f : files)
        tree << TEntry(f, "x");
    QVERIFY(Build(FSrc, tree));
    TRunResult r;
    Run(Options(), r);
    const QStringList &found = r.Sink.Lists[1];
    QCOMPARE(found.size(), files.size());
    int lastDepth = 0;
    for (const QString &path : found) {
        const int depth = int(path.mid(FSrc.size() + 1).count(u'/'));
        QVERIFY2(depth >= lastDepth, qPrintable(found.join(u'\n')));
        lastDepth = depth;
    }
}

void tst_ScanRun::hiddenEntries()
{
    QVERIFY(Build(FDir.path(), {{u"src/visible.txt"_s, "x"},
                                {u"src/.hidden.txt"_s, "x"},
                                {u"src/.hdir/inside.txt"_s, "x"},
                                {u".root/in_hidden_root.txt"_s, "x"}}));

    TRunResult off;
    Run(Options(), off);
    QCOMPARE(off.Sink.Lists[1], QStringList{FSrc + u"/visible.txt"_s});

    TScanOptions o = Options();
    o.IncHiddenFiles = true;
    TRunResult on;
    Run(o, on);
    QCOMPARE(on.Sink.Lists[1].size(), 3);

    // The root is walked even when its own name is hidden.
    o = Options();
    o.srcPath = FDir.filePath(u".root/"_s);
    TRunResult root;
    Run(o, root);
    QCOMPARE(root.Sink.Lists[1], QStringList{o.srcPath + u"in_hidden_root.txt"_s});
}

void tst_ScanRun::subFoldersOff()
{
    QVERIFY(
        Build(FDir.path(), {{u"src/top.txt"_s, "x"}, {u"src/sub/below.txt"_s, "x"}, {u"dst/sub/theirs.txt"_s, "x"}}));
    TScanOptions o = Options();
    o.DoSubFolders = false;
    TRunResult r;
    Run(o, r);
    QCOMPARE(r.Sink.Lists[1], QStringList{o.srcPath + u"top.txt"_s});
    QVERIFY(r.Sink.Lists[2].isEmpty());
}

void tst_ScanRun::rootChecks_data()
{
    QTest::addColumn<QString>("src");
    QTest::addColumn<QString>("dst");
    QTest::addColumn<bool>("subFolders");
    QTest::addColumn<QString>("error");
    // Folders below the temporary root: Data/, data/, Data/Backup/, Data2/, A/, AB/,
    // LinkToData -> Data, LinkToBackup -> Data/Backup.
    QTest::newRow("no source") << u""_s << u"Data/"_s << true << u"T83"_s;
    QTest::newRow("no destination") << u"Data/"_s << u""_s << true << u"T84"_s;
    QTest::newRow("same text") << u"Data/"_s << u"Data/"_s << true << u"T85"_s;
    QTest::newRow("same folder through a link") << u"Data/"_s << u"LinkToData/"_s << false << u"T85"_s;
    QTest::newRow("case makes two folders") << u"Data/"_s << u"data/"_s << true << u""_s;
    QTest::newRow("destination inside source") << u"Data/"_s << u"Data/Backup/"_s << true << u"T87"_s;
    QTest::newRow("source inside destination") << u"Data/Backup/"_s << u"Data/"_s << true << u"T86"_s;
    QTest::newRow("inside through a link") << u"Data/"_s << u"LinkToBackup/"_s << true << u"T87"_s;
    QTest::newRow("outside through a link") << u"LinkToBackup/"_s << u"Data/"_s << true << u"T86"_s;
    QTest::newRow("nested without sub folders") << u"Data/"_s << u"Data/Backup/"_s << false << u""_s;
    QTest::newRow("name prefix is no parent") << u"Data/"_s << u"Data2/"_s << true << u""_s;
    QTest::newRow("A and AB") << u"AB/"_s << u"A/"_s << true << u""_s;
}

void tst_ScanRun::rootChecks()
{
    QFETCH(QString, src);
    QFETCH(QString, dst);
    QFETCH(bool, subFolders);
    QFETCH(QString, error);
    const QString base = FDir.path() + u'/';
    QVERIFY(Build(base, {{u"Data/Backup/"_s},
                         {u"data/"_s},
                         {u"Data2/"_s},
                         {u"A/"_s},
                         {u"AB/"_s},
                         TEntry::Link(u"LinkToData"_s, base + u"Data"_s),
                         TEntry::Link(u"LinkToBackup"_s, base + u"Data/Backup"_s),
                         {u"Data/f.txt"_s, "x"}}));

    TScanOptions o;
    o.srcPath = src.isEmpty() ? src : base + src;
    o.dstPath = dst.isEmpty() ? dst : base + dst;
    o.DoSubFolders = subFolders;
    TRunResult r;
    Run(o, r);
    QCOMPARE(r.Error, error);
    if (!error.isEmpty()) {
        QCOMPARE(r.Sink.Events, QStringList{u"S T91"_s});
        QCOMPARE(r.Sink.Total(), 0);
    }
}

void tst_ScanRun::stopFinishesTheFileInHandThenEnds()
{
    // One pair whose delivery asks to stop: both halves still arrive.
    QList<TEntry> tree{{u"src/pair.txt"_s, "same"}, {u"dst/pair.txt"_s, "same"}};
    for (int i = 0; i < 5; ++i)
        tree << TEntry(u"src/s%1.txt"_s.arg(i), "src") << TEntry(u"src/sub/s%1.txt"_s.arg(i), "src")
             << TEntry(u"dst/d%1.txt"_s.arg(i), "dst");
    QVERIFY(Build(FDir.path(), tree));
    std::atomic<bool> stop{false};
    TRunResult r;
    r.Sink.OnDeliver = [&] { stop = true; };
    Run(Options(), r, &stop);
    QCOMPARE(r.Error, QString());
    // Exactly one file was handled: either a missing file (one delivery) or the pair.
    const int delivered = r.Sink.Total();
    QVERIFY(delivered == 1 || (delivered == 2 && r.Sink.Lists[5].size() == 1 && r.Sink.Lists[6].size() == 1));
    // The destination pass begins, shows its text and ends at its first test.
    QCOMPARE(r.Sink.Events.last(), u"S T89"_s);
    QVERIFY(r.Sink.Lists[2].isEmpty());
}

void tst_ScanRun::hostileEntriesAreReportedNotCompared()
{
    const QByteArray src = Native(FSrc), dst = Native(FDst);
    QVERIFY(Build(FDir.path(),
                  {// FIFOs on both sides, an empty file whose counterpart is a FIFO of size 0,
                   // and the other way round.
                   TEntry::Fifo(u"src/pipe"_s),
                   TEntry::Fifo(u"dst/pipe"_s),
                   TEntry::Fifo(u"dst/empty"_s),
                   {u"src/empty"_s, ""},
                   TEntry::Fifo(u"src/dstfile"_s),
                   {u"dst/dstfile"_s, ""},
                   // A cycle through a link to an ancestor, and one folder reached by two routes.
                   {u"src/x/f.txt"_s, "x"},
                   TEntry::Link(u"src/x/loop"_s, FSrc),
                   TEntry::Link(u"src/y"_s, FSrc + u"/x"_s),
                   // A link that dangles: like an entry never listed.
                   TEntry::Link(u"src/dangling"_s, FSrc + u"/nowhere"_s),
                   {u"dst/ok.txt"_s, "x"}}));
    // Names that are not valid UTF-8: a file, and a folder with a file in it.
    const int fd = ::open(QByteArray(src + "/bad\xff\xfe.txt").constData(), O_CREAT | O_WRONLY, 0600);
    QVERIFY(fd >= 0);
    ::close(fd);
    QCOMPARE(::mkdir(QByteArray(dst + "/dir\xe9").constData(), 0700), 0);

    TRunResult r;
    Run(Options(), r); // the suite's time limit turns a hang into a failure
    const QString s = Options().srcPath, d = Options().dstPath;
    // The folder is walked by its name, whatever the listing order; the link is the second route.
    const QString walked = s + u"x/"_s, second = s + u"y/"_s;
    QCOMPARE(r.Sink.Lists[1], QStringList{walked + u"f.txt"_s});
    QCOMPARE(r.Sink.Lists[2], QStringList{d + u"ok.txt"_s});
    QCOMPARE(r.Sink.Total(), 2);
    const QStringList left = {
        u"T102 "_s + s + u"pipe"_s,
        u"T102 "_s + s + u"dstfile"_s,
        u"T103 "_s + s + u"empty"_s,
        u"T100 "_s + s + u"bad\\xFF\\xFE.txt"_s,
        u"T107 "_s + second,              // "already compared through" (the text has no %1 here)
        u"T107 "_s + walked + u"loop/"_s, // the cycle back to the root
        u"T102 "_s + d + u"pipe"_s,
        u"T102 "_s + d + u"empty"_s,
        u"T103 "_s + d + u"dstfile"_s,
        u"T100 "_s + d + u"dir\\xE9/"_s,
    };
    QCOMPARE(QSet<QString>(r.Sink.Left.begin(), r.Sink.Left.end()), QSet<QString>(left.begin(), left.end()));
    QCOMPARE(r.Sink.Left.size(), left.size());
    // QDir cannot remove a name it cannot decode.
    QCOMPARE(::unlink(QByteArray(src + "/bad\xff\xfe.txt").constData()), 0);
    QCOMPARE(::rmdir(QByteArray(dst + "/dir\xe9").constData()), 0);
}

void tst_ScanRun::neverPairsAFileWithItself()
{
    QVERIFY(Build(FDir.path(), {{u"dst/shared/f.txt"_s, "only copy"},
                                TEntry::Link(u"src/shared"_s, FDst + u"/shared"_s),
                                {u"dst/g.txt"_s, "only copy"},
                                TEntry::Link(u"src/g.txt"_s, FDst + u"/g.txt"_s),
                                {u"src/h.txt"_s, "linked"}}));
    // Hard links are two directory entries: deleting one leaves the other.
    QCOMPARE(::link(Native(FSrc + u"/h.txt"_s).constData(), Native(FDst + u"/h.txt"_s).constData()), 0);

    for (bool byContent : {true, false}) {
        TScanOptions o = Options();
        o.DupByContent = byContent;
        TRunResult r;
        Run(o, r);
        QCOMPARE(r.Sink.Lists[5], QStringList{o.srcPath + u"h.txt"_s});
        QCOMPARE(r.Sink.Lists[6], QStringList{o.dstPath + u"h.txt"_s});
        QCOMPARE(r.Sink.Total(), 2);
    }
}

void tst_ScanRun::comparesWholeSecondsOfModificationTimes()
{
    QVERIFY(Build(FDir.path(), {{u"src/late.txt"_s, "aaaa", 1700000000, 999999999},
                                {u"dst/late.txt"_s, "bbbb", 1700000001, 0},
                                {u"src/same_second.txt"_s, "aaaa", 1700000000, 0},
                                {u"dst/same_second.txt"_s, "bbbb", 1700000000, 999000000}}));
    TScanOptions o = Options();
    o.DupByContent = false;
    TRunResult r;
    Run(o, r);
    QCOMPARE(r.Sink.Lists[4], QStringList{o.dstPath + u"late.txt"_s});
    QCOMPARE(r.Sink.Lists[5], QStringList{o.srcPath + u"same_second.txt"_s});

    // An adjustment of one hour on the source side makes two times an hour apart equal.
    File(FSrc, u"hour.txt"_s, "cccc", 1700000000 - 3600);
    File(FDst, u"hour.txt"_s, "dddd", 1700000000);
    o.srcTimeZ = 3600;
    TRunResult adjusted;
    Run(o, adjusted);
    QVERIFY(adjusted.Sink.Lists[5].contains(o.srcPath + u"hour.txt"_s));

    // Times 2^31 s or more apart: the 32-bit difference wraps, so the destination counts
    // as the newer one.
    File(FSrc, u"far.txt"_s, "eeee", 2200000000);
    File(FDst, u"far.txt"_s, "ffff", 0);
    o.srcTimeZ = 0;
    TRunResult far;
    Run(o, far);
    QVERIFY(far.Sink.Lists[4].contains(o.dstPath + u"far.txt"_s));
    QVERIFY(!far.Sink.Lists[3].contains(o.srcPath + u"far.txt"_s));
}

void tst_ScanRun::findingsCarryTheCounterpartsFigures()
{
    const qint64 t = 1700000000;
    QVERIFY(Build(FDir.path(), {{u"src/only_src.txt"_s, "abc", t + 1},
                                {u"src/newer.txt"_s, "12345", t + 50},
                                {u"dst/newer.txt"_s, "1234567", t},
                                {u"src/older.txt"_s, "12", t},
                                {u"dst/older.txt"_s, "123", t + 7300},
                                {u"src/dup.bin"_s, "same", t + 3},
                                {u"dst/dup.bin"_s, "same", t},
                                {u"src/edited.txt"_s, "aa", t + 100},
                                {u"dst/edited.txt"_s, "bbb", t},
                                {u"src/folder"_s, "x", t + 900},
                                {u"dst/folder/"_s, {}, t}}));

    // The adjustments are part of the difference: the source counts 100 seconds later.
    TScanOptions o = Options();
    o.srcTimeZ = 100;
    o.DupByContent = true;
    TRunResult r;
    Run(o, r);
    QVERIFY(r.Error.isEmpty());
    const QString s = FSrc + u'/', d = FDst + u'/';

    // list, path, size, time, counterpart (path, size, time) or none, difference from this side
    struct TExpected
    {
        int List;
        QString Path;
        qint64 Size, MTime;
        QString Other;
        qint64 OtherSize, OtherMTime, Difference;
    };
    const QList<TExpected> expected{
        {1, s + u"only_src.txt"_s, 3, t + 1, QString(), 0, 0, 0},
        {3, s + u"newer.txt"_s, 5, t + 50, d + u"newer.txt"_s, 7, t, 150},
        {4, d + u"older.txt"_s, 3, t + 7300, s + u"older.txt"_s, 2, t, 7200},
        {5, s + u"dup.bin"_s, 4, t + 3, d + u"dup.bin"_s, 4, t, 103},
        {6, d + u"dup.bin"_s, 4, t, s + u"dup.bin"_s, 4, t + 3, -103},
        {3, s + u"edited.txt"_s, 2, t + 100, d + u"edited.txt"_s, 3, t, 200},
        // A file against a folder of its name is no pair: it is named, not listed.
    };
    QCOMPARE(r.Sink.Findings.size(), expected.size());
    for (const TExpected &e : expected) {
        const auto found = std::find_if(r.Sink.Findings.cbegin(), r.Sink.Findings.cend(),
                                        [&](const TFinding &f) { return f.List == e.List && f.Path == e.Path; });
        QVERIFY2(found != r.Sink.Findings.cend(), qPrintable(e.Path));
        QCOMPARE(found->Size, e.Size);
        QCOMPARE(found->MTimeSec, e.MTime);
        QCOMPARE(found->HasCounterpart, !e.Other.isEmpty());
        QCOMPARE(found->CounterpartPath, e.Other);
        QCOMPARE(found->CounterpartSize, e.OtherSize);
        QCOMPARE(found->CounterpartMTimeSec, e.OtherMTime);
        QCOMPARE(found->Difference, e.Difference);
    }
    // The figures travel with the same deliveries the lists always had.
    QCOMPARE(r.Sink.Total(), int(expected.size()));

    // A conflict: both halves at a difference of 0 from either side.
    cleanup();
    init();
    File(FSrc, u"c.txt"_s, "aa", t);
    File(FDst, u"c.txt"_s, "bbb", t + 100);
    o = Options();
    o.dstTimeZ = -100;
    TRunResult c;
    Run(o, c);
    QCOMPARE(c.Sink.Findings.size(), 2);
    QCOMPARE(c.Sink.Findings.at(0).List, 7);
    QCOMPARE(c.Sink.Findings.at(1).List, 8);
    QCOMPARE(c.Sink.Findings.at(1).CounterpartSize, 2);
    QCOMPARE(c.Sink.Findings.at(1).Difference, 0);
}

QTEST_GUILESS_MAIN(tst_ScanRun)
#include "tst_scanrun.moc"
