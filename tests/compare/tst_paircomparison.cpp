// Two files compared as a whole: the runs of differing lines and the rows beside each
// other, how each file is written, the characters within a changed line, the byte summary
// of binary files, failures and cancelling.

#include "compare/TCharMatcher.h"
#include "compare/TPairCompareJob.h"
#include "compare/TPairComparison.h"

#include "TestTree.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <cerrno>

using namespace Qt::StringLiterals;

class tst_PairComparison : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(FDir.isValid()); }
    void textPairs_data();
    void textPairs();
    void sides_data();
    void sides();
    void changedCharacters_data();
    void changedCharacters();
    void navigation();
    void binaryPairs_data();
    void binaryPairs();
    void unreadableFiles();
    void cancel();
    void jobReportsProgressAndResult();

private:
    // Writes both files and compares them.
    TPairComparison::TKind Run(const QByteArray &left, const QByteArray &right, bool ignoreWhiteSpace,
                               TPairComparison *pair, const TCompareControl &control = {});
    QString Path(const char *name) const { return FDir.path() + u'/' + QLatin1StringView(name); }

    QTemporaryDir FDir;
};

Q_DECLARE_METATYPE(TTextPair::TVerdict)
Q_DECLARE_METATYPE(TTextSide::TEncoding)
Q_DECLARE_METATYPE(TTextSide::TLineEnds)
Q_DECLARE_METATYPE(TBinaryPair::TVerdict)

TPairComparison::TKind tst_PairComparison::Run(const QByteArray &left, const QByteArray &right, bool ignoreWhiteSpace,
                                               TPairComparison *pair, const TCompareControl &control)
{
    TestTree::File(FDir.path(), u"left"_s, left);
    TestTree::File(FDir.path(), u"right"_s, right);
    return pair->Run(TestTree::Native(Path("left")), TestTree::Native(Path("right")), ignoreWhiteSpace, control);
}

// Runs as "leftStart,leftCount,rightStart,rightCount" joined by ';', rows as one letter
// each: '=' equal, 'c' changed, 'd' only on the left, 'i' only on the right.
static QString Describe(const TTextPair &text, QString *rows)
{
    QStringList hunks;
    for (const TLineHunk &h : text.Hunks())
        hunks << u"%1,%2,%3,%4"_s.arg(h.LeftStart).arg(h.LeftCount).arg(h.RightStart).arg(h.RightCount);
    rows->clear();
    for (qsizetype r = 0; r < text.RowCount(); ++r) {
        const TTextPair::TRow row = text.Row(r);
        *rows += row.Equal                          ? u'='
                 : row.Kind == TLineHunk::hkChanged ? u'c'
                 : row.Kind == TLineHunk::hkDeleted ? u'd'
                                                    : u'i';
    }
    return hunks.join(u';');
}

void tst_PairComparison::textPairs_data()
{
    QTest::addColumn<QByteArray>("left");
    QTest::addColumn<QByteArray>("right");
    QTest::addColumn<bool>("ignoreWhiteSpace");
    QTest::addColumn<TTextPair::TVerdict>("verdict");
    QTest::addColumn<QString>("hunks");
    QTest::addColumn<QString>("rows");
    QTest::addColumn<bool>("onlyLineEnds");
    using P = TTextPair;
    QTest::newRow("identical") << "a\nb\n"_ba
                               << "a\nb\n"_ba << false << P::tvIdentical << ""
                               << "==" << false;
    QTest::newRow("both empty") << ""_ba
                                << ""_ba << false << P::tvIdentical << ""
                                << "" << false;
    QTest::newRow("insert inside") << "a\nc\n"_ba
                                   << "a\nb\nc\n"_ba << false << P::tvDifferent << "1,0,1,1"
                                   << "=i=" << false;
    QTest::newRow("insert at the start") << "b\n"_ba
                                         << "a\nb\n"_ba << false << P::tvDifferent << "0,0,0,1"
                                         << "i=" << false;
    QTest::newRow("insert at the end") << "a\n"_ba
                                       << "a\nb\n"_ba << false << P::tvDifferent << "1,0,1,1"
                                       << "=i" << false;
    QTest::newRow("delete") << "a\nb\nc\n"_ba
                            << "a\nc\n"_ba << false << P::tvDifferent << "1,1,1,0"
                            << "=d=" << false;
    QTest::newRow("change") << "a\nb\nc\n"_ba
                            << "a\nB\nc\n"_ba << false << P::tvDifferent << "1,1,1,1"
                            << "=c=" << false;
    QTest::newRow("two lines for one") << "a\nb\nc\nd\n"_ba
                                       << "a\nX\nd\n"_ba << false << P::tvDifferent << "1,2,1,1"
                                       << "=cd=" << false;
    QTest::newRow("two runs") << "a\nb\nc\nd\ne\n"_ba
                              << "a\nB\nc\nD\ne\n"_ba << false << P::tvDifferent << "1,1,1,1;3,1,3,1"
                              << "=c=c=" << false;
    QTest::newRow("empty against text") << ""_ba
                                        << "a\nb\n"_ba << false << P::tvDifferent << "0,0,0,2"
                                        << "ii" << false;
    QTest::newRow("text against empty") << "a\nb\n"_ba
                                        << ""_ba << false << P::tvDifferent << "0,2,0,0"
                                        << "dd" << false;
    QTest::newRow("Unicode change") << "größe\n€ 5\n"_ba
                                    << "größe\n€ 6\n"_ba << false << P::tvDifferent << "1,1,1,1"
                                    << "=c" << false;
    QTest::newRow("Latin-1 against UTF-8, same text") << "gr\xF6\xDF"
                                                         "e\n"_ba
                                                      << "größe\n"_ba << false << P::tvSameText << ""
                                                      << "=" << false;
    QTest::newRow("byte order mark against none") << "\xEF\xBB\xBF"
                                                     "a\n"_ba
                                                  << "a\n"_ba << false << P::tvSameText << ""
                                                  << "=" << false;
    QTest::newRow("CRLF against LF") << "a\r\nb\r\n"_ba
                                     << "a\nb\n"_ba << false << P::tvSameText << ""
                                     << "==" << true;
    QTest::newRow("CRLF against LF, one change") << "a\r\nb\r\nc\r\n"_ba
                                                 << "a\nx\nc\n"_ba << false << P::tvDifferent << "1,1,1,1"
                                                 << "=c=" << false;
    QTest::newRow("a lone CR is content") << "a\rb\n"_ba
                                          << "ab\n"_ba << false << P::tvDifferent << "0,1,0,1"
                                          << "c" << false;
    QTest::newRow("no final line end") << "a\nb"_ba
                                       << "a\nb\n"_ba << false << P::tvSameText << ""
                                       << "==" << true;
    QTest::newRow("no final line end, last line changed") << "a\nb"_ba
                                                          << "a\nc"_ba << false << P::tvDifferent << "1,1,1,1"
                                                          << "=c" << false;
    // Past the blocks a file is read in: the last line of 5 MiB differs.
    const QByteArray lines = QByteArray(63, 'x').append('\n').repeated(81920);
    QTest::newRow("change after 5 MiB") << lines + "a\n"
                                        << lines + "b\n"
                                        << false << P::tvDifferent << "81920,1,81920,1" << QString(81920, u'=') + u'c'
                                        << false;
    QTest::newRow("white space counts") << "a b\n\tc\n"_ba
                                        << "a  b\nc\n"_ba << false << P::tvDifferent << "0,2,0,2"
                                        << "cc" << false;
    QTest::newRow("white space ignored") << "a b\n\tc\n"_ba
                                         << "a  b\nc\n"_ba << true << P::tvOnlyWhiteSpace << ""
                                         << "==" << false;
    QTest::newRow("white space ignored, real change kept") << "a b\nc\n"_ba
                                                           << "ab\nd\n"_ba << true << P::tvDifferent << "1,1,1,1"
                                                           << "=c" << false;
}

void tst_PairComparison::textPairs()
{
    QFETCH(QByteArray, left);
    QFETCH(QByteArray, right);
    QFETCH(bool, ignoreWhiteSpace);
    QFETCH(TTextPair::TVerdict, verdict);
    QFETCH(QString, hunks);
    QFETCH(QString, rows);
    QFETCH(bool, onlyLineEnds);

    TPairComparison pair;
    QCOMPARE(Run(left, right, ignoreWhiteSpace, &pair), TPairComparison::pkText);
    const TTextPair &text = pair.Text();
    QString gotRows;
    QCOMPARE(Describe(text, &gotRows), hunks);
    QCOMPARE(gotRows, rows);
    QCOMPARE(text.Verdict(), verdict);
    QCOMPARE(text.DifferenceCount(), qsizetype(hunks.isEmpty() ? 0 : hunks.count(u';') + 1));
    QCOMPARE(text.OnlyLineEndsDiffer(), onlyLineEnds);
    // Every line of each side is shown once, in order, and RowOfLine finds its row.
    for (const bool leftSide : {true, false}) {
        qsizetype next = 0;
        for (qsizetype r = 0; r < text.RowCount(); ++r) {
            const qsizetype line = leftSide ? text.Row(r).LeftLine : text.Row(r).RightLine;
            if (line < 0)
                continue;
            QCOMPARE(line, next++);
            QCOMPARE(text.RowOfLine(leftSide, line), r);
        }
        QCOMPARE(next, leftSide ? text.Left().LineCount() : text.Right().LineCount());
    }
}

void tst_PairComparison::sides_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<TTextSide::TEncoding>("encoding");
    QTest::addColumn<TTextSide::TLineEnds>("lineEnds");
    QTest::addColumn<bool>("finalLineEnd");
    QTest::addColumn<QString>("lines");
    using S = TTextSide;
    QTest::newRow("empty") << ""_ba << S::teUtf8 << S::leNone << true << "";
    QTest::newRow("one line, no end") << "abc"_ba << S::teUtf8 << S::leNone << false << "abc";
    QTest::newRow("LF") << "a\n\nb\n"_ba << S::teUtf8 << S::leLf << true << "a||b";
    QTest::newRow("CRLF, last without") << "a\r\nb"_ba << S::teUtf8 << S::leCrLf << false << "a|b";
    QTest::newRow("mixed") << "a\r\nb\n"_ba << S::teUtf8 << S::leMixed << true << "a|b";
    QTest::newRow("UTF-8 with mark") << "\xEF\xBB\xBF€\n"_ba << S::teUtf8Bom << S::leLf << true << "€";
    QTest::newRow("Latin-1") << "caf\xE9\n"_ba << S::teLatin1 << S::leLf << true << "café";
    QTest::newRow("cut UTF-8 is Latin-1") << "\xE2\x82\n"_ba << S::teLatin1 << S::leLf << true << "â\u0082";
    QTest::newRow("mark before Latin-1 is text") << "\xEF\xBB\xBF\xE9\n"_ba << S::teLatin1 << S::leLf << true << "ï»¿é";
}

void tst_PairComparison::sides()
{
    QFETCH(QByteArray, bytes);
    QFETCH(TTextSide::TEncoding, encoding);
    QFETCH(TTextSide::TLineEnds, lineEnds);
    QFETCH(bool, finalLineEnd);
    QFETCH(QString, lines);

    // Each side against a file of its own, and against the other kind of file.
    for (const QByteArray &other : {"x\n"_ba, "x\xE9\n"_ba}) {
        TPairComparison pair;
        QCOMPARE(Run(bytes, other, false, &pair), TPairComparison::pkText);
        const TTextSide &side = pair.Text().Left();
        QCOMPARE(side.Encoding(), encoding);
        QCOMPARE(side.LineEnds(), lineEnds);
        QCOMPARE(side.FinalLineEnd(), finalLineEnd);
        QStringList got;
        for (qsizetype i = 0; i < side.LineCount(); ++i)
            got << side.LineText(i);
        QCOMPARE(got.join(u'|'), lines);
    }
}

void tst_PairComparison::changedCharacters_data()
{
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");
    QTest::addColumn<bool>("ignoreWhiteSpace");
    QTest::addColumn<QString>("leftRanges"); // "start+length" joined by ' '
    QTest::addColumn<QString>("rightRanges");
    QTest::newRow("one letter") << u"value = 15;"_s << u"value = 16;"_s << false << u"9+1"_s << u"9+1"_s;
    QTest::newRow("a word inserted") << u"hello world"_s << u"hello there world"_s << false << u""_s << u"6+6"_s;
    QTest::newRow("two places") << u"ab-cd-ef"_s << u"aX-cd-eY"_s << false << u"1+1 7+1"_s << u"1+1 7+1"_s;
    QTest::newRow("emoji keeps its pair") << u"a😀b"_s << u"a😃b"_s << false << u"1+2"_s << u"1+2"_s;
    QTest::newRow("all new") << u""_s << u"abc"_s << false << u""_s << u"0+3"_s;
    QTest::newRow("white space counts") << u"a b c"_s << u"a  b d"_s << false << u"4+1"_s << u"2+1 5+1"_s;
    QTest::newRow("white space ignored") << u"a b c"_s << u"a  b d"_s << true << u"4+1"_s << u"5+1"_s;
    const QString longLeft = QString(5000, u'x') + u"left"_s + QString(5000, u'y');
    const QString longRight = QString(5000, u'x') + u"right"_s + QString(5000, u'y');
    QTest::newRow("long line, short change") << longLeft << longRight << false << u"5000+3"_s << u"5000+4"_s;
    QTest::newRow("too long to search") << QString(5000, u'a') << QString(5000, u'b') << false << u"0+5000"_s
                                        << u"0+5000"_s;
}

void tst_PairComparison::changedCharacters()
{
    QFETCH(QString, left);
    QFETCH(QString, right);
    QFETCH(bool, ignoreWhiteSpace);
    QFETCH(QString, leftRanges);
    QFETCH(QString, rightRanges);

    const auto join = [](const QList<TCharMatcher::TRange> &ranges) {
        QStringList parts;
        for (const TCharMatcher::TRange &r : ranges)
            parts << u"%1+%2"_s.arg(r.Start).arg(r.Length);
        return parts.join(u' ');
    };
    const TCharMatcher::TRanges ranges = TCharMatcher::Match(left, right, ignoreWhiteSpace);
    QCOMPARE(join(ranges.Left), leftRanges);
    QCOMPARE(join(ranges.Right), rightRanges);

    // The same through a pair of files, row by row.
    TPairComparison pair;
    QCOMPARE(Run(left.toUtf8() + '\n', right.toUtf8() + '\n', ignoreWhiteSpace, &pair), TPairComparison::pkText);
    const TCharMatcher::TRanges viaPair = pair.Text().ChangedCharacters(0);
    QCOMPARE(join(viaPair.Left), leftRanges);
    QCOMPARE(join(viaPair.Right), rightRanges);
}

void tst_PairComparison::navigation()
{
    // Rows: = c = = i i = d =
    TPairComparison pair;
    QCOMPARE(Run("a\nb\nc\nd\ne\nf\ng\n"_ba, "a\nB\nc\nd\nx\ny\ne\ng\n"_ba, false, &pair), TPairComparison::pkText);
    const TTextPair &text = pair.Text();
    QString rows;
    Describe(text, &rows);
    QCOMPARE(rows, u"=c==ii=d="_s);
    const QList<qsizetype> next{1, 4, 4, 4, 7, 7, 7, -1, -1};
    const QList<qsizetype> previous{-1, -1, 1, 1, 1, 4, 4, 4, 7};
    for (qsizetype r = 0; r < text.RowCount(); ++r) {
        QCOMPARE(text.NextDifference(r), next.at(r));
        QCOMPARE(text.PreviousDifference(r), previous.at(r));
    }
    QCOMPARE(text.NextDifference(-1), 1);
    QCOMPARE(text.Row(7).LeftLine, 5);
    QCOMPARE(text.Row(7).RightLine, -1);
    QCOMPARE(text.Row(7).Hunk, 2);
    QVERIFY(text.ChangedCharacters(4).Left.isEmpty()); // an inserted row has no pair
}

void tst_PairComparison::binaryPairs_data()
{
    QTest::addColumn<QByteArray>("left");
    QTest::addColumn<QByteArray>("right");
    QTest::addColumn<TBinaryPair::TVerdict>("verdict");
    QTest::addColumn<qint64>("firstDifference");
    QTest::addColumn<qint64>("firstRow");
    QTest::addColumn<int>("rows");
    QByteArray block(1000, '\0');
    for (int i = 0; i < block.size(); ++i)
        block[i] = char(i * 7);
    QByteArray changed = block;
    changed[100] = char(changed[100] + 1);
    // Over two read blocks, differing in the very last byte.
    QByteArray big(2 * (1 << 20) + 1, '\x01');
    big[5] = '\0';
    QByteArray bigChanged = big;
    bigChanged[big.size() - 1] = '\x02';
    using B = TBinaryPair;
    QTest::newRow("equal") << block << block << B::bvEqual << -1ll << 0ll << 0;
    QTest::newRow("differ at 100") << block << changed << B::bvDifferent << 100ll << 48ll << 8;
    QTest::newRow("differ at 0") << changed << "\x01"_ba << B::bvDifferent << 0ll << 0ll << 5;
    QTest::newRow("left is a prefix") << block.left(600) << block << B::bvLeftIsPrefix << 600ll << 544ll << 8;
    QTest::newRow("right is a prefix") << block << block.left(600) << B::bvRightIsPrefix << 600ll << 544ll << 8;
    QTest::newRow("one empty") << ""_ba << block << B::bvLeftIsPrefix << 0ll << 0ll << 5;
    QTest::newRow("last byte of two blocks")
        << big << bigChanged << B::bvDifferent << qint64(big.size() - 1) << qint64(big.size() - 1 - 16 * 3) << 4;
    QTest::newRow("text against binary") << "a\nb\n"_ba
                                         << "a\0b\n"_ba << B::bvDifferent << 1ll << 0ll << 1;
    QTest::newRow("control bytes, not UTF-8") << "\x01\x02\x03\x04\xFF"_ba
                                              << "\x01\x02\x03\x04\xFE"_ba << B::bvDifferent << 4ll << 0ll << 1;
}

void tst_PairComparison::binaryPairs()
{
    QFETCH(QByteArray, left);
    QFETCH(QByteArray, right);
    QFETCH(TBinaryPair::TVerdict, verdict);
    QFETCH(qint64, firstDifference);
    QFETCH(qint64, firstRow);
    QFETCH(int, rows);

    TPairComparison pair;
    QCOMPARE(Run(left, right, false, &pair), TPairComparison::pkBinary);
    QVERIFY(!pair.TooLargeForText());
    const TBinaryPair &binary = pair.Binary();
    QCOMPARE(binary.Verdict(), verdict);
    QCOMPARE(binary.FirstDifference(), firstDifference);
    QCOMPARE(binary.LeftSize(), left.size());
    QCOMPARE(binary.RightSize(), right.size());
    QCOMPARE(binary.Rows().size(), rows);
    if (rows == 0)
        return;
    QCOMPARE(binary.Rows().first().Offset, firstRow);
    for (const TBinaryPair::THexRow &row : binary.Rows()) {
        QCOMPARE(row.Left, left.mid(row.Offset, TBinaryPair::RowBytes));
        QCOMPARE(row.Right, right.mid(row.Offset, TBinaryPair::RowBytes));
    }
    // Both sides' rows line up, also past the end of the shorter file.
    const TBinaryPair::THexRow &last = binary.Rows().last();
    QCOMPARE(TBinaryPair::FormatRow(last.Offset, last.Left).size(),
             TBinaryPair::FormatRow(last.Offset, last.Right).size());
}

void tst_PairComparison::unreadableFiles()
{
    TestTree::File(FDir.path(), u"present"_s, "x\n");
    QDir().mkpath(Path("folder"));
    QCOMPARE(::mkfifo(Path("fifo").toLocal8Bit().constData(), 0600), 0);
    struct TCase
    {
        const char *left;
        const char *right;
        bool failedLeft;
        int err;
    };
    for (const TCase &c : {TCase{"missing", "present", true, ENOENT}, TCase{"present", "missing", false, ENOENT},
                           TCase{"present", "folder", false, EISDIR}, TCase{"fifo", "present", true, EINVAL}}) {
        TPairComparison pair;
        QCOMPARE(pair.Run(TestTree::Native(Path(c.left)), TestTree::Native(Path(c.right)), false),
                 TPairComparison::pkFailed);
        QCOMPARE(pair.FailedLeft(), c.failedLeft);
        QCOMPARE(pair.Error(), TCompareFile::ceOpen);
        QCOMPARE(pair.Errno(), c.err);
    }

    // The null device, which version-control tools pass for a file that is new, is empty.
    TPairComparison added;
    QCOMPARE(added.Run("/dev/null", TestTree::Native(Path("present")), false), TPairComparison::pkText);
    QCOMPARE(added.Text().Verdict(), TTextPair::tvDifferent);
    QCOMPARE(added.Text().RowCount(), 1);
}

void tst_PairComparison::cancel()
{
    std::atomic<bool> cancel{true};
    TCompareControl control;
    control.Cancel = &cancel;
    TPairComparison pair;
    QCOMPARE(Run("a\n"_ba, "b\n"_ba, false, &pair, control), TPairComparison::pkCancelled);
    QCOMPARE(Run("\0a"_ba, "\0b"_ba, false, &pair, control), TPairComparison::pkCancelled);

    // A job cancelled while it reads ends soon, cancelled, and a deleted job waits for its thread.
    const QByteArray large(64 << 20, 'x');
    TestTree::File(FDir.path(), u"large"_s, large);
    TPairCompareJob job;
    QSignalSpy finished(&job, &TPairCompareJob::Finished);
    job.Start(TestTree::Native(Path("large")), TestTree::Native(Path("large")), false);
    job.Cancel();
    QVERIFY(finished.wait(10000));
    QCOMPARE(job.Result().Kind(), TPairComparison::pkCancelled);
    {
        TPairCompareJob dropped;
        dropped.Start(TestTree::Native(Path("large")), TestTree::Native(Path("large")), false);
    }
}

void tst_PairComparison::jobReportsProgressAndResult()
{
    QByteArray left, right;
    for (int i = 0; i < 20000; ++i) {
        const QByteArray line = "line " + QByteArray::number(i) + '\n';
        left += line;
        right += i == 777 ? "changed\n"_ba : line;
    }
    TestTree::File(FDir.path(), u"left"_s, left);
    TestTree::File(FDir.path(), u"right"_s, right);
    TPairCompareJob job;
    QSignalSpy progress(&job, &TPairCompareJob::Progress);
    QSignalSpy finished(&job, &TPairCompareJob::Finished);
    job.Start(TestTree::Native(Path("left")), TestTree::Native(Path("right")), false);
    QVERIFY(finished.wait(10000));
    QVERIFY(!job.Running());
    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.last().at(0).toInt(), 1000);
    const std::unique_ptr<TPairComparison> result = job.TakeResult();
    QCOMPARE(result->Kind(), TPairComparison::pkText);
    QCOMPARE(result->Text().DifferenceCount(), 1);
    QCOMPARE(result->Text().Hunks().front().LeftStart, 777);
}

QTEST_GUILESS_MAIN(tst_PairComparison)
#include "tst_paircomparison.moc"
