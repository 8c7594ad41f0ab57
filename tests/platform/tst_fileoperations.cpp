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
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/mount.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// A copy that keeps the file it replaces in the trash.
const TCopyOptions Keep{.KeepReplaced = true};

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

QByteArray Attribute(const QString &path, const char *name)
{
    char value[256];
    const ssize_t n = ::getxattr(QFile::encodeName(path).constData(), name, value, sizeof value);
    return n < 0 ? QByteArray("<none>") : QByteArray(value, n);
}

// An access ACL: owner rw, user 1234 r, group r, mask r, others nothing (mode 0640).
QByteArray Acl()
{
    QByteArray acl;
    const auto add32 = [&](quint32 v) { acl.append(reinterpret_cast<const char *>(&v), 4); };
    const auto entry = [&](quint16 tag, quint16 perm, quint32 id) {
        acl.append(reinterpret_cast<const char *>(&tag), 2);
        acl.append(reinterpret_cast<const char *>(&perm), 2);
        add32(id);
    };
    add32(2);
    entry(0x01, 6, ~0u);
    entry(0x02, 4, 1234);
    entry(0x04, 4, ~0u);
    entry(0x10, 4, ~0u);
    entry(0x20, 0, ~0u);
    return acl;
}

// A FAT volume through its FUSE driver: it refuses owners, permissions and extended
// attributes, keeps even seconds, folds case and refuses some characters in names.
class TFatVolume
{
public:
    explicit TFatVolume(const QString &dir)
        : FMount(dir + u"/fat"_s)
    {
        const QString image = dir + u"/fat.img"_s;
        QFile file(image);
        if (!QDir().mkpath(FMount) || !file.open(QIODevice::WriteOnly) || !file.resize(32 << 20))
            return;
        file.close();
        FMounted = Run(u"mkfs.vfat"_s, {image}) && Run(u"fusefat"_s, {u"-o"_s, u"rw+"_s, image, FMount});
    }
    ~TFatVolume()
    {
        if (FMounted)
            ::umount2(QFile::encodeName(FMount).constData(), MNT_DETACH);
    }
    bool Mounted() const { return FMounted; }
    QString Path(const QString &name) const { return FMount + u'/' + name; }

private:
    static bool Run(const QString &program, const QStringList &args)
    {
        const QString found = QStandardPaths::findExecutable(program, {u"/usr/sbin"_s, u"/sbin"_s, u"/usr/bin"_s});
        if (found.isEmpty())
            return false;
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        p.setStandardErrorFile(QProcess::nullDevice());
        p.start(found, args);
        return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }
    QString FMount;
    bool FMounted = false;
};

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
    void sparseFilesStaySparse();
    void ownerAclsAndAttributesTravelWithTheCopy();
    void setIdBitsStayWithTheirOwnerOnly();
    void aVolumeThatRefusesMetadataStillGetsTheFile();
    void namesAVolumeFoldsOrCannotHold();
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
        src, dst, {}, [&](qint64 n) { reported = n; }, nullptr);
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
    QVERIFY(FOps.CopyFile(FDir.filePath(u"r/new.txt"_s), dst, {}, {}, nullptr).Ok());
    QCOMPARE(Content(dst), QByteArray("short"));

    // An empty source makes an empty target.
    TestTree::File(FDir.path(), u"r/empty.txt"_s, "");
    QVERIFY(FOps.CopyFile(FDir.filePath(u"r/empty.txt"_s), dst, {}, {}, nullptr).Ok());
    QCOMPARE(Content(dst), QByteArray());
}

void tst_FileOperations::copyRefusesWhatCannotBeCopied()
{
    TestTree::File(FDir.path(), u"x/file.txt"_s, "keep me");
    TestTree::Dir(FDir.path(), u"x/folder"_s);
    const QString file = FDir.filePath(u"x/file.txt"_s);

    // Onto itself, by the same path and through a hard link: never truncated.
    QCOMPARE(FOps.CopyFile(file, file, {}, {}, nullptr).Kind, TFileOpResult::orFailed);
    const QString hard = FDir.filePath(u"x/hard.txt"_s);
    QCOMPARE(::link(QFile::encodeName(file).constData(), QFile::encodeName(hard).constData()), 0);
    QCOMPARE(FOps.CopyFile(file, hard, {}, {}, nullptr).Kind, TFileOpResult::orFailed);
    QCOMPARE(Content(file), QByteArray("keep me"));

    // Onto a folder.
    const TFileOpResult onFolder = FOps.CopyFile(file, FDir.filePath(u"x/folder"_s), {}, {}, nullptr);
    QCOMPARE(onFolder.Kind, TFileOpResult::orFailed);
    // Each failure names its reason by code, for the dialogs to word in the user's language.
    QCOMPARE(onFolder.Reason, TFileOpResult::rsFolderInTheWay);
    QCOMPARE(onFolder.Path, FDir.filePath(u"x/folder"_s));
    QVERIFY(QFileInfo(FDir.filePath(u"x/folder"_s)).isDir());

    // From a FIFO or a folder: refused without waiting for a writer.
    const QString fifo = FDir.filePath(u"x/fifo"_s);
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QCOMPARE(FOps.CopyFile(fifo, FDir.filePath(u"x/out"_s), {}, {}, nullptr).Reason, TFileOpResult::rsNotRegularFile);
    QCOMPARE(FOps.CopyFile(FDir.filePath(u"x/folder"_s), FDir.filePath(u"x/out"_s), {}, {}, nullptr).Kind,
             TFileOpResult::orFailed);
    QVERIFY(!QFile::exists(FDir.filePath(u"x/out"_s)));

    // Onto a FIFO, a link to one, or (where this may make one) a null device: each stays.
    const QString link = FDir.filePath(u"x/fifo-link"_s);
    QVERIFY(QFile::link(fifo, link));
    QStringList special{fifo, link};
    const QString null = FDir.filePath(u"x/null"_s);
    if (::mknod(QFile::encodeName(null).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        special << null;
    for (const QString &target : special) {
        QCOMPARE(FOps.CopyFile(file, target, Keep, {}, nullptr).Reason, TFileOpResult::rsNotRegularFile);
        struct stat st;
        QCOMPARE(::lstat(QFile::encodeName(target).constData(), &st), 0);
        QVERIFY2(!S_ISREG(st.st_mode), qPrintable(target));
    }
    QVERIFY(QFileInfo(link).isSymLink());

    // A missing source says so in the system's words.
    const TFileOpResult missing = FOps.CopyFile(FDir.filePath(u"x/none"_s), FDir.filePath(u"x/out"_s), {}, {}, nullptr);
    QCOMPARE(missing.Kind, TFileOpResult::orFailed);
    QVERIFY2(missing.Message.contains(u"No such file"_s), qPrintable(missing.Message));
    QCOMPARE(missing.Reason, TFileOpResult::rsSystem);
    QCOMPARE(missing.Error, ENOENT);
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
        FDir.filePath(u"c/src.bin"_s), FDir.filePath(u"c/dst.bin"_s), {}, [&](qint64) { cancel = true; }, &cancel);
    QCOMPARE(r.Kind, TFileOpResult::orCancelled);
    QCOMPARE(Content(FDir.filePath(u"c/dst.bin"_s)), QByteArray("old"));
    QVERIFY(Leftovers(FDir.path()).isEmpty());

    // A source written to while it is read, in place and at its size, would arrive torn
    // under its old times: the copy is dropped, and a retry copies the file as it is then.
    const QString src = FDir.filePath(u"c/src.bin"_s);
    const QByteArray rewritten(3 << 20, 'w');
    const auto rewrite = [&](qint64) {
        QFile f(src);
        if (f.size() > 0 && f.open(QIODevice::ReadWrite))
            f.write(rewritten);
    };
    const TFileOpResult torn = ops.CopyFile(src, FDir.filePath(u"c/dst.bin"_s), Keep, rewrite, nullptr);
    QCOMPARE(torn.Reason, TFileOpResult::rsChangedWhileCopied);
    QCOMPARE(torn.Path, src);
    QCOMPARE(Content(FDir.filePath(u"c/dst.bin"_s)), QByteArray("old"));
    QVERIFY(Leftovers(FDir.path()).isEmpty());
    QVERIFY(ops.CopyFile(src, FDir.filePath(u"c/dst.bin"_s), {}, {}, nullptr).Ok());
    QCOMPARE(Content(FDir.filePath(u"c/dst.bin"_s)), rewritten);
    TestTree::File(FDir.path(), u"c/dst.bin"_s, "old");

    // A copy made as a new file replaces nothing found under its name: a file or a link
    // that leads nowhere when it starts, a file that appears before it is put in place or
    // during the flush. Nothing of the copy is left, nor anything in the trash.
    const TCopyOptions newOnly{.KeepReplaced = true, .NewOnly = true};
    const QString fresh = FDir.filePath(u"c/fresh.bin"_s);
    TestTree::File(FDir.path(), u"c/fresh.bin"_s, "the user's");
    QCOMPARE(ops.CopyFile(src, fresh, newOnly, {}, nullptr).Reason, TFileOpResult::rsTargetAppeared);
    QCOMPARE(Content(fresh), QByteArray("the user's"));
    QVERIFY(QFile::remove(fresh));
    QVERIFY(QFile::link(u"nowhere"_s, fresh));
    QCOMPARE(ops.CopyFile(src, fresh, newOnly, {}, nullptr).Reason, TFileOpResult::rsTargetAppeared);
    QVERIFY(QFileInfo(fresh).isSymLink());
    QVERIFY(QFile::remove(fresh));
    for (const QString &when : {u"staged"_s, u"flush"_s}) {
        QVERIFY(ops.StageCopy(src, fresh, newOnly, {}, nullptr).Ok());
        const auto appear = [&] { TestTree::File(FDir.path(), u"c/fresh.bin"_s, "the user's"); };
        if (when == u"staged"_s)
            appear();
        ops.SetStepHook([&](const QString &step) {
            if (step == u"flush"_s && when == u"flush"_s)
                appear();
        });
        const QList<TFileOperations::TStagedFailure> failures = ops.FinishCopies();
        ops.SetStepHook({});
        QCOMPARE(failures.size(), 1);
        QCOMPARE(failures.at(0).Result.Reason, TFileOpResult::rsTargetAppeared);
        QCOMPARE(Content(fresh), QByteArray("the user's"));
        QVERIFY(QFile::remove(fresh));
    }
    // A copy over the file the user saw replaces no other: one changed since, found when
    // the copy starts or during the flush.
    TestTree::File(FDir.path(), u"c/seen.bin"_s, "as seen", 1700000000);
    const QString seen = FDir.filePath(u"c/seen.bin"_s);
    TCopyOptions overSeen = Keep;
    overSeen.TargetSeen = TCopyOptions::TSeen{7, 1700000000};
    for (const QString &when : {u"start"_s, u"flush"_s}) {
        // Longer at the start, the same size but a later time during the flush.
        const QByteArray changed = when == u"start"_s ? "changed, longer" : "changed";
        const auto change = [&] {
            TestTree::File(FDir.path(), u"c/seen.bin"_s, changed, when == u"start"_s ? 1700000000 : 1700000001);
        };
        if (when == u"start"_s)
            change();
        ops.SetStepHook([&](const QString &step) {
            if (step == u"flush"_s && when == u"flush"_s)
                change();
        });
        QCOMPARE(ops.CopyFile(src, seen, overSeen, {}, nullptr).Reason, TFileOpResult::rsTargetChanged);
        ops.SetStepHook({});
        QCOMPARE(Content(seen), changed);
        TestTree::File(FDir.path(), u"c/seen.bin"_s, "as seen", 1700000000);
    }
    QVERIFY(TrashEntries(FTrashHome + u"/Trash"_s).isEmpty());
    QVERIFY(Leftovers(FDir.path()).isEmpty());
    // Unchanged, it is replaced.
    QVERIFY(ops.CopyFile(src, seen, overSeen, {}, nullptr).Ok());
    QCOMPARE(Content(seen), rewritten);
    QDir(FTrashHome + u"/Trash"_s).removeRecursively();

    // A folder that cannot be made: a file stands where the folder should be.
    const TFileOpResult blocked =
        ops.CopyFile(FDir.filePath(u"c/src.bin"_s), FDir.filePath(u"c/dst.bin/inside.bin"_s), {}, {}, nullptr);
    QCOMPARE(blocked.Kind, TFileOpResult::orFailed);
    QVERIFY(!blocked.Message.isEmpty());
    QCOMPARE(blocked.Reason, TFileOpResult::rsFolderNotCreated);
    QVERIFY(blocked.Error != 0);
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
    // The first batch opens the folder.
    QVERIFY(ops.CopyFile(root + u"/src/d/a"_s, root + u"/dst/d/a"_s, Keep, {}, nullptr).Ok());
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
    QVERIFY(ops.StageCopy(root + u"/src/d/b"_s, root + u"/dst/d/b"_s, Keep, {}, nullptr).Ok());
    if (when == u"between"_s)
        act();
    QVERIFY(ops.StageCopy(root + u"/src/d/c"_s, root + u"/dst/d/c"_s, Keep, {}, nullptr).Ok());
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
            QVERIFY(ops.CopyFile(source, failure.Target, Keep, {}, nullptr).Ok());
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
    ops.SetNamedTemporaries(named);
    QStringList log;
    ops.SetStepHook([&](const QString &step) { log << step; });
    QStringList targets;
    for (int i = 0; i < files; ++i) {
        TestTree::File(root, u"src/%1"_s.arg(i), "new");
        TestTree::File(root, u"dst/%1"_s.arg(i), "old");
        targets << root + u"/dst/%1"_s.arg(i);
        QVERIFY(ops.StageCopy(root + u"/src/%1"_s.arg(i), targets.last(), Keep, {}, nullptr).Ok());
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
    QVERIFY(ops.CopyFile(root + u"/src/small.txt"_s, dst + u"/small.txt"_s, {}, {}, nullptr).Ok());
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
    QVERIFY(ops.CopyFile(root + u"/src/small.txt"_s, dst + u"/small.txt"_s, {}, {}, nullptr).Ok());
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
    // The sources are only read: written once for every round.
    QList<TestTree::TEntry> sources;
    for (int i = 0; i < 6; ++i)
        sources << TestTree::TEntry(u"src/f%1.bin"_s.arg(i), fresh);
    QVERIFY(TestTree::Build(root, sources));
    for (int round = 0; round < 25; ++round) {
        QStringList args;
        if (named)
            args << u"--named"_s;
        if (keep)
            args << u"--keep"_s;
        QDir(trash).removeRecursively();
        QList<TestTree::TEntry> olds;
        for (int i = 0; i < 6; ++i) {
            const QString name = u"f%1.bin"_s.arg(i);
            if (i % 2 == 0)
                olds << TestTree::TEntry(u"dst/"_s + name, old);
            else
                QFile::remove(root + u"/dst/"_s + name);
            args << root + u"/src/"_s + name << root + u"/dst/"_s + name;
        }
        QVERIFY(TestTree::Build(root, olds));
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
        for (int i = 0; i < 6; ++i) {
            const QString target = root + u"/dst/f%1.bin"_s.arg(i);
            if (Content(target) != fresh)
                QVERIFY(again.StageCopy(root + u"/src/f%1.bin"_s.arg(i), target, Keep, {}, nullptr).Ok());
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
    QVERIFY(ops.CopyFile(root + u"/src/last.bin"_s, root + u"/dst/last.bin"_s, {}, {}, nullptr).Ok());
    QCOMPARE(Leftovers(root), QStringList());
}

void tst_FileOperations::failedCopyRemovesTheFoldersItMade()
{
    TestTree::File(FDir.path(), u"fm/src.bin"_s, QByteArray(1 << 20, 's'));
    std::atomic<bool> cancel{false};
    const TFileOpResult r = FOps.CopyFile(
        FDir.filePath(u"fm/src.bin"_s), FDir.filePath(u"fm/new/deeper/t.bin"_s), {}, [&](qint64) { cancel = true; },
        &cancel);
    QCOMPARE(r.Kind, TFileOpResult::orCancelled);
    QVERIFY(!QFileInfo::exists(FDir.filePath(u"fm/new"_s)));

    // A group: the folder of the copy that arrived stays, the other goes.
    TestTree::File(FDir.path(), u"fm/a.txt"_s, "a");
    QVERIFY(FOps.StageCopy(FDir.filePath(u"fm/a.txt"_s), FDir.filePath(u"fm/g1/a.txt"_s), {}, {}, nullptr).Ok());
    QVERIFY(!FOps.StageCopy(FDir.filePath(u"fm/none"_s), FDir.filePath(u"fm/g2/none"_s), {}, {}, nullptr).Ok());
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
    const TFileOpResult copied = FOps.CopyFile(FDir.filePath(u"long/plain.txt"_s), target, {}, {}, nullptr);
    QVERIFY2(copied.Ok(), qPrintable(copied.Message));
    // Back out of the deep folder, as a source this time.
    const TFileOpResult back = FOps.CopyFile(target, FDir.filePath(u"long/back.txt"_s), {}, {}, nullptr);
    QVERIFY2(back.Ok(), qPrintable(back.Message));
    QCOMPARE(Content(FDir.filePath(u"long/back.txt"_s)), QByteArray("long way"));

    // The trash could not give such a path back: refused, for the user to decide, also
    // for a file that a copy replaces.
    const TFileOpResult trashed = FOps.MoveToTrash(target);
    QCOMPARE(trashed.Kind, TFileOpResult::orTrashRefused); // the user may delete it for good
    QVERIFY(!trashed.Message.isEmpty());
    TSystemFileOperations keeping;
    const qsizetype trashBefore = TrashEntries(FTrashHome + u"/Trash"_s).size();
    TestTree::File(FDir.path(), u"long/other.txt"_s, "other");
    QCOMPARE(keeping.CopyFile(FDir.filePath(u"long/other.txt"_s), target, Keep, {}, nullptr).Kind,
             TFileOpResult::orTrashRefused);
    QVERIFY(FOps.CopyFile(target, FDir.filePath(u"long/back.txt"_s), {}, {}, nullptr).Ok());
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
    const QString name = u"a b %é.txt"_s;
    const QString target = FDir.filePath(u"tr/dst/"_s + name);
    TestTree::File(FDir.path(), u"tr/dst/"_s + name, "first");
    TestTree::File(FDir.path(), u"tr/src/v2.txt"_s, "second");
    TestTree::File(FDir.path(), u"tr/src/v3.txt"_s, "third");
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);

    QVERIFY(ops.CopyFile(FDir.filePath(u"tr/src/v2.txt"_s), target, Keep, {}, nullptr).Ok());
    QVERIFY(ops.CopyFile(FDir.filePath(u"tr/src/v3.txt"_s), target, Keep, {}, nullptr).Ok());
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
        QVERIFY(
            ops.StageCopy(FDir.filePath(u"tr/src/"_s + n), FDir.filePath(u"tr/dst/"_s + n), Keep, {}, nullptr).Ok());
    QVERIFY(ops.FinishCopies().isEmpty());
    QCOMPARE(Content(FDir.filePath(u"tr/dst/g1.txt"_s)), QByteArray("new g1.txt"));
    QCOMPARE(Content(trash + u"/files/g1.txt"_s), QByteArray("old g1"));
    QCOMPARE(TrashEntries(trash).value(u"g1.txt"_s).Path, FDir.filePath(u"tr/dst/g1.txt"_s));
    QCOMPARE(TrashEntries(trash).size(), 3);

    // Off: replaced without a trace.
    QVERIFY(ops.CopyFile(FDir.filePath(u"tr/src/v2.txt"_s), target, {}, {}, nullptr).Ok());
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
    const TFileOpResult r = ops.CopyFile(mount + u"/new.txt"_s, mount + u"/old.txt"_s, Keep, {}, nullptr);
    QCOMPARE(r.Kind, TFileOpResult::orTrashRefused);
    QVERIFY(r.Message.contains(u"old.txt"_s));
    QCOMPARE(Content(mount + u"/old.txt"_s), QByteArray("stays"));
    QCOMPARE(QDir(mount).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
             (QStringList{u"new.txt"_s, u"old.txt"_s}));
    QCOMPARE(TrashEntries(FTrashHome + u"/Trash"_s).size(), trashBefore);
    // A new file there needs no trash.
    QVERIFY(ops.CopyFile(mount + u"/new.txt"_s, mount + u"/fresh.txt"_s, Keep, {}, nullptr).Ok());

    QVERIFY(ops.CopyFile(mount + u"/new.txt"_s, mount + u"/old.txt"_s, {}, {}, nullptr).Ok());
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

// Holes cost nothing: only the data extents are copied, the size includes a hole at the
// end, progress reaches the size, and a cancel is seen after one chunk.
void tst_FileOperations::sparseFilesStaySparse()
{
    const QString src = FDir.filePath(u"sp/holes.bin"_s);
    TestTree::File(FDir.path(), u"sp/holes.bin"_s, "");
    {
        QFile f(src);
        QVERIFY(f.open(QIODevice::ReadWrite) && f.resize(32 << 20));
        QVERIFY(f.seek(1 << 20) && f.write(QByteArray(64 << 10, 'a')) == 64 << 10);
        QVERIFY(f.seek(20 << 20) && f.write(QByteArray(8 << 10, 'b')) == 8 << 10);
    }
    qint64 reported = 0;
    const QString dst = FDir.filePath(u"sp/out/holes.bin"_s);
    QVERIFY(FOps.CopyFile(
                    src, dst, {}, [&](qint64 n) { reported = n; }, nullptr)
                .Ok());
    QCOMPARE(reported, 32 << 20);
    QCOMPARE(Content(dst), Content(src));
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(dst).constData(), &st), 0);
    QVERIFY2(st.st_blocks * 512 <= 1 << 20, qPrintable(QString::number(st.st_blocks)));

    // Nothing but a hole.
    TestTree::File(FDir.path(), u"sp/empty.bin"_s, "");
    QCOMPARE(::truncate(QFile::encodeName(FDir.filePath(u"sp/empty.bin"_s)).constData(), 1ll << 30), 0);
    QVERIFY(FOps.CopyFile(FDir.filePath(u"sp/empty.bin"_s), dst, {}, {}, nullptr).Ok());
    QCOMPARE(::stat(QFile::encodeName(dst).constData(), &st), 0);
    QCOMPARE(qint64(st.st_size), 1ll << 30);
    QCOMPARE(qint64(st.st_blocks), 0);

    // All data, several chunks of the copy: cancelled after the first, not at the end of the file.
    TestTree::File(FDir.path(), u"sp/full.bin"_s, QByteArray(12 << 20, 'f'));
    std::atomic<bool> cancel{false};
    int calls = 0;
    const TFileOpResult r = FOps.CopyFile(
        FDir.filePath(u"sp/full.bin"_s), dst, {},
        [&](qint64) {
            ++calls;
            cancel = true;
        },
        &cancel);
    QCOMPARE(r.Kind, TFileOpResult::orCancelled);
    QCOMPARE(calls, 1);
    QCOMPARE(::stat(QFile::encodeName(dst).constData(), &st), 0);
    QCOMPARE(qint64(st.st_size), 1ll << 30);
}

// What cp -a keeps: owner and group, set-id bits, ACLs, extended attributes (trusted.*
// as root), mode and times to the nanosecond; nothing is reported as not kept.
void tst_FileOperations::ownerAclsAndAttributesTravelWithTheCopy()
{
    TestTree::File(FDir.path(), u"md/src.bin"_s, "meta", 1600000000, 987654321);
    const QString src = FDir.filePath(u"md/src.bin"_s);
    const QByteArray native = QFile::encodeName(src);
    const bool root = ::geteuid() == 0;
    if (root)
        QCOMPARE(::chown(native.constData(), 65534, 65534), 0);
    QCOMPARE(::setxattr(native.constData(), "user.note", "kept", 4, 0), 0);
    const QByteArray acl = Acl();
    if (::setxattr(native.constData(), "system.posix_acl_access", acl.constData(), size_t(acl.size()), 0) != 0)
        QSKIP("no ACLs on the temporary folder's file system");
    if (root)
        QCOMPARE(::setxattr(native.constData(), "trusted.note", "t", 1, 0), 0);
    QCOMPARE(::chmod(native.constData(), root ? 06640 : 0640), 0);
    TestTree::SetMTime(src, 1600000000, 987654321);

    const QString dst = FDir.filePath(u"md/out/dst.bin"_s);
    const TFileOpResult r = FOps.CopyFile(src, dst, {}, {}, nullptr);
    QVERIFY2(r.Ok(), qPrintable(r.Message));
    QCOMPARE(r.Unkept, 0u);
    struct stat s, d;
    QCOMPARE(::stat(native.constData(), &s), 0);
    QCOMPARE(::stat(QFile::encodeName(dst).constData(), &d), 0);
    QCOMPARE(d.st_uid, s.st_uid);
    QCOMPARE(d.st_gid, s.st_gid);
    QCOMPARE(int(d.st_mode & 07777), int(s.st_mode & 07777));
    QCOMPARE(qint64(d.st_mtim.tv_nsec), 987654321);
    QCOMPARE(Attribute(dst, "user.note"), QByteArray("kept"));
    QCOMPARE(Attribute(dst, "system.posix_acl_access"), Attribute(src, "system.posix_acl_access"));
    if (root)
        QCOMPARE(Attribute(dst, "trusted.note"), QByteArray("t"));
    else
        QSKIP("owner and trusted.* need root");
}

// A user who cannot give the copy the source's owner or group does not get a program
// that runs as someone else: the set-id bits go, the rest of the mode stays.
void tst_FileOperations::setIdBitsStayWithTheirOwnerOnly()
{
    if (::geteuid() != 0)
        QSKIP("needs root to run a copy as another user");
    QTemporaryDir shared(QDir::tempPath() + u"/fm-setid-XXXXXX"_s);
    QVERIFY(shared.isValid());
    QCOMPARE(::chmod(QFile::encodeName(shared.path()).constData(), 0777), 0);
    TestTree::File(shared.path(), u"tool"_s, "#!/bin/sh\n");
    const QByteArray tool = QFile::encodeName(shared.filePath(u"tool"_s));
    QCOMPARE(::chmod(tool.constData(), 06755), 0);
    QProcess child;
    child.setChildProcessModifier([] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(77);
    });
    child.start(QStringLiteral(FM_COPY_CHILD), {shared.filePath(u"tool"_s), shared.filePath(u"copy"_s)});
    QVERIFY(child.waitForFinished());
    if (child.exitCode() == 77 || child.exitCode() == 127)
        QSKIP("cannot run the copy as user 65534 here");
    QCOMPARE(child.exitCode(), 0);
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(shared.filePath(u"copy"_s)).constData(), &st), 0);
    QCOMPARE(int(st.st_uid), 65534);
    QCOMPARE(int(st.st_mode & 07777), 0755);
}

// A FAT volume refuses owner, permissions, extended attributes and odd seconds: the file
// arrives all the same, whole, and the result names what could not be kept.
void tst_FileOperations::aVolumeThatRefusesMetadataStillGetsTheFile()
{
    const TFatVolume fat(FDir.path() + u"/fat-md"_s);
    if (!fat.Mounted())
        QSKIP("cannot mount a FAT volume through FUSE here (fusefat, dosfstools, /dev/fuse)");
    const bool root = ::geteuid() == 0;
    TestTree::File(FDir.path(), u"fmd/odd.bin"_s, QByteArray(100000, 'o'), 1600000001, 500);
    const QByteArray odd = QFile::encodeName(FDir.filePath(u"fmd/odd.bin"_s));
    QCOMPARE(::chmod(odd.constData(), 0640), 0);
    QCOMPARE(::setxattr(odd.constData(), "user.note", "x", 1, 0), 0);
    const QByteArray acl = Acl();
    const bool acls =
        ::setxattr(odd.constData(), "system.posix_acl_access", acl.constData(), size_t(acl.size()), 0) == 0;
    if (root)
        QCOMPARE(::chown(odd.constData(), 65534, 65534), 0);

    const TFileOpResult r = FOps.CopyFile(FDir.filePath(u"fmd/odd.bin"_s), fat.Path(u"odd.bin"_s), {}, {}, nullptr);
    QVERIFY2(r.Ok(), qPrintable(r.Message));
    QCOMPARE(Content(fat.Path(u"odd.bin"_s)), QByteArray(100000, 'o'));
    const unsigned expected = TFileOpResult::ukPermissions | TFileOpResult::ukTimes | TFileOpResult::ukAttributes
                              | (acls ? TFileOpResult::ukAcls : 0u) | (root ? TFileOpResult::ukOwner : 0u);
    QCOMPARE(r.Unkept, expected);

    // An even second and nothing else to keep: only the permissions are refused.
    TestTree::File(FDir.path(), u"fmd/even.bin"_s, "even", 1600000002);
    QCOMPARE(::chmod(QFile::encodeName(FDir.filePath(u"fmd/even.bin"_s)).constData(), 0600), 0);
    const TFileOpResult even =
        FOps.CopyFile(FDir.filePath(u"fmd/even.bin"_s), fat.Path(u"even.bin"_s), {}, {}, nullptr);
    QVERIFY2(even.Ok(), qPrintable(even.Message));
    QCOMPARE(even.Unkept, unsigned(TFileOpResult::ukPermissions));
    QCOMPARE(QFileInfo(fat.Path(u"even.bin"_s)).lastModified().toSecsSinceEpoch(), 1600000002);
    QVERIFY(Leftovers(fat.Path(QString())).isEmpty());
}

// On a volume that folds case, a copy never replaces a file of its own batch whose name
// differs only in case: the second is refused and says why, the first stays. A later
// batch updates the file as usual, and a volume that tells case apart takes both. A name
// the volume cannot hold is refused as such.
void tst_FileOperations::namesAVolumeFoldsOrCannotHold()
{
    TestTree::File(FDir.path(), u"fold/one"_s, "one");
    TestTree::File(FDir.path(), u"fold/two"_s, "two");
    const QString one = FDir.filePath(u"fold/one"_s), two = FDir.filePath(u"fold/two"_s);
    TSystemFileOperations ops;

    // Told apart: both arrive.
    ops.BeginBatch();
    QVERIFY(ops.StageCopy(one, FDir.filePath(u"fold/cs/Photo.JPG"_s), {}, {}, nullptr).Ok());
    QVERIFY(ops.StageCopy(two, FDir.filePath(u"fold/cs/photo.jpg"_s), {}, {}, nullptr).Ok());
    QVERIFY(ops.FinishCopies().isEmpty());
    QCOMPARE(Content(FDir.filePath(u"fold/cs/Photo.JPG"_s)), QByteArray("one"));
    QCOMPARE(Content(FDir.filePath(u"fold/cs/photo.jpg"_s)), QByteArray("two"));

    const TFatVolume fat(FDir.path() + u"/fat-names"_s);
    if (!fat.Mounted())
        QSKIP("cannot mount a FAT volume through FUSE here (fusefat, dosfstools, /dev/fuse)");
    ops.BeginBatch();
    // In one group.
    QVERIFY(ops.StageCopy(one, fat.Path(u"Photo.JPG"_s), {}, {}, nullptr).Ok());
    QVERIFY(ops.StageCopy(two, fat.Path(u"photo.jpg"_s), {}, {}, nullptr).Ok());
    const QList<TFileOperations::TStagedFailure> failed = ops.FinishCopies();
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.first().Target, fat.Path(u"photo.jpg"_s));
    QVERIFY2(failed.first().Result.Message.contains(u"Photo.JPG, which this copy has just written"_s),
             qPrintable(failed.first().Result.Message));
    // In a later group of the same batch.
    const TFileOpResult later = ops.CopyFile(two, fat.Path(u"PHOTO.JPG"_s), {}, {}, nullptr);
    QCOMPARE(later.Kind, TFileOpResult::orFailed);
    QVERIFY2(later.Message.contains(u"does not tell this name from"_s), qPrintable(later.Message));
    QCOMPARE(Content(fat.Path(u"Photo.JPG"_s)), QByteArray("one"));
    // The next batch replaces it.
    ops.BeginBatch();
    QVERIFY(ops.CopyFile(two, fat.Path(u"photo.jpg"_s), {}, {}, nullptr).Ok());
    QCOMPARE(Content(fat.Path(u"Photo.JPG"_s)), QByteArray("two"));

    const TFileOpResult colon = ops.CopyFile(one, fat.Path(u"a:b.txt"_s), {}, {}, nullptr);
    QCOMPARE(colon.Kind, TFileOpResult::orFailed);
    QVERIFY2(colon.Message.endsWith(u"a:b.txt: the volume cannot hold this name"_s), qPrintable(colon.Message));
    const TFileOpResult folder = ops.CopyFile(one, fat.Path(u"d?/f.txt"_s), {}, {}, nullptr);
    QCOMPARE(folder.Kind, TFileOpResult::orFailed);
    QVERIFY2(folder.Message.endsWith(u"the volume cannot hold its name"_s), qPrintable(folder.Message));
    QVERIFY(Leftovers(fat.Path(QString())).isEmpty());
}

QTEST_GUILESS_MAIN(tst_FileOperations)
#include "tst_fileoperations.moc"
