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

#include <cerrno>
#include <climits>
#include <cstring>
#include <signal.h>
#include <sys/stat.h>

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
    void cancelledOrFailedCopyLeavesTheTarget();
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
    // Each failure names its reason by code, for the dialogs to word in the user's language.
    QCOMPARE(onFolder.Reason, TFileOpResult::rsFolderInTheWay);
    QCOMPARE(onFolder.Path, FDir.filePath(u"x/folder"_s));
    QVERIFY(QFileInfo(FDir.filePath(u"x/folder"_s)).isDir());

    // From a FIFO or a folder: refused without waiting for a writer.
    const QString fifo = FDir.filePath(u"x/fifo"_s);
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QCOMPARE(FOps.CopyFile(fifo, FDir.filePath(u"x/out"_s), {}, nullptr).Reason, TFileOpResult::rsNotRegularFile);
    QCOMPARE(FOps.CopyFile(FDir.filePath(u"x/folder"_s), FDir.filePath(u"x/out"_s), {}, nullptr).Kind,
             TFileOpResult::orFailed);
    QVERIFY(!QFile::exists(FDir.filePath(u"x/out"_s)));

    // A missing source says so in the system's words.
    const TFileOpResult missing = FOps.CopyFile(FDir.filePath(u"x/none"_s), FDir.filePath(u"x/out"_s), {}, nullptr);
    QCOMPARE(missing.Kind, TFileOpResult::orFailed);
    QVERIFY2(missing.Message.contains(u"No such file"_s), qPrintable(missing.Message));
    QCOMPARE(missing.Reason, TFileOpResult::rsSystem);
    QCOMPARE(missing.Error, ENOENT);
}

void tst_FileOperations::cancelledOrFailedCopyLeavesTheTarget()
{
    TestTree::File(FDir.path(), u"c/src.bin"_s, QByteArray(3 << 20, 's'));
    TestTree::File(FDir.path(), u"c/dst.bin"_s, "old");
    std::atomic<bool> cancel{false};
    const TFileOpResult r = FOps.CopyFile(
        FDir.filePath(u"c/src.bin"_s), FDir.filePath(u"c/dst.bin"_s), [&](qint64) { cancel = true; }, &cancel);
    QCOMPARE(r.Kind, TFileOpResult::orCancelled);
    QCOMPARE(Content(FDir.filePath(u"c/dst.bin"_s)), QByteArray("old"));
    QVERIFY(Leftovers(FDir.path()).isEmpty());

    // A folder that cannot be made: a file stands where the folder should be.
    const TFileOpResult blocked =
        FOps.CopyFile(FDir.filePath(u"c/src.bin"_s), FDir.filePath(u"c/dst.bin/inside.bin"_s), {}, nullptr);
    QCOMPARE(blocked.Kind, TFileOpResult::orFailed);
    QVERIFY(!blocked.Message.isEmpty());
    QCOMPARE(blocked.Reason, TFileOpResult::rsFolderNotCreated);
    QVERIFY(blocked.Error != 0);
    QCOMPARE(Content(FDir.filePath(u"c/dst.bin"_s)), QByteArray("old"));
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
// that is no longer in its place is in the trash, with restore information naming it.
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
    }
    QCOMPARE(torn, 0);
    QCOMPARE(lost, 0);
    // The next copy into the folder clears what killed writers left, also an hour-old
    // one of a version that did not mark the writer; a fresh one may still be written.
    TestTree::File(root, u"dst/.old.bin.foldermate-k3j2h1"_s, "debris", QDateTime::currentSecsSinceEpoch() - 7200);
    TestTree::File(root, u"dst/.new.bin.foldermate-a1b2c3"_s, "in use", QDateTime::currentSecsSinceEpoch());
    TestTree::File(root, u"src/last.bin"_s, "last");
    TSystemFileOperations ops;
    QVERIFY(ops.CopyFile(root + u"/src/last.bin"_s, root + u"/dst/last.bin"_s, {}, nullptr).Ok());
    QCOMPARE(Leftovers(root), QStringList{root + u"/dst/.new.bin.foldermate-a1b2c3"_s});
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

    const TFileOpResult trashed = FOps.MoveToTrash(target);
    QCOMPARE(trashed.Kind, TFileOpResult::orFailed);
    QVERIFY(!trashed.Message.isEmpty());
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
