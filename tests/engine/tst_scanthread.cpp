// The worker thread: every status text and finding is a blocking round trip to the
// thread that created the worker, a stop request ends the run, and the end arrives as
// finished() with the failed check's text kept.

#include "engine/TScanThread.h"
#include "support/TScanTextLines.h"

#include "TestTree.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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
                if (StopAfterFirstRow)
                    FThread->RequestStop();
            },
            Qt::DirectConnection);
    }
    QStringList Statuses;
    QStringList Rows;
    bool StopAfterFirstRow = false;

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
