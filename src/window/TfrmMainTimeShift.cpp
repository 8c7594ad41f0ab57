#include "window/TfrmMain.h"

#include "controls/TLabeledFloatSpinEdit.h"
#include "controls/TTimeAdjustEdit.h"
#include "results/TJamFileList.h"
#include "results/TResultListStatus.h"
#include "shell/TJamShellTree.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>

#include <cstdlib>

using namespace Qt::StringLiterals;

QWidget *TfrmMain::BuildTimeShiftBar(QWidget *parent)
{
    ShiftBar = new QFrame(parent);
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
    if (finding.List < 1 || finding.List > ListCount)
        return;
    FShiftFinder.Add(finding);
    TJamFileList *list = FLists[finding.List - 1];
    if (finding.HasCounterpart)
        list->Add(finding.Path, {finding.CounterpartSize, finding.CounterpartMTimeSec, finding.Difference});
    else
        list->Add(finding.Path);
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
    SpinEdit1->SetValue(FShift.srcTimeZ);
    SpinEdit2->SetValue(FShift.dstTimeZ);
    SpinEdit5->SetValue(FShift.MrgErrSec);
    FShift = {};
    ShiftBar->hide();
    JamShellTree1->SetSelectedFolder(source);
    JamShellTree2->SetSelectedFolder(destination);
    UpdateRunControls();
    if (Button1->isEnabled())
        Start();
}

void TfrmMain::ApplyTimeShiftTexts()
{
    if (ShiftBar && !ShiftBar->isHidden())
        ShowTimeShift();
}
