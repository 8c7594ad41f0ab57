#pragma once

#include "results/SHCOLUMNID.h"
#include "results/TResultListModel.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTreeView>

class TResultSortProxy;

// One result list: a detailed file list, one row per file, whole rows selected, several at
// a time. Rows are addressed by full path (exactly, a trailing "/" ignored); row indexes
// count in display order, which is the order of arrival until the user sorts by a column.
//
// The view offers the detail columns name, folder, size, date modified and type, and for
// lists of pairs the other file's size and date modified and the time difference, each
// known by a fixed SHCOLUMNID. Column "positions" count the shown columns from the left,
// as the user sees them; a hidden column has none. The name column cannot be hidden.
class TJamFileList : public QTreeView
{
    Q_OBJECT

public:
    explicit TJamFileList(QWidget *parent = nullptr);

    // Appends a row; nothing when the path is empty or listed already. Cheap enough to be
    // called for every file a scan finds: the file itself is not looked at here.
    // Checked is accepted for callers that pass it and has no effect.
    bool Add(const QString &path, bool checked = false);
    // The same for a row of a pair, with the other file's figures for the counterpart columns.
    bool Add(const QString &path, const TResultListModel::TCounterpart &counterpart);
    // A row a scan found, with the figures it saw (see TResultListModel::Add).
    bool Add(const QString &path, const TResultListModel::TFigures &own,
             const TResultListModel::TCounterpart *counterpart);
    // Whether the header menu offers the counterpart columns (lists of pairs); a list that
    // does not offer them never shows them. Offered by default, hidden until chosen.
    void SetOffersCounterpartColumns(bool offers);
    void DeleteItem(const QString &fileName);
    // Removes all the named rows in one pass; returns how many were listed.
    int DeleteItems(const QStringList &fileNames);
    // The rows of these files show their size and date anew; how many rows there were.
    int RefreshItems(const QStringList &fileNames);
    bool IsItemInList(const QString &fileName) const;
    void Clear();
    // Reads every row's details anew.
    void FullRefresh();

    int RowCount() const;
    QString RowPath(int row) const;
    bool IsRowSelected(int row) const;
    // Paths of the selected rows, or of every row, in display order.
    QStringList SelectedPaths() const;
    QStringList Paths() const;

    qint32 TotalFileCount() const;
    qint64 TotalFileSize() const;
    qint32 SelectedFileCount() const;
    qint64 SelectedFileSize() const;

    QList<SHCOLUMNID> GetVisibleColumns() const;
    // Unknown identifiers are ignored, and so is hiding the name column.
    void SetColumnVisibility(const SHCOLUMNID &pColumnID, bool pVisible);
    // Position among the shown columns, or -1.
    int GetColumnPosition(const SHCOLUMNID &pColumnID) const;
    int VisibleColumnCount() const;
    int ColumnWidthAt(int position) const;
    void SetColumnWidthAt(int position, int width);
    // Moves a shown column to the given position among the shown columns.
    void MoveColumnTo(const SHCOLUMNID &pColumnID, int position);
    // The columns a new list shows, with their widths.
    void ShowDefaultColumns();
    // Until the user or a saved layout sets a width, each column is as wide as its title
    // and its longest usual content (whole dates and sizes), and the folder column takes
    // the rest of the list's width.
    bool DefaultWidths() const { return FDefaultWidths; }
    void FitDefaultWidths();

    TResultListModel *ListModel() const { return FModel; }

Q_SIGNALS:
    // Rows were added or removed, the list was emptied, or the selection changed.
    void Change();
    // The list has set up its columns: once, from the event loop after it was first
    // polished (which happens for every list when the window is first shown).
    void CreateColumns();
    // A row was double-clicked, or Enter was pressed on it.
    void RowActivated(const QString &path);
    // The row menu is asked for: a right click, the Menu key or Shift+F10, at a place on
    // the screen. The menu acts on the selected rows.
    void RowMenuRequested(const QPoint &globalPos);
    // The Delete key on a list with rows.
    void DeleteKeyPressed();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    int LogicalAtPosition(int position) const;
    void ShowHeaderMenu(const QPoint &pos);
    void OpenRow(const QModelIndex &index);
    // Below the current row, or at the top of the list without one.
    QPoint KeyboardMenuPosition() const;
    int SourceRow(int row) const;
    bool Offers(int column) const;

    TResultListModel *FModel;
    TResultSortProxy *FProxy;
    bool FColumnsCreated = false;
    bool FOffersCounterpart = true;
    bool FDefaultWidths = true;
    bool FFitting = false;
};
