#include "compare/TTextSide.h"

#include <cstring>

void TTextSide::SetBytes(QByteArray bytes)
{
    FBytes = std::move(bytes);
    FLineStarts.assign(1, 0);
    const bool bom = FBytes.startsWith("\xEF\xBB\xBF");
    FStart = bom ? 3 : 0;
    const QByteArrayView text = QByteArrayView(FBytes).sliced(FStart);
    FEncoding = text.isValidUtf8() ? (bom ? teUtf8Bom : teUtf8) : teLatin1;
    if (FEncoding == teLatin1)
        FStart = 0; // three Latin-1 characters, not a mark
    FMatchedUtf8 = FEncoding != teLatin1;

    qsizetype lf = 0, crlf = 0;
    const char *begin = FBytes.constData() + FStart;
    const char *end = FBytes.constData() + FBytes.size();
    for (const char *p = begin; p < end;) {
        const char *nl = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        if (!nl)
            break;
        if (nl > begin && nl[-1] == '\r')
            ++crlf;
        else
            ++lf;
        p = nl + 1;
    }
    FLineEndCount = lf + crlf;
    FLineEnds = crlf == 0 ? (lf == 0 ? leNone : leLf) : (lf == 0 ? leCrLf : leMixed);
    FFinalLineEnd = begin == end || end[-1] == '\n';
}

bool TTextSide::Prepare(bool asUtf8, const TCompareControl &control)
{
    // Drop the mark and the CR of each CRLF in place: the bytes only get shorter.
    qsizetype out = 0;
    char *data = FBytes.data();
    const qsizetype size = FBytes.size();
    for (qsizetype in = FStart; in < size; ++in) {
        if (data[in] == '\r' && in + 1 < size && data[in + 1] == '\n')
            continue;
        data[out++] = data[in];
        if ((in & 0xFFFFF) == 0 && control.Cancelled())
            return false;
    }
    FBytes.truncate(out);
    FStart = 0;

    if (asUtf8 && FEncoding == teLatin1) {
        qsizetype high = 0;
        for (char c : std::as_const(FBytes))
            high += (static_cast<unsigned char>(c) >= 0x80);
        QByteArray utf8;
        utf8.reserve(FBytes.size() + high + 1);
        for (char c : std::as_const(FBytes)) {
            const auto u = static_cast<unsigned char>(c);
            if (u < 0x80) {
                utf8.append(c);
            } else {
                utf8.append(char(0xC0 | (u >> 6)));
                utf8.append(char(0x80 | (u & 0x3F)));
            }
        }
        FBytes = std::move(utf8);
        FMatchedUtf8 = true;
    }
    if (!FBytes.isEmpty() && !FBytes.endsWith('\n'))
        FBytes.append('\n'); // within the spare capacity the reader leaves

    return true;
}

void TTextSide::IndexLines()
{
    FLineStarts.clear();
    FLineStarts.reserve(size_t(FLineEndCount) + 2);
    FLineStarts.push_back(0);
    const char *begin = FBytes.constData();
    const char *end = begin + FBytes.size();
    for (const char *p = begin; p < end;) {
        const char *nl = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        p = nl + 1; // the bytes end with a line end
        FLineStarts.push_back(p - begin);
    }
}

QByteArrayView TTextSide::Matched() const
{
    return QByteArrayView(FBytes).sliced(FStart);
}

QByteArrayView TTextSide::LineBytes(qsizetype line) const
{
    if (line < 0 || line >= LineCount())
        return {};
    const qsizetype from = FLineStarts[size_t(line)];
    return QByteArrayView(FBytes).sliced(from, FLineStarts[size_t(line) + 1] - from - 1);
}

QString TTextSide::LineText(qsizetype line) const
{
    const QByteArrayView bytes = LineBytes(line);
    return FMatchedUtf8 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}
