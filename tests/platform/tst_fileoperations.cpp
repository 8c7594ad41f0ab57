// Copying and deleting single files: the old target survives every failure, times and
// permissions travel with the copy, and nothing but regular files is ever touched.

#include "platform/TSystemFileOperations.h"

#include "TestTree.h"

#include <QDateTime>
#include <QDirIterator>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/mount.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray Content(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QStringList Leftovers(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        if (p.contains(u".foldermate-"_s))
            found << p;
    }
    return found;
}

// The restore information of each entry of the trash: the original path (decoded) and
// the deletion date, by the entry's name in "files".
struct TTrashInfo
{
    QString Path;
    QDateTime Deleted;
};
QHash<QString, TTrashInfo> TrashEntries(const QString &trash)
{
    QHash<QString, TTrashInfo> entries;
    for (const QString &info : QDir(trash + u"/info"_s).entryList({u"*.trashinfo"_s}, QDir::Files)) {
        QFile f(trash + u"/info/"_s + info);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        TTrashInfo entry;
        const QList<QByteArray> lines = f.readAll().split('\n');
        if (lines.value(0) != "[Trash Info]")
            continue;
        for (const QByteArray &line : lines) {
            if (line.startsWith("Path="))
                entry.Path = QFile::decodeName(QByteArray::fromPercentEncoding(line.mid(5)));
            else if (line.startsWith("DeletionDate="))
                entry.Deleted = QDateTime::fromString(QString::fromLatin1(line.mid(13)), Qt::ISODate);
        }
        entries.insert(info.chopped(10), entry);
    }
    return entries;
}

// The names of the entries of the trash that are still pending (marks in "info"), and
// the restore information files that cannot be read as such.
QStringList PendingEntries(const QString &trash)
{
    return QDir(trash + u"/info"_s).entryList({u".*"_s}, QDir::Files | QDir::Hidden);
}
QStringList UnreadableInfo(const QString &trash)
{
    QStringList bad;
    for (const QString &info : QDir(trash + u"/info"_s).entryList({u"*.trashinfo"_s}, QDir::Files)) {
        const QByteArray text = Content(trash + u"/info/"_s + info);
        if (!text.startsWith("[Trash Info]\nPath=") || !text.contains("\nDeletionDate="))
            bad << info;
    }
    return bad;
}

// The folders this process holds open below root.
QStringList OpenFolders(const QString &root)
{
    QStringList open;
    for (const QFileInfo &fd :
         QDir(u"/proc/self/fd"_s).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        const QString target = fd.symLinkTarget();
        if (target.startsWith(root) && QFileInfo(target).isDir())
            open << target;
    }
    return open;
}

} // namespace

class tst_FileOperations : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir FDir;
    QString FTrashHome;
    TSystemFileOperations FOps;

private Q_SLOTS:
    void initTestCase();
    void copyCreatesFoldersAndKeepsTimeAndMode();
    void copyReplacesTheOldTargetWhole();
    void copyRefusesWhatCannotBeCopied();
    void cancelledOrFailedCopyLeavesTheTarget_data();
    void cancelledOrFailedCopyLeavesTheTarget();
    void copiesGoWhereThePathSaysNow_data();
    void copiesGoWhereThePathSaysNow();
    void copiesArePlacedOnlyAfterTheFlush_data();
    void copiesArePlacedOnlyAfterTheFlush();
    void onlyOwnTemporariesOfGoneWritersAreRemoved_data();
    void onlyOwnTemporariesOfGoneWritersAreRemoved();
    void killedCopyLeavesTheOldTargetWhole();
    void killedAtRandomMomentsLeavesNoTornTargetNorDebris_data();
    void killedAtRandomMomentsLeavesNoTornTargetNorDebris();
    void failedCopyRemovesTheFoldersItMade();
    void pathsLongerThanTheSystemLimit();
    void trashRefusedOnAVolumeWithoutTrash();
    void replacedFilesGoToTheTrashWithTheirRestoreInformation();
    void keptReplacementRefusedOnAVolumeWithoutTrash();
    void trashTakesRegularFilesOnly();
    void permanentDeleteTakesRegularFilesOnly();
};

void tst_FileOperations::initTestCase()
{
    QVERIFY(FDir.isValid());
    // GIO reads the data home once; the trash of these tests lives in the temporary folder.
    FTrashHome = FDir.filePath(u"data-home"_s);
    QDir().mkpath(FTrashHome);
    qputenv("XDG_DATA_HOME", QFile::encodeName(FTrashHome));
}

void tst_FileOperations::copyCreatesFoldersAndKeepsTimeAndMode()
{
    TestTree::File(FDir.path(), u"a/src.txt"_s, "payload", 1600000000, 123456789);
    const QString src = FDir.filePath(u"a/src.txt"_s);
    QCOMPARE(::chmod(QFile::encodeName(src).constData(), 0640), 0);
    const QString dst = FDir.filePath(u"b/new/deeper/src.txt"_s);
    qint64 reported = 0;
    const TFileOpResult r = FOps.CopyFile(
        src, dst, [&](qint64 n) { reported = n; }, nullptr);
    QVERIFY2(r.Ok(), qPrintable(r.Message));
    QCOMPARE(Content(dst), QByteArray("payload"));
    QCOMPARE(reported, 7);
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(dst).constData(), &st), 0);
    QCOMPARE(qint64(st.st_mtim.tv_sec), 1600000000);
    QCOMPARE(qint64(st.st_mtim.tv_nsec), 123456789);
    QCOMPARE(int(st.st_mode & 07777), 0640);
    QVERIFY(Leftovers(FDir.path()).isEmpty());
}

void tst_FileOperations::copyReplacesTheOldTargetWhole()
{
    TestTree::File(FDir.path(), u"r/new.txt"_s, "short");
    TestTree::File(FDir.path(), u"r/old.txt"_s, "a much longer old content");
    const QString dst = FDir.filePath(u"r/old.txt"_s);
    QVERIFY(FOps.CopyFile(FDir.filePath(u"r/new.txt"_s), dst, {}, nullptr).Ok());
    QCOMPARE(Content(dst), QByteArray("short"));

    // An empty source makes an empty target.
    TestTree::File(FDir.path(), u"r/empty.txt"_s, "");
    QVERIFY(FOps.CopyFile(FDir.filePath(u"r/empty.txt"_s), dst, {}, nullptr).Ok());
    QCOMPARE(Content(dst), QByteArray());
}

void tst_FileOperations::copyRefusesWhatCannotBeCopied()
{
    TestTree::File(FDir.path(), u"x/file.txt"_s, "keep me");
    TestTree::Dir(FDir.path(), u"x/folder"_s);
    const QString file = FDir.filePath(u"x/file.txt"_s);

    // Onto itself, by the same path and through a hard link: never truncated.
    QCOMPARE(FOps.CopyFile(file, file, {}, nullptr).Kind, TFileOpResult::orFailed);
    const QString hard = FDir.filePath(u"x/hard.txt"_s);
    QCOMPARE(::link(QFile::encodeName(file).constData(), QFile::encodeName(hard).constData()), 0);
    QCOMPARE(FOps.CopyFile(file, hard, {}, nullptr).Kind, TFileOpResult::orFailed);
    QCOMPARE(Content(file), QByteArray("keep me"));

    // Onto a folder.
    const TFileOpResult onFolder = FOps.CopyFile(file, FDir.filePath(u"x/folder"_s), {}, nullptr);
    QCOMPARE(onFolder.Kind, TFileOpResult::orFailed);
    QVERIFY(QFileInfo(FDir.filePath(u"x/folder"_s)).isDir());

    // From a FIFO or a folder: refused without waiting for a writer.
    const QString fifo = FDir.filePath(u"x/fifo"_s);
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QCOMPARE(FOps.CopyFile(fifo, FDir.filePath(u"x/out"_s), {}, nullptr).Kind, TFileOpResult::orFailed);
    QCOMPARE(FOps.CopyFile(FDir.filePath(u"x/folder"_s), FDir.filePath(u"x/out"_s), {}, nullptr).Kind,
             TFileOpResult::orFailed);
    QVERIFY(!QFile::exists(FDir.filePath(u"x/out"_s)));

    // A missing source says so in the system's words.
    const TFileOpResult missing = FOps.CopyFile(FDir.filePath(u"x/none"_s), FDir.filePath(u"x/out"_s), {}, nullptr);
    QCOMPARE(missing.Kind, TFileOpResult::orFailed);
    QVERIFY2(missing.Message.contains(u"No such file"_s), qPrintable(missing.Message));
}

void tst_FileOperations::cancelledOrFailedCopyLeavesTheTarget_data()
{
    QTest::addColumn<bool>("named");
    QTest::newRow("unnamed temporary") << false;
    QTest::newRow("named temporary") << true;
}

void tst_FileOperations::cancelledOrFailedCopyLeavesTheTarget()
{
    QFETCH(bool, named);
    TSystemFileOperations ops;
    ops.SetNamedTemporaries(named);
    TestTree::File(FDir.path(), u"c/src.bin"_s, QByteArray(3 << 20, 's'));
    TestTree::File(FDir.path(), u"c/dst.bin"_s, "old");
    std::atomic<bool> cancel{false};
    const TFileOpResult r = ops.CopyFile(
        FDir.filePath(u"c/src.bin"_s), FDir.filePath(u"c/dst.bin"_s), [&](qint64) { cancel = true; }, &cancel);
    QCOMPARE(r.Kind, TFileOpResult::orCancelled);
    QCOMPARE(Content(FDir.filePath(u"c/dst.bin"_s)), QByteArray("old"));
    QVERIFY(Leftovers(FDir.path()).isEmpty());

    // A folder that cannot be made: a file stands where the folder should be.
    const TFileOpResult blocked =
        ops.CopyFile(FDir.filePath(u"c/src.bin"_s), FDir.filePath(u"c/dst.bin/inside.bin"_s), {}, nullptr);
    QCOMPARE(blocked.Kind, TFileOpResult::orFailed);
    QVERIFY(!blocked.Message.isEmpty());
    QCOMPARE(Content(FDir.filePath(u"c/dst.bin"_s)), QByteArray("old"));
}

void tst_FileOperations::copiesGoWhereThePathSaysNow_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("when"); // before the next batch, between its two files, during its flush
    QTest::newRow("renamed and recreated before the next batch") << u"recreate"_s << u"before"_s;
    QTest::newRow("deleted before the next batch") << u"delete"_s << u"before"_s;
    QTest::newRow("renamed and recreated between two files") << u"recreate"_s << u"between"_s;
    QTest::newRow("deleted between two files") << u"delete"_s << u"between"_s;
    QTest::newRow("renamed and recreated during the flush") << u"recreate"_s << u"flush"_s;
    QTest::newRow("deleted during the flush") << u"delete"_s << u"flush"_s;
}

// A target folder moved away and made anew (or deleted) after a copy opened it: the next
// copies go into the folder the path names now (moved during the flush, they fail and a
// retry does), the moved one is left alone, and the files kept in the trash are those
// that were replaced, under the paths they had.
void tst_FileOperations::copiesGoWhereThePathSaysNow()
{
    QFETCH(QString, change);
    QFETCH(QString, when);
    const QString root = FDir.filePath(u"moved-%1-%2"_s.arg(change, when));
    const QString trash = FTrashHome + u"/Trash"_s;
    for (const QString &n : {u"a"_s, u"b"_s, u"c"_s}) {
        TestTree::File(root, u"src/d/"_s + n, "new " + n.toLatin1());
        TestTree::File(root, u"dst/d/"_s + n, "old " + n.toLatin1());
    }
    TSystemFileOperations ops;
    ops.SetKeepReplaced(true);
    // The first batch opens the folder.
    QVERIFY(ops.CopyFile(root + u"/src/d/a"_s, root + u"/dst/d/a"_s, {}, nullptr).Ok());
    QDir(trash).removeRecursively();
    const auto act = [&] {
        if (change == u"recreate"_s) {
            QVERIFY(QDir().rename(root + u"/dst/d"_s, root + u"/dst/d_moved"_s));
            TestTree::File(root, u"dst/d/b"_s, "older b");
            TestTree::File(root, u"dst/d/c"_s, "older c");
        } else {
            QVERIFY(QDir(root + u"/dst/d"_s).removeRecursively());
        }
    };
    if (when == u"before"_s)
        act();
    QVERIFY(ops.StageCopy(root + u"/src/d/b"_s, root + u"/dst/d/b"_s, {}, nullptr).Ok());
    if (when == u"between"_s)
        act();
    QVERIFY(ops.StageCopy(root + u"/src/d/c"_s, root + u"/dst/d/c"_s, {}, nullptr).Ok());
    bool acted = false;
    ops.SetStepHook([&](const QString &step) {
        if (when == u"flush"_s && step == u"flush"_s && !std::exchange(acted, true))
            act();
    });
    const QList<TFileOperations::TStagedFailure> failures = ops.FinishCopies();
    ops.SetStepHook({});
    if (when == u"flush"_s) {
        QCOMPARE(failures.size(), 2);
        for (const TFileOperations::TStagedFailure &failure : failures) {
            QVERIFY2(failure.Result.Message.contains(u"moved"_s), qPrintable(failure.Result.Message));
            const QString source = root + u"/src/d/"_s + QFileInfo(failure.Target).fileName();
            QVERIFY(ops.CopyFile(source, failure.Target, {}, nullptr).Ok());
        }
    } else {
        QVERIFY2(failures.isEmpty(), qPrintable(failures.value(0).Result.Message));
    }

    QCOMPARE(Content(root + u"/dst/d/b"_s), QByteArray("new b"));
    QCOMPARE(Content(root + u"/dst/d/c"_s), QByteArray("new c"));
    QHash<QString, QByteArray> kept;
    const QHash<QString, TTrashInfo> entries = TrashEntries(trash);
    for (auto it = entries.cbegin(); it != entries.cend(); ++it)
        kept.insert(it->Path, Content(trash + u"/files/"_s + it.key()));
    if (change == u"recreate"_s) {
        QCOMPARE(Content(root + u"/dst/d_moved/a"_s), QByteArray("new a"));
        QCOMPARE(Content(root + u"/dst/d_moved/b"_s), QByteArray("old b"));
        QCOMPARE(Content(root + u"/dst/d_moved/c"_s), QByteArray("old c"));
        QCOMPARE(kept,
                 (QHash<QString, QByteArray>{{root + u"/dst/d/b"_s, "older b"}, {root + u"/dst/d/c"_s, "older c"}}));
    } else {
        QVERIFY(kept.isEmpty());
    }
    QVERIFY(PendingEntries(trash).isEmpty());
    QVERIFY(Leftovers(root).isEmpty());
    // Nothing opened for the batch outlives it.
    ops.EndBatch();
    QCOMPARE(OpenFolders(root), QStringList());
}

void tst_FileOperations::copiesArePlacedOnlyAfterTheFlush_data()
{
    QTest::addColumn<int>("files");
    QTest::addColumn<bool>("named");
    QTest::newRow("one file") << 1 << false;
    QTest::newRow("a group") << 4 << false;
    QTest::newRow("a group, named temporaries") << 4 << true;
}

// No name points at a copy, and no replaced file is renamed over, before the new content
// and the trash's restore information are on the disk.
void tst_FileOperations::copiesArePlacedOnlyAfterTheFlush()
{
    QFETCH(int, files);
    QFETCH(bool, named);
    const QString root = FDir.filePath(u"order-%1-%2"_s.arg(files).arg(named));
    TSystemFileOperations ops;
    ops.SetKeepReplaced(true);
    ops.SetNamedTemporaries(named);
    QStringList log;
    ops.SetStepHook([&](const QString &step) { log << step; });
    QStringList targets;
    for (int i = 0; i < files; ++i) {
        TestTree::File(root, u"src/%1"_s.arg(i), "new");
        TestTree::File(root, u"dst/%1"_s.arg(i), "old");
        targets << root + u"/dst/%1"_s.arg(i);
        QVERIFY(ops.StageCopy(root + u"/src/%1"_s.arg(i), targets.last(), {}, nullptr).Ok());
    }
    QVERIFY(log.isEmpty());
    QVERIFY(ops.FinishCopies().isEmpty());
    for (const QString &target : targets) {
        QCOMPARE(Content(target), QByteArray("new"));
        const qsizetype trashed = log.indexOf(u"trash "_s + target);
        const qsizetype placed = log.indexOf(u"place "_s + target);
        const qsizetype flush = log.indexOf(u"flush"_s, trashed);
        QVERIFY2(trashed >= 0 && flush > trashed && placed > flush, qPrintable(log.join(u", "_s)));
    }
}

void tst_FileOperations::onlyOwnTemporariesOfGoneWritersAreRemoved_data()
{
    QTest::addColumn<bool>("unmarked");
    QTest::newRow("a file system with extended attributes") << false;
    QTest::newRow("one without (ramfs): names only") << true;
}

// Only temporaries this program made, whose writer is gone, are ever removed: a user's
// files that look like them stay, and so does the temporary of a copy still running.
void tst_FileOperations::onlyOwnTemporariesOfGoneWritersAreRemoved()
{
    QFETCH(bool, unmarked);
    const QString root = FDir.filePath(unmarked ? u"own-ramfs"_s : u"own"_s);
    QString dst = root + u"/dst"_s;
    QVERIFY(QDir().mkpath(dst));
    const auto unmount = qScopeGuard([&] {
        if (unmarked)
            ::umount2(QFile::encodeName(dst).constData(), MNT_DETACH);
    });
    if (unmarked && ::mount("ramfs", QFile::encodeName(dst).constData(), "ramfs", 0, nullptr) != 0)
        QSKIP(qPrintable(u"cannot mount a ramfs here: "_s + QString::fromLocal8Bit(std::strerror(errno))));
    TestTree::File(root, u"src/big.bin"_s, "big");
    TestTree::File(root, u"src/small.txt"_s, "small");
    const auto sorted = [](QStringList list) {
        std::sort(list.begin(), list.end());
        return list;
    };

    // A copy at work in another process, with a named temporary in the folder.
    QProcess child;
    child.start(QStringLiteral(FM_COPY_CHILD),
                {u"--named"_s, u"--wait"_s, root + u"/src/big.bin"_s, dst + u"/big.bin"_s});
    QVERIFY(child.waitForStarted());
    const auto stop = qScopeGuard([&] {
        child.kill();
        child.waitForFinished();
    });
    QByteArray said;
    while (!said.contains("staged") && child.waitForReadyRead(10000))
        said += child.readAllStandardOutput();
    QVERIFY2(said.contains("staged"), said.constData());
    const QStringList working = Leftovers(dst);
    QCOMPARE(working.size(), 1);
    // Its writer part (process, start, machine and boot), under another process id.
    const QString mark = u".foldermate-"_s;
    const QStringList stamp = working.first().mid(working.first().lastIndexOf(mark) + mark.size()).split(u'-');
    QCOMPARE(stamp.size(), 4);
    const auto writtenBy = [&](const QString &pid) {
        QStringList s = stamp;
        s[0] = pid;
        s[3] = u"000000000001"_s;
        return s.join(u'-');
    };
    const QString noProcess = QString::number(Content(u"/proc/sys/kernel/pid_max"_s).trimmed().toLongLong() + 1);

    // The user's files that look like temporaries, old ones: other forms, and (where the
    // file system keeps marks) the exact form of a writer that cannot be running, but
    // without the mark.
    QStringList users;
    QStringList names{u".plan.foldermate-99999-x"_s, u".notes.foldermate-backup"_s, u".old.bin.foldermate-k3j2h1"_s};
    if (!unmarked)
        names << u".bare"_s + mark + writtenBy(noProcess);
    for (const QString &name : names) {
        TestTree::File(dst, name, "the user's", QDateTime::currentSecsSinceEpoch() - 7200);
        users << dst + u'/' + name;
    }
    TSystemFileOperations ops;
    QVERIFY(ops.CopyFile(root + u"/src/small.txt"_s, dst + u"/small.txt"_s, {}, nullptr).Ok());
    QCOMPARE(sorted(Leftovers(dst)), sorted(users + working));

    // Killed, the writer is gone: its temporary goes with the next batch's first copy,
    // as does one whose process id runs again (this test's), started at another moment;
    // the user's files stay.
    ::kill(pid_t(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished());
    const QByteArray reused = writtenBy(QString::number(QCoreApplication::applicationPid())).toLatin1();
    TestTree::File(dst, u".reused"_s + mark + QString::fromLatin1(reused), "debris");
    const QByteArray reusedPath = QFile::encodeName(dst + u"/.reused"_s + mark) + reused;
    const int marked =
        ::setxattr(reusedPath.constData(), "user.foldermate.temporary", reused.constData(), size_t(reused.size()), 0);
    QVERIFY(marked == 0 || (unmarked && errno == EOPNOTSUPP));
    ops.EndBatch();
    QVERIFY(ops.CopyFile(root + u"/src/small.txt"_s, dst + u"/small.txt"_s, {}, nullptr).Ok());
    QCOMPARE(sorted(Leftovers(dst)), sorted(users));
}

void tst_FileOperations::killedCopyLeavesTheOldTargetWhole()
{
    const QByteArray old(5 << 20, 'o');
    TestTree::File(FDir.path(), u"k/big.bin"_s, QByteArray(40 << 20, 'n'));
    TestTree::File(FDir.path(), u"k/target.bin"_s, old);
    QProcess child;
    child.start(QStringLiteral(FM_COPY_CHILD),
                {u"--slow"_s, FDir.filePath(u"k/big.bin"_s), FDir.filePath(u"k/target.bin"_s)});
    QVERIFY(child.waitForStarted());
    // Wait until a few chunks are written, then kill it without a chance to clean up.
    QByteArray said;
    while (said.count('\n') < 3 && child.waitForReadyRead(10000))
        said += child.readAllStandardOutput();
    QVERIFY2(said.count('\n') >= 3, said.constData());
    ::kill(pid_t(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished());
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    QCOMPARE(Content(FDir.filePath(u"k/target.bin"_s)), old);
}

void tst_FileOperations::killedAtRandomMomentsLeavesNoTornTargetNorDebris_data()
{
    QTest::addColumn<bool>("named");
    QTest::addColumn<bool>("keep");
    QTest::newRow("unnamed temporaries") << false << false;
    QTest::newRow("named temporaries") << true << false;
    QTest::newRow("replaced files kept in the trash") << false << true;
    QTest::newRow("named, replaced files kept") << true << true;
}

// A group of copies, some over old targets, some new, killed at random moments: each
// target is its old content or its new content, whole, and once a copy went into the
// folder again no temporary file is left. Where replaced files are kept, an old content
// that is no longer in its place is in the trash, with restore information naming it;
// every restore information reads whole at any moment; and once a run of the copies
// that are still to do has settled what the killed one left, the trash holds one entry
// for each replaced file and nothing else.
void tst_FileOperations::killedAtRandomMomentsLeavesNoTornTargetNorDebris()
{
    QFETCH(bool, named);
    QFETCH(bool, keep);
    const QString root = FDir.filePath((named ? u"kn"_s : u"ku"_s) + (keep ? u"k"_s : u""_s));
    const QString trash = FTrashHome + u"/Trash"_s;
    int lost = 0;
    const QByteArray fresh(3 << 20, 'n');
    const QByteArray old(1 << 20, 'o');
    int torn = 0;
    int unreadable = 0;
    for (int round = 0; round < 25; ++round) {
        QStringList args;
        if (named)
            args << u"--named"_s;
        if (keep)
            args << u"--keep"_s;
        QDir(trash).removeRecursively();
        for (int i = 0; i < 6; ++i) {
            const QString name = u"f%1.bin"_s.arg(i);
            TestTree::File(root, u"src/"_s + name, fresh);
            if (i % 2 == 0)
                TestTree::File(root, u"dst/"_s + name, old);
            else
                QFile::remove(root + u"/dst/"_s + name);
            args << root + u"/src/"_s + name << root + u"/dst/"_s + name;
        }
        QProcess child;
        child.start(QStringLiteral(FM_COPY_CHILD), args);
        QVERIFY(child.waitForStarted());
        QThread::usleep(QRandomGenerator::global()->bounded(60000));
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished());
        for (int i = 0; i < 6; ++i) {
            const QByteArray now = Content(root + u"/dst/f%1.bin"_s.arg(i));
            const bool whole = now == fresh || (i % 2 == 0 ? now == old : now == "<missing>");
            torn += whole ? 0 : 1;
            if (keep && i % 2 == 0 && now == fresh) {
                const QString target = root + u"/dst/f%1.bin"_s.arg(i);
                const QHash<QString, TTrashInfo> entries = TrashEntries(trash);
                bool kept = false;
                for (auto it = entries.cbegin(); it != entries.cend(); ++it)
                    kept = kept || (it->Path == target && Content(trash + u"/files/"_s + it.key()) == old);
                lost += kept ? 0 : 1;
            }
        }
        if (!keep)
            continue;
        unreadable += UnreadableInfo(trash).size();
        // The run again, of what is not copied yet, as after a new scan.
        TSystemFileOperations again;
        again.SetKeepReplaced(true);
        for (int i = 0; i < 6; ++i) {
            const QString target = root + u"/dst/f%1.bin"_s.arg(i);
            if (Content(target) != fresh)
                QVERIFY(again.StageCopy(root + u"/src/f%1.bin"_s.arg(i), target, {}, nullptr).Ok());
        }
        QVERIFY(again.FinishCopies().isEmpty());
        TTrashCan::Settle(QFile::encodeName(trash), {});
        QVERIFY(PendingEntries(trash).isEmpty());
        QStringList kept; // "f0.bin old", as the restore information has it
        const QHash<QString, TTrashInfo> entries = TrashEntries(trash);
        for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
            const QByteArray c = Content(trash + u"/files/"_s + it.key());
            kept << QFileInfo(it->Path).fileName() + (c == old ? u" old"_s : c == fresh ? u" new"_s : u" other"_s);
        }
        std::sort(kept.begin(), kept.end());
        QCOMPARE(QDir(trash + u"/files"_s).entryList(QDir::Files | QDir::Hidden).size(), kept.size());
        QCOMPARE(kept, (QStringList{u"f0.bin old"_s, u"f2.bin old"_s, u"f4.bin old"_s}));
        for (const TTrashInfo &info : entries)
            QVERIFY(info.Path.startsWith(root + u"/dst/"_s));
    }
    QCOMPARE(torn, 0);
    QCOMPARE(lost, 0);
    QCOMPARE(unreadable, 0);
    // The next copy into the folder clears what killed writers left.
    TestTree::File(root, u"src/last.bin"_s, "last");
    TSystemFileOperations ops;
    QVERIFY(ops.CopyFile(root + u"/src/last.bin"_s, root + u"/dst/last.bin"_s, {}, nullptr).Ok());
    QCOMPARE(Leftovers(root), QStringList());
}

void tst_FileOperations::failedCopyRemovesTheFoldersItMade()
{
    TestTree::File(FDir.path(), u"fm/src.bin"_s, QByteArray(1 << 20, 's'));
    std::atomic<bool> cancel{false};
    const TFileOpResult r = FOps.CopyFile(
        FDir.filePath(u"fm/src.bin"_s), FDir.filePath(u"fm/new/deeper/t.bin"_s), [&](qint64) { cancel = true; },
        &cancel);
    QCOMPARE(r.Kind, TFileOpResult::orCancelled);
    QVERIFY(!QFileInfo::exists(FDir.filePath(u"fm/new"_s)));

    // A group: the folder of the copy that arrived stays, the other goes.
    TestTree::File(FDir.path(), u"fm/a.txt"_s, "a");
    QVERIFY(FOps.StageCopy(FDir.filePath(u"fm/a.txt"_s), FDir.filePath(u"fm/g1/a.txt"_s), {}, nullptr).Ok());
    QVERIFY(!FOps.StageCopy(FDir.filePath(u"fm/none"_s), FDir.filePath(u"fm/g2/none"_s), {}, nullptr).Ok());
    QVERIFY(!QFile::exists(FDir.filePath(u"fm/g1/a.txt"_s))); // not in place before the group ends
    QVERIFY(FOps.FinishCopies().isEmpty());
    QCOMPARE(Content(FDir.filePath(u"fm/g1/a.txt"_s)), QByteArray("a"));
    QVERIFY(!QFileInfo::exists(FDir.filePath(u"fm/g2"_s)));
}

// Rows the scan lists under paths longer than PATH_MAX: copied, trashed or deleted,
// or refused with a message, never a crash nor a silent success.
void tst_FileOperations::pathsLongerThanTheSystemLimit()
{
    QString relative;
    while (relative.size() < 4300)
        relative += QString(200, u'd') + u'/';
    const QString deep = FDir.filePath(u"long/"_s) + relative;
    TestTree::File(FDir.path(), u"long/plain.txt"_s, "long way");
    const QString target = deep + u"copy.txt"_s;
    QVERIFY(QFile::encodeName(target).size() > PATH_MAX);
    const TFileOpResult copied = FOps.CopyFile(FDir.filePath(u"long/plain.txt"_s), target, {}, nullptr);
    QVERIFY2(copied.Ok(), qPrintable(copied.Message));
    // Back out of the deep folder, as a source this time.
    const TFileOpResult back = FOps.CopyFile(target, FDir.filePath(u"long/back.txt"_s), {}, nullptr);
    QVERIFY2(back.Ok(), qPrintable(back.Message));
    QCOMPARE(Content(FDir.filePath(u"long/back.txt"_s)), QByteArray("long way"));

    // The trash could not give such a path back: refused, for the user to decide, also
    // for a file that a copy replaces.
    const TFileOpResult trashed = FOps.MoveToTrash(target);
    QCOMPARE(trashed.Kind, TFileOpResult::orTrashRefused);
    QVERIFY(!trashed.Message.isEmpty());
    TSystemFileOperations keeping;
    keeping.SetKeepReplaced(true);
    const qsizetype trashBefore = TrashEntries(FTrashHome + u"/Trash"_s).size();
    TestTree::File(FDir.path(), u"long/other.txt"_s, "other");
    QCOMPARE(keeping.CopyFile(FDir.filePath(u"long/other.txt"_s), target, {}, nullptr).Kind,
             TFileOpResult::orTrashRefused);
    QVERIFY(FOps.CopyFile(target, FDir.filePath(u"long/back.txt"_s), {}, nullptr).Ok());
    QCOMPARE(Content(FDir.filePath(u"long/back.txt"_s)), QByteArray("long way"));
    QCOMPARE(TrashEntries(FTrashHome + u"/Trash"_s).size(), trashBefore);
    QVERIFY(FOps.DeletePermanently(target).Ok());
    QCOMPARE(FOps.DeletePermanently(target).Kind, TFileOpResult::orFailed);
    // The temporary folder's own removal cannot reach that deep.
    QCOMPARE(QProcess::execute(u"rm"_s, {u"-rf"_s, FDir.filePath(u"long"_s)}), 0);
}

// A volume without a usable trash: the real GIO refuses, the file stays and no trash
// gains anything.
void tst_FileOperations::trashRefusedOnAVolumeWithoutTrash()
{
    const QString mount = FDir.filePath(u"tmpfs"_s);
    QVERIFY(QDir().mkpath(mount));
    if (::mount("tmpfs", QFile::encodeName(mount).constData(), "tmpfs", 0, "size=1m") != 0)
        QSKIP(qPrintable(u"cannot mount a tmpfs here: "_s + QString::fromLocal8Bit(std::strerror(errno))));
    const auto unmount = qScopeGuard([&] { ::umount2(QFile::encodeName(mount).constData(), MNT_DETACH); });
    TestTree::File(mount, u"keep.txt"_s, "stays");
    const QStringList trashBefore =
        QDir(FTrashHome + u"/Trash/files"_s).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);

    const TFileOpResult r = FOps.MoveToTrash(mount + u"/keep.txt"_s);
    QCOMPARE(r.Kind, TFileOpResult::orTrashRefused);
    QCOMPARE(Content(mount + u"/keep.txt"_s), QByteArray("stays"));
    QCOMPARE(QDir(mount).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden), QStringList{u"keep.txt"_s});
    QCOMPARE(QDir(FTrashHome + u"/Trash/files"_s).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), trashBefore);
}

// A replaced file goes to the trash under its own name, with the path it had and the
// time it was replaced, and can be restored from there; new files and copies with the
// setting off leave the trash alone.
void tst_FileOperations::replacedFilesGoToTheTrashWithTheirRestoreInformation()
{
    const QString trash = FTrashHome + u"/Trash"_s;
    QDir(trash).removeRecursively();
    TSystemFileOperations ops;
    ops.SetKeepReplaced(true);
    const QString name = u"a b %é.txt"_s;
    const QString target = FDir.filePath(u"tr/dst/"_s + name);
    TestTree::File(FDir.path(), u"tr/dst/"_s + name, "first");
    TestTree::File(FDir.path(), u"tr/src/v2.txt"_s, "second");
    TestTree::File(FDir.path(), u"tr/src/v3.txt"_s, "third");
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);

    QVERIFY(ops.CopyFile(FDir.filePath(u"tr/src/v2.txt"_s), target, {}, nullptr).Ok());
    QVERIFY(ops.CopyFile(FDir.filePath(u"tr/src/v3.txt"_s), target, {}, nullptr).Ok());
    QCOMPARE(Content(target), QByteArray("third"));
    const QHash<QString, TTrashInfo> entries = TrashEntries(trash);
    QCOMPARE(QStringList(entries.keyBegin(), entries.keyEnd()).size(), 2);
    // Both earlier versions, the second under a name of its own.
    QVERIFY(entries.contains(name));
    QVERIFY(entries.contains(name + u".2"_s));
    QCOMPARE(Content(trash + u"/files/"_s + name), QByteArray("first"));
    QCOMPARE(Content(trash + u"/files/"_s + name + u".2"_s), QByteArray("second"));
    for (const TTrashInfo &info : entries) {
        QCOMPARE(info.Path, target);
        QVERIFY2(info.Deleted >= before && info.Deleted <= QDateTime::currentDateTime(),
                 qPrintable(info.Deleted.toString(Qt::ISODate)));
    }
    QCOMPARE(QDir(trash + u"/files"_s).count(), entries.size() + 2);

    // A group, flushed together: the replaced one goes to the trash, the new one has
    // nothing to keep.
    TestTree::File(FDir.path(), u"tr/dst/g1.txt"_s, "old g1");
    for (const QString &n : {u"g1.txt"_s, u"g2.txt"_s, u"g3.txt"_s})
        TestTree::File(FDir.path(), u"tr/src/"_s + n, "new " + n.toLatin1());
    for (const QString &n : {u"g1.txt"_s, u"g2.txt"_s, u"g3.txt"_s})
        QVERIFY(ops.StageCopy(FDir.filePath(u"tr/src/"_s + n), FDir.filePath(u"tr/dst/"_s + n), {}, nullptr).Ok());
    QVERIFY(ops.FinishCopies().isEmpty());
    QCOMPARE(Content(FDir.filePath(u"tr/dst/g1.txt"_s)), QByteArray("new g1.txt"));
    QCOMPARE(Content(trash + u"/files/g1.txt"_s), QByteArray("old g1"));
    QCOMPARE(TrashEntries(trash).value(u"g1.txt"_s).Path, FDir.filePath(u"tr/dst/g1.txt"_s));
    QCOMPARE(TrashEntries(trash).size(), 3);

    // Off: replaced without a trace.
    ops.SetKeepReplaced(false);
    QVERIFY(ops.CopyFile(FDir.filePath(u"tr/src/v2.txt"_s), target, {}, nullptr).Ok());
    QCOMPARE(Content(target), QByteArray("second"));
    QCOMPARE(TrashEntries(trash).size(), 3);
    QVERIFY(Leftovers(FDir.filePath(u"tr"_s)).isEmpty());
}

// Where the volume has no trash, a copy that is to keep the file it replaces replaces
// nothing and says why; without keeping, it replaces.
void tst_FileOperations::keptReplacementRefusedOnAVolumeWithoutTrash()
{
    const QString mount = FDir.filePath(u"tmpfs-keep"_s);
    QVERIFY(QDir().mkpath(mount));
    if (::mount("tmpfs", QFile::encodeName(mount).constData(), "tmpfs", 0, "size=1m") != 0)
        QSKIP(qPrintable(u"cannot mount a tmpfs here: "_s + QString::fromLocal8Bit(std::strerror(errno))));
    const auto unmount = qScopeGuard([&] { ::umount2(QFile::encodeName(mount).constData(), MNT_DETACH); });
    TestTree::File(mount, u"old.txt"_s, "stays");
    TestTree::File(mount, u"new.txt"_s, "new");
    const qsizetype trashBefore = TrashEntries(FTrashHome + u"/Trash"_s).size();

    TSystemFileOperations ops;
    ops.SetKeepReplaced(true);
    const TFileOpResult r = ops.CopyFile(mount + u"/new.txt"_s, mount + u"/old.txt"_s, {}, nullptr);
    QCOMPARE(r.Kind, TFileOpResult::orTrashRefused);
    QVERIFY(r.Message.contains(u"old.txt"_s));
    QCOMPARE(Content(mount + u"/old.txt"_s), QByteArray("stays"));
    QCOMPARE(QDir(mount).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
             (QStringList{u"new.txt"_s, u"old.txt"_s}));
    QCOMPARE(TrashEntries(FTrashHome + u"/Trash"_s).size(), trashBefore);
    // A new file there needs no trash.
    QVERIFY(ops.CopyFile(mount + u"/new.txt"_s, mount + u"/fresh.txt"_s, {}, nullptr).Ok());

    ops.SetKeepReplaced(false);
    QVERIFY(ops.CopyFile(mount + u"/new.txt"_s, mount + u"/old.txt"_s, {}, nullptr).Ok());
    QCOMPARE(Content(mount + u"/old.txt"_s), QByteArray("new"));
}

void tst_FileOperations::trashTakesRegularFilesOnly()
{
    TestTree::File(FDir.path(), u"t/gone.txt"_s, "to the trash");
    TestTree::Dir(FDir.path(), u"t/folder"_s);
    const TFileOpResult r = FOps.MoveToTrash(FDir.filePath(u"t/gone.txt"_s));
    QVERIFY2(r.Ok(), qPrintable(r.Message));
    QVERIFY(!QFile::exists(FDir.filePath(u"t/gone.txt"_s)));
    QCOMPARE(Content(FTrashHome + u"/Trash/files/gone.txt"_s), QByteArray("to the trash"));
    QVERIFY(QFile::exists(FTrashHome + u"/Trash/info/gone.txt.trashinfo"_s));

    QCOMPARE(FOps.MoveToTrash(FDir.filePath(u"t/folder"_s)).Kind, TFileOpResult::orFailed);
    QVERIFY(QFileInfo(FDir.filePath(u"t/folder"_s)).isDir());
    QCOMPARE(FOps.MoveToTrash(FDir.filePath(u"t/missing"_s)).Kind, TFileOpResult::orFailed);
}

void tst_FileOperations::permanentDeleteTakesRegularFilesOnly()
{
    TestTree::File(FDir.path(), u"p/gone.txt"_s, "x");
    TestTree::Dir(FDir.path(), u"p/folder"_s);
    QVERIFY(FOps.DeletePermanently(FDir.filePath(u"p/gone.txt"_s)).Ok());
    QVERIFY(!QFile::exists(FDir.filePath(u"p/gone.txt"_s)));
    QCOMPARE(FOps.DeletePermanently(FDir.filePath(u"p/folder"_s)).Kind, TFileOpResult::orFailed);
    QVERIFY(QFileInfo(FDir.filePath(u"p/folder"_s)).isDir());
}

QTEST_GUILESS_MAIN(tst_FileOperations)
#include "tst_fileoperations.moc"
