#include "engine/TTimeShiftFinder.h"

#include <algorithm>

namespace {

constexpr qint64 SecondsPerHour = 3600;

bool InAdjustmentRange(qint64 seconds)
{
    return seconds >= -TTimeShiftFinder::MaxAdjustment && seconds <= TTimeShiftFinder::MaxAdjustment;
}

} // namespace

void TTimeShiftFinder::Clear()
{
    FPairs = 0;
    FFatPairs = 0;
    FHourPairs.clear();
}

void TTimeShiftFinder::Add(const TFinding &finding)
{
    if (!finding.HasCounterpart)
        return;
    // A conflict comes from both sides; the pair counts once.
    if (finding.List == rlNewerInSource || finding.List == rlNewerInDestination || finding.List == rlConflictsInSource)
        AddPair(finding.SourceMinusDestination());
}

void TTimeShiftFinder::AddPair(qint64 sourceMinusDestination)
{
    ++FPairs;
    const qint64 d = sourceMinusDestination;
    if (d == 0)
        return;
    if (d >= -FatMargin && d <= FatMargin) {
        ++FFatPairs;
        return;
    }
    // A disk that keeps local time to two seconds, read in another zone, is off by the
    // hours and by up to two seconds more.
    const qint64 hours = (d + (d > 0 ? SecondsPerHour / 2 : -SecondsPerHour / 2)) / SecondsPerHour;
    const qint64 rest = d - hours * SecondsPerHour;
    if (hours != 0 && rest >= -FatMargin && rest <= FatMargin) {
        THourPairs &h = FHourPairs[hours * SecondsPerHour];
        ++h.Pairs;
        if (rest != 0)
            h.Rounded = true;
    }
}

TTimeShiftFinder::TSuggestion TTimeShiftFinder::Suggest(const TScanOptions &options) const
{
    TSuggestion s;
    s.srcTimeZ = options.srcTimeZ;
    s.dstTimeZ = options.dstTimeZ;
    s.MrgErrSec = options.MrgErrSec;
    const auto enough = [this](int pairs) {
        return pairs >= MinimumPairs && qint64(pairs) * 100 >= qint64(FPairs) * MinimumPercent;
    };

    // A margin that already covers the seconds would not change what the pairs are: they
    // differ in size, and only a new run of other settings could tell more.
    if (enough(FFatPairs) && options.MrgErrSec < FatMargin) {
        s.Kind = skSeconds;
        s.Pairs = FFatPairs;
        s.MrgErrSec = FatMargin;
        return s;
    }

    qint64 shift = 0;
    int pairs = 0;
    bool rounded = false;
    for (auto it = FHourPairs.cbegin(); it != FHourPairs.cend(); ++it) {
        if (it.value().Pairs > pairs) {
            shift = it.key();
            pairs = it.value().Pairs;
            rounded = it.value().Rounded;
        }
    }
    if (!enough(pairs))
        return s;
    // The source reads newer by shift: take it off the source's adjustment, or add it to the
    // destination's, or share it between the two when one side's range is too small.
    const qint64 src = qint64(options.srcTimeZ) - shift;
    const qint64 dst = qint64(options.dstTimeZ) + shift;
    if (InAdjustmentRange(src)) {
        s.srcTimeZ = qint32(src);
    } else if (InAdjustmentRange(dst)) {
        s.dstTimeZ = qint32(dst);
    } else {
        const qint64 srcPart =
            shift > 0 ? qint64(options.srcTimeZ) + MaxAdjustment : qint64(options.srcTimeZ) - MaxAdjustment;
        const qint64 rest = shift - srcPart;
        if (!InAdjustmentRange(qint64(options.dstTimeZ) + rest))
            return s;
        s.srcTimeZ = qint32(qint64(options.srcTimeZ) - srcPart);
        s.dstTimeZ = qint32(qint64(options.dstTimeZ) + rest);
    }
    if (rounded)
        s.MrgErrSec = std::max(options.MrgErrSec, FatMargin);
    s.Kind = skHours;
    s.Pairs = pairs;
    s.Hours = int(shift / SecondsPerHour);
    return s;
}
