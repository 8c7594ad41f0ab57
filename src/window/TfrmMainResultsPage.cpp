#include "window/TfrmMain.h"

#include "results/TJamFileList.h"
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

// Per list: the list number, its status bar, and its buttons as laid out from left to right
// (a copy or update button and a delete button, either of which may be missing).
struct THalfPlan
{
    int List;
    int HeadingLine;
    const char16_t *Heading;
    const char16_t *StatusBar;
    const char16_t *First;
    const char16_t *Second;
};

constexpr THalfPlan HalfPlans[TfrmMain::ListCount] = {
    {1, 36, u"Label13", u"StatusBar6", u"PngBitBtn14", u"PngBitBtn9"},
    {2, 37, u"Label5", u"StatusBar2", u"PngBitBtn1", u"PngBitBtn15"},
    {3, 40, u"Label6", u"StatusBar7", u"PngBitBtn2", nullptr},
    {4, 41, u"Label7", u"StatusBar8", u"PngBitBtn12", nullptr},
    {5, 44, u"Label8", u"StatusBar3", u"PngBitBtn3", nullptr},
    {6, 45, u"Label9", u"StatusBar4", u"PngBitBtn5", nullptr},
    {7, 48, u"Label10", u"StatusBar5", u"PngBitBtn11", u"PngBitBtn6"},
    {8, 49, u"Label11", u"StatusBar9", u"PngBitBtn8", u"PngBitBtn13"},
};

QPixmap LogoPixmap(const QString &title)
{
    QPixmap pixmap(220, 64);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x2e, 0x6d, 0xb4));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(0, 8, 48, 48), 8, 8);
    painter.setBrush(QColor(0xf2, 0xa9, 0x00));
    painter.drawRoundedRect(QRectF(14, 22, 34, 34), 6, 6);
    QFont font = painter.font();
    font.setPointSize(16);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(0x2e, 0x6d, 0xb4));
    painter.drawText(QRectF(58, 0, 162, 64), Qt::AlignVCenter | Qt::AlignLeft, title);
    return pixmap;
}

} // namespace

QWidget *TfrmMain::BuildResultHalf(int list, QLabel *&heading, int headingLine, QPushButton *&first,
                                   QPushButton *&second, bool buttonsRight)
{
    const THalfPlan &plan = HalfPlans[list - 1];
    auto *half = new QWidget;
    half->setObjectName(u"ResultHalf"_s + QString::number(list));
    auto *column = new QVBoxLayout(half);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *headingStrip = new QWidget(half);
    headingStrip->setFixedHeight(HeadingHeight);
    auto *headingRow = new QHBoxLayout(headingStrip);
    headingRow->setContentsMargins(8, 0, 0, 0);
    heading = new QLabel(Text(headingLine), headingStrip);
    heading->setObjectName(QString::fromUtf16(plan.Heading));
    heading->setMinimumWidth(1);
    headingRow->addWidget(heading);
    column->addWidget(headingStrip);

    auto *fileList = new TJamFileList(half);
    fileList->setObjectName(u"JamFileList"_s + QString::number(list));
    FLists[list - 1] = fileList;
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
    const bool pair = plan.Second != nullptr;
    for (const char16_t *name : {plan.First, plan.Second}) {
        if (!name)
            continue;
        auto *button = new QPushButton(bottomStrip);
        button->setObjectName(QString::fromUtf16(name));
        const bool isDelete = button->objectName() == u"PngBitBtn3"_s || button->objectName() == u"PngBitBtn5"_s
                              || button->objectName() == u"PngBitBtn11"_s || button->objectName() == u"PngBitBtn13"_s
                              || button->objectName() == u"PngBitBtn14"_s || button->objectName() == u"PngBitBtn15"_s;
        button->setFixedSize(isDelete && pair ? NarrowButtonWidth : WideButtonWidth, ActionButtonHeight);
        buttonRow->addWidget(button);
        (name == plan.First ? first : second) = button;
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
    PageControl2->addTab(TabSheet6, Text(34));
    auto *layout = new QVBoxLayout(TabSheet6);
    layout->setContentsMargins(4, 4, 4, 4);
    PageControl1 = new QTabWidget(TabSheet6);
    PageControl1->setObjectName(u"PageControl1"_s);
    layout->addWidget(PageControl1);

    QWidget **tabs[4] = {&TabSheet1, &TabSheet2, &TabSheet3, &TabSheet4};
    const int tabLines[4] = {35, 39, 43, 47};
    QLabel **headings[ListCount] = {&Label13, &Label5, &Label6, &Label7, &Label8, &Label9, &Label10, &Label11};
    // The copy or update button and the delete button of each list, in the order laid out.
    QPushButton *unused = nullptr;
    QPushButton **firsts[ListCount] = {&PngBitBtn14, &PngBitBtn1, &PngBitBtn2, &PngBitBtn12,
                                       &PngBitBtn3, &PngBitBtn5, &PngBitBtn11, &PngBitBtn8};
    QPushButton **seconds[ListCount] = {&PngBitBtn9, &PngBitBtn15, &unused, &unused,
                                        &unused, &unused, &PngBitBtn6, &PngBitBtn13};
    for (int t = 0; t < 4; ++t) {
        QWidget *tab = new QWidget;
        tab->setObjectName(u"TabSheet"_s + QString::number(t + 1));
        *tabs[t] = tab;
        PageControl1->addTab(tab, Text(tabLines[t]));
        for (int side = 0; side < 2; ++side) {
            const int list = 2 * t + side + 1;
            QWidget *half = BuildResultHalf(list, *headings[list - 1], HalfPlans[list - 1].HeadingLine,
                                            *firsts[list - 1], *seconds[list - 1], side == 1);
            half->setParent(tab);
            (side == 0 ? FSourceHalves : FDestinationHalves)[t] = half;
        }
        tab->installEventFilter(this);
    }
    JamFileList1 = FLists[0];
    JamFileList2 = FLists[1];
    JamFileList3 = FLists[2];
    JamFileList4 = FLists[3];
    JamFileList5 = FLists[4];
    JamFileList6 = FLists[5];
    JamFileList7 = FLists[6];
    JamFileList8 = FLists[7];
    for (QStatusBar **bar : {&StatusBar2, &StatusBar3, &StatusBar4, &StatusBar5, &StatusBar6, &StatusBar7,
                             &StatusBar8, &StatusBar9}) {
        const int number = int(bar - &StatusBar2) + 2;
        *bar = TabSheet6->findChild<QStatusBar *>(u"StatusBar"_s + QString::number(number));
    }
}

void TfrmMain::BuildInfoPage()
{
    TabSheet7 = new QWidget;
    TabSheet7->setObjectName(u"TabSheet7"_s);
    PageControl2->addTab(TabSheet7, Text(51));
    auto *grid = new QGridLayout(TabSheet7);
    grid->setContentsMargins(24, 24, 24, 24);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(10);

    Image2 = new QLabel(TabSheet7);
    Image2->setObjectName(u"Image2"_s);
    Image2->setPixmap(LogoPixmap(windowTitle()));
    grid->addWidget(Image2, 0, 0, 1, 3);

    Label15 = new QLabel(Text(0), TabSheet7);
    Label15->setObjectName(u"Label15"_s);
    ComboBox2 = new QComboBox(TabSheet7);
    ComboBox2->setObjectName(u"ComboBox2"_s);
    ComboBox2->setMinimumWidth(180);
    Label15->setBuddy(ComboBox2);
    grid->addWidget(Label15, 1, 0);
    grid->addWidget(ComboBox2, 1, 1);

    PngBitBtn10 = new QPushButton(Text(94), TabSheet7);
    PngBitBtn10->setObjectName(u"PngBitBtn10"_s);
    grid->addWidget(PngBitBtn10, 2, 0);

    Label16 = new QLabel(tr("Version %1").arg(QStringLiteral(FM_VERSION)), TabSheet7);
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
}

void TfrmMain::JamFileListChange(int list)
{
    FListStatus->ListChanged(list);
}

void TfrmMain::RefreshAllLists()
{
    FListStatus->RefreshAll();
}
