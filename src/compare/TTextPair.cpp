#include "compare/TTextPair.h"

#include "compare/TLineMatcher.h"

#include <algorithm>

bool TTextPair::Compare(QByteArray left, QByteArray right, bool ignoreWhiteSpace, const TCompareControl &control)
{
    FIgnoreWhiteSpace = ignoreWhiteSpace;
    FMatchingFailed = false;
    FHunks.clear();
    FRowCount = 0;
    const bool identical = left == right;
    FLeft.SetBytes(std::move(left));
    FRight.SetBytes(std::move(right));
    control.Report(550);
    // Latin-1 against UTF-8 compares as text: the Latin-1 side is recoded.
    const bool asUtf8 = FLeft.IsUtf8() || FRight.IsUtf8();
    if (!FLeft.Prepare(asUtf8, control) || !FRight.Prepare(asUtf8, control))
        return false;
    control.Report(600);

    const QByteArrayView a = FLeft.Matched();
    const QByteArrayView b = FRight.Matched();
    const bool sameText = a == b;
    if (!sameText) {
        const auto result = TLineMatcher::Match(a, b, ignoreWhiteSpace, control, &FHunks);
        if (result == TLineMatcher::lmCancelled)
            return false;
        if (result == TLineMatcher::lmFailed) {
            FMatchingFailed = true;
            return false;
        }
    }
    FLeft.IndexLines();
    FRight.IndexLines();
    control.Report(1000);
    FVerdict = identical ? tvIdentical : sameText ? tvSameText : FHunks.empty() ? tvOnlyWhiteSpace : tvDifferent;
    FRowCount = FLeft.LineCount();
    for (const TLineHunk &h : FHunks)
        FRowCount += h.Rows() - h.LeftCount;
    return true;
}

qsizetype TTextPair::HunkAtOrBefore(qsizetype row) const
{
    const auto it = std::upper_bound(FHunks.begin(), FHunks.end(), row,
                                     [](qsizetype r, const TLineHunk &h) { return r < h.FirstRow; });
    return qsizetype(it - FHunks.begin()) - 1;
}

TTextPair::TRow TTextPair::Row(qsizetype row) const
{
    TRow r;
    if (row < 0 || row >= FRowCount)
        return r;
    const qsizetype index = HunkAtOrBefore(row);
    if (index < 0) {
        r.LeftLine = r.RightLine = row;
        return r;
    }
    const TLineHunk &h = FHunks[size_t(index)];
    const qsizetype k = row - h.FirstRow;
    if (k < h.Rows()) {
        r.Equal = false;
        r.Hunk = index;
        r.LeftLine = k < h.LeftCount ? h.LeftStart + k : -1;
        r.RightLine = k < h.RightCount ? h.RightStart + k : -1;
        r.Kind = r.LeftLine < 0 ? TLineHunk::hkInserted : r.RightLine < 0 ? TLineHunk::hkDeleted : TLineHunk::hkChanged;
        return r;
    }
    const qsizetype after = k - h.Rows();
    r.LeftLine = h.LeftStart + h.LeftCount + after;
    r.RightLine = h.RightStart + h.RightCount + after;
    return r;
}

qsizetype TTextPair::RowOfLine(bool left, qsizetype line) const
{
    // The runs are in order on both sides; find the last that starts at or before the line.
    const auto start = [left](const TLineHunk &h) { return left ? h.LeftStart : h.RightStart; };
    const auto count = [left](const TLineHunk &h) { return left ? h.LeftCount : h.RightCount; };
    const auto it = std::upper_bound(FHunks.begin(), FHunks.end(), line,
                                     [&](qsizetype l, const TLineHunk &h) { return l < start(h); });
    if (it == FHunks.begin())
        return line;
    const TLineHunk &h = *(it - 1);
    if (line < start(h) + count(h))
        return h.FirstRow + (line - start(h));
    return h.FirstRow + h.Rows() + (line - start(h) - count(h));
}

qsizetype TTextPair::NextDifference(qsizetype row) const
{
    const auto it = std::upper_bound(FHunks.begin(), FHunks.end(), row,
                                     [](qsizetype r, const TLineHunk &h) { return r < h.FirstRow; });
    return it == FHunks.end() ? -1 : it->FirstRow;
}

qsizetype TTextPair::PreviousDifference(qsizetype row) const
{
    const auto it = std::lower_bound(FHunks.begin(), FHunks.end(), row,
                                     [](const TLineHunk &h, qsizetype r) { return h.FirstRow < r; });
    return it == FHunks.begin() ? -1 : (it - 1)->FirstRow;
}

TCharMatcher::TRanges TTextPair::ChangedCharacters(qsizetype row) const
{
    const TRow r = Row(row);
    if (r.Equal || r.Kind != TLineHunk::hkChanged)
        return {};
    return TCharMatcher::Match(FLeft.LineText(r.LeftLine), FRight.LineText(r.RightLine), FIgnoreWhiteSpace);
}
