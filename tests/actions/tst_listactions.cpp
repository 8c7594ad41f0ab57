// Copy, update and delete from the result lists, on real files: the eight lists are filled
// by a real scan and acted on as the window's buttons act on them, without a window. Files
// end up where the lists say they are, and no failure ever loses a file or moves a row
// that should stay.

#include "TestTree.h"

#include "actions/TFileActionDialogs.h"
#include "actions/ui/TListActions.h"
#include "engine/TScanRun.h"
#include "engine/TScanSink.h"
#include "engine/TScanTexts.h"
#include "platform/TSystemFileOperations.h"
#include "results/TJamFileList.h"
#include "results/TResultListModel.h"

#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace TestTree;

namespace {

// Answers the action dialogs from a script and records what was asked.
class TScriptedActionDialogs final : public TFileActionDialogs
{
public:
    bool ConfirmTrash(const QStringList &paths) override
    {
        Asked << u"confirm %1"_s.arg(paths.size());
        return ConfirmAnswer;
    }
    TErrorChoice FileError(TBatchKind, const QString &path, const TFileOpResult &reason) override
    {
        Asked << u"error "_s + path;
        Messages << reason.Message;
        return ErrorAnswers.isEmpty() ? ecCancel : ErrorAnswers.takeFirst();
    }
    TTrashChoice TrashRefused(const QString &path) override
    {
        Asked << u"refused "_s + path;
        return TrashAnswers.isEmpty() ? tcCancel : TrashAnswers.takeFirst();
    }
    TKeepChoice ReplaceWithoutKeeping(const QString &path) override
    {
        Asked << u"cannot keep "_s + path;
        return kcCancel;
    }
    void SkippedFiles(TBatchKind, const QStringList &paths) override { Asked << u"skipped %1"_s.arg(paths.size()); }
    bool ConfirmCloseDuringBatch() override { return false; }
    void BeginProgress(TBatchKind, int files, qint64, std::atomic<bool> *) override { ProgressFiles = files; }
    void ShowProgress(const QString &, int, qint64) override {}
    void EndProgress() override {}

    bool ConfirmAnswer = true;
    QList<TErrorChoice> ErrorAnswers;
    QList<TTrashChoice> TrashAnswers;
    QStringList Asked;
    QStringList Messages;
    int ProgressFiles = 0;
};

// The real file operations, with faults to order and a count of what was asked.
class TFaultyOperations final : public TFileOperations
{
public:
    TFileOpResult CopyFile(const QString &source, const QString &target, const TCopyOptions &options,
                           const TProgress &progress, const std::atomic<bool> *cancel) override
    {
        ++Copies;
        Kept << options.KeepReplaced;
        if (Copies == FailCopy)
            return TFileOpResult::Failed(target + u": No space left on device"_s);
        if (Copies == CancelCopy)
            return {TFileOpResult::orCancelled, QString()};
        return FReal.CopyFile(source, target, options, progress, cancel);
    }
    TFileOpResult MoveToTrash(const QString &path) override
    {
        ++Trashed;
        if (RefuseTrash)
            return {TFileOpResult::orTrashRefused, path + u": no trash on this volume"_s};
        return FReal.MoveToTrash(path);
    }
    TFileOpResult DeletePermanently(const QString &path) override
    {
        ++Deleted;
        return FReal.DeletePermanently(path);
    }

    int FailCopy = -1;
    int CancelCopy = -1;
    bool RefuseTrash = false;
    int Copies = 0, Trashed = 0, Deleted = 0;
    QList<bool> Kept; // of each copy, whether it was to keep the file it replaces

private:
    TSystemFileOperations FReal;
};

QByteArray Content(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// The eight result lists on a bare widget, as the window holds them, filled by a scan.
class TListHost final : public TScanSink
{
public:
    TListHost()
    {
        for (auto &list : FLists)
            list = new TJamFileList(&FWidget);
    }

    QWidget &Widget() { return FWidget; }
    TJamFileList *List(int list) const { return FLists.at(std::size_t(list - 1)); }

    // A scan of the two folders with the settings a new window shows; false when it failed.
    bool Scan(const QString &source, const QString &destination)
    {
        for (TJamFileList *list : FLists)
            list->Clear();
        TScanOptions options;
        options.srcPath = source + u'/';
        options.dstPath = destination + u'/';
        const std::atomic<bool> stop = false;
        const QString error = TScanRun(options, TScanTexts(), *this, stop).Execute();
        if (!error.isEmpty())
            qWarning("scan failed: %s", qPrintable(error));
        return error.isEmpty();
    }

    void ShowStatus(const QString &) override {}
    void AddToList(int list, const QString &path) override { List(list)->Add(path); }
    void AddFinding(const TFinding &finding) override
    {
        if (finding.HasCounterpart)
            List(finding.List)
                ->Add(finding.Path, {finding.CounterpartSize, finding.CounterpartMTimeSec, finding.Difference});
        else
            List(finding.List)->Add(finding.Path);
    }
    void NotCompared(const QString &path, const QString &reason) override
    {
        qWarning("not compared: %s: %s", qPrintable(path), qPrintable(reason));
    }

private:
    QWidget FWidget;
    std::array<TJamFileList *, ResultListCount> FLists{};
};

} // namespace

class tst_ListActions : public QObject
{
    Q_OBJECT

private:
    TScriptedActionDialogs FDialogs;
    std::unique_ptr<TFaultyOperations> FOpsHolder;
    std::unique_ptr<QTemporaryDir> FTrees;
    std::unique_ptr<QTemporaryDir> FData;

    QString Src() const { return FTrees->path() + u"/src/"_s; }
    QString Dst() const { return FTrees->path() + u"/dst/"_s; }
    std::unique_ptr<TListHost> FHost;
    std::unique_ptr<TListActions> FActions;
    TCopyOptions FCopyOptions{.KeepReplaced = true}; // what the settings page gives

    TJamFileList *List(int n) const { return FHost->List(n); }
    TListActions &Actions() const { return *FActions; }

    // A new set of lists and actions over them, as after a start of the program, and a scan.
    bool Scan()
    {
        FActions.reset();
        FHost = std::make_unique<TListHost>();
        FActions = std::make_unique<TListActions>(
            FHost->Widget(),
            TListActions::TLists{[this](int list) { return List(list); }, [](int) {}, [this] { return Src(); },
                                 [this] { return Dst(); }, [this] { return FCopyOptions; }});
        Actions().SetDialogs(&FDialogs);
        Actions().SetFileOperations(FOpsHolder.get());
        return FHost->Scan(FTrees->path() + u"/src"_s, FTrees->path() + u"/dst"_s);
    }

    static QStringList Rows(TJamFileList *list)
    {
        QStringList rows = list->Paths();
        rows.sort();
        return rows;
    }

    static void Select(TJamFileList *list, const QStringList &paths)
    {
        list->clearSelection();
        for (int row = 0; row < list->RowCount(); ++row) {
            if (paths.contains(list->RowPath(row)))
                list->selectionModel()->select(list->model()->index(row, 0),
                                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Trashed files go to a trash inside a folder of the test's own.
        FData = std::make_unique<QTemporaryDir>();
        QVERIFY(FData->isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(FData->filePath(u"data"_s)));
    }
    void cleanupTestCase() { FData.reset(); }

    void init()
    {
        FCopyOptions.KeepReplaced = true;
        FDialogs = TScriptedActionDialogs();
        FOpsHolder = std::make_unique<TFaultyOperations>();
        FTrees = std::make_unique<QTemporaryDir>();
        QDir().mkpath(Src());
        QDir().mkpath(Dst());
    }
    void cleanup()
    {
        FActions.reset();
        FHost.reset();
        FTrees.reset();
    }

    void copyAllFromList1MakesDuplicates()
    {
        File(Src(), u"a.txt"_s, "alpha", 1600000000, 500);
        File(Src(), u"deep/er/b.txt"_s, "beta", 1600000100);
        File(Dst(), u"other.txt"_s, "o");
        QVERIFY(Scan());
        QCOMPARE(Rows(List(1)), (QStringList{Src() + u"a.txt"_s, Src() + u"deep/er/b.txt"_s}));

        Actions().Copy(1);
        QVERIFY(List(1)->Paths().isEmpty());
        QCOMPARE(Rows(List(5)), (QStringList{Src() + u"a.txt"_s, Src() + u"deep/er/b.txt"_s}));
        QCOMPARE(Rows(List(6)), (QStringList{Dst() + u"a.txt"_s, Dst() + u"deep/er/b.txt"_s}));
        QCOMPARE(Content(Dst() + u"deep/er/b.txt"_s), QByteArray("beta"));
        QVERIFY(FDialogs.Asked.isEmpty());

        // Times travel with the copies, so a new scan finds every pair a duplicate.
        QVERIFY(Scan());
        QCOMPARE(Rows(List(5)), (QStringList{Src() + u"a.txt"_s, Src() + u"deep/er/b.txt"_s}));
        QVERIFY(List(1)->Paths().isEmpty());
        QVERIFY(List(3)->Paths().isEmpty() && List(4)->Paths().isEmpty());
    }

    void copySelectedRowsOnly()
    {
        for (int i = 1; i <= 5; ++i)
            File(Src(), u"f%1.txt"_s.arg(i), "x");
        QVERIFY(Scan());
        const QStringList before = List(1)->Paths();
        const QStringList chosen{before.at(1), before.at(3)};
        Select(List(1), chosen);
        QCOMPARE(List(1)->SelectedFileCount(), 2);

        Actions().Copy(1);
        QStringList rest = before;
        rest.removeAll(chosen.at(0));
        rest.removeAll(chosen.at(1));
        QCOMPARE(List(1)->Paths(), rest);
        QCOMPARE(FOpsHolder->Copies, 2);
        QCOMPARE(List(5)->Paths(), chosen);
        for (const QString &path : rest)
            QVERIFY(!QFile::exists(Dst() + path.mid(Src().size())));
    }

    void updateReplacesTheOlderFileWithoutAsking()
    {
        File(Src(), u"doc.txt"_s, "new text", 1700000100);
        File(Dst(), u"doc.txt"_s, "old", 1700000000);
        QVERIFY(Scan());
        QCOMPARE(List(3)->Paths(), QStringList{Src() + u"doc.txt"_s});
        Actions().Copy(3);
        QCOMPARE(Content(Dst() + u"doc.txt"_s), QByteArray("new text"));
        QVERIFY(FDialogs.Asked.isEmpty());
        QVERIFY(List(3)->Paths().isEmpty());
        QCOMPARE(List(6)->Paths(), QStringList{Dst() + u"doc.txt"_s});
    }

    // The copy options of the moment (the settings page's box) reach every copy of an action.
    void theCopyOptionsReachEveryCopy_data()
    {
        QTest::addColumn<bool>("keep");
        QTest::newRow("kept") << true;
        QTest::newRow("replaced") << false;
    }
    void theCopyOptionsReachEveryCopy()
    {
        QFETCH(bool, keep);
        File(Src(), u"a.txt"_s, "new a", 1700000100);
        File(Src(), u"b.txt"_s, "new b", 1700000100);
        File(Dst(), u"a.txt"_s, "old", 1700000000);
        File(Dst(), u"b.txt"_s, "old", 1700000000);
        QVERIFY(Scan());
        FCopyOptions.KeepReplaced = keep;
        Actions().Copy(3);
        QCOMPARE(FOpsHolder->Kept, QList<bool>({keep, keep}));
        QCOMPARE(Content(Dst() + u"b.txt"_s), QByteArray("new b"));
    }

    void copyFromConflictsLeavesTheOtherHalf()
    {
        File(Src(), u"c.txt"_s, "longer", 1700000000);
        File(Dst(), u"c.txt"_s, "short", 1700000000);
        QVERIFY(Scan());
        QCOMPARE(List(7)->Paths(), QStringList{Src() + u"c.txt"_s});
        QCOMPARE(List(8)->TotalFileSize(), 5);
        // A source path already listed as a duplicate is not listed twice.
        List(5)->Add(Src() + u"c.txt"_s);
        Actions().Copy(7);
        QVERIFY(List(7)->Paths().isEmpty());
        QCOMPARE(List(8)->Paths(), QStringList{Dst() + u"c.txt"_s});
        // The row left in place shows the file as the copy left it.
        QCOMPARE(List(8)->TotalFileSize(), 6);
        const QModelIndex size = List(8)->model()->index(0, TResultListModel::rcSize);
        QCOMPARE(size.data(TResultListModel::SortRole).toLongLong(), 6);
        QCOMPARE(List(5)->Paths(), QStringList{Src() + u"c.txt"_s});
        QCOMPARE(List(6)->Paths(), QStringList{Dst() + u"c.txt"_s});
    }

    void copierFailingOnTheThirdFileKeepsThatRowOnly()
    {
        for (int i = 1; i <= 4; ++i) {
            File(Src(), u"f%1.txt"_s.arg(i), "new");
            File(Dst(), u"f%1.txt"_s.arg(i), "older!", 1600000000);
        }
        QVERIFY(Scan());
        const QStringList before = List(3)->Paths();
        QCOMPARE(before.size(), 4);
        FOpsHolder->FailCopy = 3;
        FDialogs.ErrorAnswers = {TFileActionDialogs::ecSkip};
        Actions().Copy(3);
        QCOMPARE(FOpsHolder->Copies, 4); // the batch went on after the skipped file
        QCOMPARE(FDialogs.Asked.size(), 1);
        QVERIFY(FDialogs.Messages.first().contains(u"No space left"_s));
        // The files that were copied leave the list, before and after the failure.
        QCOMPARE(List(3)->Paths(), QStringList{before.at(2)});
        QCOMPARE(List(5)->Paths().size(), 3);
        QCOMPARE(List(6)->Paths().size(), 3);
        const QString third = Dst() + before.at(2).mid(Src().size());
        QCOMPARE(Content(third), QByteArray("older!"));
    }

    void cancelledCopyMovesTheRowsOfFinishedFiles()
    {
        for (int i = 1; i <= 3; ++i)
            File(Src(), u"f%1.txt"_s.arg(i), "x");
        QVERIFY(Scan());
        const QStringList before = List(1)->Paths();
        FOpsHolder->CancelCopy = 2;
        Actions().Copy(1);
        QCOMPARE(FOpsHolder->Copies, 2);
        QCOMPARE(List(1)->Paths(), before.mid(1));
        QCOMPARE(List(5)->Paths(), before.first(1));
    }

    void retryAfterAnErrorCopiesTheFile()
    {
        File(Src(), u"f.txt"_s, "x");
        QVERIFY(Scan());
        FOpsHolder->FailCopy = 1;
        FDialogs.ErrorAnswers = {TFileActionDialogs::ecRetry};
        Actions().Copy(1);
        QCOMPARE(FOpsHolder->Copies, 2);
        QVERIFY(List(1)->Paths().isEmpty());
        QCOMPARE(Content(Dst() + u"f.txt"_s), QByteArray("x"));
    }

    void copyOntoTheSameFileIsRefused()
    {
        File(Src(), u"linked.txt"_s, "only copy", 1700000100);
        File(Dst(), u"x"_s, "");
        QVERIFY(Scan());
        // The destination becomes a hard link of the source after the scan.
        QVERIFY(QFile::remove(Dst() + u"x"_s));
        QCOMPARE(::link(QFile::encodeName(Src() + u"linked.txt"_s).constData(),
                        QFile::encodeName(Dst() + u"linked.txt"_s).constData()),
                 0);
        FDialogs.ErrorAnswers = {TFileActionDialogs::ecSkip};
        Actions().Copy(1);
        QCOMPARE(FDialogs.Asked.size(), 1);
        QCOMPARE(Content(Src() + u"linked.txt"_s), QByteArray("only copy"));
        QCOMPARE(List(1)->Paths(), QStringList{Src() + u"linked.txt"_s});
    }

    // A file that appears at the target after the scan is not the missing file the row
    // shows, nor is one changed since the scan the older file it showed: the copy leaves
    // it, also where replaced files are not kept, and the row stays.
    void aTargetThatChangedAfterTheScanIsNotReplaced_data()
    {
        QTest::addColumn<int>("list");
        QTest::newRow("appeared, copied from list 1") << 1;
        QTest::newRow("changed, updated from list 3") << 3;
    }
    void aTargetThatChangedAfterTheScanIsNotReplaced()
    {
        QFETCH(int, list);
        File(Src(), u"doc.txt"_s, "from the source", 1700000100);
        File(Dst(), list == 1 ? u"x"_s : u"doc.txt"_s, "old", 1700000000);
        QVERIFY(Scan());
        QCOMPARE(List(list)->Paths(), QStringList{Src() + u"doc.txt"_s});
        File(Dst(), u"doc.txt"_s, "written meanwhile", 1700000200);
        FCopyOptions.KeepReplaced = false;
        FDialogs.ErrorAnswers = {TFileActionDialogs::ecSkip};
        Actions().Copy(list);
        QCOMPARE(FDialogs.Asked.size(), 1);
        QCOMPARE(Content(Dst() + u"doc.txt"_s), QByteArray("written meanwhile"));
        QCOMPARE(List(list)->Paths(), QStringList{Src() + u"doc.txt"_s});
    }

    void deleteAllDuplicatesMovesCounterpartsToMissing()
    {
        for (int i = 1; i <= 3; ++i) {
            File(Src(), u"d%1.txt"_s.arg(i), "same");
            File(Dst(), u"d%1.txt"_s.arg(i), "same");
        }
        File(Dst(), u"lonely.txt"_s, "l");
        QVERIFY(Scan());
        QCOMPARE(List(5)->Paths().size(), 3);
        Actions().Delete(5);
        QCOMPARE(FDialogs.Asked, QStringList{u"confirm 3"_s});
        QVERIFY(List(5)->Paths().isEmpty());
        QVERIFY(List(6)->Paths().isEmpty());
        QCOMPARE(Rows(List(2)),
                 (QStringList{Dst() + u"d1.txt"_s, Dst() + u"d2.txt"_s, Dst() + u"d3.txt"_s, Dst() + u"lonely.txt"_s}));
        QVERIFY(!QFile::exists(Src() + u"d1.txt"_s));
        QVERIFY(QFile::exists(FData->filePath(u"data/Trash/files/d1.txt"_s)));
        QVERIFY(QFile::exists(Dst() + u"d1.txt"_s));
    }

    void deleteTwoConflictRowsFromList8()
    {
        for (int i = 1; i <= 4; ++i) {
            File(Src(), u"c%1.txt"_s.arg(i), "long one", 1700000000);
            File(Dst(), u"c%1.txt"_s.arg(i), "short", 1700000000);
        }
        QVERIFY(Scan());
        const QStringList before = List(8)->Paths();
        const QStringList chosen{before.at(0), before.at(2)};
        Select(List(8), chosen);
        Actions().Delete(8);
        QCOMPARE(List(8)->Paths().size(), 2);
        QCOMPARE(List(7)->Paths().size(), 2);
        QStringList gained;
        for (const QString &p : chosen)
            gained << Src() + p.mid(Dst().size());
        gained.sort();
        QCOMPARE(Rows(List(1)), gained);
    }

    void deleteFromList1ChangesNoOtherList()
    {
        File(Src(), u"gone.txt"_s, "g");
        File(Dst(), u"stay.txt"_s, "s");
        File(Src(), u"pair.txt"_s, "p");
        File(Dst(), u"pair.txt"_s, "p");
        QVERIFY(Scan());
        Actions().Delete(1);
        QVERIFY(List(1)->Paths().isEmpty());
        QCOMPARE(List(2)->Paths(), QStringList{Dst() + u"stay.txt"_s});
        QCOMPARE(List(5)->Paths().size(), 1);
        QCOMPARE(List(6)->Paths().size(), 1);
        QVERIFY(!QFile::exists(Src() + u"gone.txt"_s));
    }

    void decliningTheConfirmationChangesNothing()
    {
        File(Src(), u"keep.txt"_s, "k");
        QVERIFY(Scan());
        FDialogs.ConfirmAnswer = false;
        Actions().Delete(1);
        QCOMPARE(FOpsHolder->Trashed, 0);
        QVERIFY(QFile::exists(Src() + u"keep.txt"_s));
        QCOMPARE(List(1)->Paths(), QStringList{Src() + u"keep.txt"_s});
    }

    void refusedTrashAsksBeforeDeletingForGood()
    {
        File(Src(), u"a.txt"_s, "a");
        File(Src(), u"b.txt"_s, "b");
        QVERIFY(Scan());
        FOpsHolder->RefuseTrash = true;

        FDialogs.TrashAnswers = {TFileActionDialogs::tcNo, TFileActionDialogs::tcNo};
        Actions().Delete(1);
        QCOMPARE(FOpsHolder->Deleted, 0);
        QVERIFY(QFile::exists(Src() + u"a.txt"_s) && QFile::exists(Src() + u"b.txt"_s));
        QCOMPARE(List(1)->Paths().size(), 2);

        FDialogs.Asked.clear();
        FDialogs.TrashAnswers = {TFileActionDialogs::tcYesToAll};
        Actions().Delete(1);
        QCOMPARE(FDialogs.Asked.size(), 2); // the confirmation, then one question for both files
        QCOMPARE(FOpsHolder->Deleted, 2);
        QVERIFY(!QFile::exists(Src() + u"a.txt"_s) && !QFile::exists(Src() + u"b.txt"_s));
        QVERIFY(List(1)->Paths().isEmpty());
    }

    void aFolderRowIsNeverDeleted()
    {
        File(Src(), u"folder/inside.txt"_s, "i");
        QVERIFY(Scan());
        List(1)->clearSelection();
        QVERIFY(List(1)->Add(Src() + u"folder"_s));
        FDialogs.ErrorAnswers = {TFileActionDialogs::ecSkip};
        Actions().Delete(1);
        QVERIFY(QFileInfo(Src() + u"folder"_s).isDir());
        QVERIFY(List(1)->IsItemInList(Src() + u"folder"_s));
        QVERIFY(!QFile::exists(Src() + u"folder/inside.txt"_s));      // the file itself went to the trash
        QCOMPARE(List(1)->Paths(), QStringList{Src() + u"folder"_s}); // the trashed file's row went
    }
};

QTEST_MAIN(tst_ListActions)
#include "tst_listactions.moc"
