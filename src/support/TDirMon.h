#pragma once

#include "support/TWaitThread.h"
#include "support/TWatchFilter.h"

#include <QObject>
#include <QString>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class TInotifyWatch;

// Watches one folder and reports each change in it on the thread that owns the
// monitor (the window's thread): a file or folder created, deleted, modified or
// renamed, named relative to the folder. While active, a TWaitThread blocks on
// inotify and hands every read over as one batch; the wait thread waits until the
// batch has been processed, so the events of a batch fire in order, all before
// the next read.
class TDirMon : public QObject
{
    Q_OBJECT

public:
    using TFileChangedEvent = std::function<void(TDirMon *Sender, const QString &FileName)>;
    using TFileRenamedEvent =
        std::function<void(TDirMon *Sender, const QString &fromFileName, const QString &toFileName)>;

    explicit TDirMon(QObject *Owner = nullptr);
    // Stops first when active; no event fires while it is destroyed.
    ~TDirMon() override;

    bool Active() const { return FActive; }
    // True starts watching Path (EDirMonError with the system's message when the
    // folder cannot be watched); false stops. Writing the current state does nothing.
    // With an empty WatchFilters, starting does nothing.
    void SetActive(bool Value);

    QString Path() const { return FPath; }
    // An existing folder is taken, with a trailing "/" added when it has none; a
    // missing one leaves Path as it was. An active monitor then restarts on Path.
    void SetPath(const QString &Value);

    bool WatchSubtree() const { return FWatchSubTree; }
    void SetWatchSubtree(bool Value) { FWatchSubTree = Value; }
    TWatchFilters WatchFilters() const { return FWatchFilters; }
    void SetWatchFilters(TWatchFilters Value) { FWatchFilters = Value; }

    // The thread of the current watching period; null while inactive.
    TWaitThread *WatchThread() const { return FWatchThread.get(); }

    TFileChangedEvent OnCreated;
    TFileChangedEvent OnDeleted;
    TFileChangedEvent OnModified;
    TFileRenamedEvent OnRenamed;

private:
    friend class TWaitThread;

    void Start();
    void Stop();
    // Called on the wait thread: hands the batch over and waits until it is done.
    void HandOver(const std::shared_ptr<TDirMonBatch> &Batch);
    void WaitThreadEnded();
    // On the monitor's thread: processes the batch handed over, if any.
    void ServeHandOver();
    void Deliver(TDirMonBatch &Batch);

    std::unique_ptr<TInotifyWatch> FWatch;
    std::unique_ptr<TWaitThread> FWatchThread;
    TWatchFilters FWatchFilters = TWatchFilters::Default();
    QString FPath;
    bool FActive = false;
    bool FWatchSubTree = false;
    bool FStopping = false;
    quint64 FGeneration = 0;

    // The hand-over between the wait thread and this monitor's thread.
    std::mutex FLock;
    std::condition_variable FSignal;
    std::shared_ptr<TDirMonBatch> FPending;    // handed over, not taken yet
    std::shared_ptr<TDirMonBatch> FDelivering; // its events are firing now
    bool FThreadEnded = false;
};
