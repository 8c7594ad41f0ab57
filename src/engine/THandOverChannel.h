#pragma once

#include <QObject>
#include <QSemaphore>

#include <atomic>
#include <functional>

// A blocking round trip from a worker to the thread that owns the channel: Call() runs
// the delivery on the owner's thread and returns only when it has run. It does what a
// Qt::BlockingQueuedConnection does, at a fraction of the cost, because a scan makes one
// round trip per file and per finding:
// - the owner's thread, once woken by a queued call, stays in a short drain loop and
//   serves the following calls directly, spinning for a moment between them, and goes
//   back to its event loop every few milliseconds (or when the worker falls quiet), so
//   clicks and repaints are still handled between deliveries;
// - the worker spins for a moment before it sleeps, so a prompt answer costs no wake-up.
class THandOverChannel : public QObject
{
    Q_OBJECT

public:
    // deliver runs on the owner's thread with the value given to Call(). An exception it
    // throws ends that call for the worker as a delivery would, and then leaves the owner's
    // event handling, where the application reports it.
    explicit THandOverChannel(std::function<void(int)> deliver, QObject *parent = nullptr);

    // Worker side: runs deliver(what) on the owner's thread and waits for it. Returns at
    // once, delivering nothing, once the channel is closed.
    void Call(int what);
    // The same in two halves, so that the worker can go on between them: Post() asks for
    // the delivery, Wait() returns once it has run (at once when nothing is posted). Every
    // Post() is followed by a Wait() before the next Post().
    void Post(int what);
    void Wait();
    // Owner side: no further deliveries; a worker waiting in Call() goes on. For an owner
    // that goes away while the worker still runs.
    void Close();

private:
    enum : int { csIdle, csPending, csWorkerAsleep };

    void Drain();
    void ScheduleDrain();

    std::function<void(int)> FDeliver;
    std::atomic<int> FState{csIdle};
    std::atomic<bool> FDrainScheduled{false};
    std::atomic<bool> FClosed{false};
    int FWhat = 0; // written by the worker before csPending, read by the owner after it
    QSemaphore FWake;
};
