// The wildcard text, the matcher and the size limits that decide which files a run sees.

#include "engine/TFileFilter.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The matcher written as its plain recursive definition; exponential, so only for
// short inputs, where it is the reference the iterative matcher must agree with.
bool ReferenceMatch(QStringView text, QStringView pattern)
{
    if (pattern.isEmpty())
        return text.isEmpty();
    if (pattern[0] == u'*') {
        for (qsizetype i = 0; i <= text.size(); ++i) {
            if (ReferenceMatch(text.sliced(i), pattern.sliced(1)))
                return true;
        }
        return false;
    }
    if (text.isEmpty())
        return false;
    if (pattern[0] == u'?' || pattern[0] == text[0])
        return ReferenceMatch(text.sliced(1), pattern.sliced(1));
    return false;
}

TScanOptions Options(const QString &filter, bool reverse = false)
{
    TScanOptions o;
    o.Filter = filter;
    o.RevFilterLogic = reverse;
    return o;
}

} // namespace

class tst_FileFilter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tokens_data();
    void tokens();
    void masks_data();
    void masks();
    void iterativeMatcherAgreesWithRecursiveDefinition();
    void matcherStaysLinearOnBacktrackingMasks();
    void sizeLimits_data();
    void sizeLimits();
    void filterLogic_data();
    void filterLogic();
};

void tst_FileFilter::tokens_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("tokens");
    QTest::newRow("semicolon") << u"*.txt; *.doc"_s << QStringList{u"*.txt"_s, u"*.doc"_s};
    QTest::newRow("space rule") << u"*.txt *.doc"_s << QStringList{u"*.txt"_s, u"*.doc"_s};
    QTest::newRow("space kept beside ;") << u"*.txt *.doc;*.xls"_s << QStringList{u"*.txt *.doc"_s, u"*.xls"_s};
    QTest::newRow("comma before semicolon") << u"a,b;c"_s << QStringList{u"a"_s, u"b"_s, u"c"_s};
    QTest::newRow("doubled separators") << u"a;;b"_s << QStringList{u"a"_s, u""_s, u"b"_s};
    QTest::newRow("only separators") << u";;"_s << QStringList{u""_s, u""_s};
    QTest::newRow("trailing comma") << u"a,,"_s << QStringList{u"a"_s, u""_s};
    QTest::newRow("blanks trimmed") << u" \t *.c \t "_s << QStringList{u"*.c"_s};
    QTest::newRow("tab is no separator") << u"a\tb"_s << QStringList{u"a\tb"_s};
    QTest::newRow("empty") << u""_s << QStringList{};
    QTest::newRow("blank") << u"   "_s << QStringList{};
}

void tst_FileFilter::tokens()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, tokens);
    QCOMPARE(TFileFilter::SplitTokens(filter), tokens);
}

void tst_FileFilter::masks_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("token");
    QTest::addColumn<bool>("match");
    QTest::newRow("extension at any depth") << u"/home/u/a/b/c.txt"_s << u"*.txt"_s << true;
    QTest::newRow("case of ASCII ignored") << u"/home/u/C.TXT"_s << u"*.txt"_s << true;
    QTest::newRow("upper mask") << u"/home/u/c.txt"_s << u"*.TXT"_s << true;
    QTest::newRow("non-ASCII not folded") << u"/home/u/\u00C4.txt"_s << u"*\u00E4*"_s << false;
    QTest::newRow("non-ASCII same case") << u"/home/u/\u00E4.txt"_s << u"*\u00E4*"_s << true;
    QTest::newRow("*.* takes a dotless path") << u"/home/u/README"_s << u"*.*"_s << true;
    QTest::newRow("*. takes a dotless path") << u"/home/u/README"_s << u"*."_s << true;
    QTest::newRow("*. refuses a dotted path") << u"/home/u/a.txt"_s << u"*."_s << false;
    QTest::newRow("*. refuses a dotted folder") << u"/home/u.v/README"_s << u"*."_s << false;
    QTest::newRow("? takes one character") << u"/a.txt"_s << u"*.tx?"_s << true;
    QTest::newRow("? never matches the end") << u"/a.tx"_s << u"*.tx?"_s << false;
    QTest::newRow("anchored at the start") << u"/home/report.txt"_s << u"report*"_s << false;
    QTest::newRow("star crosses separators") << u"/home/report/x.bin"_s << u"*/report*"_s << true;
    QTest::newRow("plain token is a substring") << u"/x/doc/a.bin"_s << u"doc"_s << true;
    QTest::newRow("plain token keeps case") << u"/x/DOC/a.bin"_s << u"doc"_s << false;
    QTest::newRow("empty token") << u"/x/a"_s << u""_s << false;
    QTest::newRow("star alone") << u"/x/anything"_s << u"*"_s << true;
}

void tst_FileFilter::masks()
{
    QFETCH(QString, path);
    QFETCH(QString, token);
    QFETCH(bool, match);
    QCOMPARE(TFileFilter::MatchMask(path, token), match);
}

void tst_FileFilter::iterativeMatcherAgreesWithRecursiveDefinition()
{
    // Texts may hold "*" and "?" too: in a file name they are plain characters.
    const QString alphabet = u"ab.*?"_s;
    QRandomGenerator rng(20261208);
    for (int i = 0; i < 50000; ++i) {
        QString text, pattern;
        const int tl = rng.bounded(9), pl = rng.bounded(7);
        for (int k = 0; k < tl; ++k)
            text.append(alphabet[rng.bounded(alphabet.size())]);
        for (int k = 0; k < pl; ++k)
            pattern.append(alphabet[rng.bounded(alphabet.size())]);
        if (TFileFilter::MatchPattern(text, pattern) != ReferenceMatch(text, pattern))
            QFAIL(qPrintable(u"text \"%1\" pattern \"%2\""_s.arg(text, pattern)));
    }
}

void tst_FileFilter::matcherStaysLinearOnBacktrackingMasks()
{
    // A recursive matcher takes longer than the age of the universe on this input; the
    // test's time limit is the assertion.
    const QString path = u"/"_s + QString(20000, u'a');
    QVERIFY(!TFileFilter::MatchMask(path, u"*a*a*a*a*a*a*a*a*b"_s));
    // The path has no ".", so one is appended before matching.
    QVERIFY(TFileFilter::MatchMask(path + u'b', u"*a*a*a*a*a*a*a*a*b."_s));
}

void tst_FileFilter::sizeLimits_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<float>("minimum");
    QTest::addColumn<float>("minFactor");
    QTest::addColumn<float>("maximum");
    QTest::addColumn<float>("maxFactor");
    QTest::addColumn<bool>("passes");
    QTest::newRow("1023 bytes under 1 KB") << qint64(1023) << 1.0f << 1024.0f << 0.0f << 1024.0f << false;
    QTest::newRow("1024 bytes at 1 KB") << qint64(1024) << 1.0f << 1024.0f << 0.0f << 1024.0f << true;
    QTest::newRow("1034 bytes cut to 1.00 KB") << qint64(1034) << 0.0f << 1024.0f << 1.0f << 1024.0f << true;
    QTest::newRow("1035 bytes are 1.01 KB") << qint64(1035) << 0.0f << 1024.0f << 1.0f << 1024.0f << false;
    QTest::newRow("exactly at both limits") << qint64(500) << 500.0f << 1.0f << 500.0f << 1.0f << true;
    QTest::newRow("MB unit") << qint64(1048575) << 1.0f << 1048576.0f << 0.0f << 1.0f << false;
    QTest::newRow("empty file, no limits") << qint64(0) << 0.0f << 1.0f << 0.0f << 1.0f << true;
    QTest::newRow("5 GiB under a 4096 MB maximum")
        << (qint64(5) << 30) << 0.0f << 1.0f << 4096.0f << 1048576.0f << false;
}

void tst_FileFilter::sizeLimits()
{
    QFETCH(qint64, size);
    QFETCH(float, minimum);
    QFETCH(float, minFactor);
    QFETCH(float, maximum);
    QFETCH(float, maxFactor);
    QFETCH(bool, passes);
    TScanOptions o = Options(u"*"_s);
    o.MinFileSize = minimum;
    o.MinSizeFactor = minFactor;
    o.MaxFileSize = maximum;
    o.MaxSizeFactor = maxFactor;
    QCOMPARE(TFileFilter(o).PassesFilters(u"/x/f.bin"_s, size, false), passes);
}

void tst_FileFilter::filterLogic_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<bool>("reverse");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("passes");
    // The path is /data/report.txt; the minimum is 1 KB.
    QTest::newRow("empty text takes nothing") << u""_s << false << qint64(4096) << false;
    QTest::newRow("empty text reversed takes all, limits unused") << u""_s << true << qint64(1) << true;
    QTest::newRow("second token matches") << u"*.doc;*.txt"_s << false << qint64(4096) << true;
    QTest::newRow("matching token, too small") << u"*.txt"_s << false << qint64(10) << false;
    QTest::newRow("reversed, excluded by its mask") << u"*.txt"_s << true << qint64(4096) << false;
    QTest::newRow("reversed, not excluded") << u"*.doc"_s << true << qint64(4096) << true;
    QTest::newRow("reversed, limits after a non-matching token") << u"*.doc"_s << true << qint64(10) << false;
    QTest::newRow("plain text token") << u"report"_s << false << qint64(4096) << true;
    QTest::newRow("doubled separators match nothing") << u";;"_s << false << qint64(4096) << false;
}

void tst_FileFilter::filterLogic()
{
    QFETCH(QString, filter);
    QFETCH(bool, reverse);
    QFETCH(qint64, size);
    QFETCH(bool, passes);
    TScanOptions o = Options(filter, reverse);
    o.MinFileSize = 1;
    o.MinSizeFactor = 1024;
    QCOMPARE(TFileFilter(o).PassesFilters(u"/data/report.txt"_s, size, false), passes);
}

QTEST_GUILESS_MAIN(tst_FileFilter)
#include "tst_filefilter.moc"
