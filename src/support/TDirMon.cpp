#include "support/TDirMon.h"

#include "platform/TInotifyWatch.h"
#include "platform/TNativeName.h"
#include "support/EDirMonError.h"

#include <QPointer>

#include <cerrno>
#include <exception>
#include <sys/stat.h>

namespace {

// A folder counts as there unless looking it up says plainly that it is not: a
// folder that cannot be looked up for another reason (no permission, an I/O
// error) is taken, so that starting reports the real reason.
bool FolderExists(const QString &path)
{
    struct stat st;
    if (::stat(TNativeName::Encode(path).constData(), &st) == 0)
        return S_ISDIR(st.st_mode);
    switch (errno) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL:
        return false;
    default:
        return true;
    }
}

} // namespace

TDirMon::TDirMon(QObject *Owner)
    : QObject(Owner)
{}

TDirMon::~TDirMon()
{
    // The owner is going away, perhaps half destroyed already: a batch still being
    // handed over is let go without firing into it.
    OnCreated = nullptr;
    OnDeleted = nullptr;
    OnModified = nullptr;
    OnRenamed = nullptr;
    Stop();
}

void TDirMon::SetActive(bool Value)
{
    if (Value)
        Start();
    else
        Stop();
}

void TDirMon::SetPath(const QString &Value)
{
    if (FolderExists(Value))
        FPath = Value.endsWith(u'/') ? Value : Value + u'/';
    if (FActive) {
        Stop();
        Start();
    }
}

void TDirMon::Start()
{
    if (FActive)
        return;
    const quint32 mask = FWatchFilters.InotifyMask();
    if (mask == 0)
        return;
    // Following new folders below the root needs their creation and moves even
    // when the filters do not ask for them; the wait thread filters them out.
    const quint32 kernelMask =
        mask | IN_ONLYDIR | IN_EXCL_UNLINK | (FWatchSubTree ? IN_CREATE | IN_MOVED_FROM | IN_MOVED_TO : 0u);

    auto watch = std::make_unique<TInotifyWatch>();
    if (const int error = watch->Open())
        throw EDirMonError(qt_error_string(error));
    const int rootWd = watch->AddWatch(TNativeName::Encode(FPath), kernelMask);
    if (rootWd < 0)
        throw EDirMonError(qt_error_string(-rootWd));

    FWatch = std::move(watch);
    FWatchThread =
        std::make_unique<TWaitThread>(this, *FWatch, FPath, rootWd, FWatchFilters, FWatchSubTree, kernelMask);
    if (FWatchSubTree)
        FWatchThread->WatchSubfolders();
    {
        std::lock_guard lock(FLock);
        FThreadEnded = false;
    }
    // A thread that ends on its own (the folder went away, the descriptor failed)
    // leaves the monitor inactive, so that setting Active again starts afresh.
    const quint64 generation = ++FGeneration;
    connect(
        FWatchThread.get(), &QThread::finished, this,
        [this, generation] {
            if (FActive && !FStopping && generation == FGeneration)
                Stop();
        },
        Qt::QueuedConnection);
    FWatchThread->start();
    FActive = true;
}

void TDirMon::Stop()
{
    if (!FActive || !FWatch || FStopping)
        return;
    FStopping = true;
    FWatch->RequestStop();
    {
        // Stop was called by a handler of the batch being delivered: the wait thread
        // is waiting for that batch, so release it, and fire nothing more of it.
        std::lock_guard lock(FLock);
        if (FDelivering) {
            FDelivering->Abandoned = true;
            FDelivering->Done = true;
            FDelivering.reset();
        }
    }
    FSignal.notify_all();

    // Waiting for the thread while it waits for us would never end: serve the
    // batch it may be handing over meanwhile, then wait again.
    std::exception_ptr failure;
    for (;;) {
        std::unique_lock lock(FLock);
        FSignal.wait(lock, [this] { return FPending != nullptr || FThreadEnded; });
        if (!FPending)
            break;
        lock.unlock();
        try {
            ServeHandOver();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    FWatchThread->wait();
    FWatchThread.reset();
    FWatch.reset();
    FActive = false;
    FStopping = false;
    if (failure)
        std::rethrow_exception(failure);
}

void TDirMon::HandOver(const std::shared_ptr<TDirMonBatch> &Batch)
{
    {
        std::lock_guard lock(FLock);
        FPending = Batch;
    }
    FSignal.notify_all();
    QMetaObject::invokeMethod(
        this, [this] { ServeHandOver(); }, Qt::QueuedConnection);
    std::unique_lock lock(FLock);
    FSignal.wait(lock, [&Batch] { return Batch->Done; });
}

void TDirMon::WaitThreadEnded()
{
    {
        std::lock_guard lock(FLock);
        FThreadEnded = true;
    }
    FSignal.notify_all();
}

void TDirMon::ServeHandOver()
{
    std::shared_ptr<TDirMonBatch> batch;
    {
        std::lock_guard lock(FLock);
        batch = std::move(FPending);
        FPending.reset();
        if (!batch)
            return;
        FDelivering = batch;
    }
    // The batch is done however its handlers leave: an exception still releases
    // the wait thread. A handler that stopped or destroyed the monitor has done so
    // already.
    struct TRelease
    {
        TDirMon *Monitor;
        std::shared_ptr<TDirMonBatch> Batch;
        ~TRelease()
        {
            if (Batch->Abandoned)
                return;
            {
                std::lock_guard lock(Monitor->FLock);
                Monitor->FDelivering.reset();
                Batch->Done = true;
            }
            Monitor->FSignal.notify_all();
        }
    } release{this, batch};
    Deliver(*batch);
}

void TDirMon::Deliver(TDirMonBatch &Batch)
{
    // Every handler may stop, restart or destroy the monitor; after each one,
    // nothing of this monitor is touched unless the batch still stands.
    TWaitThread *thread = FWatchThread.get();
    auto changed = [this, &Batch](const TFileChangedEvent &event, const QString &name) {
        if (TFileChangedEvent handler = event)
            handler(this, name);
        return !Batch.Abandoned;
    };
    auto flushRename = [&]() {
        if (!thread->FRenamePending)
            return true;
        // The old name's partner never came: the file left the folder.
        thread->FRenamePending = false;
        const QString from = thread->FRenamedFrom;
        return changed(OnDeleted, from);
    };

    for (const TDirMonRecord &record : Batch.Records) {
        if (Batch.Abandoned)
            return;
        switch (record.Action) {
        case TDirMonRecord::faAdded:
            if (flushRename())
                changed(OnCreated, record.Name);
            break;
        case TDirMonRecord::faRemoved:
            if (flushRename())
                changed(OnDeleted, record.Name);
            break;
        case TDirMonRecord::faModified:
            if (flushRename())
                changed(OnModified, record.Name);
            break;
        case TDirMonRecord::faRenamedOldName:
            if (flushRename()) {
                thread->FRenamedFrom = record.Name;
                thread->FRenamedCookie = record.Cookie;
                thread->FRenamePending = true;
            }
            break;
        case TDirMonRecord::faRenamedNewName:
            if (thread->FRenamePending && thread->FRenamedCookie == record.Cookie) {
                thread->FRenamePending = false;
                const QString from = thread->FRenamedFrom;
                if (TFileRenamedEvent handler = OnRenamed)
                    handler(this, from, record.Name);
            } else if (flushRename()) {
                // Moved in from outside the folder.
                changed(OnCreated, record.Name);
            }
            break;
        }
    }
    if (!Batch.Abandoned)
        flushRename();
}
