#pragma once

#include "engine/TFinding.h"
#include "engine/TScanOptions.h"
#include "engine/TScanProgress.h"
#include "engine/TScanTexts.h"

#include <QString>
#include <QThread>

#include <atomic>
#include <vector>

class THandOverChannel;

// The worker of one run; a new one for every run. It never touches the window: the
// status texts and findings are gathered in batches, and each batch crosses in one
// round trip to the thread that created the TScanThread (the window's), where each item
// in turn is put into the hand-over fields and announced by its signal, in the order the
// run reported them. While the window reads one batch the worker fills the next; it
// waits for the window before it hands that one over, and at the end of the run until
// everything has been read, so nothing is queued beyond two batches or lost. A batch
// crosses once it holds BatchItems items or is BatchMs old, and at the end of the run;
// so a run of many small files costs a round trip per few hundred files, not per file. Once a stop has been requested,
// the rest of a batch is dropped from the next file on, as if the run had seen the request there (the texts between the
// run's steps still show). Connect the signals directly (the default connection does). The end arrives as finished().
//
// The worker and its look-ahead threads run at a lower priority (a higher nice value)
// than the thread that starts them, so that the window stays quick while a run works.
class TScanThread : public QThread
{
    Q_OBJECT

public:
    TScanThread(const TScanOptions &options, const TScanTexts &texts, QObject *parent = nullptr);

    // Hand-over fields: written by the worker, read by the window inside the signals.
    QString StatusBarText;
    QString CurrentFilePath;
    TFinding CurrentFinding;   // in AddToList(), with CurrentFilePath as its path
    QString NotComparedReason; // with CurrentFilePath, in NotCompared()
    static constexpr int NotComparedHandOver = 9;
    static constexpr int BatchItems = 512;
    static constexpr int BatchMs = 15;
    // Added to the nice value of the starting thread.
    static constexpr int NiceSteps = 10;

    // Asks the run to end before its next folder or entry; the file in hand is finished.
    void RequestStop();
    // Stops the run and lets the worker go on without waiting for any further hand-over,
    // for a window that goes away while the worker runs.
    void AbandonHandOvers();
    bool StopRequested() const { return FStop.load(); }
    // Counted by the run; read it at any time.
    const TScanProgress &Progress() const { return FProgress; }
    // The nice value the worker runs at, once it has started (for tests).
    int WorkerNice() const { return FWorkerNice.load(); }
    // The failed check's text, valid once the thread has finished.
    QString ScanError() const { return FScanError; }

Q_SIGNALS:
    void ShowStatus();
    void AddToList(int list);
    void NotCompared();

protected:
    void run() override;

private:
    friend class THandOverSink;
    // One status text (What 0), finding (1..8) or entry not compared (9) of a batch.
    struct TItem
    {
        int What = 0;
        bool FileStart = false; // the status text of the next file
        TFinding Finding;       // its Path is the status text or the entry not compared
        QString Reason;
    };
    // On the creating thread: announces every item of the batch.
    void DeliverBatch();
    // Worker side: hands the batch over and waits until it has been read.
    void HandOverBatch();

    const TScanOptions FOptions;
    const TScanTexts FTexts;
    std::atomic<bool> FStop{false};
    THandOverChannel *FChannel;
    QString FScanError;
    std::vector<TItem> FBatch;      // being filled by the worker
    std::vector<TItem> FDelivering; // handed over: read by the creating thread
    bool FSkipping = false;         // on the creating thread: the file being delivered is dropped
    TScanProgress FProgress;
    int FStarterNice = 0;
    std::atomic<int> FWorkerNice{0};
};
