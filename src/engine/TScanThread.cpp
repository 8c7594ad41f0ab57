#include "engine/TScanThread.h"

#include "engine/THandOverChannel.h"
#include "engine/TScanRun.h"
#include "engine/TScanSink.h"

namespace {

class THandOverSink final : public TScanSink
{
public:
    explicit THandOverSink(TScanThread &thread)
        : FThread(thread)
    {}
    void ShowStatus(const QString &text) override
    {
        FThread.StatusBarText = text;
        FThread.HandOver(0);
    }
    void AddToList(int list, const QString &path) override
    {
        TFinding finding;
        finding.List = list;
        finding.Path = path;
        AddFinding(finding);
    }
    void AddFinding(const TFinding &finding) override
    {
        FThread.CurrentFinding = finding;
        FThread.CurrentFilePath = finding.Path;
        FThread.HandOver(finding.List);
    }
    void NotCompared(const QString &path, const QString &reason) override
    {
        FThread.CurrentFilePath = path;
        FThread.NotComparedReason = reason;
        FThread.HandOver(TScanThread::NotComparedHandOver);
    }

private:
    TScanThread &FThread;
};

} // namespace

TScanThread::TScanThread(const TScanOptions &options, const TScanTexts &texts, QObject *parent)
    : QThread(parent)
    , FOptions(options)
    , FTexts(texts)
    , FChannel(new THandOverChannel(
          [this](int what) {
              if (what == 0)
                  Q_EMIT ShowStatus();
              else if (what == NotComparedHandOver)
                  Q_EMIT NotCompared();
              else
                  Q_EMIT AddToList(what);
          },
          this))
{}

void TScanThread::AbandonHandOvers()
{
    FStop.store(true);
    FChannel->Close();
}

void TScanThread::HandOver(int what)
{
    FChannel->Call(what);
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
