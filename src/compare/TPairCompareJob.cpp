#include "compare/TPairCompareJob.h"

#include <QMetaObject>

#include <atomic>
#include <mutex>

// What the thread and the job share; the thread keeps it alive when the job is gone.
struct TPairCompareJob::TShared
{
    std::atomic<bool> Cancel{false};
    std::atomic<int> LastPercent{-1};
    std::mutex Mutex;
    TPairCompareJob *Job = nullptr; // under Mutex: cleared when the job stops listening
    std::unique_ptr<TPairComparison> Result = std::make_unique<TPairComparison>();

    // Runs `call(job)` on the job's thread, if the job still listens.
    template <typename F> void Post(F call)
    {
        const std::lock_guard lock(Mutex);
        if (TPairCompareJob *job = Job)
            QMetaObject::invokeMethod(
                job, [job, call] { call(job); }, Qt::QueuedConnection);
    }
};

TPairCompareJob::TPairCompareJob(QObject *parent)
    : QObject(parent)
    , FShared(std::make_shared<TShared>())
    , FResult(std::make_unique<TPairComparison>())
{
    FShared->Job = this;
}

TPairCompareJob::~TPairCompareJob()
{
    {
        const std::lock_guard lock(FShared->Mutex);
        FShared->Job = nullptr;
    }
    FShared->Cancel.store(true);
    if (FThread.joinable())
        FThread.detach();
}

void TPairCompareJob::Start(const QByteArray &leftPath, const QByteArray &rightPath, bool ignoreWhiteSpace)
{
    Q_ASSERT(!FStarted);
    FStarted = true;
    FThread = std::thread([shared = FShared, leftPath, rightPath, ignoreWhiteSpace] {
        TCompareControl control;
        control.Cancel = &shared->Cancel;
        control.Progress = [&shared](int permille) {
            // Only a change of a whole per cent crosses to the job's thread.
            const int percent = permille / 10;
            if (shared->LastPercent.exchange(percent) == percent)
                return;
            shared->Post([permille](TPairCompareJob *job) { Q_EMIT job->Progress(permille); });
        };
        shared->Result->Run(leftPath, rightPath, ignoreWhiteSpace, control);
        shared->Post([](TPairCompareJob *job) { job->ThreadDone(); });
    });
}

void TPairCompareJob::Cancel()
{
    FShared->Cancel.store(true);
    if (!Running())
        return;
    // The thread may be inside the one call it cannot leave: it is let go, unheard.
    {
        const std::lock_guard lock(FShared->Mutex);
        FShared->Job = nullptr;
    }
    FThread.detach();
    FFinished = true;
    FResult = std::make_unique<TPairComparison>(); // a cancelled comparison
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT Finished(); }, Qt::QueuedConnection);
}

void TPairCompareJob::ThreadDone()
{
    if (FFinished || !FThread.joinable())
        return;
    FThread.join(); // its last act was to post this call: the result is complete
    FResult = std::move(FShared->Result);
    FFinished = true;
    Q_EMIT Finished();
}
