#pragma once

#include "actions/TFileActionDialogs.h"
#include "platform/TFileOperations.h"

#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
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
        QString Target; // copies only
    };
    enum TOutcome {
        boSucceeded, // every file was handled
        boFailed,    // at least one file was skipped or could not be handled
        boAborted,   // the user cancelled
    };

    TFileBatch(TFileOperations &operations, TFileActionDialogs &dialogs);

    // Whether copies keep the files they replace in the trash; off by default.
    void SetKeepReplaced(bool keep) { FKeepReplaced = keep; }

    // totalBytes: what the progress dialog counts towards for a copy.
    TOutcome Run(TFileActionDialogs::TBatchKind kind, const QList<TItem> &items, qint64 totalBytes);
    // Which items were handled, whatever the outcome; valid after Run().
    const QList<bool> &Done() const { return FDone; }
    // Stops the batch after the file in hand and answers an open question with Cancel.
    void Cancel();
    // While held, the batch starts no further file and asks nothing; for as long as a
    // question about the whole batch is open. Cancel() ends a hold.
    void Hold(bool hold);

private:
    void Work(TFileActionDialogs::TBatchKind kind, const QList<TItem> &items);
    void CopyAll(const QList<TItem> &items);
    void TrashAll(const QList<TItem> &items);
    // Asks about a failed file (a cancelled one is not asked about): Retry, Skip or Cancel.
    TFileActionDialogs::TErrorChoice Ask(TFileActionDialogs::TBatchKind kind, int item, const TFileOpResult &r);
    // The answer for a replaced file that the trash refuses, asked once a batch.
    TFileActionDialogs::TKeepChoice AskKeep(int item);
    // The trash refused to keep the file that item replaces: asks (once a batch) and, when
    // the user agrees, runs copy again without keeping it, its result in result.
    TFileActionDialogs::TKeepChoice ReplaceWithoutKeeping(int item, TFileOpResult &result,
                                                          const std::function<TFileOpResult()> &copy);
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
    bool FKeepReplaced = false;
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
