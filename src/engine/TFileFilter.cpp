#include "engine/TFileFilter.h"

#include "platform/TAsciiCase.h"

#include <cmath>

namespace {

bool IsBlank(QChar c)
{
    return c.unicode() <= 32;
}

QStringView TrimBlanks(QStringView s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.sliced(b, e - b);
}

} // namespace

TFileFilter::TFileFilter(const TScanOptions &options)
    : FTokens(SplitTokens(options.Filter))
    , FReverse(options.RevFilterLogic)
    , FIncHidden(options.IncHiddenFiles)
    , FMin(options.MinFileSize)
    , FMinFactor(options.MinSizeFactor)
    , FMax(options.MaxFileSize)
    , FMaxFactor(options.MaxSizeFactor)
{}

QStringList TFileFilter::SplitTokens(const QString &filter)
{
    QStringList tokens;
    QStringView rest = TrimBlanks(filter);
    while (!rest.isEmpty()) {
        // Positions counted from 1; 0 means absent.
        qsizetype a = rest.indexOf(u';') + 1;
        qsizetype c = rest.indexOf(u',') + 1;
        if (a == 0 && c == 0)
            a = c = rest.indexOf(u' ') + 1;
        if (a == 0 && c == 0)
            a = c = rest.size() + 1;
        const qsizetype e = (c != 0 && (c < a || a == 0)) ? c : a;
        tokens.append(TrimBlanks(rest.first(e - 1)).toString());
        rest = e >= rest.size() ? QStringView() : rest.sliced(e);
        qsizetype b = 0;
        while (b < rest.size() && IsBlank(rest[b]))
            ++b;
        rest = rest.sliced(b);
    }
    return tokens;
}

bool TFileFilter::MatchPattern(QStringView text, QStringView pattern)
{
    const qsizetype n = text.size(), m = pattern.size();
    qsizetype t = 0, p = 0;
    qsizetype starP = -1, starT = 0;
    while (t < n) {
        if (p < m && pattern[p] == u'*') {
            starP = p++;
            starT = t;
        } else if (p < m && (pattern[p] == u'?' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (starP >= 0) {
            // Let the last "*" take one more character and try again from there.
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < m && pattern[p] == u'*')
        ++p;
    return p == m;
}

bool TFileFilter::MatchMask(const QString &path, const QString &token)
{
    if (token.isEmpty())
        return false;
    if (!token.contains(u'*') && !token.contains(u'?'))
        return path.contains(token, Qt::CaseSensitive);
    // A mask of stars alone takes every path; the common "*" needs no copy.
    if (token.count(u'*') == token.size())
        return true;

    QString text = path;
    if (!text.contains(u'.'))
        text.append(u'.');
    QString mask = token;
    for (QChar &ch : text)
        ch = QChar(TAsciiCase::Fold(ch.unicode()));
    for (QChar &ch : mask)
        ch = QChar(TAsciiCase::Fold(ch.unicode()));
    return MatchPattern(text, mask);
}

float TFileFilter::SizeUnitValue(qint64 size, float factor)
{
    const double u0 = std::trunc(static_cast<double>(size) / static_cast<double>(factor) * 100.0);
    return static_cast<float>(u0 / 100.0);
}

bool TFileFilter::PassesLimits(qint64 size, bool hidden) const
{
    if (!FIncHidden && hidden)
        return false;
    if (FMin > 0 && FMin > SizeUnitValue(size, FMinFactor))
        return false;
    if (FMax > 0 && SizeUnitValue(size, FMaxFactor) > FMax)
        return false;
    return true;
}

bool TFileFilter::PassesFilters(const QString &path, qint64 size, bool hidden) const
{
    for (const QString &token : FTokens) {
        const bool m = MatchMask(path, token);
        const bool r = m != FReverse;
        if (r && !PassesLimits(size, hidden))
            return false;
        if (m)
            return r;
    }
    return FReverse;
}
