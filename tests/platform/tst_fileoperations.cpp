// Copying and deleting single files: the old target survives every failure, times and
// permissions travel with the copy, and nothing but regular files is ever touched.

#include "platform/TSystemFileOperations.h"

#include "TestTree.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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
    const TFileOpResult r = FOps.CopyFile(src, dst, [&](qint64 n) { reported = n; }, nullptr);
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

void tst_FileOperations::cancelledOrFailedCopyLeavesTheTarget()
{
    TestTree::File(FDir.path(), u"c/src.bin"_s, QByteArray(3 << 20, 's'));
    TestTree::File(FDir.path(), u"c/dst.bin"_s, "old");
    std::atomic<bool> cancel{false};
    const TFileOpResult r = FOps.CopyFile(FDir.filePath(u"c/src.bin"_s), FDir.filePath(u"c/dst.bin"_s),
                                          [&](qint64) { cancel = true; }, &cancel);
    QCOMPARE(r.Kind, TFileOpResult::orCancelled);
    QCOMPARE(Content(FDir.filePath(u"c/dst.bin"_s)), QByteArray("old"));
    QVERIFY(Leftovers(FDir.path()).isEmpty());

    // A folder that cannot be made: a file stands where the folder should be.
    const TFileOpResult blocked = FOps.CopyFile(FDir.filePath(u"c/src.bin"_s),
                                                FDir.filePath(u"c/dst.bin/inside.bin"_s), {}, nullptr);
    QCOMPARE(blocked.Kind, TFileOpResult::orFailed);
    QVERIFY(!blocked.Message.isEmpty());
    QCOMPARE(Content(FDir.filePath(u"c/dst.bin"_s)), QByteArray("old"));
}

void tst_FileOperations::killedCopyLeavesTheOldTargetWhole()
{
    const QByteArray old(5 << 20, 'o');
    TestTree::File(FDir.path(), u"k/big.bin"_s, QByteArray(40 << 20, 'n'));
    TestTree::File(FDir.path(), u"k/target.bin"_s, old);
    QProcess child;
    child.start(QStringLiteral(FM_COPY_CHILD), {u"--slow"_s, FDir.filePath(u"k/big.bin"_s), FDir.filePath(u"k/target.bin"_s)});
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
