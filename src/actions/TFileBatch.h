#pragma once

#include "actions/TFileActionDialogs.h"
#include "platform/TCopyOptions.h"
#include "platform/TFileOperations.h"

#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>

// One batch of copies or moves to the trash, as an action hands it over. The files are
// handled one by one on a worker thread, so that the window keeps repainting behind the
// application-modal progress dialog; questions about single files are asked on the
// window's thread while the worker waits. Copies are staged and put in place group by
// group. Run() returns when the batch is over; the window's thread never waits for the
// worker while the worker may wait for it.
class TFileBatch
{
public:
    struct TItem
    {
        QString Source;
        QString Target;       // copies only
        bool NewOnly = false; // a copy of a file the target was missing: never replaces one
        std::optional<TCopyOptions::TSeen> TargetSeen = std::nullopt; // a copy over a file the user saw so
    };
    enum TOutcome {
        boSucceeded, // every file was handled
        boFailed,    // at least one file was skipped or could not be handled
        boAborted,   // the user cancelled
    };

    TFileBatch(TFileOperations &operations, TFileActionDialogs &dialogs);

    // totalBytes: what the progress dialog counts towards for a copy. options: how each copy
    // is made (by default, a replaced file is not kept).
    TOutcome Run(TFileActionDialogs::TBatchKind kind, const QList<TItem> &items, qint64 totalBytes,
                 const TCopyOptions &options = {});
    // Which items were handled, whatever the outcome; valid after Run().
    const QList<bool> &Done() const { return FDone; }
    // Stops the batch after the file in hand and answers an open question with Cancel.
    void Cancel();
    // While held, the batch starts no further file and asks nothing; for as long as a
    // question about the whole batch is open. Cancel() ends a hold.
    void Hold(bool hold);

private:
    // How a copy ended once the user was asked what there was to ask.
    enum TSettled {
        sdDone,
        sdSkipped,
        sdCancelled, // the batch ends
    };

    void Work(TFileActionDialogs::TBatchKind kind, const QList<TItem> &items);
    void CopyAll(const QList<TItem> &items);
    void TrashAll(const QList<TItem> &items);
    // Asks about a failed file (a cancelled one is not asked about): Retry, Skip or Cancel.
    TFileActionDialogs::TErrorChoice Ask(TFileActionDialogs::TBatchKind kind, int item, const TFileOpResult &r);
    // The answer for a replaced file that the trash refuses, asked once a batch.
    TFileActionDialogs::TKeepChoice AskKeep(int item);
    // One copy of item, staged or made at once, unless the batch is cancelled meanwhile;
    // it starts once the batch is not held.
    TFileOpResult Attempt(int item, bool staged, const TCopyOptions &options);
    // Carries a copy of item whose attempt gave result to its end: a refused trash asks
    // (once a batch) whether to replace the file without keeping it, a failure asks Retry,
    // Skip or Cancel, and each answer that copies again does so the same way (staged or
    // not). result ends as the last attempt's.
    TSettled Settle(int item, bool staged, TFileOpResult &result);
    template <typename TQuestion> void OnWindow(TQuestion &&question);
    // On the worker: returns once the batch is not held (or is cancelled).
    void WaitWhileHeld();

    TFileOperations &FOps;
    TFileActionDialogs &FDialogs;
    const QList<TItem> *FItems = nullptr;
    QObject *FWindowSide = nullptr;
    QList<bool> FDone;
    QList<unsigned> FUnkept; // of each copy, what it could not keep
    QStringList FSkipped;
    bool FSkipAll = false;
    TCopyOptions FOptions; // of the batch in hand
    std::optional<TFileActionDialogs::TKeepChoice> FKeepChoice;
    TOutcome FOutcome = boSucceeded;
    std::atomic<bool> FCancel{false};
    std::mutex FHoldMutex;
    std::condition_variable FHoldEnded;
    bool FHeld = false; // guarded by FHoldMutex
    std::atomic<int> FCurrent{0};
    // Set by the worker as its last act: what it wrote (in the file operations too) is
    // seen by the thread that runs the batch once this reads true.
    std::atomic<bool> FWorkerDone{false};
    std::atomic<qint64> FBytesBefore{0}; // copied of the files already handled
    std::atomic<qint64> FBytesInFile{0};
};
