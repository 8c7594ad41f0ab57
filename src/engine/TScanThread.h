#pragma once

#include "engine/TScanOptions.h"
#include "engine/TScanTexts.h"

#include <QString>
#include <QThread>

#include <atomic>

// The worker of one run; a new one for every run. It never touches the window: each
// status text and each finding is put into a hand-over field and announced with a
// signal that the window connects with Qt::BlockingQueuedConnection, so the worker
// waits until the window's thread has read the field. The end arrives as finished().
class TScanThread : public QThread
{
    Q_OBJECT

public:
    TScanThread(const TScanOptions &options, const TScanTexts &texts, QObject *parent = nullptr);

    // Hand-over fields: written by the worker, read by the window inside the signals.
    QString StatusBarText;
    QString CurrentFilePath;

    // Asks the run to end before its next folder or entry; the file in hand is finished.
    void RequestStop();
    bool StopRequested() const { return FStop.load(); }
    // The failed check's text, valid once the thread has finished.
    QString ScanError() const { return FScanError; }

Q_SIGNALS:
    void ShowStatus();
    void AddToList(int list);

protected:
    void run() override;

private:
    const TScanOptions FOptions;
    const TScanTexts FTexts;
    std::atomic<bool> FStop{false};
    QString FScanError;
};
