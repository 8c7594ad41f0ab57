#include "window/TfrmMain.h"

#include "engine/TScanThread.h"
#include "support/TScanTextLines.h"
#include "window/TPresetsGroup.h"
#include "window/TPrompts.h"
#include "window/TResultsPage.h"
#include "window/TScanSettingsTable.h"
#include "window/TSettingsPage.h"

#include <QApplication>
#include <QLocale>
#include <QPushButton>
#include <QTabWidget>

using namespace Qt::StringLiterals;

namespace {

// The results page's position among the window's pages.
constexpr int ResultsPageIndex = 1;

} // namespace

void TfrmMain::Start()
{
    PageControl2->setTabEnabled(ResultsPageIndex, false);

    TScanSettingsTable::ControlsToOptions(FSettings->SettingControls(), ScanOptions);

    QApplication::setOverrideCursor(Qt::BusyCursor);
    FSettings->SetBusy(true);

    FSettings->StartButton()->setEnabled(false);
    FSettings->StopButton()->setEnabled(true);
    FSettings->ExitButton()->setEnabled(false);
    FSettings->SetSettingsEnabled(false);

    FResults->Clear();
    FShiftFinder.Clear();
    SuggestTimeShift(false);

    // The worker gets its texts now, so a language reload during the run cannot touch it.
    auto *thread =
        new TScanThread(ScanOptions, TScanTextLines::Texts([this](int line) { return FLanguage.text(line); }), this);
    ScanThread = thread;
    // The status texts and findings cross in batches, one blocking round trip each: the
    // worker waits until the window has read the batch, so nothing is queued or lost.
    connect(
        thread, &TScanThread::ShowStatus, this, [this, thread] { ShowStatus(thread->StatusBarText); },
        Qt::DirectConnection);
    connect(
        thread, &TScanThread::AddToList, this, [this, thread](int) { AddFinding(thread->CurrentFinding); },
        Qt::DirectConnection);
    connect(
        thread, &TScanThread::NotCompared, this,
        [this, thread] { FResults->AddNotCompared(thread->CurrentFilePath, thread->NotComparedReason); },
        Qt::DirectConnection);
    connect(thread, &QThread::finished, this, &TfrmMain::ScanFinished, Qt::QueuedConnection);
    thread->start(QThread::LowestPriority);
    // The counts are read from the worker's counters, never handed over.
    FRunClock.start();
    ShowProgress();
    if (!FProgressTimer.isActive()) {
        FProgressTimer.setInterval(ProgressMs);
        connect(&FProgressTimer, &QTimer::timeout, this, &TfrmMain::ShowProgress, Qt::UniqueConnection);
        FProgressTimer.start();
    }
}

void TfrmMain::ShowProgress()
{
    if (!ScanThread)
        return;
    FSettings->SetProgressText(u" "_s
                               + ScanThread->Progress().Text(Text(tlScanProgress), FRunClock.elapsed(), QLocale()));
}

void TfrmMain::StartScan(const QString &source, const QString &destination)
{
    FSettings->SelectFolders(source, destination);
    UpdateRunControls();
    Start();
}

void TfrmMain::Stop()
{
    if (ScanThread)
        ScanThread->RequestStop();
}

void TfrmMain::Exit()
{
    close();
}

void TfrmMain::UpdateRunControls()
{
    // The parts call in while the window is being built.
    if (!FSettings || !FPresets)
        return;
    QPushButton *start = FSettings->StartButton();
    if (ScanThread) {
        start->setEnabled(false);
        FSettings->StopButton()->setEnabled(true);
        FSettings->ExitButton()->setEnabled(false);
    } else {
        FSettings->StopButton()->setEnabled(false);
        FSettings->ExitButton()->setEnabled(true);
        // A greyed Start says why on hover.
        const QString reason = FSettings->StartBlocker();
        start->setEnabled(reason.isEmpty());
        start->setToolTip(reason);
    }
    FPresets->UpdateButtons(start->isEnabled());
}

void TfrmMain::ShowStatus(const QString &text)
{
    SetStatusText(u" "_s + text);
}

void TfrmMain::ScanFinished()
{
    TScanThread *thread = ScanThread;
    // The last counts stay in view; the indicator stops.
    ShowProgress();
    FProgressTimer.stop();
    FSettings->SetBusy(false);
    ScanThread = nullptr;
    QApplication::restoreOverrideCursor();
    FSettings->SetSettingsEnabled(true);
    UpdateRunControls();

    const QString error = thread ? thread->ScanError() : QString();
    SuggestTimeShift(thread && error.isEmpty() && !thread->StopRequested());
    if (thread)
        thread->deleteLater();
    if (!error.isEmpty())
        FPrompts->Error(error);
    SetStatusText(u" "_s + Text(tlReady));
    PageControl2->setTabEnabled(ResultsPageIndex, true);

    if (FResults->ShowFindings())
        PageControl2->setCurrentIndex(ResultsPageIndex);
    else
        FPrompts->Information(Text(tlNoFilesFound));
    Q_EMIT ScanCompleted();
}
