#include "window/TResultsPage.h"

#include "actions/ui/TListActions.h"
#include "engine/TFinding.h"
#include "results/TJamFileList.h"
#include "results/TNotComparedPage.h"
#include "results/TResultListStatus.h"
#include "results/TResultListTable.h"
#include "window/TPartHost.h"
#include "window/TPrompts.h"

#include <QAction>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int HeadingHeight = 25;
constexpr int BottomStripHeight = 59;
constexpr int ListStatusHeight = 19;
constexpr int ActionButtonHeight = 25;
constexpr int WideButtonWidth = 207;
constexpr int NarrowButtonWidth = 127;
// Between the two halves of a results tab.
constexpr int HalfGap = 6;

} // namespace

TResultsPage::TResultsPage(TPartHost &host, QTabWidget *pages, QWidget *topBar, QObject *parent)
    : QObject(parent)
    , FHost(host)
{
    TabSheet6 = new QWidget;
    TabSheet6->setObjectName(u"TabSheet6"_s);
    pages->addTab(TabSheet6, QString());
    FHost.ApplyCaption(TabSheet6);
    auto *layout = new QVBoxLayout(TabSheet6);
    layout->setContentsMargins(4, 4, 4, 4);
    PageControl1 = new QTabWidget(TabSheet6);
    PageControl1->setObjectName(u"PageControl1"_s);
    if (topBar) {
        topBar->setParent(TabSheet6);
        layout->addWidget(topBar);
    }
    layout->addWidget(PageControl1);

    for (int t = 0; t < 4; ++t) {
        QWidget *tab = new QWidget;
        tab->setObjectName(u"TabSheet"_s + QString::number(t + 1));
        FTabs[t] = tab;
        PageControl1->addTab(tab, QString());
        FHost.ApplyCaption(tab);
        FSourceHalves[t] = BuildResultHalf(2 * t + 1, tab, false);
        FDestinationHalves[t] = BuildResultHalf(2 * t + 2, tab, true);
        tab->installEventFilter(this);
    }
    NotComparedPage = new TNotComparedPage;
    NotComparedPage->setObjectName(u"NotComparedPage"_s);
    PageControl1->addTab(NotComparedPage, FHost.Text(tlNotComparedPage));
    ApplyNotComparedTexts();

    FListStatus = new TResultListStatus([this](int line) { return FHost.Text(TTextLine(line)); }, this);
    for (const TResultListRow &row : ResultListTable) {
        const auto button = [this](const char16_t *name) {
            return name ? TabSheet6->findChild<QPushButton *>(QString::fromUtf16(name)) : nullptr;
        };
        auto *statusBar = TabSheet6->findChild<QStatusBar *>(QString::fromUtf16(row.StatusBar));
        FListStatus->SetControls(row.List, {FileList(row.List), statusBar->findChild<QLabel *>(),
                                            button(row.CopyButton), button(row.DeleteButton)});
        // Empty lists: plain captions, buttons disabled.
        FListStatus->RefreshListStatus(row.List);
        TJamFileList *fileList = FileList(row.List);
        connect(fileList, &TJamFileList::Change, this, [this, list = row.List] { JamFileListChange(list); });
        connect(fileList, &TJamFileList::RowActivated, this,
                [this, list = row.List](const QString &path) { RowActivated(list, path); });
        connect(fileList, &TJamFileList::RowMenuRequested, this,
                [this, list = row.List](const QPoint &at) { ShowRowMenu(list, at); });
        // The Delete key does what the list's delete button does, confirmation included.
        connect(fileList, &TJamFileList::DeleteKeyPressed, this, [this, list = row.List] {
            if (FActions && ResultListRow(list).DeleteButton)
                FActions->Delete(list);
        });
    }
}

QWidget *TResultsPage::BuildResultHalf(int list, QWidget *tab, bool buttonsRight)
{
    const TResultListRow &row = ResultListRow(list);
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
    heading->setObjectName(QString::fromUtf16(row.Heading));
    FHost.ApplyCaption(heading);
    heading->setMinimumWidth(1);
    headingRow->addWidget(heading);
    column->addWidget(headingStrip);

    auto *fileList = new TJamFileList(half);
    fileList->setObjectName(u"JamFileList"_s + QString::number(list));
    FLists[std::size_t(list - 1)] = fileList;
    // Missing files have no other side to show.
    fileList->SetOffersCounterpartColumns(list > rlMissingInSource);
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
    const bool pair = row.CopyButton && row.DeleteButton;
    const std::array<const char16_t *, 2> order =
        row.DeleteFirst ? std::array<const char16_t *, 2>{row.DeleteButton, row.CopyButton}
                        : std::array<const char16_t *, 2>{row.CopyButton, row.DeleteButton};
    for (const char16_t *name : order) {
        if (!name)
            continue;
        auto *button = new QPushButton(bottomStrip);
        button->setObjectName(QString::fromUtf16(name));
        const bool narrow = pair && name == row.DeleteButton;
        button->setFixedSize(narrow ? NarrowButtonWidth : WideButtonWidth, ActionButtonHeight);
        const bool copies = name == row.CopyButton;
        connect(button, &QPushButton::clicked, this, [this, list, copies] {
            if (!FActions)
                return;
            if (copies)
                FActions->Copy(list);
            else
                FActions->Delete(list);
        });
        buttonRow->addWidget(button);
    }
    if (!buttonsRight)
        buttonRow->addStretch(1);
    bottom->addLayout(buttonRow);
    bottom->addStretch(1);
    auto *statusBar = new QStatusBar(bottomStrip);
    statusBar->setObjectName(QString::fromUtf16(row.StatusBar));
    statusBar->setSizeGripEnabled(false);
    statusBar->setFixedHeight(ListStatusHeight);
    auto *statusText = new QLabel(statusBar);
    statusText->setMinimumWidth(1);
    statusBar->addWidget(statusText, 1);
    bottom->addWidget(statusBar);
    column->addWidget(bottomStrip);
    return half;
}

void TResultsPage::SetActions(TListActions *actions)
{
    FActions = actions;
}

bool TResultsPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize) {
        for (QWidget *tab : FTabs) {
            if (watched == tab)
                PlaceResultHalves(tab);
        }
    }
    return QObject::eventFilter(watched, event);
}

// Each results tab is split in two halves.
void TResultsPage::PlaceResultHalves(QWidget *tab)
{
    const std::size_t index = std::size_t(std::find(FTabs.begin(), FTabs.end(), tab) - FTabs.begin());
    const int half = (tab->width() - HalfGap) / 2;
    FSourceHalves[index]->setGeometry(0, 0, half, tab->height());
    FDestinationHalves[index]->setGeometry(half + HalfGap, 0, tab->width() - half - HalfGap, tab->height());
}

void TResultsPage::ApplyNotComparedTexts()
{
    const int count = NotComparedPage->Count();
    PageControl1->setTabText(PageControl1->indexOf(NotComparedPage),
                             count > 0 ? FHost.Text(tlNotComparedPage) + u" ("_s + QString::number(count) + u')'
                                       : FHost.Text(tlNotComparedPage));
    NotComparedPage->SetTexts(FHost.Text(tlPathColumn), FHost.Text(tlReasonColumn), FHost.Text(tlNotComparedCount));
}

void TResultsPage::ApplyTexts()
{
    for (TJamFileList *list : FLists)
        // A copy of the texts: the lists repaint while the window is being destroyed.
        list->ListModel()->SetTexts([texts = FHost.Language()](int line) { return texts.text(line); });
    ApplyNotComparedTexts();
}

void TResultsPage::JamFileListChange(int list)
{
    FListStatus->ListChanged(list);
}

void TResultsPage::RefreshAllLists()
{
    FListStatus->RefreshAll();
}

void TResultsPage::Clear()
{
    for (TJamFileList *list : FLists)
        list->Clear();
    NotComparedPage->Clear();
    ApplyNotComparedTexts();
}

void TResultsPage::AddFinding(const TFinding &finding)
{
    if (finding.List < 1 || finding.List > ResultListCount)
        return;
    TJamFileList *list = FileList(finding.List);
    const TResultListModel::TFigures own{finding.Size, finding.MTimeSec};
    if (finding.HasCounterpart) {
        const TResultListModel::TCounterpart other{finding.CounterpartSize, finding.CounterpartMTimeSec,
                                                   finding.Difference};
        list->Add(finding.Path, own, &other);
    } else
        list->Add(finding.Path, own, nullptr);
}

void TResultsPage::AddNotCompared(const QString &path, const QString &reason)
{
    NotComparedPage->Add(path, reason);
}

bool TResultsPage::ShowFindings()
{
    NotComparedPage->ShowCount();
    ApplyNotComparedTexts();
    int page = -1;
    for (int tab = 0; tab < 4 && page < 0; ++tab) {
        if (FileList(2 * tab + 1)->TotalFileCount() > 0 || FileList(2 * tab + 2)->TotalFileCount() > 0)
            page = tab;
    }
    // The page of entries left out is chosen only when no result page has rows.
    if (page < 0 && NotComparedPage->Count() > 0)
        page = PageControl1->indexOf(NotComparedPage);
    if (page < 0)
        return false;
    PageControl1->setCurrentIndex(page);
    return true;
}

void TResultsPage::SaveColumns()
{
    for (int list = 1; list <= ResultListCount; ++list) {
        // A list whose layout was never applied would otherwise store its defaults over it.
        FColumnLayout.EnsureRestored(list, *FileList(list));
        TColumnLayout::SaveColumns(*FileList(list), TColumnLayout::StoredName(list));
    }
}

void TResultsPage::OpenFile(const QString &path)
{
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        FHost.Prompts().Error(FHost.Text(tlCannotOpen).arg(QDir::toNativeSeparators(path)));
}

void TResultsPage::RowActivated(int list, const QString &path)
{
    if (list > rlMissingInSource && FActions)
        Q_EMIT ComparePair(list, path, FActions->Counterpart(list, path));
    else
        OpenFile(path);
}

void TResultsPage::ShowRowMenu(int list, const QPoint &globalPos)
{
    if (const std::unique_ptr<QMenu> menu = RowMenu(list))
        menu->exec(globalPos);
}

std::unique_ptr<QMenu> TResultsPage::RowMenu(int list)
{
    TJamFileList *fileList = FileList(list);
    const QStringList selected = fileList->selectionModel()->hasSelection() ? fileList->SelectedPaths() : QStringList();
    if (selected.isEmpty())
        return nullptr;
    const TResultListRow &row = ResultListRow(list);
    const QString &first = selected.first();
    auto owned = std::make_unique<QMenu>(fileList);
    QMenu &menu = *owned;
    menu.addAction(FHost.Text(tlMenuOpen), this, [this, first] { OpenFile(first); });
    menu.addAction(FHost.Text(tlMenuOpenFolder), this, [this, first] {
        const QString folder = QFileInfo(first).absolutePath();
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
            FHost.Prompts().Error(FHost.Text(tlCannotOpen).arg(QDir::toNativeSeparators(folder)));
    });
    menu.addAction(FHost.Text(tlMenuCopyPath), this,
                   [selected] { QGuiApplication::clipboard()->setText(selected.join(u'\n')); });
    if (list > rlMissingInSource && FActions) {
        QAction *compare = menu.addAction(FHost.Text(tlMenuCompare), this, [this, list, first] {
            Q_EMIT ComparePair(list, first, FActions->Counterpart(list, first));
        });
        compare->setEnabled(selected.size() == 1);
    }
    // The list's own actions, worded as its buttons are now.
    const auto addButtonAction = [&](const char16_t *name, bool copies) {
        auto *button = name ? TabSheet6->findChild<QPushButton *>(QString::fromUtf16(name)) : nullptr;
        if (!button || !FActions)
            return;
        QAction *action = menu.addAction(button->text(), this, [this, list, copies] {
            if (copies)
                FActions->Copy(list);
            else
                FActions->Delete(list);
        });
        action->setEnabled(button->isEnabled());
    };
    if (row.CopyButton || row.DeleteButton)
        menu.addSeparator();
    addButtonAction(row.CopyButton, true);
    addButtonAction(row.DeleteButton, false);
    return owned;
}
