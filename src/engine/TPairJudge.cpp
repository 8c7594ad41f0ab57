#include "engine/TPairJudge.h"

qint32 TPairJudge::AdjustedSecondsDiff(qint64 sourceSec, qint64 destinationSec, qint32 srcTimeZ, qint32 dstTimeZ)
{
    const quint32 s = quint32(sourceSec) + quint32(srcTimeZ);
    const quint32 d = quint32(destinationSec) + quint32(dstTimeZ);
    return qint32(s - d);
}

TPairJudge::TVerdict TPairJudge::Judge(qint64 sourceSize, qint64 destinationSize, qint32 delta, qint32 margin,
                                       bool dupByContent, const std::function<bool()> &sameContent)
{
    if (sourceSize == destinationSize) {
        if (dupByContent) {
            if (sameContent())
                return vdDuplicate;
        } else {
            const qint64 magnitude = delta < 0 ? -qint64(delta) : qint64(delta);
            if (magnitude <= margin)
                return vdDuplicate;
        }
    }
    // Files that differ, in size or in bytes, are told apart by their times alone. The
    // margin only decides which equal-size files count as duplicates without reading:
    // splitting at it would call the older file of a pair the newer one, and an update
    // would then replace the newer file.
    if (delta == 0)
        return vdConflict;
    return delta < 0 ? vdDestinationNewer : vdSourceNewer;
}
