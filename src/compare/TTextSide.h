#pragma once

#include "compare/TCompareControl.h"

#include <QByteArray>
#include <QString>

#include <vector>

// One file of a text pair: how it is written (encoding, line ends, final line end) and its
// lines. The bytes are kept once, as the lines are matched: line ends as a plain LF, the
// byte order mark left out, and Latin-1 recoded as UTF-8 when the other side is UTF-8, so
// that the same text compares equal however either file writes it. Lines are decoded only
// when asked for, so a large file costs about its own size.
class TTextSide
{
public:
    enum TEncoding {
        teUtf8,
        teUtf8Bom,
        teLatin1, // not valid UTF-8: every byte is one character
    };
    enum TLineEnds {
        leNone, // no line end at all: empty, or a single line without one
        leLf,
        leCrLf,
        leMixed,
    };

    // Takes the file's bytes and looks at how they are written (a pass over them).
    void SetBytes(QByteArray bytes);
    TEncoding Encoding() const { return FEncoding; }
    TLineEnds LineEnds() const { return FLineEnds; }
    // False when the last line has no line end (an empty file has none and needs none).
    bool FinalLineEnd() const { return FFinalLineEnd; }
    bool IsUtf8() const { return FEncoding != teLatin1; }
    const QByteArray &Bytes() const { return FBytes; }

    // Brings the bytes into the form the lines are matched in (see above). `asUtf8`:
    // recode Latin-1 as UTF-8. False when cancelled.
    bool Prepare(bool asUtf8, const TCompareControl &control);
    // Finds where each line starts, for the lines to be shown (after the matching, which
    // is when the memory is needed most).
    void IndexLines();
    // The lines as matched, each ended by one LF.
    QByteArrayView Matched() const;

    qsizetype LineCount() const { return qsizetype(FLineStarts.size()) - 1; }
    QString LineText(qsizetype line) const; // without its line end
    QByteArrayView LineBytes(qsizetype line) const;

private:
    QByteArray FBytes;
    qsizetype FStart = 0; // past the byte order mark
    TEncoding FEncoding = teUtf8;
    TLineEnds FLineEnds = leNone;
    bool FFinalLineEnd = true;
    qsizetype FLineEndCount = 0;
    bool FMatchedUtf8 = true; // how the prepared bytes decode
    std::vector<qsizetype> FLineStarts{0};
};
