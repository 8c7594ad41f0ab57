#pragma once

#include "platform/TFileOperations.h"

#include <atomic>

// Copies the content of one open file into another, empty one, the way `cp` does: where
// the file system can share extents (btrfs, XFS) the kernel clones them; otherwise only
// the data extents are copied, in kernel space where it can, so that a sparse file stays
// sparse and its holes cost nothing. A cancel is seen between chunks of a few MiB.
class TExtentCopy
{
public:
    enum TEnd {
        ceDone,
        ceCancelled,
        ceReadFailed,  // *error: the source could not be read
        ceWriteFailed, // *error: the target could not be written
    };

    // progress gets the offset reached in the source, holes included, so it ends at the
    // file's size.
    static TEnd Copy(int in, int out, const TFileOperations::TProgress &progress, const std::atomic<bool> *cancel,
                     int *error);
};
