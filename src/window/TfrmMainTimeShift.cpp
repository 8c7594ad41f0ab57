#include "window/TfrmMain.h"

#include "results/TResultListStatus.h"
#include "window/TResultsPage.h"
#include "window/TSettingsPage.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>

#include <cstdlib>

using namespace Qt::StringLiterals;

QWidget *TfrmMain::BuildTimeShiftBar()
{
    ShiftBar = new QFrame;
    ShiftBar->setObjectName(u"ShiftBar"_s);
    ShiftBar->setFrameShape(QFrame::StyledPanel);
    ShiftBar->setAutoFillBackground(true);
    ShiftBar->setBackgroundRole(QPalette::ToolTipBase);
    auto *row = new QHBoxLayout(ShiftBar);
    row->setContentsMargins(8, 3, 3, 3);
    ShiftLabel = new QLabel(ShiftBar);
    ShiftLabel->setObjectName(u"ShiftLabel"_s);
    ShiftLabel->setForegroundRole(QPalette::ToolTipText);
    ShiftLabel->setMinimumWidth(1);
    row->addWidget(ShiftLabel, 1);
    ShiftButton = new QPushButton(ShiftBar);
    ShiftButton->setObjectName(u"ShiftButton"_s);
    ApplyCaption(ShiftButton);
    row->addWidget(ShiftButton);
    ShiftDismiss = new QPushButton(ShiftBar);
    ShiftDismiss->setObjectName(u"ShiftDismiss"_s);
    ApplyCaption(ShiftDismiss);
    row->addWidget(ShiftDismiss);
    connect(ShiftButton, &QPushButton::clicked, this, &TfrmMain::AcceptTimeShift);
    connect(ShiftDismiss, &QPushButton::clicked, ShiftBar, &QWidget::hide);
    ShiftBar->hide();
    return ShiftBar;
}

void TfrmMain::AddFinding(const TFinding &finding)
{
    FShiftFinder.Add(finding);
    FResults->AddFinding(finding);
}

void TfrmMain::SuggestTimeShift(bool runComplete)
{
    // A stopped or failed run saw only part of the pairs: its share says nothing.
    FShift = runComplete ? FShiftFinder.Suggest(ScanOptions) : TTimeShiftFinder::TSuggestion();
    FShiftFinder.Clear();
    ShowTimeShift();
}

void TfrmMain::ShowTimeShift()
{
    if (FShift.Kind == TTimeShiftFinder::skNone) {
        ShiftBar->hide();
        return;
    }
    ShiftLabel->setText(TimeShiftText());
    ShiftBar->show();
}

QString TfrmMain::TimeShiftText() const
{
    if (FShift.Kind == TTimeShiftFinder::skSeconds)
        return TResultListStatus::FormatCounts(Text(tlShiftSeconds), FShift.Pairs, 0);
    const int hours = std::abs(FShift.Hours);
    QString text = TResultListStatus::FormatCounts(Text(hours == 1 ? tlShiftOneHour : tlShiftHours), FShift.Pairs, 0);
    return hours == 1 ? text : text.replace(u"%1"_s, QLocale().toString(hours));
}

const TTimeShiftFinder::TSuggestion &TfrmMain::TimeShiftSuggestion() const
{
    return FShift;
}

void TfrmMain::AcceptTimeShift()
{
    if (Scanning() || FShift.Kind == TTimeShiftFinder::skNone)
        return;
    // The same folders as the run that showed the shift, with the settings that make its
    // pairs equal in time.
    const QString source = ScanOptions.srcPath;
    const QString destination = ScanOptions.dstPath;
    FSettings->SetTimeCorrection(FShift.srcTimeZ, FShift.dstTimeZ, FShift.MrgErrSec);
    FShift = {};
    ShiftBar->hide();
    FSettings->SelectFolders(source, destination);
    UpdateRunControls();
    if (FSettings->StartButton()->isEnabled())
        Start();
}

void TfrmMain::ApplyTimeShiftTexts()
{
    if (ShiftBar && !ShiftBar->isHidden())
        ShowTimeShift();
}
