#include "compare/TPairComparison.h"

bool TPairComparison::LooksBinary(QByteArrayView block, bool cut)
{
    if (block.contains('\0'))
        return true;
    // A multi-byte character may be cut off by the end of the block.
    for (qsizetype trim = 0; trim <= (cut ? 3 : 0) && trim < block.size(); ++trim) {
        if (block.first(block.size() - trim).isValidUtf8())
            return false;
    }
    qsizetype controls = 0;
    for (char c : block) {
        const auto u = static_cast<unsigned char>(c);
        // Tab, LF, VT, FF, CR and ESC (colours in a log) are at home in text.
        if ((u < 0x20 && (u < 0x09 || u > 0x0D) && u != 0x1B) || u == 0x7F)
            ++controls;
    }
    return controls * 32 > block.size();
}

TPairComparison::TKind TPairComparison::Fail(const TCompareFile &file, bool left)
{
    if (file.Error() == TCompareFile::ceCancelled)
        return FKind = pkCancelled;
    FFailedLeft = left;
    FError = file.Error();
    FErrno = file.Errno();
    return FKind = pkFailed;
}

TPairComparison::TKind TPairComparison::Run(const QByteArray &leftPath, const QByteArray &rightPath,
                                            bool ignoreWhiteSpace, const TCompareControl &control)
{
    FTooLarge = false;
    FError = TCompareFile::ceNone;
    FErrno = 0;
    TCompareFile left, right;
    if (!left.Open(leftPath))
        return Fail(left, true);
    if (!right.Open(rightPath))
        return Fail(right, false);
    FLeftSize = left.Size();
    FRightSize = right.Size();
    FLeftMtime = left.ModifiedSeconds();
    FRightMtime = right.ModifiedSeconds();
    FLeftMtimeNs = left.ModifiedNanoseconds();
    FRightMtimeNs = right.ModifiedNanoseconds();

    const QByteArray leftStart = left.ReadAt(0, SniffBytes);
    const QByteArray rightStart = right.ReadAt(0, SniffBytes);
    if (left.Error() != TCompareFile::ceNone)
        return Fail(left, true);
    if (right.Error() != TCompareFile::ceNone)
        return Fail(right, false);
    const bool binary =
        LooksBinary(leftStart, FLeftSize > SniffBytes) || LooksBinary(rightStart, FRightSize > SniffBytes);
    FTooLarge = !binary && qMax(FLeftSize, FRightSize) > MaxTextBytes;
    if (binary || FTooLarge) {
        if (!FBinary.Compare(left, right, control)) {
            if (left.Error() != TCompareFile::ceNone)
                return Fail(left, true);
            if (right.Error() != TCompareFile::ceNone)
                return Fail(right, false);
            return FKind = pkCancelled;
        }
        return FKind = pkBinary;
    }

    // One spare byte each: the line end a last line may lack.
    QByteArray a, b;
    if (!left.ReadAll(&a, 1, control, 0, 250))
        return Fail(left, true);
    if (!right.ReadAll(&b, 1, control, 250, 500))
        return Fail(right, false);
    if (!FText.Compare(std::move(a), std::move(b), ignoreWhiteSpace, control)) {
        if (FText.MatchingFailed()) {
            // Only a file too large for the line matching gets here: show its bytes.
            FTooLarge = true;
            return FBinary.Compare(left, right, control) ? FKind = pkBinary : FKind = pkCancelled;
        }
        return FKind = pkCancelled;
    }
    return FKind = pkText;
}
