#pragma once

#include "compare/TPairComparison.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <thread>

// Runs a TPairComparison on a thread of its own, so that the thread that shows it stays
// responsive: progress and the end arrive as signals on the thread that owns the job.
// Cancel() is taken up between blocks of reading and between the steps of the comparison.
// Deleting the job cancels it and waits for the thread.
class TPairCompareJob : public QObject
{
    Q_OBJECT
public:
    explicit TPairCompareJob(QObject *parent = nullptr);
    ~TPairCompareJob() override;

    // Starts one comparison; a job runs once.
    void Start(const QByteArray &leftPath, const QByteArray &rightPath, bool ignoreWhiteSpace);
    void Cancel() { FCancel.store(true); }
    bool Running() const { return FThread.joinable() && !FDone; }
    // After Finished: the comparison (its Kind() is pkCancelled when it was cancelled).
    const TPairComparison &Result() const { return *FResult; }
    std::unique_ptr<TPairComparison> TakeResult() { return std::move(FResult); }

Q_SIGNALS:
    void Progress(int permille);
    void Finished();

private:
    void Done();

    std::atomic<bool> FCancel{false};
    std::atomic<int> FLastProgress{-1};
    bool FDone = false;
    std::unique_ptr<TPairComparison> FResult;
    std::thread FThread;
};
