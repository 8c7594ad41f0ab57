#pragma once

#include "engine/TFinding.h"
#include "engine/TScanOptions.h"
#include "engine/TScanTexts.h"

#include <QString>
#include <QThread>

#include <atomic>

class THandOverChannel;

// The worker of one run; a new one for every run. It never touches the window: each
// status text and each finding is put into a hand-over field, and the signal that
// announces it is emitted on the thread that created the TScanThread (the window's)
// while the worker waits, so the field is read before the worker goes on. Connect the
// signals directly (the default connection does). The end arrives as finished().
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

    // Asks the run to end before its next folder or entry; the file in hand is finished.
    void RequestStop();
    // Stops the run and lets the worker go on without waiting for any further hand-over,
    // for a window that goes away while the worker runs.
    void AbandonHandOvers();
    // Runs ShowStatus() (what 0), AddToList(what) (1..8) or NotCompared() (9) on the
    // creating thread and waits.
    void HandOver(int what);
    bool StopRequested() const { return FStop.load(); }
    // The failed check's text, valid once the thread has finished.
    QString ScanError() const { return FScanError; }

Q_SIGNALS:
    void ShowStatus();
    void AddToList(int list);
    void NotCompared();

protected:
    void run() override;

private:
    const TScanOptions FOptions;
    const TScanTexts FTexts;
    std::atomic<bool> FStop{false};
    THandOverChannel *FChannel;
    QString FScanError;
};
