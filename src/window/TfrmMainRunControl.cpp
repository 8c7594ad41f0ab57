#include "window/TfrmMain.h"

#include "controls/TLabeledFloatSpinEdit.h"
#include "engine/TScanTexts.h"
#include "engine/TScanThread.h"
#include "results/TJamFileList.h"
#include "results/TNotComparedPage.h"
#include "shell/TJamShellTree.h"
#include "window/TPrompts.h"
#include "window/TScanSettingsTable.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

constexpr int ResultsPage = 1;

// A size limit times its unit's factor, rounded to a float as a run compares it.
float LimitInBytes(const TLabeledFloatSpinEdit *edit, const QRadioButton *byte, const QRadioButton *kb)
{
    return float(edit->Value() * TScanSettingsTable::FactorOf(TScanSettingsTable::UnitOf(byte, kb)));
}

} // namespace

void TfrmMain::Start()
{
    PageControl2->setTabEnabled(ResultsPage, false);

    TScanSettingsTable::ControlsToOptions(SettingControls(), ScanOptions);

    QApplication::setOverrideCursor(Qt::BusyCursor);

    Button1->setEnabled(false);
    Button2->setEnabled(true);
    Button3->setEnabled(false);
    Panel2->setEnabled(false);
    Panel4->setEnabled(false);
    Panel3->setEnabled(false);

    for (TJamFileList *list : FLists)
        list->Clear();
    NotComparedPage->Clear();
    FShiftFinder.Clear();
    SuggestTimeShift(false);
    ApplyNotComparedTexts();

    // The worker gets its texts now, so a language reload during the run cannot touch it.
    auto *thread =
        new TScanThread(ScanOptions, TScanTexts::FromLines([this](int line) { return FLanguage.text(line); }), this);
    ScanThread = thread;
    // Each status text and each finding is one blocking round trip: the worker waits until
    // the window has read the field, so nothing is queued or lost.
    connect(
        thread, &TScanThread::ShowStatus, this, [this, thread] { ShowStatus(thread->StatusBarText); },
        Qt::DirectConnection);
    connect(
        thread, &TScanThread::AddToList, this, [this, thread](int) { AddFinding(thread->CurrentFinding); },
        Qt::DirectConnection);
    connect(
        thread, &TScanThread::NotCompared, this,
        [this, thread] { AddNotCompared(thread->CurrentFilePath, thread->NotComparedReason); }, Qt::DirectConnection);
    connect(thread, &QThread::finished, this, &TfrmMain::ScanFinished, Qt::QueuedConnection);
    thread->start(QThread::LowestPriority);
}

void TfrmMain::StartScan(const QString &source, const QString &destination)
{
    JamShellTree1->SetSelectedFolder(source);
    JamShellTree2->SetSelectedFolder(destination);
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
    if (ScanThread) {
        Button1->setEnabled(false);
        Button2->setEnabled(true);
        Button3->setEnabled(false);
    } else {
        Button2->setEnabled(false);
        Button3->setEnabled(true);
        const float minBytes = LimitInBytes(SpinEdit3, RadioButton1, RadioButton2);
        const float maxBytes = LimitInBytes(SpinEdit4, RadioButton4, RadioButton5);
        // A greyed Start says why on hover.
        QString reason;
        if (JamShellTree1->SelectedFolder().isEmpty())
            reason = Text(tlNoSource);
        else if (JamShellTree2->SelectedFolder().isEmpty())
            reason = Text(tlNoDestination);
        else if (maxBytes < minBytes)
            reason = Text(tlMinimumAboveMaximum);
        Button1->setEnabled(reason.isEmpty());
        Button1->setToolTip(reason);
    }
    Button4->setEnabled(Button1->isEnabled());
    Button5->setEnabled(ComboBox1->currentIndex() >= 0);
}

void TfrmMain::ShowStatus(const QString &text)
{
    SetStatusText(u" "_s + text);
}

void TfrmMain::AddNotCompared(const QString &path, const QString &reason)
{
    NotComparedPage->Add(path, reason);
}

void TfrmMain::ScanFinished()
{
    TScanThread *thread = ScanThread;
    ScanThread = nullptr;
    QApplication::restoreOverrideCursor();
    Panel2->setEnabled(true);
    Panel4->setEnabled(true);
    Panel3->setEnabled(true);
    UpdateRunControls();

    const QString error = thread ? thread->ScanError() : QString();
    SuggestTimeShift(thread && error.isEmpty() && !thread->StopRequested());
    if (thread)
        thread->deleteLater();
    if (!error.isEmpty())
        FPrompts->Error(error);
    SetStatusText(u" "_s + Text(tlReady));
    PageControl2->setTabEnabled(ResultsPage, true);

    const auto holds = [this](int a, int b) {
        return FileList(a)->TotalFileCount() > 0 || FileList(b)->TotalFileCount() > 0;
    };
    int page = -1;
    if (holds(1, 2))
        page = 0;
    else if (holds(3, 4))
        page = 1;
    else if (holds(5, 6))
        page = 2;
    else if (holds(7, 8))
        page = 3;
    NotComparedPage->ShowCount();
    ApplyNotComparedTexts();
    // The page of entries left out is chosen only when no result page has rows.
    if (page < 0 && NotComparedPage->Count() > 0)
        page = PageControl1->indexOf(NotComparedPage);
    if (page >= 0) {
        PageControl2->setCurrentIndex(ResultsPage);
        PageControl1->setCurrentIndex(page);
    } else {
        FPrompts->Information(Text(tlNoFilesFound));
    }
    Q_EMIT ScanCompleted();
}
