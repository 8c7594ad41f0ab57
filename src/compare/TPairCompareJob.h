#pragma once

#include "compare/TPairComparison.h"

#include <QObject>

#include <memory>
#include <thread>

// Runs a TPairComparison on a thread of its own, so that the thread that shows it stays
// responsive: progress and the end arrive as signals on the thread that owns the job.
//
// Cancel() ends the job at once: Finished follows with a cancelled result. The thread
// stops at its next look at the flag (between blocks of reading and between the steps of
// the comparison); the line matching is one library call that cannot be stopped inside, so
// a thread cancelled there runs on unseen until the call returns (seconds for hundreds of
// MB) and then frees what it holds. Deleting the job cancels it the same way.
class TPairCompareJob : public QObject
{
    Q_OBJECT
public:
    explicit TPairCompareJob(QObject *parent = nullptr);
    ~TPairCompareJob() override;

    // Starts the one comparison of this job.
    void Start(const QByteArray &leftPath, const QByteArray &rightPath, bool ignoreWhiteSpace);
    void Cancel();
    bool Running() const { return FStarted && !FFinished; }
    // After Finished: the comparison (its Kind() is pkCancelled when it was cancelled).
    const TPairComparison &Result() const { return *FResult; }
    std::unique_ptr<TPairComparison> TakeResult() { return std::move(FResult); }

Q_SIGNALS:
    void Progress(int permille);
    void Finished();

private:
    struct TShared;
    void ThreadDone();

    std::shared_ptr<TShared> FShared;
    std::thread FThread;
    std::unique_ptr<TPairComparison> FResult;
    bool FStarted = false;
    bool FFinished = false;
};
