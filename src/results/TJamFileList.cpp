#include "results/TJamFileList.h"

#include "results/TResultListModel.h"
#include "results/TResultSortProxy.h"

#include <QContextMenuEvent>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QResizeEvent>
#include <QStyle>
#include <QUrl>

#include <vector>

namespace {

// Room around a cell's text: the style's margins on both sides, and some air.
constexpr int CellPadding = 16;
// The folder column never gets narrower than this when it takes the rest.
constexpr int MinimumRestWidth = 70;

} // namespace

TJamFileList::TJamFileList(QWidget *parent)
    : QTreeView(parent)
    , FModel(new TResultListModel(this))
    , FProxy(new TResultSortProxy(FModel, this))
{
    setModel(FProxy);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideMiddle);

    // Rows stay in the order the scan found them until the user picks a column.
    header()->setStretchLastSection(false);
    header()->setSortIndicatorClearable(true);
    header()->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
    ShowDefaultColumns();
    // A width the user drags is kept from then on; new titles refit the default widths.
    connect(header(), &QHeaderView::sectionResized, this, [this] {
        if (!FFitting)
            FDefaultWidths = false;
    });
    connect(FModel, &QAbstractItemModel::headerDataChanged, this, [this] {
        if (FDefaultWidths)
            FitDefaultWidths();
    });

    header()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header(), &QHeaderView::customContextMenuRequested, this, &TJamFileList::ShowHeaderMenu);
    connect(this, &QAbstractItemView::doubleClicked, this, &TJamFileList::OpenRow);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &TJamFileList::Change);
}

bool TJamFileList::event(QEvent *event)
{
    const bool result = QTreeView::event(event);
    // Polished while its owner may still be wiring it up: announce from the event loop,
    // where the owner's handlers are connected and its errors are shown.
    if (event->type() == QEvent::Polish && !FColumnsCreated) {
        FColumnsCreated = true;
        QMetaObject::invokeMethod(this, &TJamFileList::CreateColumns, Qt::QueuedConnection);
    }
    return result;
}

int TJamFileList::RefreshItems(const QStringList &fileNames)
{
    const int refreshed = FModel->RefreshPaths(fileNames);
    if (refreshed > 0)
        Q_EMIT Change();
    return refreshed;
}

bool TJamFileList::Add(const QString &path, bool checked)
{
    Q_UNUSED(checked);
    if (!FModel->Add(path))
        return false;
    Q_EMIT Change();
    return true;
}

bool TJamFileList::Add(const QString &path, const TResultListModel::TCounterpart &counterpart)
{
    if (!FModel->Add(path, counterpart))
        return false;
    Q_EMIT Change();
    return true;
}

bool TJamFileList::Add(const QString &path, const TResultListModel::TFigures &own,
                       const TResultListModel::TCounterpart *counterpart)
{
    if (!FModel->Add(path, own, counterpart))
        return false;
    Q_EMIT Change();
    return true;
}

void TJamFileList::SetOffersCounterpartColumns(bool offers)
{
    FOffersCounterpart = offers;
    if (!offers) {
        for (int column = TResultListModel::DefaultColumnCount; column < TResultListModel::rcCount; ++column)
            header()->setSectionHidden(column, true);
    }
}

bool TJamFileList::Offers(int column) const
{
    return column >= 0 && column < TResultListModel::rcCount
           && (FOffersCounterpart || !TResultListModel::IsCounterpartColumn(column));
}

void TJamFileList::DeleteItem(const QString &fileName)
{
    if (FModel->Remove(fileName))
        Q_EMIT Change();
}

int TJamFileList::DeleteItems(const QStringList &fileNames)
{
    const int removed = FModel->RemoveAll(fileNames);
    if (removed > 0)
        Q_EMIT Change();
    return removed;
}

bool TJamFileList::IsItemInList(const QString &fileName) const
{
    return FModel->Contains(fileName);
}

void TJamFileList::Clear()
{
    FModel->Clear();
    Q_EMIT Change();
}

void TJamFileList::FullRefresh()
{
    FModel->RefreshDetails();
}

int TJamFileList::RowCount() const
{
    FModel->Flush();
    return FProxy->rowCount();
}

int TJamFileList::SourceRow(int row) const
{
    FModel->Flush();
    return FProxy->mapToSource(FProxy->index(row, 0)).row();
}

QString TJamFileList::RowPath(int row) const
{
    return FModel->PathAt(SourceRow(row));
}

bool TJamFileList::IsRowSelected(int row) const
{
    FModel->Flush();
    return selectionModel()->isRowSelected(row, QModelIndex());
}

QStringList TJamFileList::SelectedPaths() const
{
    QStringList paths;
    const int rows = RowCount();
    for (int row = 0; row < rows; ++row)
        if (selectionModel()->isRowSelected(row, QModelIndex()))
            paths.append(RowPath(row));
    return paths;
}

QStringList TJamFileList::Paths() const
{
    QStringList paths;
    const int rows = RowCount();
    paths.reserve(rows);
    for (int row = 0; row < rows; ++row)
        paths.append(RowPath(row));
    return paths;
}

qint32 TJamFileList::TotalFileCount() const
{
    return FModel->TotalRows();
}

qint64 TJamFileList::TotalFileSize() const
{
    return FModel->TotalSize();
}

qint32 TJamFileList::SelectedFileCount() const
{
    qint32 count = 0;
    std::vector<bool> seen(FProxy->rowCount(), false);
    const QItemSelection selection = selectionModel()->selection();
    for (const QItemSelectionRange &range : selection) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            if (!seen[row]) {
                seen[row] = true;
                ++count;
            }
        }
    }
    return count;
}

qint64 TJamFileList::SelectedFileSize() const
{
    // A selection of every row is common (select all) and costs nothing this way.
    const qint32 selected = SelectedFileCount();
    if (selected == 0)
        return 0;
    if (selected == FModel->TotalRows())
        return FModel->TotalSize();
    qint64 size = 0;
    std::vector<bool> seen(FProxy->rowCount(), false);
    const QItemSelection selection = selectionModel()->selection();
    for (const QItemSelectionRange &range : selection) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            if (seen[row])
                continue;
            seen[row] = true;
            size += FModel->SizeAt(FProxy->mapToSource(FProxy->index(row, 0)).row());
        }
    }
    return size;
}

int TJamFileList::LogicalAtPosition(int position) const
{
    int shown = 0;
    for (int visual = 0; visual < header()->count(); ++visual) {
        const int logical = header()->logicalIndex(visual);
        if (header()->isSectionHidden(logical))
            continue;
        if (shown == position)
            return logical;
        ++shown;
    }
    return -1;
}

QList<SHCOLUMNID> TJamFileList::GetVisibleColumns() const
{
    QList<SHCOLUMNID> ids;
    for (int visual = 0; visual < header()->count(); ++visual) {
        const int logical = header()->logicalIndex(visual);
        if (!header()->isSectionHidden(logical))
            ids.append(TResultListModel::ColumnId(logical));
    }
    return ids;
}

void TJamFileList::SetColumnVisibility(const SHCOLUMNID &pColumnID, bool pVisible)
{
    const int logical = TResultListModel::ColumnOf(pColumnID);
    if (!Offers(logical) || (logical == TResultListModel::rcName && !pVisible))
        return;
    if (header()->isSectionHidden(logical) == !pVisible)
        return;
    // Showing a section resizes it: that is no width the user chose.
    const bool fitting = FFitting;
    FFitting = true;
    header()->setSectionHidden(logical, !pVisible);
    FFitting = fitting;
    if (FDefaultWidths)
        FitDefaultWidths();
}

int TJamFileList::GetColumnPosition(const SHCOLUMNID &pColumnID) const
{
    const int logical = TResultListModel::ColumnOf(pColumnID);
    if (logical < 0 || header()->isSectionHidden(logical))
        return -1;
    int position = 0;
    const int visual = header()->visualIndex(logical);
    for (int v = 0; v < visual; ++v)
        if (!header()->isSectionHidden(header()->logicalIndex(v)))
            ++position;
    return position;
}

int TJamFileList::VisibleColumnCount() const
{
    return header()->count() - header()->hiddenSectionCount();
}

int TJamFileList::ColumnWidthAt(int position) const
{
    const int logical = LogicalAtPosition(position);
    return logical < 0 ? 0 : header()->sectionSize(logical);
}

void TJamFileList::SetColumnWidthAt(int position, int width)
{
    const int logical = LogicalAtPosition(position);
    // A column of no width would be shown and yet be gone for the user.
    if (logical >= 0) {
        FDefaultWidths = false;
        header()->resizeSection(logical, std::max(width, header()->minimumSectionSize()));
    }
}

void TJamFileList::MoveColumnTo(const SHCOLUMNID &pColumnID, int position)
{
    const int logical = TResultListModel::ColumnOf(pColumnID);
    const int target = LogicalAtPosition(position);
    if (logical < 0 || target < 0 || header()->isSectionHidden(logical))
        return;
    header()->moveSection(header()->visualIndex(logical), header()->visualIndex(target));
}

void TJamFileList::ShowDefaultColumns()
{
    for (int column = 0; column < TResultListModel::rcCount; ++column) {
        header()->moveSection(header()->visualIndex(column), column);
        header()->setSectionHidden(column, column >= TResultListModel::DefaultColumnCount);
    }
    FDefaultWidths = true;
    FitDefaultWidths();
}

void TJamFileList::FitDefaultWidths()
{
    FFitting = true;
    const QFontMetrics metrics(font());
    // A title with room for the sort arrow beside it.
    const auto titleWidth = [this](int column) {
        const QString title = FModel->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        return QFontMetrics(header()->font()).horizontalAdvance(title)
               + 2 * style()->pixelMetric(QStyle::PM_HeaderMargin) + style()->pixelMetric(QStyle::PM_HeaderMarkSize)
               + CellPadding;
    };
    const int columns = FModel->columnCount();
    std::vector<int> widths(columns, 0);
    int used = 0;
    for (int column = 0; column < columns; ++column) {
        if (column == TResultListModel::rcFolder || header()->isSectionHidden(column))
            continue;
        int width = titleWidth(column);
        for (const QString &sample : FModel->WidthSamples(column))
            width = std::max(width, metrics.horizontalAdvance(sample) + CellPadding);
        if (column == TResultListModel::rcName)
            width += iconSize().isValid() ? iconSize().width() : style()->pixelMetric(QStyle::PM_SmallIconSize);
        widths[column] = width;
        used += width;
    }
    // Where the list is too narrow for all of them, sizes and dates keep their widths (cut
    // short, they read wrong) and names come next: the other columns give way first, down
    // to their titles, then the folders, down to theirs, then the names. Below that the
    // list scrolls sideways.
    const int room = viewport()->width() - MinimumRestWidth;
    const auto giveWay = [&](int column, int least) {
        const int cut = std::min(widths[column] - least, used - room);
        if (cut > 0) {
            widths[column] -= cut;
            used -= cut;
        }
    };
    for (int column = columns - 1; column >= 0 && used > room; --column) {
        if (widths[column] > 0 && column != TResultListModel::rcName && column != TResultListModel::rcSize
            && column != TResultListModel::rcModified)
            giveWay(column, titleWidth(column));
    }
    const bool folders = !header()->isSectionHidden(TResultListModel::rcFolder);
    const int folderWidth = folders ? std::max(std::min(MinimumRestWidth, titleWidth(TResultListModel::rcFolder)),
                                               header()->minimumSectionSize())
                                    : 0;
    // The names take what the folders, sizes and dates before the end of the dates leave;
    // what stands after the dates may be scrolled to.
    if (widths[TResultListModel::rcName] > 0 && used > room) {
        const int before = folderWidth + widths[TResultListModel::rcSize] + widths[TResultListModel::rcModified];
        const int name = std::max(titleWidth(TResultListModel::rcName),
                                  std::min(widths[TResultListModel::rcName], viewport()->width() - before));
        used -= widths[TResultListModel::rcName] - name;
        widths[TResultListModel::rcName] = name;
    }
    for (int column = 0; column < columns; ++column)
        if (widths[column] > 0)
            header()->resizeSection(column, widths[column]);
    // The folders take the rest; in a list too narrow for the others, only their title, so
    // that the sizes and dates after them stay in view.
    if (folders) {
        header()->resizeSection(TResultListModel::rcFolder,
                                std::max({viewport()->width() - used, folderWidth,
                                          used > viewport()->width() - MinimumRestWidth ? 0 : MinimumRestWidth}));
    }
    FFitting = false;
}

void TJamFileList::resizeEvent(QResizeEvent *event)
{
    QTreeView::resizeEvent(event);
    if (FDefaultWidths)
        FitDefaultWidths();
}

void TJamFileList::ShowHeaderMenu(const QPoint &pos)
{
    QMenu menu(this);
    for (int column = 0; column < TResultListModel::rcCount; ++column) {
        if (!Offers(column))
            continue;
        if (column == TResultListModel::DefaultColumnCount)
            menu.addSeparator();
        QAction *action = menu.addAction(FModel->ColumnTitle(column));
        action->setCheckable(true);
        action->setChecked(!header()->isSectionHidden(column));
        action->setEnabled(column != TResultListModel::rcName);
        connect(action, &QAction::toggled, this,
                [this, column](bool on) { SetColumnVisibility(TResultListModel::ColumnId(column), on); });
    }
    menu.exec(header()->mapToGlobal(pos));
}

void TJamFileList::OpenRow(const QModelIndex &index)
{
    if (index.isValid())
        Q_EMIT RowActivated(index.data(TResultListModel::PathRole).toString());
}

QPoint TJamFileList::KeyboardMenuPosition() const
{
    const QRect row = visualRect(currentIndex());
    const QPoint at = row.isValid() ? QPoint(row.left() + 16, row.bottom()) : QPoint(16, 16);
    return viewport()->mapToGlobal(at);
}

void TJamFileList::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && currentIndex().isValid()) {
        OpenRow(currentIndex());
        return;
    }
    if (key == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        if (TotalFileCount() > 0)
            Q_EMIT DeleteKeyPressed();
        return;
    }
    if (key == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        Q_EMIT RowMenuRequested(KeyboardMenuPosition());
        return;
    }
    QTreeView::keyPressEvent(event);
}

void TJamFileList::contextMenuEvent(QContextMenuEvent *event)
{
    Q_EMIT RowMenuRequested(event->reason() == QContextMenuEvent::Mouse ? event->globalPos() : KeyboardMenuPosition());
}
