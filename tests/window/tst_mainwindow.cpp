// The main window end to end: scans through the window, the run buttons, the close rule,
// the split of the window's width, and the column layouts kept in the settings store.

#include "TWindowFixture.h"
#include "TestTree.h"

#include "controls/TLabeledFloatSpinEdit.h"
#include "controls/TTimeAdjustEdit.h"
#include "engine/TScanRun.h"
#include "engine/TScanSink.h"
#include "engine/TScanThread.h"
#include "registry/RegistryUtils.h"
#include "results/TJamFileList.h"
#include "results/TNotComparedPage.h"
#include "results/TResultListModel.h"
#include "results/TResultListStatus.h"
#include "shell/TJamPathEdit.h"
#include "shell/TJamShellTree.h"
#include "support/DefaultLanguageName.h"
#include "support/TScanTextLines.h"
#include "window/TSettingsPage.h"
#include "window/TStatusPanel.h"
#include "window/TfrmMain.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The lists of a run without a window.
class TListsSink final : public TScanSink
{
public:
    QList<QStringList> Lists = QList<QStringList>(9);
    void ShowStatus(const QString &) override {}
    void AddToList(int list, const QString &path) override { Lists[list] << path; }
    void NotCompared(const QString &, const QString &) override {}
};

} // namespace

class tst_MainWindow : public QObject, TWindowFixture
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> FTrees;

    QString Src() const { return FTrees->path() + u"/src"_s; }
    QString Dst() const { return FTrees->path() + u"/dst"_s; }

    // With the language files shipped and the language of the locale, as the program starts.
    void NewWindow() { TWindowFixture::NewWindow(DefaultLanguageName()); }

    bool Scan(const QString &source, const QString &destination) { return ScanInWindow(source, destination); }

    static QStringList Rows(TJamFileList *list)
    {
        QStringList rows = list->Paths();
        rows.sort();
        return rows;
    }

    static QLabel *StatusOf(QStatusBar *bar) { return bar->findChild<QLabel *>(); }

    // Every list has announced its columns and restored its stored layout.
    bool ColumnsSetUp() const
    {
        const auto &pending = FWindow->ColumnLayout().ColumnsRestorePending;
        return std::none_of(pending.begin(), pending.end(), [](bool p) { return p; });
    }

    void SelectRoots()
    {
        Find<TJamShellTree>(*FWindow, "JamShellTree1")->SetSelectedFolder(Src());
        Find<TJamShellTree>(*FWindow, "JamShellTree2")->SetSelectedFolder(Dst());
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
    }

    void cleanup()
    {
        FWindow.reset();
        FTrees.reset();
    }

    void scanFillsTheListsAndTheStatusLine()
    {
        using namespace TestTree;
        File(Src(), u"only_src.txt"_s, "abc");
        File(Dst(), u"deep/only_dst.txt"_s, "x");
        File(Src(), u"newer.txt"_s, "12345", 1700001000);
        File(Dst(), u"newer.txt"_s, "1234", 1700000000);
        File(Src(), u"older.txt"_s, "12", 1700000000);
        File(Dst(), u"older.txt"_s, "123", 1700001000);
        File(Src(), u"dup.bin"_s, QByteArray(12288, 'x'));
        File(Dst(), u"dup.bin"_s, QByteArray(12288, 'x'));
        File(Src(), u"conflict.txt"_s, "aaa");
        File(Dst(), u"conflict.txt"_s, "bbbb");

        QVERIFY(Scan(Src(), Dst()));

        const QString s = Src() + u'/', d = Dst() + u'/';
        QCOMPARE(Rows(Find<TJamFileList>(*FWindow, "JamFileList1")), QStringList{s + u"only_src.txt"_s});
        QCOMPARE(Rows(Find<TJamFileList>(*FWindow, "JamFileList2")), QStringList{d + u"deep/only_dst.txt"_s});
        QCOMPARE(Rows(Find<TJamFileList>(*FWindow, "JamFileList3")), QStringList{s + u"newer.txt"_s});
        QCOMPARE(Rows(Find<TJamFileList>(*FWindow, "JamFileList4")), QStringList{d + u"older.txt"_s});
        QCOMPARE(Rows(Find<TJamFileList>(*FWindow, "JamFileList5")), QStringList{s + u"dup.bin"_s});
        QCOMPARE(Rows(Find<TJamFileList>(*FWindow, "JamFileList6")), QStringList{d + u"dup.bin"_s});
        QCOMPARE(Rows(Find<TJamFileList>(*FWindow, "JamFileList7")), QStringList{s + u"conflict.txt"_s});
        QCOMPARE(Rows(Find<TJamFileList>(*FWindow, "JamFileList8")), QStringList{d + u"conflict.txt"_s});
        QCOMPARE(Find<TStatusPanel>(*FWindow, "StatusBar1Panel1")->text(), u" Ready"_s);
        QCOMPARE(FWindow->LastScanOptions().srcPath, s);
        QCOMPARE(FWindow->LastScanOptions().dstPath, d);
        QVERIFY(FPrompts.Asked.isEmpty());
        QCOMPARE(Find<QTabWidget>(*FWindow, "PageControl2")->currentIndex(), 1);
        QCOMPARE(Find<QTabWidget>(*FWindow, "PageControl1")->currentIndex(), 0);
        QVERIFY(Find<QPushButton>(*FWindow, "Button1")->isEnabled());
        QVERIFY(Find<QPushButton>(*FWindow, "Button3")->isEnabled());
        QVERIFY(!Find<QPushButton>(*FWindow, "Button2")->isEnabled());
        QVERIFY(Find<QWidget>(*FWindow, "Panel4")->isEnabled());
        QVERIFY(Find<QTabWidget>(*FWindow, "PageControl2")->isTabEnabled(1));

        // The totals follow 250 ms after the last row.
        QTRY_COMPARE(StatusOf(Find<QStatusBar>(*FWindow, "StatusBar3"))->text(), u" 1 file(s) (12,288 bytes)"_s);
        QCOMPARE(StatusOf(Find<QStatusBar>(*FWindow, "StatusBar6"))->text(), u" 1 file(s) (3 bytes)"_s);
        // Rows of pairs total their own file's size, not the counterpart's.
        QCOMPARE(StatusOf(Find<QStatusBar>(*FWindow, "StatusBar7"))->text(), u" 1 file(s) (5 bytes)"_s);
        QCOMPARE(StatusOf(Find<QStatusBar>(*FWindow, "StatusBar8"))->text(), u" 1 file(s) (3 bytes)"_s);
        QCOMPARE(StatusOf(Find<QStatusBar>(*FWindow, "StatusBar9"))->text(), u" 1 file(s) (4 bytes)"_s);
        // The run's last counts stay beside the status text: the two roots and deep/, five
        // files a side, four pairs; the indicator has stopped.
        const QString progress = Find<QLabel>(*FWindow, "StatusBar1Progress")->text();
        QVERIFY2(progress.startsWith(u" 3 folders, 10 files, 4 pairs, "_s), qPrintable(progress));
        QVERIFY(Find<QProgressBar>(*FWindow, "StatusBar1Busy")->isHidden());
        QCOMPARE(Find<QPushButton>(*FWindow, "PngBitBtn9")->text(), u"Copy all to Destination"_s);
        QCOMPARE(Find<QPushButton>(*FWindow, "PngBitBtn14")->text(), u"Delete all"_s);

        // A pair's row shows the other file's size and date, not its own.
        const auto cell = [this](int list, int column) {
            return FWindow->FileList(list)->model()->index(0, column).data().toString();
        };
        // conflict.txt: each side's row shows the other side's size as that side's row shows it.
        QCOMPARE(cell(7, TResultListModel::rcOtherSize), cell(8, TResultListModel::rcSize));
        QCOMPARE(cell(8, TResultListModel::rcOtherSize), cell(7, TResultListModel::rcSize));
        QVERIFY(cell(7, TResultListModel::rcOtherSize) != cell(7, TResultListModel::rcSize));
        QVERIFY(cell(3, TResultListModel::rcOtherSize) != cell(3, TResultListModel::rcSize));
        // newer.txt and older.txt: each side's own time is the other's time of the other pair.
        QVERIFY(!cell(3, TResultListModel::rcOtherModified).isEmpty());
        QCOMPARE(cell(3, TResultListModel::rcOtherModified), cell(4, TResultListModel::rcOtherModified));
        QCOMPARE(cell(3, TResultListModel::rcModified), cell(4, TResultListModel::rcModified));
        QVERIFY(cell(3, TResultListModel::rcOtherModified) != cell(3, TResultListModel::rcModified));
        QCOMPARE(cell(3, TResultListModel::rcDifference), FWindow->FileList(3)->ListModel()->DifferenceText(1000));
    }

    // The settings page and foldermate-scan's options describe one run: the same trees give
    // the same lists, with the margin, the adjustment on its side, the size unit and a
    // minimum without a maximum.
    void theWindowListsWhatTheHeadlessScanLists()
    {
        using namespace TestTree;
        const qint64 t = 1700000000;
        File(Src(), u"a.txt"_s, "aaa", t);
        File(Dst(), u"a.txt"_s, "bbb", t + 1);
        File(Src(), u"within.txt"_s, "xyz", t - 3600 - 2);
        File(Dst(), u"within.txt"_s, "xyz", t);
        File(Src(), u"beyond.txt"_s, "xyz", t - 3600 + 3);
        File(Dst(), u"beyond.txt"_s, "xyz", t);
        File(Src(), u"size.txt"_s, "four", t - 3600);
        File(Dst(), u"size.txt"_s, "fives", t);
        File(Src(), u"tiny.txt"_s, "x", t);
        File(Dst(), u"tiny2.txt"_s, "y", t);
        File(Src(), u"skip.bin"_s, "zz", t);
        File(Src(), u".hidden.txt"_s, "zz", t);
        File(Src(), u"sub/deep.dat"_s, "zz", t);
        File(Dst(), u"only.dat"_s, "zz", t);

        Find<QLineEdit>(*FWindow, "LabeledEdit1")->setText(u"*.txt; *.dat"_s);
        Find<QCheckBox>(*FWindow, "CheckBox3")->setChecked(false);
        Find<TLabeledFloatSpinEdit>(*FWindow, "SpinEdit5")->SetValue(2);
        Find<TTimeAdjustEdit>(*FWindow, "SpinEdit1")->SetValue(3600);
        Find<QRadioButton>(*FWindow, "RadioButton1")->setChecked(true);
        Find<TLabeledFloatSpinEdit>(*FWindow, "SpinEdit3")->SetValue(2);
        QVERIFY(Scan(Src(), Dst()));

        TScanOptions o;
        o.srcPath = Src() + u'/';
        o.dstPath = Dst() + u'/';
        o.Filter = u"*.txt; *.dat"_s;
        o.DupByContent = false;
        o.MrgErrSec = 2;
        o.srcTimeZ = 3600;
        o.MinFileSize = 2;
        o.MinSizeFactor = 1;
        TListsSink headless;
        std::atomic<bool> never{false};
        QCOMPARE(TScanRun(o, TScanTextLines::Texts([](int) { return QString(); }), headless, never).Execute(),
                 QString());
        for (int list = 1; list <= 8; ++list) {
            headless.Lists[list].sort();
            QCOMPARE(Rows(FWindow->FileList(list)).join(u" "_s), headless.Lists[list].join(u" "_s));
        }
        QCOMPARE(headless.Lists[3], (QStringList{o.srcPath + u"a.txt"_s, o.srcPath + u"beyond.txt"_s}));
        QCOMPARE(headless.Lists[5], QStringList{o.srcPath + u"within.txt"_s});
        QCOMPARE(headless.Lists[7], QStringList{o.srcPath + u"size.txt"_s});
        QCOMPARE(headless.Lists[1], QStringList{o.srcPath + u"sub/deep.dat"_s});
        QCOMPARE(headless.Lists[2], QStringList{o.dstPath + u"only.dat"_s});
    }

    void statusLineDuringScanStartsWithASpace()
    {
        TestTree::File(Src(), u"a.txt"_s, "a");
        QStringList seen;
        QSignalSpy done(FWindow.get(), &TfrmMain::ScanCompleted);
        FWindow->StartScan(Src(), Dst());
        // While the scan runs, the status is one of the run's texts behind one space.
        const QDeadlineTimer deadline(20000);
        while (done.isEmpty() && !deadline.hasExpired()) {
            seen.append(Find<TStatusPanel>(*FWindow, "StatusBar1Panel1")->text());
            QTest::qWait(1);
        }
        QCOMPARE(done.size(), 1);
        for (const QString &text : std::as_const(seen))
            QVERIFY2(text.startsWith(u' '), qPrintable(text));
        QCOMPARE(Find<TStatusPanel>(*FWindow, "StatusBar1Panel1")->text(), u" Ready"_s);
    }

    void startFollowsTheSizeLimits_data()
    {
        QTest::addColumn<double>("minimum");
        QTest::addColumn<int>("minUnit");
        QTest::addColumn<double>("maximum");
        QTest::addColumn<int>("maxUnit");
        QTest::addColumn<bool>("enabled");
        // Units: 0 bytes, 1 KB, 2 MB.
        QTest::newRow("no limits") << 0.0 << 1 << 0.0 << 1 << true;
        QTest::newRow("1 KB minimum, no maximum") << 1.0 << 1 << 0.0 << 1 << false;
        QTest::newRow("equal") << 1.0 << 1 << 1.0 << 1 << true;
        QTest::newRow("1024 bytes to 1 KB") << 1024.0 << 0 << 1.0 << 1 << true;
        QTest::newRow("1025 bytes to 1 KB") << 1025.0 << 0 << 1.0 << 1 << false;
        QTest::newRow("1 MB to 1024 KB") << 1.0 << 2 << 1024.0 << 1 << true;
        QTest::newRow("1 MB to 1023.99 KB") << 1.0 << 2 << 1023.99 << 1 << false;
    }

    void startFollowsTheSizeLimits()
    {
        QFETCH(double, minimum);
        QFETCH(int, minUnit);
        QFETCH(double, maximum);
        QFETCH(int, maxUnit);
        QFETCH(bool, enabled);
        SelectRoots();
        const auto minUnits = FindAll<QRadioButton>(*FWindow, {"RadioButton1", "RadioButton2", "RadioButton3"});
        const auto maxUnits = FindAll<QRadioButton>(*FWindow, {"RadioButton4", "RadioButton5", "RadioButton6"});
        minUnits[minUnit]->setChecked(true);
        maxUnits[maxUnit]->setChecked(true);
        Find<TLabeledFloatSpinEdit>(*FWindow, "SpinEdit3")->SetValue(minimum);
        Find<TLabeledFloatSpinEdit>(*FWindow, "SpinEdit4")->SetValue(maximum);
        QCOMPARE(Find<QPushButton>(*FWindow, "Button1")->isEnabled(), enabled);
        QCOMPARE(Find<QPushButton>(*FWindow, "Button4")->isEnabled(), enabled);
    }

    void startNeedsBothFolders()
    {
        QVERIFY(!Find<QPushButton>(*FWindow, "Button1")->isEnabled());
        Find<TJamShellTree>(*FWindow, "JamShellTree1")->SetSelectedFolder(Src());
        QVERIFY(!Find<QPushButton>(*FWindow, "Button1")->isEnabled());
        Find<TJamShellTree>(*FWindow, "JamShellTree2")->SetSelectedFolder(Dst());
        QVERIFY(Find<QPushButton>(*FWindow, "Button1")->isEnabled());
        // The path box follows the tree.
        QCOMPARE(QDir::cleanPath(Find<TJamPathEdit>(*FWindow, "JamPathEdit2")->Path()), Dst());
    }

    void aTypedPathMovesTheTreeOnlyWhenValid()
    {
        TestTree::Dir(Src(), u"inner"_s);
        Find<TJamPathEdit>(*FWindow, "JamPathEdit1")->setText(Src() + u"/inner"_s);
        QCOMPARE(Find<TJamShellTree>(*FWindow, "JamShellTree1")->SelectedFolder(), Src() + u"/inner"_s);
        Find<TJamPathEdit>(*FWindow, "JamPathEdit1")->setText(Src() + u"/inn"_s);
        QCOMPARE(Find<TJamShellTree>(*FWindow, "JamShellTree1")->SelectedFolder(), Src() + u"/inner"_s);
        Find<TJamPathEdit>(*FWindow, "JamPathEdit1")->setText(Src());
        QCOMPARE(Find<TJamShellTree>(*FWindow, "JamShellTree1")->SelectedFolder(), Src());
        // The tree's folder, not the box's text, is what a scan takes.
        Find<TJamPathEdit>(*FWindow, "JamPathEdit1")->setText(u"/no/such/folder"_s);
        Find<TJamShellTree>(*FWindow, "JamShellTree2")->SetSelectedFolder(Dst());
        QSignalSpy done(FWindow.get(), &TfrmMain::ScanCompleted);
        FWindow->Start();
        QCOMPARE(FWindow->LastScanOptions().srcPath, Src() + u'/');
        QVERIFY(done.wait(20000));
    }

    // The chosen folder disappears under the tree: it stays chosen and shown as missing,
    // no neighbouring folder takes its place, and Start reports it instead of scanning.
    void aVanishedFolderStaysChosen_data()
    {
        QTest::addColumn<int>("side");
        QTest::addColumn<QString>("change");
        for (int side : {1, 2}) {
            for (const char *change : {"rename", "delete", "delete parent"})
                QTest::addRow("%s, %s", side == 1 ? "source" : "destination", change)
                    << side << QString::fromLatin1(change);
        }
    }
    void aVanishedFolderStaysChosen()
    {
        QFETCH(int, side);
        QFETCH(QString, change);
        const QString root = side == 1 ? Src() : Dst();
        for (const QString &folder : {u"p/b"_s, u"p/c"_s, u"p/d"_s, u"q"_s})
            TestTree::Dir(root, folder);
        const QString chosen = root + u"/p/c"_s;
        SelectRoots();
        auto *tree = Find<TJamShellTree>(*FWindow, side == 1 ? "JamShellTree1" : "JamShellTree2");
        auto *pathEdit = Find<TJamPathEdit>(*FWindow, side == 1 ? "JamPathEdit1" : "JamPathEdit2");
        FWindow->show();
        tree->SetSelectedFolder(chosen);
        const QModelIndex parent = tree->FileSystemModel()->index(root + u"/p"_s);
        QTRY_COMPARE(tree->FileSystemModel()->rowCount(parent), 3);
        QTRY_COMPARE(tree->FileSystemModel()->rowCount(tree->FileSystemModel()->index(root)), 2);
        QCOMPARE(tree->SelectedFolder(), chosen);

        if (change == u"rename"_s)
            QVERIFY(QDir().rename(chosen, root + u"/p/c_old"_s));
        else if (change == u"delete"_s)
            QVERIFY(QDir().rmdir(chosen));
        else
            QVERIFY(QDir(root + u"/p"_s).removeRecursively());
        QTRY_VERIFY(tree->FolderMissing());
        // Given time to pick another row, it picks none.
        QTest::qWait(300);
        QCOMPARE(tree->SelectedFolder(), chosen);
        QVERIFY(tree->selectionModel()->selectedRows().isEmpty());
        QCOMPARE(QDir::cleanPath(pathEdit->Path()), chosen);
        QVERIFY(pathEdit->Marked());
        QCOMPARE(pathEdit->toolTip(), FWindow->Text(tlFolderGone));
        QCOMPARE(tree->toolTip(), FWindow->Text(tlFolderGone));

        QVERIFY(Find<QPushButton>(*FWindow, "Button1")->isEnabled());
        QSignalSpy done(FWindow.get(), &TfrmMain::ScanCompleted);
        FWindow->Start();
        QVERIFY(done.wait(20000));
        QCOMPARE(FPrompts.Asked.value(0), u"error: "_s + FWindow->Text(tlRootMissing).arg(chosen));
        QCOMPARE(tree->SelectedFolder(), chosen);

        // The user's next choice ends the mark.
        tree->SetSelectedFolder(root + u"/q"_s);
        QVERIFY(!tree->FolderMissing());
        QVERIFY(!pathEdit->Marked());
        QCOMPARE(QDir::cleanPath(pathEdit->Path()), root + u"/q"_s);
    }

    void hiddenFoldersShowInBothTreesOnly()
    {
        Find<QCheckBox>(*FWindow, "CheckBox1")->setChecked(true);
        QVERIFY(Find<TJamShellTree>(*FWindow, "JamShellTree1")->ShowHidden());
        QVERIFY(Find<TJamShellTree>(*FWindow, "JamShellTree2")->ShowHidden());
        QVERIFY(!Find<QCheckBox>(*FWindow, "CheckBox2")->isChecked());
        Find<QCheckBox>(*FWindow, "CheckBox1")->setChecked(false);
        QVERIFY(!Find<TJamShellTree>(*FWindow, "JamShellTree1")->ShowHidden());
        QVERIFY(!Find<TJamShellTree>(*FWindow, "JamShellTree2")->ShowHidden());
    }

    void aUnitChangeReevaluatesStartAtOnce()
    {
        SelectRoots();
        Find<TLabeledFloatSpinEdit>(*FWindow, "SpinEdit3")->SetValue(1);
        Find<TLabeledFloatSpinEdit>(*FWindow, "SpinEdit4")->SetValue(1);
        QVERIFY(Find<QPushButton>(*FWindow, "Button1")->isEnabled());
        auto *megabytes = Find<QRadioButton>(*FWindow, "RadioButton3");
        QTest::mouseClick(megabytes, Qt::LeftButton, {}, QPoint(4, megabytes->height() / 2));
        QVERIFY(megabytes->isChecked());
        QVERIFY(!Find<QPushButton>(*FWindow, "Button1")->isEnabled());
        Find<QRadioButton>(*FWindow, "RadioButton6")->setChecked(true);
        QVERIFY(Find<QPushButton>(*FWindow, "Button1")->isEnabled());
    }

    void aFailedCheckShowsItsErrorThenNothingFound()
    {
        TestTree::File(Src(), u"a.txt"_s, "a");
        TestTree::Dir(Src(), u"inner"_s);
        QVERIFY(Scan(Src(), Src() + u"/inner"_s));
        QCOMPARE(FPrompts.Asked, (QStringList{u"error: Destination can not be a child of Source."_s,
                                              u"information: No files found!"_s}));
        QCOMPARE(Find<QTabWidget>(*FWindow, "PageControl2")->currentIndex(), 0);
        QCOMPARE(Find<TStatusPanel>(*FWindow, "StatusBar1Panel1")->text(), u" Ready"_s);
    }

    void theFirstPageWithFilesOpens_data()
    {
        QTest::addColumn<QString>("kinds");
        QTest::addColumn<int>("page");
        QTest::newRow("missing in source") << u"dstonly"_s << 0;
        QTest::newRow("newer only") << u"newer"_s << 1;
        QTest::newRow("duplicates and conflicts") << u"dup conflict"_s << 2;
        QTest::newRow("conflicts only") << u"conflict"_s << 3;
    }

    void theFirstPageWithFilesOpens()
    {
        QFETCH(QString, kinds);
        QFETCH(int, page);
        using namespace TestTree;
        if (kinds.contains(u"dstonly"_s))
            File(Dst(), u"d.txt"_s, "d");
        if (kinds.contains(u"newer"_s)) {
            File(Src(), u"n.txt"_s, "12", 1700000000);
            File(Dst(), u"n.txt"_s, "123", 1700009000);
        }
        if (kinds.contains(u"dup"_s)) {
            File(Src(), u"u.txt"_s, "same");
            File(Dst(), u"u.txt"_s, "same");
        }
        if (kinds.contains(u"conflict"_s)) {
            File(Src(), u"c.txt"_s, "1");
            File(Dst(), u"c.txt"_s, "22");
        }
        QVERIFY(Scan(Src(), Dst()));
        QVERIFY(FPrompts.Asked.isEmpty());
        QCOMPARE(Find<QTabWidget>(*FWindow, "PageControl2")->currentIndex(), 1);
        QCOMPARE(Find<QTabWidget>(*FWindow, "PageControl1")->currentIndex(), page);
    }

    void entriesLeftOutHaveTheirOwnPage()
    {
        using namespace TestTree;
        File(Src(), u"only.txt"_s, "only copy");
        SymLink(Src(), Dst() + u"/tosrc"_s);
        // With a row in a result list, that page opens; the left-out entry waits on its page.
        QVERIFY(Scan(Src(), Dst()));
        TNotComparedPage *page = Find<TNotComparedPage>(*FWindow, "NotComparedPage");
        QCOMPARE(Find<QTabWidget>(*FWindow, "PageControl1")->currentIndex(), 0);
        QCOMPARE(page->Count(), 1);
        QCOMPARE(page->Path(0), Dst() + u"/tosrc/"_s);
        QCOMPARE(page->Reason(0), u"the folder lies in the other tree"_s);
        QCOMPARE(page->StatusText(), u" Not compared: 1"_s);
        auto *tabs = Find<QTabWidget>(*FWindow, "PageControl1");
        QCOMPARE(tabs->tabText(tabs->indexOf(page)), u"Not compared (1)"_s);

        // Only left-out entries: their page opens, and no "No files found!".
        QVERIFY(QFile::remove(Src() + u"/only.txt"_s));
        FPrompts.Asked.clear();
        QVERIFY(Scan(Src(), Dst()));
        QVERIFY(FPrompts.Asked.isEmpty());
        QCOMPARE(Find<QTabWidget>(*FWindow, "PageControl2")->currentIndex(), 1);
        QCOMPARE(Find<QTabWidget>(*FWindow, "PageControl1")->currentWidget(), page);
        QCOMPARE(page->Count(), 1);
    }

    void aRootGoneSinceItWasChosenStopsTheRun()
    {
        TestTree::File(Src(), u"a.txt"_s, "a");
        SelectRoots();
        // An unplugged disk: every source file would read as missing from it.
        QVERIFY(QDir(Dst()).removeRecursively());
        QSignalSpy done(FWindow.get(), &TfrmMain::ScanCompleted);
        FWindow->Start();
        QVERIFY(done.wait(20000));
        QCOMPARE(FPrompts.Asked.value(0), u"error: The folder "_s + Dst() + u" does not exist."_s);
        QCOMPARE(FWindow->FileList(1)->TotalFileCount(), 0);
    }

    void nothingFoundStaysOnTheSettingsPage()
    {
        QVERIFY(Scan(Src(), Dst()));
        QCOMPARE(FPrompts.Asked, QStringList{u"information: No files found!"_s});
        QCOMPARE(Find<QTabWidget>(*FWindow, "PageControl2")->currentIndex(), 0);
    }

    void stopEndsTheRunAndKeepsWhatWasFound()
    {
        for (int i = 0; i < 50; ++i)
            TestTree::File(Src(), u"f%1.txt"_s.arg(i), "x");
        QSignalSpy done(FWindow.get(), &TfrmMain::ScanCompleted);
        FWindow->StartScan(Src(), Dst());
        // Asked before the worker reaches its first folder: nothing is walked.
        FWindow->Stop();
        QVERIFY(done.wait(20000));
        QCOMPARE(Find<TJamFileList>(*FWindow, "JamFileList1")->TotalFileCount(), 0);
        QCOMPARE(FPrompts.Asked, QStringList{u"information: No files found!"_s});
        QCOMPARE(Find<TStatusPanel>(*FWindow, "StatusBar1Panel1")->text(), u" Ready"_s);
        QVERIFY(Find<QPushButton>(*FWindow, "Button1")->isEnabled());
        QVERIFY(!Find<QPushButton>(*FWindow, "Button2")->isEnabled());

        // The next run is a new worker that starts afresh.
        FPrompts.Asked.clear();
        QVERIFY(Scan(Src(), Dst()));
        QCOMPARE(Find<TJamFileList>(*FWindow, "JamFileList1")->TotalFileCount(), 50);
    }

    // Only a program being torn down does this, but it must neither hang nor crash while
    // the worker waits inside a hand-over.
    void aWindowDestroyedDuringAScanLetsTheWorkerEnd()
    {
        for (int i = 0; i < 300; ++i)
            TestTree::File(Src(), u"f%1.txt"_s.arg(i), "x");
        FWindow->StartScan(Src(), Dst());
        QPointer<TScanThread> worker = FWindow->ScanWorker();
        QVERIFY(worker);
        std::atomic<bool> ended{false};
        connect(worker.data(), &QThread::finished, [&ended] { ended = true; });
        QTest::qWait(5);
        FWindow.reset();
        // The run body returned before the window was gone, and the worker went with it.
        QVERIFY(ended);
        QVERIFY(worker.isNull());
    }

    void theWindowDoesNotCloseDuringAScan()
    {
        TestTree::File(Src(), u"a.txt"_s, "a");
        FWindow->show();
        QSignalSpy done(FWindow.get(), &TfrmMain::ScanCompleted);
        FWindow->StartScan(Src(), Dst());
        // The end of the run is handled from the event loop, so the scan is still on here.
        QVERIFY(FWindow->Scanning());
        QVERIFY(Find<QPushButton>(*FWindow, "Button2")->isEnabled());
        QVERIFY(!Find<QWidget>(*FWindow, "Panel4")->isEnabled());
        QVERIFY(Find<QPushButton>(*FWindow, "Button2")->isEnabledTo(FWindow.get()));
        QVERIFY(!FWindow->close());
        // The window system's close, from the title bar or Alt+F4, reaches the platform window.
        QCloseEvent fromTheTitleBar;
        QCoreApplication::sendEvent(FWindow->windowHandle(), &fromTheTitleBar);
        QVERIFY(!fromTheTitleBar.isAccepted());
        QVERIFY(FWindow->isVisible());
        QVERIFY(FPrompts.Asked.isEmpty());
        QVERIFY(done.wait(20000));
        QVERIFY(FWindow->close());
        QVERIFY(!FWindow->isVisible());
    }

    void theSideColumnsShareTheWidth_data()
    {
        QTest::addColumn<int>("width");
        QTest::newRow("built") << 820;
        QTest::newRow("odd") << 901;
        QTest::newRow("wide") << 1600;
    }

    void theSideColumnsShareTheWidth()
    {
        QFETCH(int, width);
        FWindow->show();
        const int built = FWindow->SettingsPage().BuiltMiddleWidth();
        FWindow->resize(width, 600);
        QTRY_COMPARE(FWindow->width(), width);
        const int page = Find<QWidget>(*FWindow, "TabSheet5")->width();
        const int left = Find<QWidget>(*FWindow, "Panel2")->width();
        const int right = Find<QWidget>(*FWindow, "Panel3")->width();
        QCOMPARE(Find<QWidget>(*FWindow, "Panel7")->width(), built);
        QCOMPARE(left + built + right, page);
        QVERIFY(right - left == 0 || right - left == 1);
        QCOMPARE(Find<QWidget>(*FWindow, "Panel3")->x(), left + built);
        // Start on the left, Exit on the right, Stop in the middle of the column.
        auto *start = Find<QPushButton>(*FWindow, "Button1");
        auto *stop = Find<QPushButton>(*FWindow, "Button2");
        auto *exit = Find<QPushButton>(*FWindow, "Button3");
        QCOMPARE(start->x(), 8);
        QCOMPARE(exit->x() + exit->width() + 8, built);
        QCOMPARE(stop->x(), built / 2 - stop->width() / 2);

        Find<QTabWidget>(*FWindow, "PageControl2")->setCurrentIndex(1);
        for (int tab = 0; tab < 4; ++tab) {
            Find<QTabWidget>(*FWindow, "PageControl1")->setCurrentIndex(tab);
            QWidget *page = Find<QTabWidget>(*FWindow, "PageControl1")->currentWidget();
            QTRY_VERIFY(page->isVisible());
            const int half = (page->width() - 6) / 2;
            QWidget *source = FWindow->FileList(2 * tab + 1)->parentWidget();
            QWidget *destination = FWindow->FileList(2 * tab + 2)->parentWidget();
            QCOMPARE(source->width(), half);
            QCOMPARE(destination->x(), half + 6);
            QCOMPARE(destination->x() + destination->width(), page->width());
        }
    }

    void theStatusRefreshWaitsAndGoesInListOrder()
    {
        TestTree::File(Src(), u"a.txt"_s, "a");
        TResultListStatus *status = FWindow->ListStatus();
        QSignalSpy refreshed(status, &TResultListStatus::ListStatusRefreshed);
        FWindow->FileList(5)->Add(Src() + u"/a.txt"_s);
        FWindow->FileList(2)->Add(Src() + u"/a.txt"_s);
        QTest::qWait(100);
        FWindow->FileList(7)->Add(Src() + u"/a.txt"_s);
        FWindow->FileList(2)->Add(Src() + u"/b.txt"_s);
        QElapsedTimer sinceLast;
        sinceLast.start();
        QTest::qWait(150);
        // 250 ms have passed since the first change, but not since the last one (unless the
        // machine stalled this test).
        if (sinceLast.elapsed() < 240)
            QVERIFY(refreshed.isEmpty());
        QTRY_COMPARE(refreshed.size(), 3);
        QCOMPARE(refreshed.at(0).at(0).toInt(), 2);
        QCOMPARE(refreshed.at(1).at(0).toInt(), 5);
        QCOMPARE(refreshed.at(2).at(0).toInt(), 7);
        QTest::qWait(400);
        QCOMPARE(refreshed.size(), 3);
    }

    void statusTextsAndCaptions()
    {
        using namespace TestTree;
        File(Src(), u"a.bin"_s, QByteArray(12288, 'a'));
        File(Src(), u"b.bin"_s, QByteArray(1000, 'b'));
        TJamFileList *list4 = Find<TJamFileList>(*FWindow, "JamFileList4");
        QLabel *status4 = StatusOf(Find<QStatusBar>(*FWindow, "StatusBar8"));
        QCOMPARE(status4->text(), QString());
        QCOMPARE(Find<QPushButton>(*FWindow, "PngBitBtn12")->text(), u"Update source"_s);
        QVERIFY(!Find<QPushButton>(*FWindow, "PngBitBtn12")->isEnabled());

        list4->Add(Src() + u"/a.bin"_s);
        list4->Add(Src() + u"/b.bin"_s);
        QTRY_COMPARE(status4->text(), u" 2 file(s) (13,288 bytes)"_s);
        QCOMPARE(Find<QPushButton>(*FWindow, "PngBitBtn12")->text(), u"Update all in source"_s);
        QVERIFY(Find<QPushButton>(*FWindow, "PngBitBtn12")->isEnabled());

        list4->selectAll();
        QTRY_COMPARE(status4->text(), u" 2 selected (13,288 bytes)"_s);
        QCOMPARE(Find<QPushButton>(*FWindow, "PngBitBtn12")->text(), u"Update selected in source"_s);

        list4->clearSelection();
        list4->selectionModel()->select(list4->model()->index(0, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QTRY_COMPARE(status4->text(), u" 1 selected (12,288 bytes)"_s);

        // Another list's rows change nothing here.
        Find<TJamFileList>(*FWindow, "JamFileList3")->Add(Src() + u"/b.bin"_s);
        QTRY_COMPARE(Find<QPushButton>(*FWindow, "PngBitBtn2")->text(), u"Update all in Destination"_s);
        QCOMPARE(status4->text(), u" 1 selected (12,288 bytes)"_s);

        list4->Clear();
        QTRY_COMPARE(status4->text(), QString());
        QCOMPARE(Find<QPushButton>(*FWindow, "PngBitBtn12")->text(), u"Update source"_s);
        QVERIFY(!Find<QPushButton>(*FWindow, "PngBitBtn12")->isEnabled());
    }

    void anEmptyStoreKeepsTheDefaultColumns()
    {
        FWindow->show();
        QTRY_VERIFY(ColumnsSetUp());
        for (int list = 1; list <= TfrmMain::ListCount; ++list) {
            QCOMPARE(FWindow->FileList(list)->VisibleColumnCount(), int(TResultListModel::DefaultColumnCount));
            QCOMPARE(ReadInteger(u"Columns\\NumberOfColumns_fl"_s + QString::number(list), -1), 0);
        }
    }

    void columnLayoutsComeBackAfterARestart()
    {
        FWindow->show();
        QTRY_VERIFY(ColumnsSetUp());
        TJamFileList *list = Find<TJamFileList>(*FWindow, "JamFileList3");
        const SHCOLUMNID size = TResultListModel::ColumnId(TResultListModel::rcSize);
        list->SetColumnVisibility(TResultListModel::ColumnId(TResultListModel::rcType), false);
        list->MoveColumnTo(size, 1);
        list->SetColumnWidthAt(0, 321);
        list->SetColumnWidthAt(1, 77);
        const QList<SHCOLUMNID> shown = list->GetVisibleColumns();
        QCOMPARE(shown.size(), 4);
        QCOMPARE(shown.at(1), size);
        QVERIFY(FWindow->close());

        QCOMPARE(ReadInteger(u"Columns\\NumberOfColumns_fl3"_s, -1), 4);
        NewWindow();
        FWindow->show();
        QTRY_VERIFY(ColumnsSetUp());
        list = Find<TJamFileList>(*FWindow, "JamFileList3");
        QCOMPARE(list->GetVisibleColumns(), shown);
        QCOMPARE(list->ColumnWidthAt(0), 321);
        QCOMPARE(list->ColumnWidthAt(1), 77);
        // The other lists kept their defaults.
        QCOMPARE(Find<TJamFileList>(*FWindow, "JamFileList4")->VisibleColumnCount(),
                 int(TResultListModel::DefaultColumnCount));
    }

    void aDamagedColumnBlockLeavesAUsableList_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<int>("columns");
        QByteArray unknown(40, '\x5a');
        QByteArray nameOnly;
        TResultListModel::ColumnId(TResultListModel::rcName).AppendTo(nameOnly);
        QTest::newRow("block longer than the count")
            << 1 << QByteArray(100, '\1') << int(TResultListModel::DefaultColumnCount);
        QTest::newRow("unknown identifiers") << 2 << unknown << 1;
        QTest::newRow("block shorter than the count") << 3 << nameOnly << 1;
        QTest::newRow("absurd count") << 100000000 << nameOnly << int(TResultListModel::DefaultColumnCount);
    }

    void aDamagedColumnBlockLeavesAUsableList()
    {
        QFETCH(int, count);
        QFETCH(QByteArray, block);
        QFETCH(int, columns);
        WriteInteger(u"Columns\\NumberOfColumns_fl2"_s, count);
        WriteBinary(u"Columns\\Columns_fl2"_s, block.constData(), int(block.size()));
        NewWindow();
        FWindow->show();
        QTRY_VERIFY(ColumnsSetUp());
        TJamFileList *list = Find<TJamFileList>(*FWindow, "JamFileList2");
        QCOMPARE(list->VisibleColumnCount(), columns);
        QCOMPARE(list->GetColumnPosition(TResultListModel::ColumnId(TResultListModel::rcName)), 0);
        QVERIFY(FPrompts.Asked.isEmpty());
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
