#pragma once

#include "compare/TCharMatcher.h"
#include "compare/TCompareControl.h"
#include "compare/TLineHunk.h"
#include "compare/TTextSide.h"

#include <vector>

// Two text files side by side: the runs of lines that differ, the rows a side-by-side view
// shows (equal lines beside each other, a changed run as long as its longer side), the
// characters that differ within a changed row, and how the two files are written.
class TTextPair
{
public:
    enum TVerdict {
        tvIdentical,      // the same bytes
        tvSameText,       // the same lines, written differently (see the flags below)
        tvOnlyWhiteSpace, // differs only in white space, which the comparison ignored
        tvDifferent,
    };
    struct TRow
    {
        TLineHunk::TKind Kind = TLineHunk::hkChanged;
        bool Equal = true;       // when false, Kind says how it differs
        qsizetype LeftLine = -1; // -1: nothing on that side
        qsizetype RightLine = -1;
        qsizetype Hunk = -1; // the run of differences it belongs to
    };

    // Compares the two files' bytes (as read, each with one spare byte of capacity).
    // False when cancelled or when the line matching failed.
    bool Compare(QByteArray left, QByteArray right, bool ignoreWhiteSpace, const TCompareControl &control);
    bool MatchingFailed() const { return FMatchingFailed; }

    const TTextSide &Left() const { return FLeft; }
    const TTextSide &Right() const { return FRight; }
    bool IgnoresWhiteSpace() const { return FIgnoreWhiteSpace; }

    TVerdict Verdict() const { return FVerdict; }
    bool LineEndsDiffer() const { return FLeft.LineEnds() != FRight.LineEnds(); }
    bool FinalLineEndDiffers() const { return FLeft.FinalLineEnd() != FRight.FinalLineEnd(); }
    bool EncodingsDiffer() const { return FLeft.Encoding() != FRight.Encoding(); }
    // The lines are the same, and only how lines end tells the files apart (a byte order
    // mark or another encoding may differ as well).
    bool OnlyLineEndsDiffer() const { return FVerdict == tvSameText && (LineEndsDiffer() || FinalLineEndDiffers()); }

    // The runs of differing lines, in order; their number is the number of differences.
    const std::vector<TLineHunk> &Hunks() const { return FHunks; }
    qsizetype DifferenceCount() const { return qsizetype(FHunks.size()); }

    qsizetype RowCount() const { return FRowCount; }
    TRow Row(qsizetype row) const;
    // The row that shows a line of one side (a line of a changed run: its row).
    qsizetype RowOfLine(bool left, qsizetype line) const;
    // The next run of differences that starts below `row`, and the previous one: the start
    // of the run `row` lies in, or of the run before. -1 when there is none.
    qsizetype NextDifference(qsizetype row) const;
    qsizetype PreviousDifference(qsizetype row) const;

    // The characters that differ within a row with a line on both sides (empty for others).
    TCharMatcher::TRanges ChangedCharacters(qsizetype row) const;

private:
    qsizetype HunkAtOrBefore(qsizetype row) const;

    TTextSide FLeft;
    TTextSide FRight;
    bool FIgnoreWhiteSpace = false;
    bool FMatchingFailed = false;
    TVerdict FVerdict = tvIdentical;
    std::vector<TLineHunk> FHunks;
    qsizetype FRowCount = 0;
};
