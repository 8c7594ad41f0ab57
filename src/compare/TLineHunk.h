#pragma once

#include <QtGlobal>

// A run of lines that differs between the two sides, by 0-based line numbers: LeftCount
// lines of the left side from LeftStart stand where the right side has RightCount lines from
// RightStart. A count of 0 is an insertion into the other side before that start.
struct TLineHunk
{
    enum TKind {
        hkChanged,
        hkDeleted,  // only on the left
        hkInserted, // only on the right
    };
    qsizetype LeftStart = 0;
    qsizetype LeftCount = 0;
    qsizetype RightStart = 0;
    qsizetype RightCount = 0;
    qsizetype FirstRow = 0; // where it starts among the rows shown side by side

    TKind Kind() const { return LeftCount == 0 ? hkInserted : RightCount == 0 ? hkDeleted : hkChanged; }
    qsizetype Rows() const { return qMax(LeftCount, RightCount); }
    bool operator==(const TLineHunk &) const = default;
};
