#pragma once

#include "compare/TCharMatcher.h"

#include <QAbstractTableModel>
#include <QHash>

class TTextPair;

// One side of a text pair as rows of a table: the line number and the line, a row for
// every row of the pair, so that both sides have as many rows and scroll together. Lines
// are decoded only when shown, so a file of hundreds of thousands of lines costs nothing
// until it is looked at.
class TPairRowModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum TColumn { pcNumber, pcText, pcCount };
    enum TRole {
        // The row's kind of difference as a TRowKind.
        prKind = Qt::UserRole + 1,
    };
    enum TRowKind {
        rkEqual,
        rkChanged,
        rkDeleted,  // a line only on the left
        rkInserted, // a line only on the right
        rkMissing,  // nothing on this side, the other has a line
    };

    TPairRowModel(bool left, QObject *parent = nullptr);

    // The pair shown; nullptr: none. Not owned.
    void SetPair(const TTextPair *pair);
    const TTextPair *Pair() const { return FPair; }
    bool Left() const { return FLeft; }

    TRowKind Kind(int row) const;
    // The characters of this side's line in that row that differ from the other side's.
    QList<TCharMatcher::TRange> Changed(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    bool FLeft;
    const TTextPair *FPair = nullptr;
    // The marks of rows shown lately: the character matching runs once per row.
    mutable QHash<int, QList<TCharMatcher::TRange>> FChanged;
};
