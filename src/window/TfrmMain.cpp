#include "window/TfrmMain.h"

#include "actions/ui/TListActions.h"
#include "controls/TLabeledFloatSpinEdit.h"
#include "engine/TScanThread.h"
#include "registry/RegistryUtils.h"
#include "results/TJamFileList.h"
#include "results/TResultListStatus.h"
#include "support/DefaultLanguageName.h"
#include "support/ProgramStore.h"
#include "support/TQtTranslations.h"
#include "support/TmxStorage.h"
#include "window/TMessageBoxPrompts.h"
#include "window/TStatusPanel.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The window as built; its minimum size is the same.
constexpr int BuiltWidth = 820;
constexpr int BuiltHeight = 545;
// Between the two halves of a results tab.
constexpr int HalfGap = 6;
// The run buttons sit this far from the middle column's edges and bottom.
constexpr int ButtonMargin = 8;

} // namespace

TfrmMain::TfrmMain(QWidget *parent)
    : TfrmMain(QCoreApplication::applicationDirPath(), DefaultLanguageName(), parent)
{}

TfrmMain::TfrmMain(const QString &programFolder, const QString &defaultLanguage, QWidget *parent)
    : QWidget(parent)
    , FLanguage(TLanguageTable::BuiltInEnglish())
    , FMx(std::make_unique<TmxStorage>())
    , FOwnPrompts(std::make_unique<TMessageBoxPrompts>(this))
    , FProgramFolder(programFolder)
    , FDefaultLanguage(defaultLanguage)
    , FQtTranslations(std::make_unique<TQtTranslations>())
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

    BuildSettingsPage();
    BuildResultsPage();
    BuildInfoPage();
    FActions = new TListActions(*this,
                                {[this](int list) { return FileList(list); },
                                 [this](int list) { JamFileListChange(list); }, [this] { return ScanOptions.srcPath; },
                                 [this] { return ScanOptions.dstPath; }, [this] { return CheckBox9->isChecked(); }},
                                [this](TTextLine line) { return Text(line); });

    FListStatus = new TResultListStatus([this](int line) { return FLanguage.text(line); }, this);
    const std::array<TResultListStatus::TListControls, ListCount> controls{{
        {JamFileList1, StatusBar6->findChild<QLabel *>(), PngBitBtn9, PngBitBtn14},
        {JamFileList2, StatusBar2->findChild<QLabel *>(), PngBitBtn1, PngBitBtn15},
        {JamFileList3, StatusBar7->findChild<QLabel *>(), PngBitBtn2, nullptr},
        {JamFileList4, StatusBar8->findChild<QLabel *>(), PngBitBtn12, nullptr},
        {JamFileList5, StatusBar3->findChild<QLabel *>(), nullptr, PngBitBtn3},
        {JamFileList6, StatusBar4->findChild<QLabel *>(), nullptr, PngBitBtn5},
        {JamFileList7, StatusBar5->findChild<QLabel *>(), PngBitBtn6, PngBitBtn11},
        {JamFileList8, StatusBar9->findChild<QLabel *>(), PngBitBtn8, PngBitBtn13},
    }};
    for (int list = 1; list <= ListCount; ++list) {
        FListStatus->SetControls(list, controls[list - 1]);
        // Empty lists: plain captions, buttons disabled.
        FListStatus->RefreshListStatus(list);
    }

    ConnectSettingsHandlers();
    ConnectListHandlers();
    FitTimeLabels();

    // The size limits take any whole number of units a 32-bit count can hold.
    SpinEdit3->SetMaxValue(2147483647);
    SpinEdit4->SetMaxValue(2147483647);
    Panel4Width = Panel7->width();

    FLoading = false;
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
    StatusBar1Panel1->setText(text);
}

bool TfrmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Image2 && event->type() == QEvent::MouseButtonRelease)
        Image2Click();
    if (event->type() == QEvent::Resize) {
        if (watched == TabSheet5)
            PlaceSettingsColumns();
        else if (watched == Panel7)
            PlaceMiddleButtons();
        else if (watched == TabSheet1 || watched == TabSheet2 || watched == TabSheet3 || watched == TabSheet4)
            PlaceResultHalves(static_cast<QWidget *>(watched));
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmMain::PlaceSettingsColumns()
{
    const int width = TabSheet5->width();
    const int statusHeight = StatusBar1->sizeHint().height();
    const int height = TabSheet5->height() - statusHeight;
    const int free = width - Panel4Width;
    const int left = free / 2;
    Panel2->setGeometry(0, 0, left, height);
    Panel7->setGeometry(left, 0, Panel4Width, height);
    Panel3->setGeometry(left + Panel4Width, 0, free - left, height);
    StatusBar1->setGeometry(0, height, width, statusHeight);
}

void TfrmMain::PlaceMiddleButtons()
{
    const int w = Panel7->width();
    const int buttonTop = Panel7->height() - Button1->height() - ButtonMargin;
    Panel4->setGeometry(0, 0, w, buttonTop - ButtonMargin / 2);
    Button1->move(ButtonMargin, buttonTop);
    Button3->move(w - Button3->width() - ButtonMargin, buttonTop);
    Button2->move(w / 2 - Button2->width() / 2, buttonTop);
}

void TfrmMain::PlaceResultHalves(QWidget *tab)
{
    const int index = tab == TabSheet1 ? 0 : tab == TabSheet2 ? 1 : tab == TabSheet3 ? 2 : 3;
    const int half = (tab->width() - HalfGap) / 2;
    FSourceHalves[index]->setGeometry(0, 0, half, tab->height());
    FDestinationHalves[index]->setGeometry(half + HalfGap, 0, tab->width() - half - HalfGap, tab->height());
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
    if (!Button3->isEnabled())
        return false;
    WriteInteger(u"LangID"_s, LangIndex);
    for (int list = 1; list <= ListCount; ++list) {
        // A list whose layout was never applied would otherwise store its defaults over it.
        FColumnLayout.EnsureRestored(list, *FileList(list));
        TColumnLayout::SaveColumns(*FileList(list), TColumnLayout::StoredName(list));
    }
    SavePlacement();
    SaveLastFolders();
    return true;
}
