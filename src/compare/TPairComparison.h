#pragma once

#include "compare/TBinaryPair.h"
#include "compare/TCompareControl.h"
#include "compare/TCompareFile.h"
#include "compare/TTextPair.h"

#include <QByteArray>

// Compares two files as a whole: as text when both read as text, else byte by byte. This is
// what a view of a pair runs, on its own thread for large files (TPairCompareJob).
class TPairComparison
{
public:
    // How much of the start of a file decides whether it is text.
    static constexpr qsizetype SniffBytes = 8192;
    // Larger files are compared byte by byte: the line matching holds a file of this size
    // and several times its lines in memory, and refuses a file of 1 GiB.
    static constexpr qint64 MaxTextBytes = qint64(512) << 20;

    enum TKind {
        pkText,
        pkBinary,
        pkFailed, // a file could not be opened or read: FailedSide, Error and Errno say why
        pkCancelled,
    };

    TKind Run(const QByteArray &leftPath, const QByteArray &rightPath, bool ignoreWhiteSpace,
              const TCompareControl &control = {});

    TKind Kind() const { return FKind; }
    const TTextPair &Text() const { return FText; }
    const TBinaryPair &Binary() const { return FBinary; }
    // pkBinary although both are text, because a file is larger than MaxTextBytes.
    bool TooLargeForText() const { return FTooLarge; }

    bool FailedLeft() const { return FFailedLeft; }
    TCompareFile::TError Error() const { return FError; }
    int Errno() const { return FErrno; }

    // Each side's size and modification time (seconds since the epoch, and nanoseconds).
    qint64 Size(bool left) const { return left ? FLeftSize : FRightSize; }
    qint64 ModifiedSeconds(bool left) const { return left ? FLeftMtime : FRightMtime; }
    qint64 ModifiedNanoseconds(bool left) const { return left ? FLeftMtimeNs : FRightMtimeNs; }

    // A NUL byte, or (when the start is not UTF-8) more than one control character in 32
    // that text does not use. `cut`: the block is the start of a longer file, so a
    // character may be cut at its end.
    static bool LooksBinary(QByteArrayView block, bool cut);

private:
    TKind Fail(const TCompareFile &file, bool left);

    TKind FKind = pkCancelled;
    TTextPair FText;
    TBinaryPair FBinary;
    bool FTooLarge = false;
    bool FFailedLeft = false;
    TCompareFile::TError FError = TCompareFile::ceNone;
    int FErrno = 0;
    qint64 FLeftSize = 0, FRightSize = 0;
    qint64 FLeftMtime = 0, FRightMtime = 0;
    qint64 FLeftMtimeNs = 0, FRightMtimeNs = 0;
};
