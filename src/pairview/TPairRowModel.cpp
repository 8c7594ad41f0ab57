#include "pairview/TPairRowModel.h"

#include "compare/TTextPair.h"

#include <QColor>

namespace {

// Rows shown at once are a few hundred; the marks of that many more are kept.
constexpr qsizetype KeptMarks = 4000;

} // namespace

TPairRowModel::TPairRowModel(bool left, QObject *parent)
    : QAbstractTableModel(parent)
    , FLeft(left)
{}

void TPairRowModel::SetPair(const TTextPair *pair)
{
    beginResetModel();
    FPair = pair;
    FChanged.clear();
    endResetModel();
}

int TPairRowModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !FPair)
        return 0;
    return int(qMin<qsizetype>(FPair->RowCount(), std::numeric_limits<int>::max()));
}

int TPairRowModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : pcCount;
}

TPairRowModel::TRowKind TPairRowModel::Kind(int row) const
{
    if (!FPair || row < 0 || row >= FPair->RowCount())
        return rkEqual;
    const TTextPair::TRow r = FPair->Row(row);
    if (r.Equal)
        return rkEqual;
    if ((FLeft ? r.LeftLine : r.RightLine) < 0)
        return rkMissing;
    if (r.LeftLine < 0)
        return rkInserted;
    if (r.RightLine < 0)
        return rkDeleted;
    return rkChanged;
}

QList<TCharMatcher::TRange> TPairRowModel::Changed(int row) const
{
    if (Kind(row) != rkChanged)
        return {};
    if (const auto found = FChanged.constFind(row); found != FChanged.cend())
        return *found;
    if (FChanged.size() >= KeptMarks)
        FChanged.clear();
    const TCharMatcher::TRanges ranges = FPair->ChangedCharacters(row);
    return *FChanged.insert(row, FLeft ? ranges.Left : ranges.Right);
}

QVariant TPairRowModel::data(const QModelIndex &index, int role) const
{
    if (!FPair || !index.isValid())
        return {};
    const int row = index.row();
    const TTextPair::TRow r = FPair->Row(row);
    const qsizetype line = FLeft ? r.LeftLine : r.RightLine;
    switch (role) {
    case Qt::DisplayRole:
        if (line < 0)
            return {};
        if (index.column() == pcNumber)
            return QString::number(line + 1);
        return (FLeft ? FPair->Left() : FPair->Right()).LineText(line);
    case Qt::TextAlignmentRole:
        return index.column() == pcNumber ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                          : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::BackgroundRole:
        switch (Kind(row)) {
        case rkEqual:
            return {};
        case rkChanged:
            return QColor(0xff, 0xf1, 0xc2);
        case rkDeleted:
            return QColor(0xff, 0xd6, 0xd6);
        case rkInserted:
            return QColor(0xd3, 0xf5, 0xd3);
        case rkMissing:
            return QColor(0xe8, 0xe8, 0xe8);
        }
        return {};
    case prKind:
        return int(Kind(row));
    default:
        return {};
    }
}
