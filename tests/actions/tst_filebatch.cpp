// The batch runner on its own, without a window or Widgets: files handled in order on a
// worker, every question asked on the calling thread, and the answers steering the batch.

#include "actions/TFileBatch.h"

#include <QHash>
#include <QMutex>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {

// Records what the batch asks of the file system; a path in FailTimes fails that many
// times (-1: always), a path in NoTrash is on a volume without a trash, a copy of a path
// in Unkept arrives without what it names, a target in FailAtFinish is staged and then
// fails when it is put in place. A copy that keeps what it replaces is recorded as "keep".
class TFakeOperations final : public TFileOperations
{
public:
    TFileOpResult CopyFile(const QString &source, const QString &target, const TCopyOptions &options,
                           const TProgress &progress, const std::atomic<bool> *) override
    {
        if (Fails(source))
            return TFileOpResult::Failed(u"no room"_s);
        if (options.KeepReplaced && NoTrash.contains(target))
            return {TFileOpResult::orTrashRefused, target + u": no trash"_s};
        progress(10);
        Record((options.KeepReplaced ? u"keep "_s : u"copy "_s) + source + u" "_s + target);
        TFileOpResult done;
        done.Unkept = Unkept.value(source);
        return done;
    }
    TFileOpResult StageCopy(const QString &source, const QString &target, const TCopyOptions &options,
                            const TProgress &progress, const std::atomic<bool> *cancel) override
    {
        if (!FailAtFinish.contains(target))
            return CopyFile(source, target, options, progress, cancel);
        FailAtFinish.removeOne(target);
        FLost.append({target, TFileOpResult::Failed(u"lost"_s)});
        TFileOpResult staged;
        staged.Unkept = Unkept.value(source);
        return staged;
    }
    QList<TStagedFailure> FinishCopies() override { return std::exchange(FLost, {}); }
    TFileOpResult MoveToTrash(const QString &path) override
    {
        if (NoTrash.contains(path))
            return {TFileOpResult::orTrashRefused, QString()};
        if (Fails(path))
            return TFileOpResult::Failed(u"busy"_s);
        Record(u"trash "_s + path);
        return TFileOpResult::Done();
    }
    TFileOpResult DeletePermanently(const QString &path) override
    {
        Record(u"delete "_s + path);
        return TFileOpResult::Done();
    }
    void EndBatch() override { ++Ended; }

    QHash<QString, int> FailTimes;
    int Ended = 0;
    QStringList NoTrash;
    QHash<QString, unsigned> Unkept;
    QStringList FailAtFinish;
    QStringList Calls;

private:
    bool Fails(const QString &path)
    {
        QMutexLocker lock(&FMutex);
        int &left = FailTimes[path];
        if (left == 0)
            return false;
        if (left > 0)
            --left;
        return true;
    }
    void Record(const QString &call)
    {
        QMutexLocker lock(&FMutex);
        Calls << call;
    }
    QMutex FMutex;
    QList<TStagedFailure> FLost;
};

// Answers from scripts and notes on which thread each question came.
class TScriptedDialogs final : public TFileActionDialogs
{
public:
    bool ConfirmTrash(const QStringList &) override { return true; }
    TErrorChoice FileError(TBatchKind, const QString &path, const TFileOpResult &) override
    {
        Note(u"error "_s + path);
        return ErrorAnswers.isEmpty() ? ecCancel : ErrorAnswers.takeFirst();
    }
    TTrashChoice TrashRefused(const QString &path) override
    {
        Note(u"no trash "_s + path);
        return TrashAnswers.isEmpty() ? tcCancel : TrashAnswers.takeFirst();
    }
    TKeepChoice ReplaceWithoutKeeping(const QString &path) override
    {
        Note(u"cannot keep "_s + path);
        return KeepAnswer;
    }
    void SkippedFiles(TBatchKind, const QStringList &paths) override { Skipped = paths; }
    void NotKept(const QList<int> &files) override
    {
        Note(u"not kept"_s);
        NotKeptFiles = files;
    }
    bool ConfirmCloseDuringBatch() override { return false; }
    void BeginProgress(TBatchKind, int files, qint64, std::atomic<bool> *) override { Note(u"begin %1"_s.arg(files)); }
    void ShowProgress(const QString &, int, qint64) override {}
    void EndProgress() override { Note(u"end"_s); }

    QList<TErrorChoice> ErrorAnswers;
    QList<TTrashChoice> TrashAnswers;
    TKeepChoice KeepAnswer = kcCancel;
    QStringList Asked;
    QStringList Skipped;
    QList<int> NotKeptFiles;
    bool OffThread = false;

private:
    void Note(const QString &what)
    {
        Asked << what;
        OffThread = OffThread || QThread::currentThread() != qApp->thread();
    }
};

QList<TFileBatch::TItem> Copies(const QStringList &names)
{
    QList<TFileBatch::TItem> items;
    for (const QString &name : names)
        items.append({u"/s/"_s + name, u"/d/"_s + name});
    return items;
}

} // namespace

class TestFileBatch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aRetriedCopyCompletesTheBatchWithQuestionsOnTheCallersThread()
    {
        TFakeOperations ops;
        ops.FailTimes.insert(u"/s/b"_s, 1);
        TScriptedDialogs dialogs;
        dialogs.ErrorAnswers = {TFileActionDialogs::ecRetry};
        TFileBatch batch(ops, dialogs);

        QCOMPARE(batch.Run(TFileActionDialogs::bkCopy, Copies({u"a"_s, u"b"_s, u"c"_s}), 30), TFileBatch::boSucceeded);
        QCOMPARE(batch.Done(), QList<bool>({true, true, true}));
        QCOMPARE(ops.Calls, QStringList({u"copy /s/a /d/a"_s, u"copy /s/b /d/b"_s, u"copy /s/c /d/c"_s}));
        QCOMPARE(dialogs.Asked, QStringList({u"begin 3"_s, u"error /s/b"_s, u"end"_s}));
        QVERIFY(!dialogs.OffThread);
        QVERIFY(dialogs.Skipped.isEmpty());
        // The folders it opened are not trusted by the next batch.
        QCOMPARE(ops.Ended, 1);
    }

    void skipAllLeavesEveryFailingFileAndNamesThemAtTheEnd()
    {
        TFakeOperations ops;
        ops.FailTimes.insert(u"/s/a"_s, -1);
        ops.FailTimes.insert(u"/s/c"_s, -1);
        TScriptedDialogs dialogs;
        dialogs.ErrorAnswers = {TFileActionDialogs::ecSkipAll};
        TFileBatch batch(ops, dialogs);

        QCOMPARE(batch.Run(TFileActionDialogs::bkCopy, Copies({u"a"_s, u"b"_s, u"c"_s}), 30), TFileBatch::boFailed);
        QCOMPARE(batch.Done(), QList<bool>({false, true, false}));
        QCOMPARE(dialogs.Asked, QStringList({u"begin 3"_s, u"error /s/a"_s, u"end"_s}));
        QCOMPARE(dialogs.Skipped, QStringList({u"/s/a"_s, u"/s/c"_s}));
    }

    void cancelOnAQuestionEndsTheBatchBeforeTheNextFile()
    {
        TFakeOperations ops;
        ops.NoTrash = {u"/s/b"_s};
        TScriptedDialogs dialogs;
        dialogs.TrashAnswers = {TFileActionDialogs::tcCancel};
        TFileBatch batch(ops, dialogs);

        const QList<TFileBatch::TItem> items{{u"/s/a"_s, {}}, {u"/s/b"_s, {}}, {u"/s/c"_s, {}}};
        QCOMPARE(batch.Run(TFileActionDialogs::bkTrash, items, 0), TFileBatch::boAborted);
        QCOMPARE(batch.Done(), QList<bool>({true, false, false}));
        QCOMPARE(ops.Calls, QStringList({u"trash /s/a"_s}));
    }

    void yesToAllDeletesEveryFileWithoutATrashForGoodAfterOneQuestion()
    {
        TFakeOperations ops;
        ops.NoTrash = {u"/s/a"_s, u"/s/b"_s};
        TScriptedDialogs dialogs;
        dialogs.TrashAnswers = {TFileActionDialogs::tcYesToAll};
        TFileBatch batch(ops, dialogs);

        const QList<TFileBatch::TItem> items{{u"/s/a"_s, {}}, {u"/s/b"_s, {}}};
        QCOMPARE(batch.Run(TFileActionDialogs::bkTrash, items, 0), TFileBatch::boSucceeded);
        QCOMPARE(batch.Done(), QList<bool>({true, true}));
        QCOMPARE(ops.Calls, QStringList({u"delete /s/a"_s, u"delete /s/b"_s}));
        QCOMPARE(dialogs.Asked, QStringList({u"begin 2"_s, u"no trash /s/a"_s, u"end"_s}));
    }

    // Two of four replaced files cannot be kept: one question for the batch, its answer
    // for both, and the files that can be kept are kept.
    void aRefusedTrashIsAskedAboutOncePerBatch_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QList<bool>>("done");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QStringList>("skipped");
        QTest::newRow("replace without keeping")
            << int(TFileActionDialogs::kcReplace) << int(TFileBatch::boSucceeded) << QList<bool>{true, true, true, true}
            << QStringList{u"keep /s/a /d/a"_s, u"copy /s/b /d/b"_s, u"copy /s/c /d/c"_s, u"keep /s/d /d/d"_s}
            << QStringList{};
        QTest::newRow("skip") << int(TFileActionDialogs::kcSkip) << int(TFileBatch::boFailed)
                              << QList<bool>{true, false, false, true}
                              << QStringList{u"keep /s/a /d/a"_s, u"keep /s/d /d/d"_s}
                              << QStringList{u"/s/b"_s, u"/s/c"_s};
        QTest::newRow("cancel") << int(TFileActionDialogs::kcCancel) << int(TFileBatch::boAborted)
                                << QList<bool>{true, false, false, false} << QStringList{u"keep /s/a /d/a"_s}
                                << QStringList{};
    }
    void aRefusedTrashIsAskedAboutOncePerBatch()
    {
        QFETCH(int, answer);
        QFETCH(int, outcome);
        QFETCH(QList<bool>, done);
        QFETCH(QStringList, calls);
        QFETCH(QStringList, skipped);
        TFakeOperations ops;
        ops.NoTrash = {u"/d/b"_s, u"/d/c"_s};
        TScriptedDialogs dialogs;
        dialogs.KeepAnswer = TFileActionDialogs::TKeepChoice(answer);
        TFileBatch batch(ops, dialogs);

        QCOMPARE(int(batch.Run(TFileActionDialogs::bkCopy, Copies({u"a"_s, u"b"_s, u"c"_s, u"d"_s}), 40,
                               {.KeepReplaced = true})),
                 outcome);
        QCOMPARE(batch.Done(), done);
        QCOMPARE(ops.Calls, calls);
        QCOMPARE(dialogs.Asked, QStringList({u"begin 4"_s, u"cannot keep /d/b"_s, u"end"_s}));
        QCOMPARE(dialogs.Skipped, skipped);
        // The file after a replacement without keeping is kept again ("keep /s/d /d/d").
    }

    // What copies could not keep is told once, after the batch, counted over the files
    // that arrived: a retried file with its last copy, a skipped one not at all.
    void whatCopiesCouldNotKeepIsToldOnceAtTheEnd()
    {
        TFakeOperations ops;
        ops.Unkept = {{u"/s/a"_s, TFileOpResult::ukTimes},
                      {u"/s/b"_s, TFileOpResult::ukTimes | TFileOpResult::ukOwner},
                      {u"/s/c"_s, TFileOpResult::ukAcls},
                      {u"/s/d"_s, TFileOpResult::ukAttributes},
                      {u"/s/e"_s, TFileOpResult::ukPermissions}};
        ops.FailTimes = {{u"/s/c"_s, 1}, {u"/s/d"_s, -1}};
        ops.FailAtFinish = {u"/d/e"_s};
        TScriptedDialogs dialogs;
        dialogs.ErrorAnswers = {TFileActionDialogs::ecRetry, TFileActionDialogs::ecSkip, TFileActionDialogs::ecSkip};
        TFileBatch batch(ops, dialogs);

        const QList<TFileBatch::TItem> items = Copies({u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s});
        QCOMPARE(batch.Run(TFileActionDialogs::bkCopy, items, 50), TFileBatch::boFailed);
        QCOMPARE(batch.Done(), QList<bool>({true, true, true, false, false}));
        QCOMPARE(dialogs.Asked, QStringList({u"begin 5"_s, u"error /s/c"_s, u"error /s/d"_s, u"error /s/e"_s, u"end"_s,
                                             u"not kept"_s}));
        QCOMPARE(dialogs.NotKeptFiles, QList<int>({1, 0, 2, 1, 0}));

        // Everything kept: nothing to tell.
        TFakeOperations clean;
        TScriptedDialogs quiet;
        TFileBatch again(clean, quiet);
        QCOMPARE(again.Run(TFileActionDialogs::bkCopy, items, 50), TFileBatch::boSucceeded);
        QCOMPARE(quiet.Asked, QStringList({u"begin 5"_s, u"end"_s}));
    }

    void keepingIsOffUnlessTheBatchIsToldSo()
    {
        TFakeOperations ops;
        TScriptedDialogs dialogs;
        TFileBatch batch(ops, dialogs);
        // An earlier batch on the same file operations kept what it replaced.
        QCOMPARE(batch.Run(TFileActionDialogs::bkCopy, Copies({u"a"_s}), 10, {.KeepReplaced = true}),
                 TFileBatch::boSucceeded);
        QCOMPARE(batch.Run(TFileActionDialogs::bkCopy, Copies({u"a"_s}), 10), TFileBatch::boSucceeded);
        QCOMPARE(ops.Calls, QStringList({u"keep /s/a /d/a"_s, u"copy /s/a /d/a"_s}));
    }
};

QTEST_GUILESS_MAIN(TestFileBatch)
#include "tst_filebatch.moc"
