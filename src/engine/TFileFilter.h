#pragma once

#include "engine/TScanOptions.h"

#include <QString>
#include <QStringList>
#include <QStringView>

// Decides which files take part in a run: the wildcard text (masks and plain texts,
// optionally reversed), the hidden rule and the size limits.
class TFileFilter
{
public:
    explicit TFileFilter(const TScanOptions &options);

    // path is the file's full path; size and hidden come from the walk's own look-up.
    bool PassesFilters(const QString &path, qint64 size, bool hidden) const;

    // The tokens of a wildcard text in order, empty tokens included. ";" and ","
    // separate; a space separates only while neither of them occurs in the rest.
    static QStringList SplitTokens(const QString &filter);
    // A token with "*" or "?" is a mask matched against the whole path (ASCII letters
    // without case, a "." appended to a path that has none); any other token is a
    // case-sensitive substring. An empty token matches nothing.
    static bool MatchMask(const QString &path, const QString &token);
    // Anchored wildcard match: "*" any run of characters (separators included), "?"
    // exactly one. Iterative, so that masks like *a*a*a*b stay linear on long paths.
    static bool MatchPattern(QStringView text, QStringView pattern);
    // The size in a unit, cut (not rounded) to two decimals, as a 32-bit float.
    static float SizeUnitValue(qint64 size, float factor);

private:
    bool PassesLimits(qint64 size, bool hidden) const;

    QStringList FTokens;
    bool FReverse;
    bool FIncHidden;
    float FMin, FMinFactor, FMax, FMaxFactor;
};
