// How a pair is judged: the classification table, the time difference and the byte
// comparison of equal-size files.

#include "engine/TContentComparer.h"
#include "engine/TPairJudge.h"

#include "TestTree.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

class tst_PairJudge : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void classification_data();
    void classification();
    void contentIsComparedOnlyForEqualSizes();
    void timeDifference_data();
    void timeDifference();
    void sameContent_data();
    void sameContent();
    void sameContentRefusesWhatIsNotAFile();
};

Q_DECLARE_METATYPE(TPairJudge::TVerdict)

void tst_PairJudge::classification_data()
{
    QTest::addColumn<qint64>("srcSize");
    QTest::addColumn<qint64>("dstSize");
    QTest::addColumn<bool>("byContent");
    QTest::addColumn<bool>("sameBytes");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("margin");
    QTest::addColumn<TPairJudge::TVerdict>("verdict");
    using J = TPairJudge;
    QTest::newRow("content equal, far apart in time") << 10ll << 10ll << true << true << 100000 << 0 << J::vdDuplicate;
    // Different bytes are judged by time alone, like different sizes: neither the margin nor
    // an equal time may name the older file the newer one.
    QTest::newRow("content differs, same time: conflict") << 10ll << 10ll << true << false << 0 << 5 << J::vdConflict;
    QTest::newRow("content differs, source newer within the margin")
        << 10ll << 10ll << true << false << 3 << 5 << J::vdSourceNewer;
    QTest::newRow("content differs, at the margin") << 10ll << 10ll << true << false << 5 << 5 << J::vdSourceNewer;
    QTest::newRow("content differs, destination newer within the margin")
        << 10ll << 10ll << true << false << -1 << 5 << J::vdDestinationNewer;
    QTest::newRow("no content, same second") << 10ll << 10ll << false << false << 0 << 0 << J::vdDuplicate;
    QTest::newRow("no content, one newer") << 10ll << 10ll << false << false << 1 << 0 << J::vdSourceNewer;
    QTest::newRow("no content, one older") << 10ll << 10ll << false << false << -1 << 0 << J::vdDestinationNewer;
    QTest::newRow("no content, +margin") << 10ll << 10ll << false << false << 2 << 2 << J::vdDuplicate;
    QTest::newRow("no content, -margin") << 10ll << 10ll << false << false << -2 << 2 << J::vdDuplicate;
    QTest::newRow("no content, past the margin") << 10ll << 10ll << false << false << 3 << 2 << J::vdSourceNewer;
    QTest::newRow("no content, most negative delta")
        << 10ll << 10ll << false << false << int(0x80000000u) << 86400 << J::vdDestinationNewer;
    QTest::newRow("sizes differ, same time: conflict") << 10ll << 11ll << false << false << 0 << 10 << J::vdConflict;
    QTest::newRow("sizes differ, margin ignored") << 10ll << 11ll << false << false << 1 << 10 << J::vdSourceNewer;
    QTest::newRow("sizes differ, destination newer")
        << 10ll << 11ll << true << false << -1 << 10 << J::vdDestinationNewer;
    QTest::newRow("sizes differ in the high bits") << (1ll << 32) << 0ll << false << false << 0 << 0 << J::vdConflict;
}

void tst_PairJudge::classification()
{
    QFETCH(qint64, srcSize);
    QFETCH(qint64, dstSize);
    QFETCH(bool, byContent);
    QFETCH(bool, sameBytes);
    QFETCH(int, delta);
    QFETCH(int, margin);
    QFETCH(TPairJudge::TVerdict, verdict);
    QCOMPARE(TPairJudge::Judge(srcSize, dstSize, delta, margin, byContent, [&] { return sameBytes; }), verdict);
}

void tst_PairJudge::contentIsComparedOnlyForEqualSizes()
{
    int asked = 0;
    const auto count = [&] {
        ++asked;
        return true;
    };
    TPairJudge::Judge(1, 2, 0, 0, true, count);
    TPairJudge::Judge(1, 1, 0, 0, false, count);
    QCOMPARE(asked, 0);
    TPairJudge::Judge(1, 1, 0, 0, true, count);
    QCOMPARE(asked, 1);
}

void tst_PairJudge::timeDifference_data()
{
    QTest::addColumn<qint64>("src");
    QTest::addColumn<qint64>("dst");
    QTest::addColumn<int>("srcZ");
    QTest::addColumn<int>("dstZ");
    QTest::addColumn<int>("delta");
    QTest::newRow("equal") << 1700000000ll << 1700000000ll << 0 << 0 << 0;
    QTest::newRow("source newer") << 1700000005ll << 1700000000ll << 0 << 0 << 5;
    QTest::newRow("source adjusted an hour") << 1699996400ll << 1700000000ll << 3600 << 0 << 0;
    QTest::newRow("destination adjusted") << 1700000000ll << 1700000000ll << 0 << -9999 << 9999;
    QTest::newRow("wraps but stays exact") << 0x7FFFFFFFll << 0x80000001ll << 0 << 0 << -2;
    QTest::newRow("far future dates") << 5000000000ll << 4999999000ll << 0 << 0 << 1000;
    // The difference is taken in 32 bits and wraps, as the stored times always did.
    QTest::newRow("2^31 s or more apart wraps") << 2200000000ll << 0ll << 0 << 0 << -2094967296;
    QTest::newRow("before 1970") << -100ll << 100ll << 0 << 0 << -200;
}

void tst_PairJudge::timeDifference()
{
    QFETCH(qint64, src);
    QFETCH(qint64, dst);
    QFETCH(int, srcZ);
    QFETCH(int, dstZ);
    QFETCH(int, delta);
    QCOMPARE(TPairJudge::AdjustedSecondsDiff(src, dst, srcZ, dstZ), delta);
}

void tst_PairJudge::sameContent_data()
{
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<bool>("same");
    const QByteArray block(16384, 'x');
    QByteArray lastDiffers = block + 'y';
    QTest::newRow("empty files") << QByteArray() << QByteArray() << true;
    QTest::newRow("exactly one block") << block << block << true;
    QTest::newRow("last byte of a second block") << QByteArray(block + 'x') << lastDiffers << false;
    QTest::newRow("first byte") << QByteArray("abc") << QByteArray("xbc") << false;
    QTest::newRow("three blocks equal") << QByteArray(3 * 16384 + 7, 'q') << QByteArray(3 * 16384 + 7, 'q') << true;
    QTest::newRow("sizes differ") << QByteArray("abc") << QByteArray("abcd") << false;
}

void tst_PairJudge::sameContent()
{
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(bool, same);
    QTemporaryDir dir;
    TestTree::File(dir.path(), u"a"_s, a);
    TestTree::File(dir.path(), u"b"_s, b);
    QCOMPARE(
        TContentComparer::SameContent(TestTree::Native(dir.filePath(u"a"_s)), TestTree::Native(dir.filePath(u"b"_s))),
        same);
}

void tst_PairJudge::sameContentRefusesWhatIsNotAFile()
{
    QTemporaryDir dir;
    TestTree::File(dir.path(), u"empty"_s, QByteArray());
    const QByteArray empty = TestTree::Native(dir.filePath(u"empty"_s));
    const QByteArray fifo = TestTree::Native(dir.filePath(u"fifo"_s));
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
    // A FIFO has size 0 like the empty file; opening it for a blocking read would hang.
    QVERIFY(!TContentComparer::SameContent(empty, fifo));
    QVERIFY(!TContentComparer::SameContent(fifo, empty));
    QVERIFY(!TContentComparer::SameContent(empty, TestTree::Native(dir.path())));
    QVERIFY(!TContentComparer::SameContent(empty, TestTree::Native(dir.filePath(u"missing"_s))));
}

QTEST_GUILESS_MAIN(tst_PairJudge)
#include "tst_pairjudge.moc"
