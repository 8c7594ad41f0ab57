#include "compare/TBinaryPair.h"

bool TBinaryPair::Compare(TCompareFile &left, TCompareFile &right, const TCompareControl &control)
{
    constexpr qint64 Block = 1 << 20;
    FRows.clear();
    FFirstDifference = -1;
    FLeftSize = left.Size();
    FRightSize = right.Size();
    const qint64 common = qMin(FLeftSize, FRightSize);
    qint64 offset = 0;
    // Block by block, to the first difference or the end of the shorter file as it was when
    // opened; a read that comes back short (the file shrank) ends the search there.
    while (offset < common && FFirstDifference < 0) {
        if (control.Cancelled())
            return false;
        const qint64 want = qMin(Block, common - offset);
        const QByteArray a = left.ReadAt(offset, want);
        const QByteArray b = right.ReadAt(offset, want);
        if (left.Error() != TCompareFile::ceNone || right.Error() != TCompareFile::ceNone)
            return false;
        const qsizetype n = qMin(a.size(), b.size());
        for (qsizetype i = 0; i < n; ++i) {
            if (a.at(i) != b.at(i)) {
                FFirstDifference = offset + i;
                break;
            }
        }
        if (FFirstDifference < 0 && n < want) {
            // A file got shorter since it was opened: it ends here now.
            FLeftSize = a.size() < want ? offset + a.size() : FLeftSize;
            FRightSize = b.size() < want ? offset + b.size() : FRightSize;
            break;
        }
        offset += n;
        control.Report(int(1000 * offset / qMax<qint64>(common, 1)));
    }
    if (FFirstDifference >= 0)
        FVerdict = bvDifferent;
    else if (FLeftSize == FRightSize)
        FVerdict = bvEqual;
    else {
        FVerdict = FLeftSize < FRightSize ? bvLeftIsPrefix : bvRightIsPrefix;
        FFirstDifference = qMin(FLeftSize, FRightSize);
    }
    if (FVerdict == bvEqual)
        return true;

    const qint64 rowStart = FFirstDifference / RowBytes * RowBytes;
    const qint64 from = qMax<qint64>(0, rowStart - RowsBefore * RowBytes);
    const qint64 to = rowStart + (RowsAfter + 1) * RowBytes;
    const QByteArray a = left.ReadAt(from, to - from);
    const QByteArray b = right.ReadAt(from, to - from);
    if (left.Error() != TCompareFile::ceNone || right.Error() != TCompareFile::ceNone)
        return false;
    for (qint64 at = from; at < to; at += RowBytes) {
        THexRow row;
        row.Offset = at;
        row.Left = a.mid(at - from, RowBytes);
        row.Right = b.mid(at - from, RowBytes);
        if (row.Left.isEmpty() && row.Right.isEmpty())
            break;
        FRows.append(row);
    }
    return true;
}

QString TBinaryPair::FormatRow(qint64 offset, const QByteArray &bytes)
{
    static const char Hex[] = "0123456789abcdef";
    QString text = QString::number(offset, 16).rightJustified(8, u'0') + u"  ";
    QString ascii;
    for (int i = 0; i < RowBytes; ++i) {
        if (i < bytes.size()) {
            const auto b = static_cast<unsigned char>(bytes.at(i));
            text += QLatin1Char(Hex[b >> 4]);
            text += QLatin1Char(Hex[b & 15]);
            ascii += (b >= 0x20 && b < 0x7F) ? QChar(char16_t(b)) : QChar(u'.');
        } else {
            text += u"  ";
            ascii += u' ';
        }
        text += i == 7 ? u"  " : u" ";
    }
    return text + u' ' + ascii;
}
