// The worker's round trip to the window's thread: every call is delivered once, in
// order, on the owner's thread, while the owner also serves its own events; a closed
// channel lets a waiting worker go.

#include "engine/THandOverChannel.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

class tst_HandOverChannel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void deliversEveryCallInOrderOnTheOwnersThread();
    void closeReleasesAWaitingWorker();
};

void tst_HandOverChannel::deliversEveryCallInOrderOnTheOwnersThread()
{
    // Many calls, with the owner now and then busy with events of its own and the worker
    // now and then pausing, so that both the spinning and the sleeping paths are taken.
    constexpr int Calls = 300000;
    int delivered = 0;
    bool inOrder = true, onOwner = true;
    QThread *owner = QThread::currentThread();
    THandOverChannel channel([&](int what) {
        inOrder = inOrder && what == delivered;
        onOwner = onOwner && QThread::currentThread() == owner;
        ++delivered;
    });
    int ownEvents = 0;
    QTimer busy;
    busy.setInterval(3);
    connect(&busy, &QTimer::timeout, this, [&] {
        ++ownEvents;
        QThread::usleep(1500);
    });
    busy.start();
    std::unique_ptr<QThread> worker(QThread::create([&] {
        for (int i = 0; i < Calls; ++i) {
            channel.Call(i);
            if (i % 20000 == 0)
                QThread::usleep(300);
        }
    }));
    QSignalSpy finished(worker.get(), &QThread::finished);
    worker->start();
    QVERIFY(finished.wait(120000));
    QCOMPARE(delivered, Calls);
    QVERIFY(inOrder);
    QVERIFY(onOwner);
    QVERIFY(ownEvents > 0); // the owner's own events were served during the run
}

void tst_HandOverChannel::closeReleasesAWaitingWorker()
{
    // Nobody runs the owner's event loop: the worker waits until the channel is closed.
    THandOverChannel channel([](int) {});
    std::atomic<bool> returned{false};
    std::unique_ptr<QThread> worker(QThread::create([&] {
        channel.Call(1);
        channel.Call(2); // closed: returns at once
        returned = true;
    }));
    worker->start();
    QThread::msleep(50);
    QVERIFY(!returned);
    channel.Close();
    QVERIFY(worker->wait(10000));
    QVERIFY(returned);
}

QTEST_GUILESS_MAIN(tst_HandOverChannel)
#include "tst_handoverchannel.moc"
