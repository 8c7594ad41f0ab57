#include "results/TResultSortProxy.h"

#include "results/TResultListModel.h"

TResultSortProxy::TResultSortProxy(TResultListModel *source, QObject *parent)
    : QSortFilterProxyModel(parent)
    , FSource(source)
{
    setSourceModel(source);
    setSortRole(TResultListModel::SortRole);
    setDynamicSortFilter(true);
}

bool TResultSortProxy::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    return FSource->LessThan(left.row(), right.row(), left.column());
}
