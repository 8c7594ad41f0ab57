#include "engine/THandOverChannel.h"

#include <QElapsedTimer>

#include <exception>
#include <thread>

namespace {

// How long the owner's thread stays in one drain before it lets its event loop run, and
// how long either side spins for the other before giving up the processor.
constexpr qint64 DrainSliceNs = 8'000'000;
constexpr qint64 OwnerSpinNs = 60'000;
constexpr int WorkerSpins = 300;

inline void Relax(int round)
{
#if defined(__x86_64__) || defined(__i386__)
    if (round < 32) {
        __builtin_ia32_pause();
        return;
    }
#endif
    std::this_thread::yield();
}

} // namespace

THandOverChannel::THandOverChannel(std::function<void(int)> deliver, QObject *parent)
    : QObject(parent)
    , FDeliver(std::move(deliver))
{}

void THandOverChannel::ScheduleDrain()
{
    if (!FDrainScheduled.exchange(true))
        QMetaObject::invokeMethod(this, &THandOverChannel::Drain, Qt::QueuedConnection);
}

void THandOverChannel::Call(int what)
{
    Post(what);
    Wait();
}

void THandOverChannel::Post(int what)
{
    if (FClosed.load(std::memory_order_acquire))
        return;
    FWhat = what;
    // Sequentially consistent, like the drain's last look below: each side writes one
    // flag and then reads the other's, and neither may miss the other's write.
    FState.store(csPending);
    ScheduleDrain();
}

void THandOverChannel::Wait()
{
    if (FClosed.load(std::memory_order_acquire))
        return;
    for (int i = 0; i < WorkerSpins; ++i) {
        if (FState.load(std::memory_order_acquire) == csIdle)
            return;
        Relax(i);
    }
    int expected = csPending;
    if (!FState.compare_exchange_strong(expected, csWorkerAsleep, std::memory_order_acq_rel))
        return;
    // Released by the owner once the delivery has run; a closed channel releases nobody.
    // Asking for a drain again now and then costs nothing and means that no missed
    // wake-up, whatever its cause, can leave the worker waiting for good.
    while (!FWake.tryAcquire(1, 20)) {
        if (FClosed.load(std::memory_order_acquire))
            return;
        QMetaObject::invokeMethod(this, &THandOverChannel::Drain, Qt::QueuedConnection);
    }
}

void THandOverChannel::Close()
{
    FClosed.store(true, std::memory_order_release);
    if (FState.exchange(csIdle, std::memory_order_acq_rel) == csWorkerAsleep)
        FWake.release();
}

void THandOverChannel::Drain()
{
    QElapsedTimer slice;
    slice.start();
    qint64 lastServed = 0;
    int idleRounds = 0;
    std::exception_ptr failure;
    for (;;) {
        if (FClosed.load(std::memory_order_acquire))
            break;
        const int state = FState.load(std::memory_order_acquire);
        if (state != csIdle) {
            try {
                FDeliver(FWhat);
            } catch (...) {
                // The worker must never be left waiting: it is released first, and the
                // error leaves the drain below, on to the application's error handling.
                failure = std::current_exception();
            }
            if (FState.exchange(csIdle, std::memory_order_acq_rel) == csWorkerAsleep)
                FWake.release();
            lastServed = slice.nsecsElapsed();
            idleRounds = 0;
            if (failure || lastServed > DrainSliceNs)
                break;
            continue;
        }
        const qint64 now = slice.nsecsElapsed();
        if (now - lastServed > OwnerSpinNs || now > DrainSliceNs)
            break;
        Relax(idleRounds++);
    }
    FDrainScheduled.store(false);
    // A call that came in after the last look found the drain still scheduled and posted
    // nothing: post for it now.
    if (FState.load() != csIdle)
        ScheduleDrain();
    if (failure)
        std::rethrow_exception(failure);
}
