// The result list: rows known by exact path, batch removal, totals from the files'
// details, the status texts and captions, and the model's consistency for its views.

#include "TestTree.h"

#include "results/TJamFileList.h"
#include "results/TResultListModel.h"
#include "results/TResultListStatus.h"

#include <QAbstractItemModelTester>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// English texts of the lines the status uses.
QString Line(int n)
{
    switch (n) {
    case 62:
        return u"%.0n selected (%.0n bytes)"_s;
    case 63:
        return u"%.0n file(s) (%.0n bytes)"_s;
    case 65:
        return u"Copy selected to Destination"_s;
    case 66:
        return u"Copy all to Destination"_s;
    case 67:
        return u"Copy to Destination"_s;
    case 79:
        return u"Delete selected"_s;
    case 80:
        return u"Delete all"_s;
    case 81:
        return u"Delete"_s;
    }
    return u"line "_s + QString::number(n);
}

} // namespace

class tst_ResultList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void rowsMatchByExactPath_data()
    {
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<bool>("found");
        QTest::newRow("same") << u"/d/a.txt"_s << u"/d/a.txt"_s << true;
        QTest::newRow("trailing separator asked") << u"/d/a.txt"_s << u"/d/a.txt/"_s << true;
        QTest::newRow("trailing separator listed") << u"/d/a.txt/"_s << u"/d/a.txt"_s << true;
        QTest::newRow("other case") << u"/d/a.txt"_s << u"/d/A.txt"_s << false;
        QTest::newRow("other folder case") << u"/d/a.txt"_s << u"/D/a.txt"_s << false;
        QTest::newRow("prefix") << u"/d/a.txt"_s << u"/d/a.tx"_s << false;
        QTest::newRow("empty") << u"/d/a.txt"_s << QString() << false;
    }

    void rowsMatchByExactPath()
    {
        QFETCH(QString, listed);
        QFETCH(QString, asked);
        QFETCH(bool, found);
        TJamFileList list;
        QVERIFY(list.Add(listed));
        QCOMPARE(list.IsItemInList(asked), found);
        // Adding what is listed adds nothing.
        QCOMPARE(list.Add(asked), !found && !asked.isEmpty());
        list.DeleteItem(asked);
        QCOMPARE(list.IsItemInList(listed), !found);
        QCOMPARE(list.TotalFileCount(), found ? 0 : 1);
    }

    void theModelStaysConsistent()
    {
        TJamFileList list;
        TResultListModel *model = list.ListModel();
        QAbstractItemModelTester sourceTester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester viewTester(list.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (int i = 0; i < 300; ++i)
            list.Add(u"/r/f%1.txt"_s.arg(i, 3, 10, QChar(u'0')));
        QCOMPARE(list.RowCount(), 300);
        list.sortByColumn(TResultListModel::rcName, Qt::DescendingOrder);
        QCOMPARE(list.RowPath(0), u"/r/f299.txt"_s);
        list.DeleteItem(u"/r/f150.txt"_s);
        QStringList doomed;
        for (int i = 0; i < 300; i += 3)
            doomed.append(u"/r/f%1.txt"_s.arg(i, 3, 10, QChar(u'0')));
        // f150 went already.
        QCOMPARE(list.DeleteItems(doomed), 99);
        QCOMPARE(list.DeleteItems({u"/r/f001.txt"_s, u"/r/f002.txt"_s, u"/r/nothing"_s}), 2);
        list.FullRefresh();
        list.Add(u"/r/late.txt"_s);
        QCOMPARE(list.RowCount(), 300 - 1 - 99 - 2 + 1);
        list.Clear();
        QCOMPARE(list.RowCount(), 0);
    }

    // Removal in any order keeps the index right: each remaining row is still found at
    // its own position and removed rows are gone.
    void removalsKeepTheIndexRight()
    {
        TJamFileList list;
        QStringList expected;
        for (int i = 0; i < 2000; ++i) {
            const QString path = u"/x/%1"_s.arg(i);
            list.Add(path);
            expected.append(path);
        }
        QRandomGenerator random(7);
        for (int round = 0; round < 300; ++round) {
            const QString path = expected.takeAt(random.bounded(int(expected.size())));
            if (round % 2)
                list.DeleteItem(path);
            else
                QCOMPARE(list.DeleteItems({path}), 1);
            QVERIFY(!list.IsItemInList(path));
        }
        QStringList batch;
        for (int i = 0; i < expected.size(); i += 2)
            batch.append(expected.at(i));
        QCOMPARE(list.DeleteItems(batch), int(batch.size()));
        for (const QString &path : std::as_const(batch))
            expected.removeOne(path);
        QCOMPARE(list.Paths(), expected);
        for (const QString &path : std::as_const(expected))
            QVERIFY(list.IsItemInList(path));
        list.DeleteItem(expected.last());
        QCOMPARE(list.RowPath(list.RowCount() - 1), expected.at(expected.size() - 2));
    }

    // One batch for a whole list's worth of rows, however scattered.
    void aBigBatchRemovalIsOnePass()
    {
        TJamFileList list;
        QStringList every;
        for (int i = 0; i < 200000; ++i)
            every.append(u"/big/folder/file%1.dat"_s.arg(i));
        for (const QString &path : std::as_const(every))
            list.Add(path);
        QCOMPARE(list.RowCount(), 200000);
        QStringList odd;
        for (int i = 1; i < every.size(); i += 2)
            odd.append(every.at(i));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(list.DeleteItems(odd), 100000);
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(list.TotalFileCount(), 100000);
        QVERIFY(list.IsItemInList(every.at(199998)));
        QVERIFY(!list.IsItemInList(every.at(199999)));
    }

    void totalsComeFromTheFiles()
    {
        QTemporaryDir dir;
        TestTree::File(dir.path(), u"a"_s, QByteArray(12288, 'a'));
        TestTree::File(dir.path(), u"b"_s, QByteArray(1000, 'b'));
        TestTree::File(dir.path(), u"empty"_s, QByteArray());
        TJamFileList list;
        for (const char16_t *name : {u"a", u"b", u"empty", u"vanished"})
            list.Add(dir.path() + u'/' + QString::fromUtf16(name));
        QCOMPARE(list.TotalFileCount(), 4);
        QCOMPARE(list.TotalFileSize(), qint64(13288));
        QCOMPARE(list.SelectedFileCount(), 0);
        QCOMPARE(list.SelectedFileSize(), qint64(0));
        QCOMPARE(list.RowCount(), 4);
        list.selectionModel()->select(list.model()->index(1, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
        list.selectionModel()->select(list.model()->index(3, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(list.SelectedFileCount(), 2);
        QCOMPARE(list.SelectedFileSize(), qint64(1000));
        QCOMPARE(list.SelectedPaths(), (QStringList{dir.path() + u"/b"_s, dir.path() + u"/vanished"_s}));
        list.selectAll();
        QCOMPARE(list.SelectedFileSize(), qint64(13288));
        list.DeleteItem(dir.path() + u"/a"_s);
        QCOMPARE(list.TotalFileSize(), qint64(1000));
        // The details are read once; a refresh reads them anew.
        TestTree::File(dir.path(), u"b"_s, QByteArray(10, 'b'));
        QCOMPARE(list.TotalFileSize(), qint64(1000));
        list.FullRefresh();
        QCOMPARE(list.TotalFileSize(), qint64(10));
        // Copies and deletes take their rows off in one batch; the total follows.
        TestTree::File(dir.path(), u"c"_s, QByteArray(500, 'c'));
        TestTree::File(dir.path(), u"d"_s, QByteArray(300, 'd'));
        list.Add(dir.path() + u"/c"_s);
        list.Add(dir.path() + u"/d"_s);
        QCOMPARE(list.TotalFileSize(), qint64(810));
        QCOMPARE(list.DeleteItems({dir.path() + u"/b"_s, dir.path() + u"/c"_s, dir.path() + u"/vanished"_s}), 3);
        QCOMPARE(list.TotalFileCount(), 2);
        QCOMPARE(list.TotalFileSize(), qint64(300));
    }

    void countsAreWrittenWithGroupSeparators_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<qint64>("first");
        QTest::addColumn<qint64>("second");
        QTest::addColumn<QString>("text");
        QTest::newRow("selection") << u"%.0n selected (%.0n bytes)"_s << qint64(3) << qint64(12288)
                                   << u"3 selected (12,288 bytes)"_s;
        QTest::newRow("millions") << u"%.0n file(s) (%.0n bytes)"_s << qint64(1234567) << qint64(9876543210)
                                  << u"1,234,567 file(s) (9,876,543,210 bytes)"_s;
        QTest::newRow("zero") << u"%.0n file(s) (%.0n bytes)"_s << qint64(1) << qint64(0) << u"1 file(s) (0 bytes)"_s;
        QTest::newRow("reordered") << u"(%.0n bytes) in %.0n"_s << qint64(2048) << qint64(2) << u"(2,048 bytes) in 2"_s;
        QTest::newRow("placeholders adjacent") << u"%.0n%.0n"_s << qint64(1) << qint64(2) << u"12"_s;
        QTest::newRow("one placeholder") << u"Files: %.0n"_s << qint64(1000) << qint64(5) << u"Files: 1,000"_s;
        QTest::newRow("a third is left alone") << u"%.0n %.0n %.0n"_s << qint64(1) << qint64(2) << u"1 2 %.0n"_s;
        QTest::newRow("none") << u"nothing"_s << qint64(1) << qint64(2) << u"nothing"_s;
    }

    void countsAreWrittenWithGroupSeparators()
    {
        QFETCH(QString, line);
        QFETCH(qint64, first);
        QFETCH(qint64, second);
        QFETCH(QString, text);
        QCOMPARE(TResultListStatus::FormatCounts(line, first, second), text);
    }

    void theGermanLocaleGroupsWithDots()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString text = TResultListStatus::FormatCounts(u"%.0n"_s, 1234567, 0);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(text, u"1.234.567"_s);
    }

    void statusAndCaptionsFollowTheSelection()
    {
        QTemporaryDir dir;
        TestTree::File(dir.path(), u"a"_s, QByteArray(2048, 'a'));
        TestTree::File(dir.path(), u"b"_s, QByteArray(1, 'b'));
        TJamFileList list;
        QLabel status;
        QPushButton copy, del;
        TResultListStatus board(Line);
        board.SetControls(1, {&list, &status, &copy, &del});

        board.RefreshListStatus(1);
        QCOMPARE(status.text(), QString());
        QCOMPARE(copy.text(), u"Copy to Destination"_s);
        QCOMPARE(del.text(), u"Delete"_s);
        QVERIFY(!copy.isEnabled() && !del.isEnabled());

        list.Add(dir.path() + u"/a"_s);
        list.Add(dir.path() + u"/b"_s);
        QCOMPARE(list.RowCount(), 2);
        board.RefreshListStatus(1);
        QCOMPARE(status.text(), u" 2 file(s) (2,049 bytes)"_s);
        QCOMPARE(copy.text(), u"Copy all to Destination"_s);
        QCOMPARE(del.text(), u"Delete all"_s);
        QVERIFY(copy.isEnabled() && del.isEnabled());

        list.selectionModel()->select(list.model()->index(0, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
        board.RefreshListStatus(1);
        QCOMPARE(status.text(), u" 1 selected (2,048 bytes)"_s);
        QCOMPARE(copy.text(), u"Copy selected to Destination"_s);
        QCOMPARE(del.text(), u"Delete selected"_s);
    }

    void changesWithinTheDelayRefreshEachListOnce()
    {
        TResultListStatus board(Line);
        TJamFileList lists[TResultListStatus::ListCount];
        for (int n = 1; n <= TResultListStatus::ListCount; ++n)
            board.SetControls(n, {&lists[n - 1], nullptr, nullptr, nullptr});
        QSignalSpy refreshed(&board, &TResultListStatus::ListStatusRefreshed);
        board.ListChanged(6);
        board.ListChanged(3);
        board.ListChanged(6);
        board.ListChanged(1);
        QVERIFY(board.Timer1->isActive());
        QTRY_COMPARE(refreshed.size(), 3);
        QCOMPARE(refreshed.at(0).at(0).toInt(), 1);
        QCOMPARE(refreshed.at(1).at(0).toInt(), 3);
        QCOMPARE(refreshed.at(2).at(0).toInt(), 6);
        QVERIFY(!board.Timer1->isActive());
        QVERIFY(std::none_of(board.UpdtList.begin(), board.UpdtList.end(), [](bool f) { return f; }));
    }

    void theNameColumnStays()
    {
        TJamFileList list;
        const SHCOLUMNID name = TResultListModel::ColumnId(TResultListModel::rcName);
        for (const SHCOLUMNID &id : list.GetVisibleColumns())
            list.SetColumnVisibility(id, false);
        QCOMPARE(list.GetVisibleColumns(), QList<SHCOLUMNID>{name});
        QCOMPARE(list.GetColumnPosition(TResultListModel::ColumnId(TResultListModel::rcSize)), -1);
        SHCOLUMNID unknown = name;
        unknown.pid = 99;
        list.SetColumnVisibility(unknown, true);
        QCOMPARE(list.VisibleColumnCount(), 1);
        QCOMPARE(list.GetColumnPosition(unknown), -1);
    }

    // The other side's figures: hidden until chosen, shown as the scan gave them, sorted as
    // numbers; a list of missing files never shows them.
    void counterpartColumns()
    {
        TJamFileList list;
        QAbstractItemModelTester tester(list.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        const SHCOLUMNID difference = TResultListModel::ColumnId(TResultListModel::rcDifference);
        const SHCOLUMNID otherSize = TResultListModel::ColumnId(TResultListModel::rcOtherSize);
        QCOMPARE(list.VisibleColumnCount(), int(TResultListModel::DefaultColumnCount));
        QCOMPARE(list.GetColumnPosition(difference), -1);
        list.SetColumnVisibility(difference, true);
        list.SetColumnVisibility(otherSize, true);
        QCOMPARE(list.GetColumnPosition(otherSize), 5);
        QCOMPARE(list.GetColumnPosition(difference), 6);
        QCOMPARE(list.GetVisibleColumns().size(), 7);

        list.Add(u"/r/hour"_s, TResultListModel::TCounterpart{2048, 1700000000, 3600});
        list.Add(u"/r/behind"_s, TResultListModel::TCounterpart{10, 1700000000, -2});
        list.Add(u"/r/long"_s, TResultListModel::TCounterpart{0, 1700000000, 7201});
        list.Add(u"/r/alone"_s);
        const auto shown = [&list](int row, int column) { return list.model()->index(row, column).data().toString(); };
        QCOMPARE(list.RowCount(), 4);
        QCOMPARE(shown(0, TResultListModel::rcDifference), u"+1 h"_s);
        QCOMPARE(shown(1, TResultListModel::rcDifference), u"-2 s"_s);
        QCOMPARE(shown(2, TResultListModel::rcDifference), u"+7,201 s"_s);
        QCOMPARE(shown(3, TResultListModel::rcDifference), QString());
        QCOMPARE(shown(0, TResultListModel::rcOtherSize), QLocale().formattedDataSize(2048));
        QCOMPARE(shown(3, TResultListModel::rcOtherSize), QString());
        QVERIFY(!shown(0, TResultListModel::rcOtherModified).isEmpty());

        // As numbers: 7201 after 3600, although "+7,201 s" sorts before "+1 h" as text.
        list.sortByColumn(TResultListModel::rcDifference, Qt::AscendingOrder);
        QCOMPARE(list.Paths(), (QStringList{u"/r/alone"_s, u"/r/behind"_s, u"/r/hour"_s, u"/r/long"_s}));
        list.sortByColumn(TResultListModel::rcOtherSize, Qt::DescendingOrder);
        QCOMPARE(list.RowPath(0), u"/r/hour"_s);

        QCOMPARE(TResultListModel().DifferenceText(-7200), u"-2 h"_s);

        TJamFileList missing;
        missing.SetOffersCounterpartColumns(false);
        missing.SetColumnVisibility(difference, true);
        QCOMPARE(missing.GetColumnPosition(difference), -1);
        QCOMPARE(missing.VisibleColumnCount(), int(TResultListModel::DefaultColumnCount));
    }

    void defaultWidthsFitSizesAndDates_data()
    {
        QTest::addColumn<int>("width");
        QTest::newRow("a half of the window as built") << 400;
        QTest::newRow("a half of a wide window") << 780;
    }

    void defaultWidthsFitSizesAndDates()
    {
        QFETCH(int, width);
        TJamFileList list;
        list.resize(width, 300);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        const QHeaderView &header = *list.header();
        const QFontMetrics metrics(list.font());
        // Whole sizes and dates, inside the list, without scrolling sideways.
        const TResultListModel &model = *list.ListModel();
        const QString widestSize = model.SizeText(qint64(1023.99 * 1024 * 1024 * 1024));
        const QString date =
            QLocale().toString(QDateTime(QDate(2026, 12, 28), QTime(23, 58, 58)), QLocale::ShortFormat);
        QVERIFY(header.sectionSize(TResultListModel::rcSize) > metrics.horizontalAdvance(widestSize));
        QVERIFY(header.sectionSize(TResultListModel::rcModified) > metrics.horizontalAdvance(date));
        const int dateEnd =
            header.sectionPosition(TResultListModel::rcModified) + header.sectionSize(TResultListModel::rcModified);
        QVERIFY2(dateEnd <= list.viewport()->width(), qPrintable(QString::number(dateEnd)));
        // Names come next: a short one shows whole beside its icon.
        const int shortName = metrics.horizontalAdvance(u"IMG_0001.jpg"_s) + list.iconSize().width();
        QVERIFY2(header.sectionSize(TResultListModel::rcName) > shortName,
                 qPrintable(QString::number(header.sectionSize(TResultListModel::rcName))));
        if (width > 600) {
            // Room for all: the folder column takes what the others leave.
            QCOMPARE(header.length(), list.viewport()->width());
        }
        // A wider list: sizes and dates keep their widths, the folder column grows once
        // the columns that gave way have their room back.
        const int folder = header.sectionSize(TResultListModel::rcFolder);
        const int size = header.sectionSize(TResultListModel::rcSize);
        list.resize(width + 400, 300);
        QCOMPARE(header.sectionSize(TResultListModel::rcSize), size);
        QVERIFY(header.sectionSize(TResultListModel::rcFolder) > folder);
        QCOMPARE(header.length(), list.viewport()->width());

        // A column of the other side switched on shows at once, inside the list.
        list.SetColumnVisibility(TResultListModel::ColumnId(TResultListModel::rcOtherSize), true);
        QVERIFY(header.sectionSize(TResultListModel::rcOtherSize) > metrics.horizontalAdvance(widestSize));
        QVERIFY(header.sectionViewportPosition(TResultListModel::rcOtherSize) >= 0);
        QVERIFY(header.sectionViewportPosition(TResultListModel::rcOtherSize)
                    + header.sectionSize(TResultListModel::rcOtherSize)
                <= list.viewport()->width());
        list.SetColumnVisibility(TResultListModel::ColumnId(TResultListModel::rcOtherSize), false);

        // A width set by a saved layout (or the user) stays when the list is resized.
        list.SetColumnWidthAt(1, 333);
        list.resize(width, 300);
        QCOMPARE(list.ColumnWidthAt(1), 333);
        QVERIFY(!list.DefaultWidths());
    }

    void smallSizesInTheLanguageInUse()
    {
        TJamFileList list;
        list.ListModel()->SetTexts([](int line) { return line == tlBytes ? u"Octets"_s : u"t%1"_s; });
        QCOMPARE(list.ListModel()->SizeText(3), u"3 Octets"_s);
        // The titles follow the new texts at once.
        QCOMPARE(list.ListModel()->headerData(TResultListModel::rcName, Qt::Horizontal).toString(), u"t%1"_s);
    }

    void columnIdentifiersHaveTheirStoredBytes()
    {
        QByteArray bytes;
        TResultListModel::ColumnId(TResultListModel::rcSize).AppendTo(bytes);
        // {B725F130-47EF-101A-A5F1-02608C9EEBAC}, 12
        QCOMPARE(bytes.toHex(), QByteArray("30f125b7ef471a10a5f102608c9eebac0c000000"));
        QByteArray folder;
        TResultListModel::ColumnId(TResultListModel::rcFolder).AppendTo(folder);
        QCOMPARE(folder.toHex(), QByteArray("4c58e0e388b75a4abb207f5a44c9acdd06000000"));
        QCOMPARE(SHCOLUMNID::FromByteArray(bytes + folder + QByteArray(7, 'x')).size(), 2);
    }
};

QTEST_MAIN(tst_ResultList)
#include "tst_resultlist.moc"
