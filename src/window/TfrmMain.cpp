#include "window/TfrmMain.h"

#include "actions/ui/TListActions.h"
#include "engine/TScanThread.h"
#include "pairview/TCompareCommand.h"
#include "pairview/TPairView.h"
#include "registry/RegistryUtils.h"
#include "support/DefaultLanguageName.h"
#include "support/ProgramStore.h"
#include "support/TmxStorage.h"
#include "window/TLanguageAndHelp.h"
#include "window/TMessageBoxPrompts.h"
#include "window/TPresetsGroup.h"
#include "window/TResultsPage.h"
#include "window/TScanSettingsTable.h"
#include "window/TSettingsPage.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The window as built; its minimum size is the same.
constexpr int BuiltWidth = 820;
constexpr int BuiltHeight = 545;

} // namespace

TfrmMain::TfrmMain(QWidget *parent)
    : TfrmMain(QCoreApplication::applicationDirPath(), DefaultLanguageName(), parent)
{}

TfrmMain::TfrmMain(const QString &programFolder, const QString &defaultLanguage, QWidget *parent)
    : QWidget(parent)
    , FLanguage(TLanguageTable::BuiltInEnglish())
    , FMx(std::make_unique<TmxStorage>())
    , FOwnPrompts(std::make_unique<TMessageBoxPrompts>(this))
{
    FPrompts = FOwnPrompts.get();
    setObjectName(u"frmMain"_s);
    LoadProgramStore(*FMx);
    setWindowTitle(ReadProductText(*FMx, 0));
    setMinimumSize(BuiltWidth, BuiltHeight);
    resize(BuiltWidth, BuiltHeight);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    PageControl2 = new QTabWidget(this);
    PageControl2->setObjectName(u"PageControl2"_s);
    layout->addWidget(PageControl2);

    FPresets = new TPresetsGroup(
        *this, [this] { return FSettings->SettingControls(); }, this);
    FSettings = new TSettingsPage(*this, PageControl2, FPresets->Group(), FPresets->TabOrder(), this);
    FResults = new TResultsPage(*this, PageControl2, BuildTimeShiftBar(), this);
    FLanguageAndHelp = new TLanguageAndHelp(
        *this, {[this](const TLanguageTable &table) { SetLanguage(table); }, [this] { ApplyLanguage(); }}, PageControl2,
        *FMx, programFolder, defaultLanguage, this);
    FActions = new TListActions(
        *this,
        {[this](int list) { return FileList(list); }, [this](int list) { FResults->JamFileListChange(list); },
         [this] { return ScanOptions.srcPath; }, [this] { return ScanOptions.dstPath; },
         [this] { return TScanSettingsTable::ControlsToCopyOptions(FSettings->SettingControls()); }},
        [this](TTextLine line) { return Text(line); });
    FResults->SetActions(FActions);
    connect(FResults, &TResultsPage::ComparePair, this, &TfrmMain::ComparePair);
    connect(FSettings->StartButton(), &QPushButton::clicked, this, &TfrmMain::Start);
    connect(FSettings->StopButton(), &QPushButton::clicked, this, &TfrmMain::Stop);
    connect(FSettings->ExitButton(), &QPushButton::clicked, this, &TfrmMain::Exit);

    FSettings->FinishLoading();
    UpdateRunControls();
    SetStatusText(u" "_s + Text(tlReady));
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    FormDestroy();
    // Only a program being torn down (or a test) gets here with a scan running. The worker
    // may be waiting inside a hand-over to this window: drop those, stop it and let it end.
    if (TScanThread *thread = ScanThread) {
        ScanThread = nullptr;
        thread->disconnect(this);
        thread->AbandonHandOvers();
        thread->wait();
    }
}

void TfrmMain::SetPrompts(TPrompts *prompts)
{
    FPrompts = prompts ? prompts : FOwnPrompts.get();
}

TPrompts &TfrmMain::Prompts() const
{
    return *FPrompts;
}

void TfrmMain::SetStatusText(const QString &text)
{
    FSettings->SetStatusText(text);
}

void TfrmMain::ComparePair(int list, const QString &path, const QString &counterpart)
{
    // The source file on the left, as in the lists.
    const bool source = IsSourceList(list);
    const QString left = source ? path : counterpart;
    const QString right = source ? counterpart : path;
    const QString command = FLanguageAndHelp->CompareWith();
    if (!command.isEmpty()) {
        if (!TCompareCommand::Start(command, left, right))
            Prompts().Error(Text(tlCompareToolFailed).arg(command));
        return;
    }
    auto *view = new TPairView(
        left, right, [this](TTextLine line) { return Text(line); }, this);
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->SetCopier([this, list](const QString &from, const QString &to) { FActions->CopyPair(list, from, to); });
    view->show();
}

TJamFileList *TfrmMain::FileList(int list) const
{
    return FResults->FileList(list);
}

TResultListStatus *TfrmMain::ListStatus() const
{
    return FResults->ListStatus();
}

TColumnLayout &TfrmMain::ColumnLayout()
{
    return FResults->ColumnLayout();
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    // A batch of file actions ends before the window closes; the user is asked first.
    if (FActions && !FActions->MayCloseWindow())
        event->ignore();
    else if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

bool TfrmMain::FormCloseQuery()
{
    // Exit is disabled exactly while a scan runs; the window never closes under a worker.
    if (!FSettings->ExitButton()->isEnabled())
        return false;
    WriteInteger(u"LangID"_s, FLanguageAndHelp->LanguageIndex());
    FResults->SaveColumns();
    SavePlacement();
    SaveLastFolders();
    return true;
}
