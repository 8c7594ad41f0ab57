#include "engine/TScanThread.h"

#include "engine/TScanRun.h"
#include "engine/TScanSink.h"

namespace {

class THandOverSink final : public TScanSink
{
public:
    explicit THandOverSink(TScanThread &thread) : FThread(thread) {}
    void ShowStatus(const QString &text) override
    {
        FThread.StatusBarText = text;
        Q_EMIT FThread.ShowStatus();
    }
    void AddToList(int list, const QString &path) override
    {
        FThread.CurrentFilePath = path;
        Q_EMIT FThread.AddToList(list);
    }

private:
    TScanThread &FThread;
};

} // namespace

TScanThread::TScanThread(const TScanOptions &options, const TScanTexts &texts, QObject *parent)
    : QThread(parent)
    , FOptions(options)
    , FTexts(texts)
{
}

void TScanThread::RequestStop()
{
    FStop.store(true);
}

void TScanThread::run()
{
    FScanError.clear();
    THandOverSink sink(*this);
    try {
        FScanError = TScanRun(FOptions, FTexts, sink, FStop).Execute();
    } catch (...) {
        // Whatever went wrong ends the run like a stop; what was delivered stays listed.
    }
}
