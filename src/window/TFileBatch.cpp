#include "window/TFileBatch.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <memory>

namespace {

// What the worker shares with the window's thread while it runs.
struct TBatchState
{
    std::atomic<bool> Cancel{false};
    std::atomic<int> Current{0};
    std::atomic<qint64> BytesBefore{0}; // copied of the files already handled
    std::atomic<qint64> BytesInFile{0};
};

} // namespace

TFileBatch::TFileBatch(TFileOperations &operations, TFileActionDialogs &dialogs)
    : FOps(operations)
    , FDialogs(dialogs)
{
}

TFileBatch::TOutcome TFileBatch::Run(TFileActionDialogs::TBatchKind kind, const QList<TItem> &items,
                                     qint64 totalBytes)
{
    if (items.isEmpty())
        return boSucceeded;

    TBatchState state;
    TOutcome outcome = boSucceeded;
    QObject windowSide; // lives on the window's thread: the questions run in its context
    const auto ask = [&windowSide](auto &&question) {
        QMetaObject::invokeMethod(&windowSide, question, Qt::BlockingQueuedConnection);
    };

    const auto work = [&] {
        bool deleteAllForGood = false;
        for (int i = 0; i < items.size(); ++i) {
            state.Current = i;
            state.BytesInFile = 0;
            const TItem &item = items.at(i);
            bool forGood = false;
            for (;;) {
                if (state.Cancel.load()) {
                    outcome = boAborted;
                    return;
                }
                TFileOpResult r;
                if (kind == TFileActionDialogs::bkCopy) {
                    r = FOps.CopyFile(item.Source, item.Target,
                                      [&state](qint64 done) { state.BytesInFile = done; }, &state.Cancel);
                } else if (forGood || deleteAllForGood) {
                    r = FOps.DeletePermanently(item.Source);
                } else {
                    r = FOps.MoveToTrash(item.Source);
                }
                if (r.Ok())
                    break;
                if (r.Kind == TFileOpResult::orCancelled) {
                    outcome = boAborted;
                    return;
                }
                if (r.Kind == TFileOpResult::orTrashRefused) {
                    TFileActionDialogs::TTrashChoice choice = TFileActionDialogs::tcCancel;
                    ask([&] { choice = FDialogs.TrashRefused(item.Source); });
                    if (choice == TFileActionDialogs::tcCancel) {
                        outcome = boAborted;
                        return;
                    }
                    if (choice == TFileActionDialogs::tcNo) {
                        outcome = boFailed;
                        break;
                    }
                    forGood = true;
                    deleteAllForGood = deleteAllForGood || choice == TFileActionDialogs::tcYesToAll;
                    continue;
                }
                TFileActionDialogs::TErrorChoice choice = TFileActionDialogs::ecCancel;
                ask([&] { choice = FDialogs.FileError(kind, item.Source, r.Message); });
                if (choice == TFileActionDialogs::ecCancel) {
                    outcome = boAborted;
                    return;
                }
                if (choice == TFileActionDialogs::ecSkip) {
                    outcome = boFailed;
                    break;
                }
            }
            state.BytesBefore += state.BytesInFile.exchange(0);
        }
    };

    FDialogs.BeginProgress(kind, int(items.size()), totalBytes, &state.Cancel);
    std::unique_ptr<QThread> worker(QThread::create(work));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer progress;
    progress.setInterval(100);
    QObject::connect(&progress, &QTimer::timeout, &windowSide, [&] {
        const int i = qMin(state.Current.load(), int(items.size()) - 1);
        FDialogs.ShowProgress(items.at(i).Source, i, state.BytesBefore + state.BytesInFile);
    });
    worker->start();
    progress.start();
    loop.exec();
    worker->wait();
    progress.stop();
    FDialogs.EndProgress();
    return outcome;
}
