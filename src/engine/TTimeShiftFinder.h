#pragma once

#include "engine/TFinding.h"
#include "engine/TScanOptions.h"

#include <QHash>
#include <QtGlobal>

// Looks for a clock shift behind the pairs a run found newer or in conflict: when most of
// them differ by the same whole number of hours (a daylight-saving change, a camera or a
// disk set to another zone), or by the one or two seconds a FAT or exFAT disk rounds its
// times to, the files are most likely equal and the settings can say so. It suggests the
// settings of a run that would see those pairs as equal in time; it changes nothing itself.
class TTimeShiftFinder
{
public:
    // A shift is suggested when at least this many pairs, and this share of all newer and
    // conflict pairs, show it.
    static constexpr int MinimumPairs = 20;
    static constexpr int MinimumPercent = 90;
    // The ranges of the settings a suggestion may set.
    static constexpr qint32 MaxAdjustment = 9999;
    static constexpr qint32 FatMargin = 2;

    enum TKind {
        skNone,
        skHours,   // set a time adjustment (and the margin, for times kept to two seconds)
        skSeconds, // set the margin of error to FatMargin
    };

    struct TSuggestion
    {
        TKind Kind = skNone;
        int Pairs = 0;       // how many pairs show the shift
        int Hours = 0;       // skHours: by how many hours the source reads newer (negative: older)
        qint32 srcTimeZ = 0; // the settings of the run to start, the rest as before
        qint32 dstTimeZ = 0;
        qint32 MrgErrSec = 0;
    };

    void Clear();
    // A finding of a run: newer pairs (lists 3 and 4) and conflict pairs (list 7; list 8
    // holds the other half of the same pairs) are counted, other lists are not.
    void Add(const TFinding &finding);
    // One newer or conflict pair, by the seconds the source reads newer.
    void AddPair(qint64 sourceMinusDestination);
    int PairCount() const { return FPairs; }

    // What the run with these options would need to see the shifted pairs as equal.
    TSuggestion Suggest(const TScanOptions &options) const;

private:
    int FPairs = 0;
    int FFatPairs = 0; // one or two seconds either way
    struct THourPairs
    {
        int Pairs = 0;
        bool Rounded = false; // some are off by a second or two as well
    };
    QHash<qint64, THourPairs> FHourPairs; // whole hours (not 0), in seconds -> pairs
};
