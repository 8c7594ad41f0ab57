#include "window/TfrmMain.h"

#include "actions/ui/TListActions.h"
#include "results/TJamFileList.h"
#include "results/TNotComparedPage.h"
#include "results/TResultListStatus.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int HeadingHeight = 25;
constexpr int BottomStripHeight = 59;
constexpr int ListStatusHeight = 19;
constexpr int ActionButtonHeight = 25;
constexpr int WideButtonWidth = 207;
constexpr int NarrowButtonWidth = 127;

// Per list: its heading and status bar, and its copy or update button and delete button
// (either may be missing), with the delete button first or last as laid out.
struct THalfPlan
{
    const char16_t *Heading;
    const char16_t *StatusBar;
    const char16_t *CopyButton;
    const char16_t *DeleteButton;
    bool DeleteFirst;
};

constexpr THalfPlan HalfPlans[TfrmMain::ListCount] = {
    {u"Label13", u"StatusBar6", u"PngBitBtn9", u"PngBitBtn14", true},
    {u"Label5", u"StatusBar2", u"PngBitBtn1", u"PngBitBtn15", false},
    {u"Label6", u"StatusBar7", u"PngBitBtn2", nullptr, false},
    {u"Label7", u"StatusBar8", u"PngBitBtn12", nullptr, false},
    {u"Label8", u"StatusBar3", nullptr, u"PngBitBtn3", false},
    {u"Label9", u"StatusBar4", nullptr, u"PngBitBtn5", false},
    {u"Label10", u"StatusBar5", u"PngBitBtn6", u"PngBitBtn11", true},
    {u"Label11", u"StatusBar9", u"PngBitBtn8", u"PngBitBtn13", false},
};

QPixmap LogoPixmap(const QString &title)
{
    QPixmap pixmap(220, 64);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawPixmap(0, 8, TfrmMain::ProgramIcon().pixmap(48, 48));
    QFont font = painter.font();
    font.setPointSize(16);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(0x2e, 0x6d, 0xb4));
    painter.drawText(QRectF(58, 0, 162, 64), Qt::AlignVCenter | Qt::AlignLeft, title);
    return pixmap;
}

} // namespace

QWidget *TfrmMain::BuildResultHalf(int list, QWidget *tab, bool buttonsRight)
{
    const THalfPlan &plan = HalfPlans[list - 1];
    auto *half = new QWidget(tab);
    half->setObjectName(u"ResultHalf"_s + QString::number(list));
    auto *column = new QVBoxLayout(half);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *headingStrip = new QWidget(half);
    headingStrip->setFixedHeight(HeadingHeight);
    auto *headingRow = new QHBoxLayout(headingStrip);
    headingRow->setContentsMargins(8, 0, 0, 0);
    auto *heading = new QLabel(headingStrip);
    heading->setObjectName(QString::fromUtf16(plan.Heading));
    Captioned(heading);
    heading->setMinimumWidth(1);
    headingRow->addWidget(heading);
    column->addWidget(headingStrip);

    auto *fileList = new TJamFileList(half);
    fileList->setObjectName(u"JamFileList"_s + QString::number(list));
    FLists[list - 1] = fileList;
    // Missing files have no other side to show.
    fileList->SetOffersCounterpartColumns(list > 2);
    // Wired at once: the list may announce its columns before the window is complete.
    connect(fileList, &TJamFileList::CreateColumns, this,
            [this, list] { FColumnLayout.ListCreateColumns(list, *FileList(list)); });
    column->addWidget(fileList, 1);

    auto *bottomStrip = new QWidget(half);
    bottomStrip->setFixedHeight(BottomStripHeight);
    auto *bottom = new QVBoxLayout(bottomStrip);
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->setSpacing(0);
    auto *buttonRow = new QHBoxLayout;
    buttonRow->setContentsMargins(0, 7, 0, 0);
    buttonRow->setSpacing(6);
    if (buttonsRight)
        buttonRow->addStretch(1);
    const bool pair = plan.CopyButton && plan.DeleteButton;
    const std::array<const char16_t *, 2> order =
        plan.DeleteFirst ? std::array<const char16_t *, 2>{plan.DeleteButton, plan.CopyButton}
                         : std::array<const char16_t *, 2>{plan.CopyButton, plan.DeleteButton};
    for (const char16_t *name : order) {
        if (!name)
            continue;
        auto *button = new QPushButton(bottomStrip);
        button->setObjectName(QString::fromUtf16(name));
        const bool narrow = pair && name == plan.DeleteButton;
        button->setFixedSize(narrow ? NarrowButtonWidth : WideButtonWidth, ActionButtonHeight);
        buttonRow->addWidget(button);
    }
    if (!buttonsRight)
        buttonRow->addStretch(1);
    bottom->addLayout(buttonRow);
    bottom->addStretch(1);
    auto *statusBar = new QStatusBar(bottomStrip);
    statusBar->setObjectName(QString::fromUtf16(plan.StatusBar));
    statusBar->setSizeGripEnabled(false);
    statusBar->setFixedHeight(ListStatusHeight);
    auto *statusText = new QLabel(statusBar);
    statusText->setMinimumWidth(1);
    statusBar->addWidget(statusText, 1);
    bottom->addWidget(statusBar);
    column->addWidget(bottomStrip);
    return half;
}

void TfrmMain::BuildResultsPage()
{
    TabSheet6 = new QWidget;
    TabSheet6->setObjectName(u"TabSheet6"_s);
    PageControl2->addTab(TabSheet6, QString());
    Captioned(TabSheet6);
    auto *layout = new QVBoxLayout(TabSheet6);
    layout->setContentsMargins(4, 4, 4, 4);
    PageControl1 = new QTabWidget(TabSheet6);
    PageControl1->setObjectName(u"PageControl1"_s);
    layout->addWidget(BuildTimeShiftBar(TabSheet6));
    layout->addWidget(PageControl1);

    QWidget **tabs[4] = {&TabSheet1, &TabSheet2, &TabSheet3, &TabSheet4};
    for (int t = 0; t < 4; ++t) {
        QWidget *tab = new QWidget;
        tab->setObjectName(u"TabSheet"_s + QString::number(t + 1));
        *tabs[t] = tab;
        PageControl1->addTab(tab, QString());
        Captioned(tab);
        FSourceHalves[t] = BuildResultHalf(2 * t + 1, tab, false);
        FDestinationHalves[t] = BuildResultHalf(2 * t + 2, tab, true);
        tab->installEventFilter(this);
    }
    NotComparedPage = new TNotComparedPage;
    NotComparedPage->setObjectName(u"NotComparedPage"_s);
    PageControl1->addTab(NotComparedPage, Text(tlNotComparedPage));
    ApplyNotComparedTexts();

    const auto find = [this]<typename T>(T *&field, const QString &name) {
        field = TabSheet6->findChild<T *>(name);
        Q_ASSERT(field);
    };
    TJamFileList **lists[ListCount] = {&JamFileList1, &JamFileList2, &JamFileList3, &JamFileList4,
                                       &JamFileList5, &JamFileList6, &JamFileList7, &JamFileList8};
    for (int list = 1; list <= ListCount; ++list)
        *lists[list - 1] = FLists[list - 1];
    QStatusBar **statusBars[] = {&StatusBar2, &StatusBar3, &StatusBar4, &StatusBar5,
                                 &StatusBar6, &StatusBar7, &StatusBar8, &StatusBar9};
    for (int number = 2; number <= 9; ++number)
        find(*statusBars[number - 2], u"StatusBar"_s + QString::number(number));
    const std::pair<QLabel **, int> labels[] = {{&Label5, 5}, {&Label6, 6},   {&Label7, 7},   {&Label8, 8},
                                                {&Label9, 9}, {&Label10, 10}, {&Label11, 11}, {&Label13, 13}};
    for (const auto &[field, number] : labels)
        find(*field, u"Label"_s + QString::number(number));
    const std::pair<QPushButton **, int> buttons[] = {{&PngBitBtn1, 1},   {&PngBitBtn2, 2},   {&PngBitBtn3, 3},
                                                      {&PngBitBtn5, 5},   {&PngBitBtn6, 6},   {&PngBitBtn8, 8},
                                                      {&PngBitBtn9, 9},   {&PngBitBtn11, 11}, {&PngBitBtn12, 12},
                                                      {&PngBitBtn13, 13}, {&PngBitBtn14, 14}, {&PngBitBtn15, 15}};
    for (const auto &[field, number] : buttons)
        find(*field, u"PngBitBtn"_s + QString::number(number));
}

void TfrmMain::ApplyNotComparedTexts()
{
    const int count = NotComparedPage->Count();
    PageControl1->setTabText(PageControl1->indexOf(NotComparedPage),
                             count > 0 ? Text(tlNotComparedPage) + u" ("_s + QString::number(count) + u')'
                                       : Text(tlNotComparedPage));
    NotComparedPage->SetTexts(Text(tlPathColumn), Text(tlReasonColumn), Text(tlNotComparedCount));
}

void TfrmMain::BuildInfoPage()
{
    TabSheet7 = new QWidget;
    TabSheet7->setObjectName(u"TabSheet7"_s);
    PageControl2->addTab(TabSheet7, QString());
    Captioned(TabSheet7);
    auto *grid = new QGridLayout(TabSheet7);
    grid->setContentsMargins(24, 24, 24, 24);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(10);

    Image2 = new QLabel(TabSheet7);
    Image2->setObjectName(u"Image2"_s);
    Image2->setPixmap(LogoPixmap(windowTitle()));
    grid->addWidget(Image2, 0, 0, 1, 3);

    Label15 = new QLabel(TabSheet7);
    Label15->setObjectName(u"Label15"_s);
    Captioned(Label15);
    ComboBox2 = new QComboBox(TabSheet7);
    ComboBox2->setObjectName(u"ComboBox2"_s);
    ComboBox2->setMinimumWidth(180);
    Label15->setBuddy(ComboBox2);
    grid->addWidget(Label15, 1, 0);
    grid->addWidget(ComboBox2, 1, 1);

    PngBitBtn10 = new QPushButton(TabSheet7);
    PngBitBtn10->setObjectName(u"PngBitBtn10"_s);
    Captioned(PngBitBtn10);
    grid->addWidget(PngBitBtn10, 2, 0);

    Label16 = new QLabel(Text(tlVersion).arg(QStringLiteral(FM_VERSION)), TabSheet7);
    Label16->setObjectName(u"Label16"_s);
    grid->addWidget(Label16, 3, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(4, 1);
}

void TfrmMain::ConnectListHandlers()
{
    for (int list = 1; list <= ListCount; ++list) {
        TJamFileList *fileList = FileList(list);
        connect(fileList, &TJamFileList::Change, this, [this, list] { JamFileListChange(list); });
    }
    // The copy, update and delete buttons under the lists.
    const std::pair<QPushButton *, void (TListActions::*)()> actions[] = {
        {PngBitBtn9, &TListActions::PngBitBtn9Click},   {PngBitBtn1, &TListActions::PngBitBtn1Click},
        {PngBitBtn2, &TListActions::PngBitBtn2Click},   {PngBitBtn12, &TListActions::PngBitBtn12Click},
        {PngBitBtn6, &TListActions::PngBitBtn6Click},   {PngBitBtn8, &TListActions::PngBitBtn8Click},
        {PngBitBtn14, &TListActions::PngBitBtn14Click}, {PngBitBtn15, &TListActions::PngBitBtn15Click},
        {PngBitBtn3, &TListActions::PngBitBtn3Click},   {PngBitBtn5, &TListActions::PngBitBtn5Click},
        {PngBitBtn11, &TListActions::PngBitBtn11Click}, {PngBitBtn13, &TListActions::PngBitBtn13Click},
    };
    for (const auto &[button, handler] : actions)
        connect(button, &QPushButton::clicked, FActions, handler);
}

void TfrmMain::JamFileListChange(int list)
{
    FListStatus->ListChanged(list);
}

void TfrmMain::RefreshAllLists()
{
    FListStatus->RefreshAll();
}
