// The worker thread: every status text and finding reaches the thread that created the
// worker, in order, while the worker waits; a stop request ends the run (a pair found
// before it is delivered whole); the worker and its look-ahead threads run below the
// starter's priority; the end arrives as finished() with the failed check's text kept.

#include "engine/TScanThread.h"
#include "support/TScanTextLines.h"

#include "TestTree.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

// Plays the window: lives on the test's main thread and reads the hand-over fields
// while the worker waits.
class TReceiver : public QObject
{
public:
    explicit TReceiver(TScanThread *worker)
        : FThread(worker)
    {
        connect(
            worker, &TScanThread::ShowStatus, this,
            [this] {
                Q_ASSERT(QThread::currentThread() == thread());
                Statuses << FThread->StatusBarText;
            },
            Qt::DirectConnection);
        connect(
            worker, &TScanThread::AddToList, this,
            [this](int list) {
                Q_ASSERT(QThread::currentThread() == thread());
                Rows << u"%1 %2"_s.arg(list).arg(FThread->CurrentFilePath);
                if (Rows.size() == 1)
                    WorkerNices = ScanThreadNices();
                if (StopAfterFirstRow)
                    FThread->RequestStop();
            },
            Qt::DirectConnection);
    }
    QStringList Statuses;
    QStringList Rows;
    bool StopAfterFirstRow = false;
    QList<int> WorkerNices; // of the run's threads, while the first row was delivered

    // The nice values of this process's threads named like the worker (the look-ahead
    // threads it starts carry its name).
    static QList<int> ScanThreadNices()
    {
        QList<int> nices;
        const QDir tasks(u"/proc/self/task"_s);
        for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile comm(tasks.filePath(tid + u"/comm"_s));
            if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != "TScanThread")
                continue;
            QFile stat(tasks.filePath(tid + u"/stat"_s));
            if (!stat.open(QIODevice::ReadOnly))
                continue;
            // After the name in parentheses: state is field 3, nice field 19.
            const QByteArray line = stat.readAll();
            const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
            nices << fields.value(19 - 3).toInt();
        }
        return nices;
    }

private:
    TScanThread *FThread;
};

TScanTexts Texts()
{
    return TScanTextLines::Texts([](int line) { return u"T%1"_s.arg(line); });
}

} // namespace

class tst_ScanThread : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void handsOverEveryTextAndFinding();
    void stopRequestEndsTheRun();
    void aPairFoundBeforeTheStopArrivesWhole();
    void workersRunBelowTheStarter();
    void failedCheckIsKeptForTheEnd();
};

void tst_ScanThread::handsOverEveryTextAndFinding()
{
    QTemporaryDir dir;
    const QString src = dir.filePath(u"s"_s), dst = dir.filePath(u"d"_s);
    for (int i = 0; i < 50; ++i) {
        TestTree::File(src, u"f%1.txt"_s.arg(i), "same");
        TestTree::File(dst, u"f%1.txt"_s.arg(i), "same");
    }
    TScanOptions o;
    o.srcPath = src + u'/';
    o.dstPath = dst + u'/';
    TScanThread thread(o, Texts());
    TReceiver receiver(&thread);
    QSignalSpy finished(&thread, &QThread::finished);
    thread.start(QThread::LowestPriority);
    QVERIFY(finished.wait(20000)); // a real event loop serves each round trip at once
    QCOMPARE(thread.ScanError(), QString());
    QCOMPARE(receiver.Rows.size(), 100);
    // Duplicate pairs alternate: source half into 5, then destination half into 6.
    for (int i = 0; i < 100; i += 2) {
        QVERIFY(receiver.Rows[i].startsWith(u"5 "_s + src));
        QCOMPARE(receiver.Rows[i + 1], u"6 "_s + dst + receiver.Rows[i].mid(2 + src.size()));
    }
    QCOMPARE(receiver.Statuses.first(), u"T91"_s);
    QCOMPARE(receiver.Statuses.size(), 2 + 50 + 1 + 50);
}

void tst_ScanThread::stopRequestEndsTheRun()
{
    QTemporaryDir dir;
    const QString src = dir.filePath(u"s"_s), dst = dir.filePath(u"d"_s);
    for (int i = 0; i < 200; ++i)
        TestTree::File(src, u"f%1.txt"_s.arg(i), "x");
    TestTree::File(dst, u"only_here.txt"_s, "x");
    TScanOptions o;
    o.srcPath = src + u'/';
    o.dstPath = dst + u'/';
    TScanThread thread(o, Texts());
    TReceiver receiver(&thread);
    receiver.StopAfterFirstRow = true;
    QSignalSpy finished(&thread, &QThread::finished);
    thread.start();
    QVERIFY(finished.wait(20000)); // a real event loop serves each round trip at once
    QCOMPARE(receiver.Rows.size(), 1);
    QCOMPARE(receiver.Statuses.last(), u"T89"_s);
}

void tst_ScanThread::aPairFoundBeforeTheStopArrivesWhole()
{
    QTemporaryDir dir;
    const QString src = dir.filePath(u"s"_s), dst = dir.filePath(u"d"_s);
    for (int i = 0; i < 100; ++i) {
        TestTree::File(src, u"f%1.txt"_s.arg(i), "same");
        TestTree::File(dst, u"f%1.txt"_s.arg(i), "same");
    }
    TScanOptions o;
    o.srcPath = src + u'/';
    o.dstPath = dst + u'/';
    TScanThread thread(o, Texts());
    TReceiver receiver(&thread);
    receiver.StopAfterFirstRow = true;
    QSignalSpy finished(&thread, &QThread::finished);
    thread.start();
    QVERIFY(finished.wait(20000));
    // The stop came with the source half; the run had found the destination half with it.
    QCOMPARE(receiver.Rows.size(), 2);
    QVERIFY(receiver.Rows[0].startsWith(u"5 "_s));
    QCOMPARE(receiver.Rows[1], u"6 "_s + dst + receiver.Rows[0].mid(2 + src.size()));
}

void tst_ScanThread::workersRunBelowTheStarter()
{
    QTemporaryDir dir;
    const QString src = dir.filePath(u"s"_s), dst = dir.filePath(u"d"_s);
    // More files than one batch holds: the first batch crosses while the pass runs.
    for (int i = 0; i < TScanThread::BatchItems; ++i)
        TestTree::File(src, u"f%1.txt"_s.arg(i), "x");
    QVERIFY(QDir().mkpath(dst));
    TScanOptions o;
    o.srcPath = src + u'/';
    o.dstPath = dst + u'/';
    o.LookAheadThreads = 2;
    TScanThread thread(o, Texts());
    TReceiver receiver(&thread);
    QSignalSpy finished(&thread, &QThread::finished);
    thread.start(QThread::LowestPriority);
    QVERIFY(finished.wait(20000));
    errno = 0;
    const int own = ::getpriority(PRIO_PROCESS, 0);
    const int expected = std::min(19, own + TScanThread::NiceSteps);
    QCOMPARE(thread.WorkerNice(), expected);
    // The worker and both look-ahead threads, all below this thread.
    QVERIFY2(receiver.WorkerNices.size() >= 3, qPrintable(QString::number(receiver.WorkerNices.size())));
    for (int nice : std::as_const(receiver.WorkerNices))
        QCOMPARE(nice, expected);
}

void tst_ScanThread::failedCheckIsKeptForTheEnd()
{
    TScanOptions o;
    o.srcPath = u"/tmp/"_s;
    o.dstPath = u"/tmp/"_s;
    TScanThread thread(o, Texts());
    TReceiver receiver(&thread);
    QSignalSpy finished(&thread, &QThread::finished);
    thread.start();
    QVERIFY(finished.wait(20000));
    QCOMPARE(thread.ScanError(), u"T85"_s);
    QCOMPARE(receiver.Statuses, QStringList{u"T91"_s});
    QVERIFY(receiver.Rows.isEmpty());
}

QTEST_GUILESS_MAIN(tst_ScanThread)
#include "tst_scanthread.moc"
