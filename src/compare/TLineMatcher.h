#pragma once

#include "compare/TCompareControl.h"
#include "compare/TLineHunk.h"

#include <QByteArrayView>

#include <vector>

// Finds the runs of lines that differ between two texts of LF-ended lines.
//
// The matching itself is libgit2's diff of two buffers: the same engine as git's, a Myers
// O(ND) search with the heuristics that keep a large file with many changes near linear
// time, memory linear in the number of lines, and white space handling built in. The
// header-only template library Debian also packs finds minimal scripts, but on 20 MB of
// short lines it needs several times the time and hundreds of MB for its path records.
class TLineMatcher
{
public:
    enum TResult {
        lmDone,
        lmCancelled,
        lmFailed, // the library refused (a file over its size limit of about 1 GiB)
    };
    // `ignoreWhiteSpace`: lines that differ only in spaces and tabs (anywhere) match.
    static TResult Match(QByteArrayView left, QByteArrayView right, bool ignoreWhiteSpace,
                         const TCompareControl &control, std::vector<TLineHunk> *hunks);
};
