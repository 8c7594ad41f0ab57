#include "engine/TScanThread.h"

#include "engine/THandOverChannel.h"
#include "engine/TScanRun.h"
#include "engine/TScanSink.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cerrno>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// The nice value of the calling thread (Linux keeps one per thread).
int ThreadNice()
{
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, id_t(::gettid()));
    return errno == 0 ? nice : 0;
}

} // namespace

// Gathers what the run reports into the thread's batch and hands it over when it is full
// or old enough.
class THandOverSink final : public TScanSink
{
public:
    explicit THandOverSink(TScanThread &thread)
        : FThread(thread)
    {
        FThread.FBatch.reserve(TScanThread::BatchItems);
        FThread.FDelivering.reserve(TScanThread::BatchItems);
    }
    void ShowStatus(const QString &text) override { Status(text, false); }
    void ShowFileStatus(const QString &text) override { Status(text, true); }
    void AddToList(int list, const QString &path) override
    {
        TFinding finding;
        finding.List = list;
        finding.Path = path;
        AddFinding(finding);
    }
    void AddFinding(const TFinding &finding) override
    {
        Item(finding.List).Finding = finding;
        Added();
    }
    void NotCompared(const QString &path, const QString &reason) override
    {
        TScanThread::TItem &item = Item(TScanThread::NotComparedHandOver);
        item.Finding.Path = path;
        item.Reason = reason;
        Added();
    }
    // Whatever is left at the end of the run; returns once all of it has been read.
    void Flush()
    {
        if (!FThread.FBatch.empty())
            FThread.HandOverBatch();
        FThread.FChannel->Wait();
    }

private:
    void Status(const QString &text, bool fileStart)
    {
        TScanThread::TItem &item = Item(0);
        item.FileStart = fileStart;
        item.Finding.Path = text;
        Added();
    }
    TScanThread::TItem &Item(int what)
    {
        if (FThread.FBatch.empty())
            FAge.start();
        TScanThread::TItem &item = FThread.FBatch.emplace_back();
        item.What = what;
        return item;
    }
    void Added()
    {
        // The clock is read every few items only: a look costs more than an item.
        const size_t size = FThread.FBatch.size();
        if (size >= size_t(TScanThread::BatchItems) || (size % 16 == 1 && FAge.elapsed() >= TScanThread::BatchMs))
            FThread.HandOverBatch();
    }

    TScanThread &FThread;
    QElapsedTimer FAge; // since the first item of the batch
};

TScanThread::TScanThread(const TScanOptions &options, const TScanTexts &texts, QObject *parent)
    : QThread(parent)
    , FOptions(options)
    , FTexts(texts)
    , FChannel(new THandOverChannel([this](int) { DeliverBatch(); }, this))
    , FStarterNice(ThreadNice())
{}

void TScanThread::AbandonHandOvers()
{
    FStop.store(true);
    FChannel->Close();
}

void TScanThread::HandOverBatch()
{
    // The batch before this one must have been read: then the two swap, and the worker
    // goes on with the next batch while the window reads this one.
    FChannel->Wait();
    FDelivering.swap(FBatch);
    FBatch.clear();
    FChannel->Post(0);
}

void TScanThread::DeliverBatch()
{
    // Once a stop is requested, the files the run went on to are dropped with what they
    // found, as if the run had seen the request before them; the texts between its steps
    // still show. A file's findings may come in the batch after its status text.
    for (TItem &item : FDelivering) {
        if (item.What == 0)
            FSkipping = item.FileStart && FStop.load();
        if (FSkipping)
            continue;
        if (item.What == 0) {
            StatusBarText = item.Finding.Path;
            Q_EMIT ShowStatus();
        } else if (item.What == NotComparedHandOver) {
            CurrentFilePath = item.Finding.Path;
            NotComparedReason = item.Reason;
            Q_EMIT NotCompared();
        } else {
            CurrentFinding = std::move(item.Finding);
            CurrentFilePath = CurrentFinding.Path;
            Q_EMIT AddToList(item.What);
        }
    }
}

void TScanThread::RequestStop()
{
    FStop.store(true);
}

void TScanThread::run()
{
    // Below the window: the look-ahead threads the run starts inherit the value.
    ::setpriority(PRIO_PROCESS, id_t(::gettid()), std::min(19, FStarterNice + NiceSteps));
    FWorkerNice.store(ThreadNice());
    FScanError.clear();
    FProgress.Reset();
    THandOverSink sink(*this);
    try {
        FScanError = TScanRun(FOptions, FTexts, sink, FStop, &FProgress).Execute();
    } catch (...) {
        // Whatever went wrong ends the run like a stop; what was delivered stays listed.
    }
    try {
        sink.Flush();
    } catch (...) {}
}
