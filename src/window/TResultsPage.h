#pragma once

#include "results/TColumnLayout.h"

#include <QObject>
#include <QString>

#include <array>
#include <memory>

class QMenu;
class QPoint;
class QTabWidget;
class QWidget;
class TJamFileList;
class TListActions;
class TNotComparedPage;
class TPartHost;
class TResultListStatus;
struct TFinding;

// The results page: the eight result lists on four tabs, each with its heading, its copy,
// update and delete buttons and its status bar, as the table of result lists describes
// them, and the page of entries the last run left out. The buttons run the list actions.
class TResultsPage : public QObject
{
    Q_OBJECT

public:
    // Adds the page to pages; topBar (may be nullptr) stands above the tabs.
    TResultsPage(TPartHost &host, QTabWidget *pages, QWidget *topBar, QObject *parent);

    // The actions the buttons run. Not owned.
    void SetActions(TListActions *actions);

    TJamFileList *FileList(int list) const { return FLists.at(std::size_t(list - 1)); }
    TResultListStatus *ListStatus() const { return FListStatus; }
    TColumnLayout &ColumnLayout() { return FColumnLayout; }

    // The change handler of list 1 to 8: its status is due.
    void JamFileListChange(int list);
    // Every list's status and captions are due, as after a change of language.
    void RefreshAllLists();

    // Before a run: every list and the page of entries left out are emptied.
    void Clear();
    void AddFinding(const TFinding &finding);
    void AddNotCompared(const QString &path, const QString &reason);
    // After a run: the tab to show (the first with rows, else the page of entries left out
    // when it has any), or false when there is nothing to show.
    bool ShowFindings();
    // The texts of the lists and of the page of entries left out, after a language change.
    void ApplyTexts();
    // Each list's columns as the user left them, into the store.
    void SaveColumns();

    // The row menu of a list at a place on the screen, for its selected rows.
    void ShowRowMenu(int list, const QPoint &globalPos);
    // That menu, not shown; nullptr when no row is selected.
    std::unique_ptr<QMenu> RowMenu(int list);
    // Hands a file to the desktop's program for it; says so when there is none.
    void OpenFile(const QString &path);

Q_SIGNALS:
    // A pair is to be compared: a file of list (3 to 8) and its counterpart.
    void ComparePair(int list, const QString &path, const QString &counterpart);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *BuildResultHalf(int list, QWidget *tab, bool buttonsRight);
    void ApplyNotComparedTexts();
    void PlaceResultHalves(QWidget *tab);
    // A double click or Enter: a pair is compared, a missing file opened.
    void RowActivated(int list, const QString &path);

    TPartHost &FHost;
    TListActions *FActions = nullptr;
    QWidget *TabSheet6 = nullptr;       // the page
    QTabWidget *PageControl1 = nullptr; // the four result tabs and the page of entries left out
    std::array<QWidget *, 4> FTabs{};   // TabSheet1 to TabSheet4
    std::array<QWidget *, 4> FSourceHalves{};
    std::array<QWidget *, 4> FDestinationHalves{};
    std::array<TJamFileList *, 8> FLists{};
    TNotComparedPage *NotComparedPage = nullptr;
    TResultListStatus *FListStatus = nullptr;
    TColumnLayout FColumnLayout;
};
