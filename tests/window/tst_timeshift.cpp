// The other side at a glance and clock shifts found for the user, through the window: the
// counterpart columns of a scan's rows, the line that offers to correct a shift, and the
// scan its button starts.

#include "TWindowFixture.h"
#include "TestTree.h"

#include "controls/TLabeledFloatSpinEdit.h"
#include "controls/TTimeAdjustEdit.h"
#include "results/TJamFileList.h"
#include "results/TResultListModel.h"
#include "window/TLanguageAndHelp.h"
#include "window/TfrmMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

class tst_TimeShift : public QObject, TWindowFixture
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> FTrees;
    static constexpr qint64 T = 1700000000;

    QString Src() const { return FTrees->path() + u"/src"_s; }
    QString Dst() const { return FTrees->path() + u"/dst"_s; }

    // count equal files whose destination copy is the given seconds newer.
    void Pairs(int count, qint64 destinationAhead, const QString &prefix = u"p"_s)
    {
        for (int i = 0; i < count; ++i) {
            const QString name = u"%1/%2%3.jpg"_s.arg(i % 3).arg(prefix).arg(i);
            TestTree::File(Src(), name, "picture " + QByteArray::number(i), T + i);
            TestTree::File(Dst(), name, "picture " + QByteArray::number(i), T + i + destinationAhead);
        }
    }

    QFrame *Bar() const { return Find<QFrame>(*FWindow, "ShiftBar"); }
    QString BarText() const { return Find<QLabel>(*FWindow, "ShiftLabel")->text(); }
    int Rows(int list) const { return FWindow->FileList(list)->TotalFileCount(); }

    // Clicks the line's button and waits for the scan it starts.
    bool AcceptAndWait()
    {
        QSignalSpy done(FWindow.get(), &TfrmMain::ScanCompleted);
        Find<QPushButton>(*FWindow, "ShiftButton")->click();
        return done.wait(20000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY(SetUpProgram(true));
    }

    void cleanupTestCase() { TearDownProgram(); }

    void init()
    {
        FPrompts = TScriptedPrompts();
        DeleteEntry(u"Columns"_s);
        FTrees = std::make_unique<QTemporaryDir>();
        QVERIFY(FTrees->isValid());
        QDir().mkpath(Src());
        QDir().mkpath(Dst());
        NewWindow();
        // Times decide, not contents: equal files with shifted times are listed as newer.
        Find<QCheckBox>(*FWindow, "CheckBox3")->setChecked(false);
    }

    void cleanup()
    {
        FWindow.reset();
        FTrees.reset();
    }

    void anHourIsFoundAndTakenOutByTheButton()
    {
        Pairs(25, 3600);
        // One file really edited later on the destination.
        TestTree::File(Src(), u"notes.txt"_s, "first", T);
        TestTree::File(Dst(), u"notes.txt"_s, "first draft", T + 500);
        QVERIFY(ScanInWindow(Src(), Dst()));
        QCOMPARE(Rows(4), 26);

        // The row shows its counterpart as the comparison saw it.
        TJamFileList *newer = FWindow->FileList(4);
        newer->SetColumnVisibility(TResultListModel::ColumnId(TResultListModel::rcDifference), true);
        QStringList differences;
        for (int row = 0; row < newer->RowCount(); ++row)
            differences << newer->model()->index(row, TResultListModel::rcDifference).data().toString();
        QCOMPARE(differences.count(u"+1 h"_s), 25);
        QVERIFY(differences.contains(u"+500 s"_s));

        // Offered, not done.
        QVERIFY(!Bar()->isHidden());
        QCOMPARE(BarText(), u"25 files differ by exactly 1 hour: set the time adjustment and scan again?"_s);
        QCOMPARE(Find<TTimeAdjustEdit>(*FWindow, "SpinEdit1")->Value(), 0);
        QCOMPARE(FWindow->TimeShiftSuggestion().srcTimeZ, 3600);

        QVERIFY(AcceptAndWait());
        QCOMPARE(Find<TTimeAdjustEdit>(*FWindow, "SpinEdit1")->Value(), 3600);
        QCOMPARE(Find<TTimeAdjustEdit>(*FWindow, "SpinEdit2")->Value(), 0);
        QCOMPARE(FWindow->LastScanOptions().srcTimeZ, 3600);
        QCOMPARE(FWindow->LastScanOptions().srcPath, Src() + u'/');
        QCOMPARE(Rows(5), 25);
        QCOMPARE(Rows(6), 25);
        QCOMPARE(Rows(4), 0);
        // The edited file is still newer, by what is left after the hour.
        QCOMPARE(FWindow->FileList(3)->RowCount(), 1);
        QCOMPARE(
            FWindow->FileList(3)->model()->index(0, TResultListModel::rcDifference).data(TResultListModel::SortRole),
            QVariant(qint64(3100)));
        QVERIFY(Bar()->isHidden());
        QVERIFY(FPrompts.Asked.isEmpty());
    }

    void aTwoSecondDiskIsFoundAndCoveredByTheMargin()
    {
        Pairs(12, 1, u"a"_s);
        Pairs(12, -2, u"b"_s);
        QVERIFY(ScanInWindow(Src(), Dst()));
        QCOMPARE(Rows(3) + Rows(4), 24);
        QVERIFY(!Bar()->isHidden());
        QVERIFY2(BarText().startsWith(u"24 files differ by one or two seconds"_s), qPrintable(BarText()));

        QVERIFY(AcceptAndWait());
        QCOMPARE(Find<TLabeledFloatSpinEdit>(*FWindow, "SpinEdit5")->Value(), 2.0);
        QCOMPARE(Rows(5), 24);
        QCOMPARE(Rows(3) + Rows(4), 0);
        QVERIFY(Bar()->isHidden());
    }

    void mixedTreesOfferNothing_data()
    {
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("twoHours");
        QTest::addColumn<int>("edited");
        QTest::newRow("one hour and two hours") << 15 << 15 << 0;
        QTest::newRow("an hour among edited files") << 20 << 0 << 5;
        QTest::newRow("too few to tell") << 19 << 0 << 0;
    }

    void mixedTreesOfferNothing()
    {
        QFETCH(int, hour);
        QFETCH(int, twoHours);
        QFETCH(int, edited);
        Pairs(hour, 3600, u"h"_s);
        Pairs(twoHours, 7200, u"t"_s);
        for (int i = 0; i < edited; ++i) {
            TestTree::File(Src(), u"e%1.txt"_s.arg(i), "short", T);
            TestTree::File(Dst(), u"e%1.txt"_s.arg(i), "longer text", T + 60 * (i + 1));
        }
        QVERIFY(ScanInWindow(Src(), Dst()));
        QCOMPARE(Rows(4), hour + twoHours + edited);
        QVERIFY(Bar()->isHidden());
        QCOMPARE(FWindow->TimeShiftSuggestion().Kind, TTimeShiftFinder::skNone);
    }

    void dismissedOrStoppedChangesNothing()
    {
        Pairs(20, -7200);
        QVERIFY(ScanInWindow(Src(), Dst()));
        QVERIFY(!Bar()->isHidden());
        QCOMPARE(BarText(), u"20 files differ by exactly 2 hours: set the time adjustment and scan again?"_s);
        Find<QPushButton>(*FWindow, "ShiftDismiss")->click();
        QVERIFY(Bar()->isHidden());
        QCOMPARE(Find<TTimeAdjustEdit>(*FWindow, "SpinEdit1")->Value(), 0);
        QCOMPARE(Rows(3), 20);

        // A stopped run has seen only part of the pairs: it offers nothing.
        QSignalSpy done(FWindow.get(), &TfrmMain::ScanCompleted);
        FWindow->StartScan(Src(), Dst());
        FWindow->Stop();
        QVERIFY(done.wait(20000));
        QVERIFY(Bar()->isHidden());
    }

    void chosenCounterpartColumnsComeBackAfterARestart()
    {
        const auto setUp = [this] {
            const auto &pending = FWindow->ColumnLayout().ColumnsRestorePending;
            return std::none_of(pending.begin(), pending.end(), [](bool p) { return p; });
        };
        const SHCOLUMNID difference = TResultListModel::ColumnId(TResultListModel::rcDifference);
        const SHCOLUMNID otherTime = TResultListModel::ColumnId(TResultListModel::rcOtherModified);
        FWindow->show();
        QTRY_VERIFY(setUp());
        TJamFileList *list = FWindow->FileList(7);
        list->SetColumnVisibility(difference, true);
        list->SetColumnVisibility(otherTime, true);
        list->MoveColumnTo(difference, 1);
        const QList<SHCOLUMNID> shown = list->GetVisibleColumns();
        QCOMPARE(shown.size(), TResultListModel::DefaultColumnCount + 2);
        QVERIFY(FWindow->close());

        NewWindow();
        FWindow->show();
        QTRY_VERIFY(setUp());
        QCOMPARE(FWindow->FileList(7)->GetVisibleColumns(), shown);
        // The other lists keep them hidden; the missing files' lists never show them.
        QCOMPARE(FWindow->FileList(8)->GetColumnPosition(difference), -1);
        FWindow->FileList(1)->SetColumnVisibility(difference, true);
        QCOMPARE(FWindow->FileList(1)->GetColumnPosition(difference), -1);
    }

    void theLineFollowsTheLanguage()
    {
        Pairs(20, 3600);
        FWindow->show();
        QVERIFY(ScanInWindow(Src(), Dst()));
        auto *languages = Find<QComboBox>(*FWindow, "ComboBox2");
        languages->setCurrentIndex(languages->findText(u"Deutsch"_s));
        FWindow->LanguageAndHelp().ComboBox2Change();
        QTRY_VERIFY(BarText().startsWith(u"20 Dateien unterscheiden sich um genau 1 Stunde"_s));
        QCOMPARE(Find<QPushButton>(*FWindow, "ShiftButton")->text(), u"Anpassen und erneut vergleichen"_s);
        QCOMPARE(FWindow->FileList(4)->model()->headerData(TResultListModel::rcDifference, Qt::Horizontal).toString(),
                 u"Zeitunterschied"_s);
    }
};

QTEST_MAIN(tst_TimeShift)
#include "tst_timeshift.moc"
