#include "compare/TCharMatcher.h"

#include <dtl/dtl.hpp>

#include <vector>

namespace {

// The characters a line is matched by: code points, each with where it stands in the text.
struct TUnits
{
    std::vector<char32_t> Code;
    std::vector<qsizetype> At;   // where each starts in the text, in UTF-16 units
    std::vector<qsizetype> Ends; // and where it ends

    TUnits(const QString &text, bool ignoreWhiteSpace)
    {
        const qsizetype n = text.size();
        for (qsizetype i = 0; i < n;) {
            char32_t c = text.at(i).unicode();
            qsizetype length = 1;
            if (QChar::isHighSurrogate(c) && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
                c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
                length = 2;
            }
            if (!ignoreWhiteSpace || !QChar::isSpace(c)) {
                Code.push_back(c);
                At.push_back(i);
                Ends.push_back(i + length);
            }
            i += length;
        }
    }
    qsizetype Size() const { return qsizetype(Code.size()); }
};

// Marks units [from, to) of one side, joined to the range before when they touch it.
void Mark(const TUnits &units, qsizetype from, qsizetype to, QList<TCharMatcher::TRange> *ranges)
{
    for (qsizetype i = from; i < to; ++i) {
        const qsizetype start = units.At[size_t(i)];
        const qsizetype end = units.Ends[size_t(i)];
        if (!ranges->isEmpty() && ranges->last().Start + ranges->last().Length == start)
            ranges->last().Length = end - ranges->last().Start;
        else
            ranges->append({start, end - start});
    }
}

} // namespace

TCharMatcher::TRanges TCharMatcher::Match(const QString &left, const QString &right, bool ignoreWhiteSpace)
{
    TRanges result;
    const TUnits a(left, ignoreWhiteSpace);
    const TUnits b(right, ignoreWhiteSpace);
    qsizetype head = 0;
    while (head < a.Size() && head < b.Size() && a.Code[size_t(head)] == b.Code[size_t(head)])
        ++head;
    qsizetype tail = 0;
    while (tail < a.Size() - head && tail < b.Size() - head
           && a.Code[size_t(a.Size() - 1 - tail)] == b.Code[size_t(b.Size() - 1 - tail)])
        ++tail;
    const qsizetype aEnd = a.Size() - tail;
    const qsizetype bEnd = b.Size() - tail;
    if (aEnd - head > MaxMatched || bEnd - head > MaxMatched || aEnd == head || bEnd == head) {
        Mark(a, head, aEnd, &result.Left);
        Mark(b, head, bEnd, &result.Right);
        return result;
    }

    const std::vector<char32_t> midA(a.Code.begin() + head, a.Code.begin() + aEnd);
    const std::vector<char32_t> midB(b.Code.begin() + head, b.Code.begin() + bEnd);
    dtl::Diff<char32_t, std::vector<char32_t>> diff(midA, midB);
    diff.compose();
    for (const auto &[code, info] : diff.getSes().getSequence()) {
        Q_UNUSED(code);
        // The script counts from 1 within the searched middle.
        if (info.type == dtl::SES_DELETE)
            Mark(a, head + info.beforeIdx - 1, head + info.beforeIdx, &result.Left);
        else if (info.type == dtl::SES_ADD)
            Mark(b, head + info.afterIdx - 1, head + info.afterIdx, &result.Right);
    }
    return result;
}
