#pragma once

#include <QtGlobal>

#include <functional>

// Where a source file and its counterpart go, from their sizes and times alone.
class TPairJudge
{
public:
    enum TVerdict {
        vdSourceNewer,      // the source path to list 3
        vdDestinationNewer, // the destination path to list 4
        vdDuplicate,        // source to list 5, destination to list 6
        vdConflict,         // source to list 7, destination to list 8
    };

    // Signed seconds by which the source is newer: whole seconds of each time plus its
    // side's adjustment, in 32-bit arithmetic that wraps. One offset on both sides
    // cancels, so no local-time conversion is needed.
    static qint32 AdjustedSecondsDiff(qint64 sourceSec, qint64 destinationSec, qint32 srcTimeZ, qint32 dstTimeZ);

    // sameContent is asked only for equal sizes with content comparison on.
    static TVerdict Judge(qint64 sourceSize, qint64 destinationSize, qint32 delta, qint32 margin, bool dupByContent,
                          const std::function<bool()> &sameContent);
};
