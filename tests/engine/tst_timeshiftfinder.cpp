// The clock shift finder: which mixes of pair differences make it suggest new settings, and
// whether the settings it suggests make the shifted pairs equal in time.

#include "engine/TPairJudge.h"
#include "engine/TTimeShiftFinder.h"

#include <QTest>

#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

// count pairs of the same difference.
struct TGroup
{
    int Count;
    qint64 Difference;
};

TScanOptions OptionsWith(qint32 srcTimeZ, qint32 dstTimeZ, qint32 margin)
{
    TScanOptions o;
    o.srcTimeZ = srcTimeZ;
    o.dstTimeZ = dstTimeZ;
    o.MrgErrSec = margin;
    return o;
}

} // namespace

Q_DECLARE_METATYPE(QList<TGroup>)

class tst_TimeShiftFinder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void suggestsOnlyForAClearShift_data()
    {
        QTest::addColumn<QList<TGroup>>("groups");
        QTest::addColumn<int>("srcTimeZ");
        QTest::addColumn<int>("dstTimeZ");
        QTest::addColumn<int>("margin");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("pairs");
        QTest::addColumn<int>("hours");
        QTest::addColumn<int>("newSrc");
        QTest::addColumn<int>("newDst");
        QTest::addColumn<int>("newMargin");

        using F = TTimeShiftFinder;
        // Destination an hour ahead: the source's adjustment takes the hour.
        QTest::newRow("destination an hour ahead")
            << QList<TGroup>{{25, -3600}} << 0 << 0 << 0 << int(F::skHours) << 25 << -1 << 3600 << 0 << 0;
        QTest::newRow("source two hours ahead, 90 % with 20 pairs")
            << QList<TGroup>{{20, 7200}, {2, 13}} << 0 << 0 << 0 << int(F::skHours) << 20 << 2 << -7200 << 0 << 0;
        QTest::newRow("too few pairs") << QList<TGroup>{{19, 3600}} << 0 << 0 << 0 << int(F::skNone) << 0 << 0 << 0 << 0
                                       << 0;
        QTest::newRow("exactly 90 %") << QList<TGroup>{{27, 3600}, {3, 5}} << 0 << 0 << 0 << int(F::skHours) << 27 << 1
                                      << -3600 << 0 << 0;
        QTest::newRow("below 90 %") << QList<TGroup>{{26, 3600}, {3, 5}} << 0 << 0 << 0 << int(F::skNone) << 0 << 0 << 0
                                    << 0 << 0;
        QTest::newRow("conflicts count against it")
            << QList<TGroup>{{20, 3600}, {5, 0}} << 0 << 0 << 0 << int(F::skNone) << 0 << 0 << 0 << 0 << 0;
        QTest::newRow("two shifts at once")
            << QList<TGroup>{{15, 3600}, {15, 7200}} << 0 << 0 << 0 << int(F::skNone) << 0 << 0 << 0 << 0 << 0;
        // A two-second disk read in another zone: the hour, and the margin for the rounding.
        QTest::newRow("an hour on a two-second disk")
            << QList<TGroup>{{12, -3600}, {12, -3601}} << 0 << 0 << 0 << int(F::skHours) << 24 << -1 << 3600 << 0 << 2;
        QTest::newRow("an hour and a few seconds is no shift")
            << QList<TGroup>{{30, 3605}} << 0 << 0 << 0 << int(F::skNone) << 0 << 0 << 0 << 0 << 0;
        QTest::newRow("edited files, all different") << QList<TGroup>{{10, 86400}, {10, 120}, {10, -3000}} << 0 << 0
                                                     << 0 << int(F::skNone) << 0 << 0 << 0 << 0 << 0;
        // The adjustments already in use are kept and shifted.
        QTest::newRow("on top of an adjustment")
            << QList<TGroup>{{20, -3600}} << 1800 << -600 << 0 << int(F::skHours) << 20 << -1 << 5400 << -600 << 0;
        // The source's range is used up: the destination takes it.
        QTest::newRow("source range used up")
            << QList<TGroup>{{20, -3600}} << 9000 << 0 << 0 << int(F::skHours) << 20 << -1 << 9000 << -3600 << 0;
        // Neither side alone can take five hours: they share them.
        QTest::newRow("shared between both sides")
            << QList<TGroup>{{20, 18000}} << 0 << 0 << 0 << int(F::skHours) << 20 << 5 << -9999 << 8001 << 0;
        QTest::newRow("beyond both ranges")
            << QList<TGroup>{{20, 7200 * 3}} << 0 << 0 << 0 << int(F::skNone) << 0 << 0 << 0 << 0 << 0;
        // FAT and exFAT keep times to two seconds: the differences go both ways.
        QTest::newRow("two-second disk") << QList<TGroup>{{10, 1}, {8, -2}, {6, 2}, {2, -1}} << 0 << 0 << 0
                                         << int(F::skSeconds) << 26 << 0 << 0 << 0 << 2;
        QTest::newRow("two-second disk, margin already 2")
            << QList<TGroup>{{30, 1}} << 0 << 0 << 2 << int(F::skNone) << 0 << 0 << 0 << 0 << 2;
    }

    void suggestsOnlyForAClearShift()
    {
        QFETCH(QList<TGroup>, groups);
        QFETCH(int, srcTimeZ);
        QFETCH(int, dstTimeZ);
        QFETCH(int, margin);
        QFETCH(int, kind);
        TTimeShiftFinder finder;
        for (const TGroup &g : groups)
            for (int i = 0; i < g.Count; ++i)
                finder.AddPair(g.Difference);
        const TScanOptions options = OptionsWith(srcTimeZ, dstTimeZ, margin);
        const TTimeShiftFinder::TSuggestion s = finder.Suggest(options);
        QCOMPARE(int(s.Kind), kind);
        if (s.Kind == TTimeShiftFinder::skNone) {
            // Nothing is suggested: the settings stay as they are.
            QCOMPARE(s.srcTimeZ, srcTimeZ);
            QCOMPARE(s.dstTimeZ, dstTimeZ);
            QCOMPARE(s.MrgErrSec, margin);
            return;
        }
        QTEST(s.Pairs, "pairs");
        QTEST(s.Hours, "hours");
        QTEST(s.srcTimeZ, "newSrc");
        QTEST(s.dstTimeZ, "newDst");
        QTEST(s.MrgErrSec, "newMargin");
        QVERIFY(s.srcTimeZ >= -TTimeShiftFinder::MaxAdjustment && s.srcTimeZ <= TTimeShiftFinder::MaxAdjustment);
        QVERIFY(s.dstTimeZ >= -TTimeShiftFinder::MaxAdjustment && s.dstTimeZ <= TTimeShiftFinder::MaxAdjustment);

        // With the suggested settings the shifted pairs judge as equal in time.
        const qint64 t = 1700000000;
        for (const TGroup &g : groups) {
            const bool shifted = std::abs(g.Difference - qint64(s.Hours) * 3600) <= 2;
            if (!shifted)
                continue;
            // The file times that gave this difference under the old adjustments.
            const qint64 sourceTime = t + g.Difference - srcTimeZ + dstTimeZ;
            QCOMPARE(qint64(TPairJudge::AdjustedSecondsDiff(sourceTime, t, srcTimeZ, dstTimeZ)), g.Difference);
            const qint32 after = TPairJudge::AdjustedSecondsDiff(sourceTime, t, s.srcTimeZ, s.dstTimeZ);
            QCOMPARE(TPairJudge::Judge(10, 10, after, s.MrgErrSec, false, [] { return false; }),
                     TPairJudge::vdDuplicate);
        }
    }

    void countsEachPairOnce()
    {
        // A conflict comes as two findings (lists 7 and 8), a newer pair as one; duplicates
        // and missing files are no newer or conflict pairs.
        TTimeShiftFinder finder;
        const auto pair = [&finder](int list, qint64 difference, bool counterpart = true) {
            TFinding f;
            f.List = list;
            f.HasCounterpart = counterpart;
            f.Difference = difference;
            finder.Add(f);
        };
        for (int i = 0; i < 20; ++i)
            pair(4, 3600); // the destination reads an hour newer
        pair(7, 0);
        pair(8, 0);
        pair(5, 3600);
        pair(6, -3600);
        pair(1, 0, false);
        pair(2, 0, false);
        QCOMPARE(finder.PairCount(), 21);
        const auto s = finder.Suggest(OptionsWith(0, 0, 0));
        QCOMPARE(s.Kind, TTimeShiftFinder::skHours);
        QCOMPARE(s.Hours, -1);
        QCOMPARE(s.srcTimeZ, 3600);

        finder.Clear();
        QCOMPARE(finder.PairCount(), 0);
        QCOMPARE(finder.Suggest(OptionsWith(0, 0, 0)).Kind, TTimeShiftFinder::skNone);
    }
};

QTEST_GUILESS_MAIN(tst_TimeShiftFinder)
#include "tst_timeshiftfinder.moc"
