#pragma once

#include <QList>
#include <QString>

// Marks the characters that differ within a pair of changed lines.
//
// The matching is Debian's header-only diff template library (an O(NP) search that gives
// a shortest edit script, which reads best for the short sequences of one line). Lines
// longer than MaxMatched characters after their common start and end are not searched:
// everything between those is marked, which keeps a line of megabytes cheap.
class TCharMatcher
{
public:
    static constexpr qsizetype MaxMatched = 4000;

    struct TRange
    {
        qsizetype Start = 0; // in UTF-16 units of the line's text
        qsizetype Length = 0;
        bool operator==(const TRange &) const = default;
    };
    struct TRanges
    {
        QList<TRange> Left;
        QList<TRange> Right;
    };

    // `ignoreWhiteSpace`: white space takes no part (it is neither matched nor marked).
    static TRanges Match(const QString &left, const QString &right, bool ignoreWhiteSpace);
};
