#pragma once

#include <QSortFilterProxyModel>

class TResultListModel;

// Sorts a result list on the raw values of its rows (sizes and times as numbers, names
// without regard to case) straight from the model, without building display texts.
class TResultSortProxy : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit TResultSortProxy(TResultListModel *source, QObject *parent = nullptr);

protected:
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    TResultListModel *FSource;
};
