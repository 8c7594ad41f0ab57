#pragma once

#include "compare/TCompareControl.h"
#include "compare/TCompareFile.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Two files that are not both text: their sizes and times, where their bytes first differ,
// and both sides as rows of hex around that place.
class TBinaryPair
{
public:
    static constexpr int RowBytes = 16;
    static constexpr int RowsBefore = 3;
    static constexpr int RowsAfter = 4; // after the row of the first difference

    enum TVerdict {
        bvEqual,
        bvLeftIsPrefix,  // the left file is the start of the right one
        bvRightIsPrefix, // and the other way round
        bvDifferent,
    };
    struct THexRow
    {
        qint64 Offset = 0;
        QByteArray Left; // up to RowBytes; shorter or empty past the end of a file
        QByteArray Right;
    };

    // Reads both open files up to their first difference. False when cancelled or a read
    // failed (the failing file says why).
    bool Compare(TCompareFile &left, TCompareFile &right, const TCompareControl &control);

    TVerdict Verdict() const { return FVerdict; }
    qint64 LeftSize() const { return FLeftSize; }
    qint64 RightSize() const { return FRightSize; }
    // The offset of the first byte that differs, or where the shorter file ends; -1 when equal.
    qint64 FirstDifference() const { return FFirstDifference; }
    const QList<THexRow> &Rows() const { return FRows; }

    // "00000010  41 42 0a ..  AB.": the offset, the bytes in hex and as ASCII, padded to a
    // full row so that the columns of both sides line up.
    static QString FormatRow(qint64 offset, const QByteArray &bytes);

private:
    TVerdict FVerdict = bvEqual;
    qint64 FLeftSize = 0;
    qint64 FRightSize = 0;
    qint64 FFirstDifference = -1;
    QList<THexRow> FRows;
};
