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
        // Different contents (or times beyond the margin): the split lies at the margin.
        return delta < margin ? vdDestinationNewer : vdSourceNewer;
    }
    if (delta == 0)
        return vdConflict;
    return delta < 0 ? vdDestinationNewer : vdSourceNewer;
}
