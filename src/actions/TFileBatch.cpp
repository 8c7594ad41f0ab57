#include "actions/TFileBatch.h"

#include <QEventLoop>
#include <QHash>
#include <QThread>
#include <QTimer>

#include <memory>

TFileBatch::TFileBatch(TFileOperations &operations, TFileActionDialogs &dialogs)
    : FOps(operations)
    , FDialogs(dialogs)
{}

void TFileBatch::Cancel()
{
    FCancel = true;
    {
        // Under the lock: a worker that has just found the batch held is waiting by now.
        const std::lock_guard lock(FHoldMutex);
    }
    FHoldEnded.notify_all();
    FDialogs.CancelRequested();
}

void TFileBatch::Hold(bool hold)
{
    {
        const std::lock_guard lock(FHoldMutex);
        FHeld = hold;
    }
    FHoldEnded.notify_all();
}

void TFileBatch::WaitWhileHeld()
{
    std::unique_lock lock(FHoldMutex);
    FHoldEnded.wait(lock, [this] { return !FHeld || FCancel.load(); });
}

template <typename TQuestion> void TFileBatch::OnWindow(TQuestion &&question)
{
    // No question of a file while the user is being asked about the whole batch.
    WaitWhileHeld();
    if (FCancel.load())
        return;
    QMetaObject::invokeMethod(FWindowSide, std::forward<TQuestion>(question), Qt::BlockingQueuedConnection);
}

TFileActionDialogs::TErrorChoice TFileBatch::Ask(TFileActionDialogs::TBatchKind kind, int item, const TFileOpResult &r)
{
    // A file operation that stopped because the batch was cancelled asks nothing.
    if (r.Kind == TFileOpResult::orCancelled)
        return TFileActionDialogs::ecCancel;
    TFileActionDialogs::TErrorChoice choice = TFileActionDialogs::ecCancel;
    if (FSkipAll)
        choice = TFileActionDialogs::ecSkip;
    else if (!FCancel.load())
        OnWindow([&] { choice = FDialogs.FileError(kind, FItems->at(item).Source, r); });
    if (choice == TFileActionDialogs::ecSkipAll) {
        FSkipAll = true;
        choice = TFileActionDialogs::ecSkip;
    }
    if (choice == TFileActionDialogs::ecSkip) {
        FSkipped << FItems->at(item).Source;
        if (FOutcome == boSucceeded)
            FOutcome = boFailed;
    } else if (choice == TFileActionDialogs::ecCancel) {
        FOutcome = boAborted;
    }
    return choice;
}

TFileActionDialogs::TKeepChoice TFileBatch::AskKeep(int item)
{
    if (!FKeepChoice) {
        TFileActionDialogs::TKeepChoice choice = TFileActionDialogs::kcCancel;
        if (!FCancel.load())
            OnWindow([&] { choice = FDialogs.ReplaceWithoutKeeping(FItems->at(item).Target); });
        FKeepChoice = choice;
    }
    if (*FKeepChoice == TFileActionDialogs::kcSkip) {
        FSkipped << FItems->at(item).Source;
        if (FOutcome == boSucceeded)
            FOutcome = boFailed;
    } else if (*FKeepChoice == TFileActionDialogs::kcCancel) {
        FOutcome = boAborted;
    }
    return *FKeepChoice;
}

TFileOpResult TFileBatch::Attempt(int item, bool staged, const TCopyOptions &options)
{
    WaitWhileHeld();
    if (FCancel.load())
        return {TFileOpResult::orCancelled, QString()};
    const auto progress = [this](qint64 done) {
        FBytesInFile = done;
        WaitWhileHeld();
    };
    const TItem &it = FItems->at(item);
    TCopyOptions own = options;
    own.NewOnly = options.NewOnly || it.NewOnly;
    if (it.TargetSeen)
        own.TargetSeen = it.TargetSeen;
    return staged ? FOps.StageCopy(it.Source, it.Target, own, progress, &FCancel)
                  : FOps.CopyFile(it.Source, it.Target, own, progress, &FCancel);
}

TFileBatch::TSettled TFileBatch::Settle(int item, bool staged, TFileOpResult &result)
{
    // Whether result comes from a copy that was to keep what it replaces.
    bool keeping = FOptions.KeepReplaced;
    while (!result.Ok()) {
        if (result.Kind == TFileOpResult::orTrashRefused && keeping) {
            const TFileActionDialogs::TKeepChoice keep = AskKeep(item);
            if (keep == TFileActionDialogs::kcCancel)
                return sdCancelled;
            if (keep == TFileActionDialogs::kcSkip)
                return sdSkipped;
            // This one file without keeping; the next ones are kept where they can be.
            TCopyOptions once = FOptions;
            once.KeepReplaced = false;
            result = Attempt(item, staged, once);
            keeping = false;
            continue;
        }
        const TFileActionDialogs::TErrorChoice choice = Ask(TFileActionDialogs::bkCopy, item, result);
        if (choice == TFileActionDialogs::ecCancel)
            return sdCancelled;
        if (choice != TFileActionDialogs::ecRetry)
            return sdSkipped;
        result = Attempt(item, staged, FOptions);
        keeping = FOptions.KeepReplaced;
    }
    return sdDone;
}

void TFileBatch::CopyAll(const QList<TItem> &items)
{
    QList<int> staged;
    // Puts the staged copies in place; those that fail there are asked about one by one.
    const auto finish = [&]() -> bool {
        QHash<QString, TFileOpResult> failed;
        for (const TFileOperations::TStagedFailure &f : FOps.FinishCopies())
            failed.insert(f.Target, f.Result);
        bool goOn = true;
        for (int i : std::exchange(staged, {})) {
            const auto it = failed.constFind(items.at(i).Target);
            if (it == failed.cend()) {
                FDone[i] = true;
                continue;
            }
            if (!goOn)
                continue;
            TFileOpResult r = *it;
            const TSettled settled = Settle(i, false, r);
            if (settled == sdCancelled)
                goOn = false;
            else if (settled == sdDone) {
                FDone[i] = true;
                FUnkept[i] = r.Unkept;
            }
        }
        return goOn;
    };

    for (int i = 0; i < items.size(); ++i) {
        FCurrent = i;
        FBytesInFile = 0;
        TFileOpResult r = Attempt(i, true, FOptions);
        const TSettled settled = Settle(i, true, r);
        FBytesBefore += FBytesInFile.exchange(0);
        if (settled == sdCancelled)
            break;
        if (settled == sdDone) {
            FUnkept[i] = r.Unkept;
            staged << i;
        }
        if (FOps.StagingFull() && !finish())
            break;
    }
    // What was staged before a cancel is the user's too: it goes in place.
    finish();
}

void TFileBatch::TrashAll(const QList<TItem> &items)
{
    bool deleteAllForGood = false;
    for (int i = 0; i < items.size(); ++i) {
        FCurrent = i;
        const TItem &item = items.at(i);
        bool forGood = false;
        for (;;) {
            WaitWhileHeld();
            if (FCancel.load()) {
                FOutcome = boAborted;
                return;
            }
            const TFileOpResult r =
                forGood || deleteAllForGood ? FOps.DeletePermanently(item.Source) : FOps.MoveToTrash(item.Source);
            if (r.Ok()) {
                FDone[i] = true;
                break;
            }
            if (r.Kind == TFileOpResult::orTrashRefused) {
                TFileActionDialogs::TTrashChoice choice = TFileActionDialogs::tcCancel;
                if (!FCancel.load())
                    OnWindow([&] { choice = FDialogs.TrashRefused(item.Source); });
                if (choice == TFileActionDialogs::tcCancel) {
                    FOutcome = boAborted;
                    return;
                }
                if (choice == TFileActionDialogs::tcNo) {
                    if (FOutcome == boSucceeded)
                        FOutcome = boFailed;
                    break;
                }
                forGood = true;
                deleteAllForGood = deleteAllForGood || choice == TFileActionDialogs::tcYesToAll;
                continue;
            }
            const TFileActionDialogs::TErrorChoice choice = Ask(TFileActionDialogs::bkTrash, i, r);
            if (choice == TFileActionDialogs::ecCancel) {
                FOutcome = boAborted;
                return;
            }
            if (choice != TFileActionDialogs::ecRetry)
                break;
        }
    }
}

void TFileBatch::Work(TFileActionDialogs::TBatchKind kind, const QList<TItem> &items)
{
    if (kind == TFileActionDialogs::bkCopy)
        CopyAll(items);
    else
        TrashAll(items);
}

TFileBatch::TOutcome TFileBatch::Run(TFileActionDialogs::TBatchKind kind, const QList<TItem> &items, qint64 totalBytes,
                                     const TCopyOptions &options)
{
    FOptions = options;
    FDone = QList<bool>(items.size(), false);
    FUnkept = QList<unsigned>(items.size(), 0);
    FSkipped.clear();
    FSkipAll = false;
    FKeepChoice.reset();
    FOutcome = boSucceeded;
    Hold(false);
    FOps.BeginBatch();
    if (items.isEmpty())
        return boSucceeded;

    FItems = &items;
    QObject windowSide; // lives on the window's thread: the questions run in its context
    FWindowSide = &windowSide;

    FDialogs.BeginProgress(kind, int(items.size()), totalBytes, &FCancel);
    FWorkerDone.store(false);
    std::unique_ptr<QThread> worker(QThread::create([this, kind, &items] {
        Work(kind, items);
        FWorkerDone.store(true, std::memory_order_release);
    }));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer progress;
    progress.setInterval(100);
    QObject::connect(&progress, &QTimer::timeout, &windowSide, [&] {
        const int i = qMin(FCurrent.load(), int(items.size()) - 1);
        FDialogs.ShowProgress(items.at(i).Source, i, FBytesBefore + FBytesInFile);
    });
    worker->start();
    progress.start();
    loop.exec();
    // The worker has finished: nothing it could wait for is left. Its writes are ours from
    // here on (said in this program's own terms as well, for checkers that cannot look
    // inside the thread library's wait).
    worker->wait();
    while (!FWorkerDone.load(std::memory_order_acquire))
        QThread::yieldCurrentThread();
    // No folder the batch opened is trusted by the next one.
    FOps.EndBatch();
    progress.stop();
    FDialogs.EndProgress();
    FWindowSide = nullptr;
    FItems = nullptr;
    if ((FSkipAll || FKeepChoice == TFileActionDialogs::kcSkip) && !FSkipped.isEmpty())
        FDialogs.SkippedFiles(kind, FSkipped);
    // What the copied files lost on the way, once for the batch.
    QList<int> notKept(TFileOpResult::UnkeptKinds, 0);
    bool anyNotKept = false;
    for (qsizetype i = 0; i < items.size(); ++i) {
        for (int k = 0; FDone.at(i) && k < TFileOpResult::UnkeptKinds; ++k) {
            if (FUnkept.at(i) & (1u << k)) {
                ++notKept[k];
                anyNotKept = true;
            }
        }
    }
    if (anyNotKept)
        FDialogs.NotKept(notKept);
    return FOutcome;
}
