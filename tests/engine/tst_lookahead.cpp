// Runs with workers looking ahead against runs where the walk does every look-up itself:
// random trees that fight back, and the same status texts, findings and entries left out,
// in the same order, also when Stop comes at any moment.

#include "engine/TScanRun.h"
#include "support/TScanTextLines.h"

#include "TestTree.h"

#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <random>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace TestTree;

namespace {

// Every call in one list, in order; Stop is raised at the event numbered StopAt.
class TTranscript final : public TScanSink
{
public:
    QStringList Events;
    qsizetype StopAt = -1;
    std::atomic<bool> Stop{false};

    void ShowStatus(const QString &text) override { Add(u"S "_s + text); }
    void AddToList(int list, const QString &path) override { Add(QString::number(list) + u' ' + path); }
    void NotCompared(const QString &path, const QString &reason) override { Add(u"N "_s + reason + u' ' + path); }

private:
    void Add(const QString &e)
    {
        Events << e;
        if (Events.size() == StopAt)
            Stop.store(true);
    }
};

TScanTexts Texts()
{
    return TScanTextLines::Texts([](int line) { return u"T%1"_s.arg(line); });
}

QStringList Transcript(TScanOptions o, int threads, qsizetype stopAt = -1)
{
    o.LookAheadThreads = threads;
    TTranscript t;
    t.StopAt = stopAt;
    const QString error = TScanRun(o, Texts(), t, t.Stop).Execute();
    t.Events << u"E "_s + error;
    return t.Events;
}

// The first place where two transcripts part, for a readable failure.
QString FirstDifference(const QStringList &a, const QStringList &b)
{
    for (qsizetype i = 0; i < qMax(a.size(), b.size()); ++i) {
        const QString x = i < a.size() ? a[i] : u"(end)"_s;
        const QString y = i < b.size() ? b[i] : u"(end)"_s;
        if (x != y)
            return u"event %1: \"%2\" against \"%3\""_s.arg(i).arg(x, y);
    }
    return {};
}

// Two trees from one seed, below root as src/ and dst/: nested folders of all sizes (some
// larger than a run of entries looked up at once), and pairs of every kind: missing on
// either side, older, newer, equal sizes with the same or other bytes, conflicts, hidden
// names, names that are not text, links to files, to folders, to nothing and into the other
// tree, FIFOs, and a counterpart that is a folder.
bool BuildTrees(const QString &root, unsigned seed)
{
    std::mt19937 rng(seed);
    const auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    const QString src = root + u"/src"_s, dst = root + u"/dst"_s;
    QStringList folders{QString()};
    const int folderCount = 6 + pick(30);
    while (folders.size() < folderCount) {
        const QString parent = folders[pick(int(folders.size()))];
        folders << parent + (pick(5) == 0 ? u".h"_s : u"d"_s) + QString::number(folders.size()) + u'/';
    }
    const QByteArray block(3000, 'x');
    QList<TEntry> tree;
    QList<QByteArray> badNames;
    QSet<QString> dstFolders;
    int n = 0;
    for (const QString &f : std::as_const(folders)) {
        tree << TEntry(u"src/"_s + f + u'/');
        if (pick(6) != 0) {
            tree << TEntry(u"dst/"_s + f + u'/');
            dstFolders << f;
        }
        const int files = pick(4) == 0 ? 40 + pick(60) : pick(12);
        for (int i = 0; i < files; ++i, ++n) {
            const QString name = f + (pick(8) == 0 ? u".f"_s : u"f"_s) + QString::number(n) + u".txt"_s;
            const QString inSrc = u"src/"_s + name, inDst = u"dst/"_s + name;
            QByteArray content = block.first(pick(3) == 0 ? 2900 + pick(100) : pick(40));
            content += QByteArray::number(n % 7);
            const qint64 t = 1700000000 + pick(4) * 3600;
            switch (pick(9)) {
            case 0: // source only
                tree << TEntry(inSrc, content, t);
                break;
            case 1: // destination only
                if (dstFolders.contains(f))
                    tree << TEntry(inDst, content, t);
                break;
            case 2: // equal sizes, other bytes
                tree << TEntry(inSrc, content, t);
                content[0] = 'y';
                tree << TEntry(inDst, content, t + pick(3));
                break;
            case 3: // other sizes, maybe a conflict
                tree << TEntry(inSrc, content, t);
                tree << TEntry(inDst, content + "!", t + (pick(2) ? 0 : 7200));
                break;
            case 4: // a link on one side
                tree << TEntry(inSrc, content, t) << TEntry::Link(inDst, src + u'/' + name);
                break;
            case 5: // a FIFO, or a folder as the counterpart
                if (pick(2))
                    tree << TEntry::Fifo(inSrc);
                else
                    tree << TEntry(inSrc, content, t) << TEntry(inDst + u'/');
                break;
            default: // equal, or times apart
                tree << TEntry(inSrc, content, t);
                tree << TEntry(inDst, content, t + (pick(3) == 0 ? 3600 : 0));
                break;
            }
        }
        if (pick(10) == 0)
            badNames << Native(src + u'/' + f) + "bad\xff" + QByteArray::number(n);
        if (pick(8) == 0)
            tree << TEntry::Link(u"src/"_s + f + u"dangling"_s, src + u"/nowhere"_s);
        if (pick(8) == 0 && !f.isEmpty())
            tree << TEntry::Link(u"src/"_s + f + u"loop"_s, src + u'/' + folders[pick(int(folders.size()))]);
        if (pick(12) == 0)
            tree << TEntry::Link(u"src/"_s + f + u"intoOther"_s, dst);
    }
    if (!Build(root, tree))
        return false;
    for (const QByteArray &bad : std::as_const(badNames)) {
        const int fd = ::open(bad.constData(), O_CREAT | O_WRONLY, 0644);
        if (fd < 0)
            return false;
        ::close(fd);
    }
    return true;
}

} // namespace

class tst_LookAhead : public QObject
{
    Q_OBJECT

private:
    // The trees of the last seed: a scan changes nothing, so rows of one seed share them.
    std::unique_ptr<QTemporaryDir> FTrees;
    unsigned FSeed = 0;
    bool Trees(unsigned seed, QString &src, QString &dst)
    {
        if (!FTrees || FSeed != seed) {
            RemoveTrees();
            FTrees = std::make_unique<QTemporaryDir>();
            FSeed = seed;
            if (!FTrees->isValid() || !BuildTrees(FTrees->path(), seed)) {
                FTrees.reset();
                return false;
            }
        }
        src = FTrees->path() + u"/src"_s;
        dst = FTrees->path() + u"/dst"_s;
        return true;
    }

    // QDir cannot remove names that are not text.
    void RemoveTrees()
    {
        if (FTrees)
            QProcess::execute(u"rm"_s, {u"-rf"_s, FTrees->path()});
        FTrees.reset();
    }

private Q_SLOTS:
    void cleanupTestCase() { RemoveTrees(); }
    void sameTranscriptAsOneLookUpAtATime_data();
    void sameTranscriptAsOneLookUpAtATime();
    void stopAtAnyMomentDeliversTheSame();
    void aListingEndsWhenStopIsSeen();
};

void tst_LookAhead::sameTranscriptAsOneLookUpAtATime_data()
{
    QTest::addColumn<unsigned>("seed");
    QTest::addColumn<bool>("byContent");
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<bool>("subFolders");
    QTest::addColumn<QString>("filter");
    for (unsigned seed = 1; seed <= 6; ++seed) {
        QTest::addRow("seed %u", seed) << seed << true << false << true << u"*"_s;
        QTest::addRow("seed %u by time, hidden", seed) << seed << false << true << true << u"*"_s;
    }
    QTest::addRow("no sub folders") << 7u << true << true << false << u"*"_s;
    QTest::addRow("filter") << 8u << true << false << true << u"*1?.txt"_s;
}

void tst_LookAhead::sameTranscriptAsOneLookUpAtATime()
{
    QFETCH(unsigned, seed);
    QFETCH(bool, byContent);
    QFETCH(bool, hidden);
    QFETCH(bool, subFolders);
    QFETCH(QString, filter);
    QString src, dst;
    QVERIFY(Trees(seed, src, dst));
    TScanOptions o;
    o.srcPath = src + u'/';
    o.dstPath = dst + u'/';
    o.DupByContent = byContent;
    o.IncHiddenFiles = hidden;
    o.DoSubFolders = subFolders;
    o.Filter = filter;
    o.MrgErrSec = 2;

    const QStringList single = Transcript(o, 0);
    QVERIFY(single.size() > 20);
    for (int threads : {1, 3, 16}) {
        const QStringList ahead = Transcript(o, threads);
        QVERIFY2(ahead == single, qPrintable(u"%1 threads, %2"_s.arg(threads).arg(FirstDifference(ahead, single))));
    }
}

void tst_LookAhead::stopAtAnyMomentDeliversTheSame()
{
    QString src, dst;
    QVERIFY(Trees(11, src, dst));
    TScanOptions o;
    o.srcPath = src + u'/';
    o.dstPath = dst + u'/';
    o.IncHiddenFiles = true;
    const qsizetype total = Transcript(o, 0).size();
    std::mt19937 rng(5);
    // Stop right at the start, at random moments, and at the last events.
    QList<qsizetype> moments{1, 2, total - 2, total - 1};
    for (int i = 0; i < 12; ++i)
        moments << 1 + qsizetype(rng() % quint32(total - 1));
    for (const qsizetype at : std::as_const(moments)) {
        const QStringList single = Transcript(o, 0, at);
        QVERIFY(single.size() <= total);
        const QStringList ahead = Transcript(o, 8, at);
        QVERIFY2(ahead == single, qPrintable(u"stop at %1: %2"_s.arg(at).arg(FirstDifference(ahead, single))));
    }
}

void tst_LookAhead::aListingEndsWhenStopIsSeen()
{
    // A huge folder on a slow mount takes minutes to list: Stop must not wait for it.
    QTemporaryDir dir;
    QList<TEntry> tree{{u"other/"_s}};
    for (int i = 0; i < 500; ++i)
        tree << TEntry(u"big/f%1"_s.arg(i));
    QVERIFY(Build(dir.path(), tree));
    TScanOptions o;
    o.srcPath = dir.path() + u"/big/"_s;
    o.dstPath = dir.path() + u"/other/"_s;
    const TFileFilter filter(o);
    const std::atomic<bool> stop{true};
    for (int threads : {0, 2}) {
        TLookAhead ahead(o, filter, Native(o.srcPath), Native(o.dstPath), threads, {}, stop);
        ahead.Request(0, o.srcPath, Native(o.srcPath));
        const std::shared_ptr<TListedFolder> listed = ahead.Take(0);
        QVERIFY2(!listed || listed->Entries.empty(), qPrintable(u"%1 threads"_s.arg(threads)));
        if (listed)
            ahead.Release(*listed);
    }
}

QTEST_GUILESS_MAIN(tst_LookAhead)
#include "tst_lookahead.moc"
