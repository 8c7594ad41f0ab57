// foldermate-sync as scripts see it: what a run changes on real trees, what it refuses,
// where replaced and extra files go, and what a killed run leaves.

#include "TestTree.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/mount.h>

using namespace Qt::StringLiterals;

namespace {

struct TResult
{
    int ExitCode = -1;
    QByteArray Out;
    QByteArray Err;
};

// Each regular file below root by relative path: content and mtime.
using TTree = QMap<QString, QPair<QByteArray, qint64>>;

TTree Files(const QString &root)
{
    TTree tree;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            tree.insert(path.mid(root.size() + 1), {f.readAll(), it.fileInfo().lastModified().toSecsSinceEpoch()});
    }
    return tree;
}

QByteArray Content(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class tst_SyncCli : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir FDir;
    QString FTrash; // the home trash the runs use
    QString S, D;

    QProcessEnvironment Environment() const;
    TResult Run(const QStringList &arguments);
    // Source and destination with one file of each list: a copy-missing, extra, newer on
    // each side, a duplicate and a date conflict.
    bool MakeTrees();

private Q_SLOTS:
    void init();
    void dryRunPrintsAndChangesNothing_data();
    void dryRunPrintsAndChangesNothing();
    void aRunLeavesOnlyDuplicatesAndKeepsWhatItReplaces();
    void refusals_data();
    void refusals();
    void noTrashNeverDeletesForGood_data();
    void noTrashNeverDeletesForGood();
    void aStoppedRunTearsNothing_data();
    void aStoppedRunTearsNothing();
};

QProcessEnvironment tst_SyncCli::Environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_DATA_HOME"_s, FDir.filePath(u"data"_s));
    return env;
}

TResult tst_SyncCli::Run(const QStringList &arguments)
{
    QProcess p;
    p.setProcessEnvironment(Environment());
    p.start(QStringLiteral(FM_SYNC_EXE), arguments);
    TResult r;
    if (!p.waitForFinished(60000))
        return r;
    r.ExitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.Out = p.readAllStandardOutput();
    r.Err = p.readAllStandardError();
    return r;
}

void tst_SyncCli::init()
{
    QVERIFY(FDir.isValid());
    QDir(FDir.path()).removeRecursively();
    QVERIFY(QDir().mkpath(FDir.path()));
    S = FDir.filePath(u"s"_s);
    D = FDir.filePath(u"d"_s);
    FTrash = FDir.filePath(u"data/Trash"_s);
    QVERIFY(QDir().mkpath(S));
    QVERIFY(QDir().mkpath(D));
}

bool tst_SyncCli::MakeTrees()
{
    return TestTree::Build(FDir.path(), {{u"s/sub/missing.txt"_s, "only in source"},
                                         {u"d/extra.txt"_s, "only in destination"},
                                         {u"s/newer.txt"_s, "source new", 1700000100},
                                         {u"d/newer.txt"_s, "dest old", 1700000000},
                                         {u"s/older.txt"_s, "source old", 1700000000},
                                         {u"d/older.txt"_s, "dest new", 1700000100},
                                         {u"s/same.txt"_s, "same"},
                                         {u"d/same.txt"_s, "same"},
                                         {u"s/conflict.txt"_s, "aaaa"},
                                         {u"d/conflict.txt"_s, "bbbbbb"}}); // same time, other size
}

void tst_SyncCli::dryRunPrintsAndChangesNothing_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("expected"); // the records, sorted, "|" between them

    const QStringList all{u"--copy-missing"_s, u"--update"_s, u"--trash-extra"_s, u"--update-back"_s};
    QTest::newRow("lines") << all
                           << QByteArray("copy-missing\tS/sub/missing.txt\n|trash-extra\tD/extra.txt\n|"
                                         "update\tS/newer.txt\n|update-back\tD/older.txt\n");
    QTest::newRow("null") << (QStringList{u"--null"_s, u"--copy-back"_s}) << QByteArray("copy-back\tD/extra.txt\0", 22);
    QTest::newRow("json") << (QStringList{u"--format"_s, u"json"_s, u"--update"_s})
                          << QByteArray(R"({"action":"update","path":"S/newer.txt","size":10,"target":"D/newer.txt"})"
                                        "\n");
}

void tst_SyncCli::dryRunPrintsAndChangesNothing()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, expected);
    QVERIFY(MakeTrees());
    const QStringList before = TestTree::Snapshot(FDir.path());
    const TResult r = Run(options << u"--dry-run"_s << S << D);
    QCOMPARE(r.ExitCode, 0);
    QCOMPARE(TestTree::Snapshot(FDir.path()), before);

    const char end = options.contains(u"--null"_s) ? '\0' : '\n';
    QList<QByteArray> records;
    for (const QByteArray &record : r.Out.split(end))
        if (!record.isEmpty())
            records << record + end;
    std::sort(records.begin(), records.end());
    QByteArray joined = records.join('|');
    joined.replace(QFile::encodeName(S), "S").replace(QFile::encodeName(D), "D");
    QCOMPARE(joined, expected);
}

void tst_SyncCli::aRunLeavesOnlyDuplicatesAndKeepsWhatItReplaces()
{
    QVERIFY(MakeTrees());
    const TResult r = Run({u"--copy-missing"_s, u"--update"_s, u"--trash-extra"_s, u"--update-back"_s, S, D});
    QVERIFY2(r.ExitCode == 0, r.Err.constData());
    QVERIFY2(r.Err.contains("copied 3 files (32 bytes), trashed 1 files (19 bytes), 0 skipped, 0 failed"),
             r.Err.constData());

    // What a new scan finds: duplicates, and the conflict nobody touched.
    QProcess scan;
    scan.start(QStringLiteral(FM_SCAN_EXE), {S, D});
    QVERIFY(scan.waitForFinished(30000));
    QList<QByteArray> lists;
    for (const QByteArray &line : scan.readAllStandardOutput().split('\n'))
        if (!line.isEmpty())
            lists << line.left(1) + line.mid(line.lastIndexOf('/'));
    std::sort(lists.begin(), lists.end());
    QCOMPARE(lists,
             (QList<QByteArray>{"5/missing.txt", "5/newer.txt", "5/older.txt", "5/same.txt", "6/missing.txt",
                                "6/newer.txt", "6/older.txt", "6/same.txt", "7/conflict.txt", "8/conflict.txt"}));
    QCOMPARE(Content(S + u"/conflict.txt"_s), QByteArray("aaaa"));
    QCOMPARE(Content(D + u"/conflict.txt"_s), QByteArray("bbbbbb"));

    // The extra file and both replaced ones are in the trash, whole, with their origins.
    QCOMPARE(Content(FTrash + u"/files/extra.txt"_s), QByteArray("only in destination"));
    QCOMPARE(Content(FTrash + u"/files/newer.txt"_s), QByteArray("dest old"));
    QCOMPARE(Content(FTrash + u"/files/older.txt"_s), QByteArray("source old"));
    QVERIFY(Content(FTrash + u"/info/older.txt.trashinfo"_s).contains(QFile::encodeName(S + u"/older.txt"_s)));
    QVERIFY(!QFile::exists(D + u"/extra.txt"_s));

    // Without keeping: the replaced file is not in the trash.
    TestTree::File(S, u"again.txt"_s, "v2", 1700000200);
    TestTree::File(D, u"again.txt"_s, "v1", 1700000000);
    QCOMPARE(Run({u"--update"_s, u"--no-keep-replaced"_s, S, D}).ExitCode, 0);
    QCOMPARE(Content(D + u"/again.txt"_s), QByteArray("v2"));
    QVERIFY(!QFile::exists(FTrash + u"/files/again.txt"_s));
}

void tst_SyncCli::refusals_data()
{
    QTest::addColumn<QString>("emptySide"); // "s", "d" or "" for neither
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("message");

    // An empty root beside a full one is what an unplugged disk looks like.
    QTest::newRow("trash all of the destination")
        << u"s"_s << QStringList{u"--trash-extra"_s} << 6 << QByteArray("--allow-empty-root");
    QTest::newRow("copy all into an empty source")
        << u"s"_s << QStringList{u"--copy-back"_s} << 6 << QByteArray("holds no file");
    QTest::newRow("copy all into an empty destination")
        << u"d"_s << QStringList{u"--copy-missing"_s} << 6 << QByteArray("holds no file");
    QTest::newRow("dry run refuses alike")
        << u"s"_s << QStringList{u"--trash-extra"_s, u"--dry-run"_s} << 6 << QByteArray("holds no file");
    QTest::newRow("a missing root") << u"gone"_s << QStringList{u"--copy-missing"_s, u"--allow-empty-root"_s} << 1
                                    << QByteArray("does not exist");
    QTest::newRow("both actions on list 2")
        << u""_s << QStringList{u"--trash-extra"_s, u"--copy-back"_s} << 2 << QByteArray("give one");
    QTest::newRow("no action") << u""_s << QStringList{} << 2 << QByteArray("No action");
}

void tst_SyncCli::refusals()
{
    QFETCH(QString, emptySide);
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, message);
    QVERIFY(TestTree::Build(FDir.path(), {{u"s/a.txt"_s, "a"}, {u"d/b.txt"_s, "b"}}));
    if (emptySide == u"s"_s)
        QVERIFY(QFile::remove(S + u"/a.txt"_s));
    if (emptySide == u"d"_s)
        QVERIFY(QFile::remove(D + u"/b.txt"_s));
    if (emptySide == u"gone"_s)
        QVERIFY(QDir(S).removeRecursively());
    const QStringList before = TestTree::Snapshot(FDir.path());
    const TResult r = Run(options << S << D);
    QCOMPARE(r.ExitCode, exitCode);
    QVERIFY2(r.Err.contains(message), r.Err.constData());
    QCOMPARE(TestTree::Snapshot(FDir.path()), before);
}

void tst_SyncCli::noTrashNeverDeletesForGood_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("permanent");

    QTest::newRow("extra file kept") << u"--trash-extra"_s << false;
    QTest::newRow("extra file deleted when allowed") << u"--trash-extra"_s << true;
    QTest::newRow("replaced file kept") << u"--update"_s << false;
    QTest::newRow("replaced file lost when allowed") << u"--update"_s << true;
}

void tst_SyncCli::noTrashNeverDeletesForGood()
{
    QFETCH(QString, action);
    QFETCH(bool, permanent);
    // A tmpfs has no trash.
    if (::mount("tmpfs", QFile::encodeName(D).constData(), "tmpfs", 0, "size=1m") != 0)
        QSKIP(qPrintable(u"cannot mount a tmpfs here: "_s + QString::fromLocal8Bit(std::strerror(errno))));
    const auto unmount = qScopeGuard([&] { ::umount2(QFile::encodeName(D).constData(), MNT_DETACH); });
    QVERIFY(TestTree::Build(FDir.path(), {{u"s/keep.txt"_s, "k"},
                                          {u"d/keep.txt"_s, "k"},
                                          {u"s/file.txt"_s, "new", 1700000100},
                                          {u"d/file.txt"_s, "old", 1700000000},
                                          {u"d/extra.txt"_s, "extra"}}));

    QStringList options{action, S, D};
    if (permanent)
        options.prepend(u"--permanent-when-no-trash"_s);
    const TResult r = Run(options);
    const QString changed = action == u"--update"_s ? D + u"/file.txt"_s : D + u"/extra.txt"_s;
    const QByteArray old = action == u"--update"_s ? "old" : "extra";
    const QByteArray now = action == u"--update"_s ? "new" : "<missing>";
    if (permanent) {
        QCOMPARE(r.ExitCode, 0);
        QCOMPARE(Content(changed), now);
        // What cannot be restored is not called trashed.
        if (action == u"--trash-extra"_s)
            QVERIFY2(r.Err.contains("trashed 0 files (0 bytes), deleted for good 1 files (5 bytes), 0 skipped"),
                     r.Err.constData());
    } else {
        QCOMPARE(r.ExitCode, 5);
        QCOMPARE(Content(changed), old);
        QVERIFY2(r.Err.contains("skipped: ") && r.Err.contains(QFile::encodeName(QFileInfo(changed).fileName())),
                 r.Err.constData());
        QVERIFY2(r.Err.contains("1 skipped"), r.Err.constData());
    }
}

void tst_SyncCli::aStoppedRunTearsNothing_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGKILL") << int(SIGKILL);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGTERM") << int(SIGTERM);
}

void tst_SyncCli::aStoppedRunTearsNothing()
{
    QFETCH(int, signal);
    // Many files, each old in the destination and new in the source, or only in the source.
    const int count = 2000;
    const auto body = [](char c, int i) -> QByteArray { return QByteArray(4096 + i % 512, c) + QByteArray::number(i); };
    QList<TestTree::TEntry> tree;
    for (int i = 0; i < count; ++i) {
        const QString name = u"f/%1/file%2.bin"_s.arg(i % 10).arg(i);
        tree << TestTree::TEntry(u"s/"_s + name, body('n', i), 1700000100);
        if (i % 2 == 0)
            tree << TestTree::TEntry(u"d/"_s + name, body('o', i), 1700000000);
    }
    QVERIFY(TestTree::Build(FDir.path(), tree));
    QProcess p;
    p.setProcessEnvironment(Environment());
    p.start(QStringLiteral(FM_SYNC_EXE), {u"--copy-missing"_s, u"--update"_s, S, D});
    QVERIFY(p.waitForStarted());
    // Wait until the batch has put some files in place, then stop it.
    QElapsedTimer waited;
    waited.start();
    const QString probe = FDir.filePath(u"d/f/0/file0.bin"_s);
    while (Content(probe) != body('n', 0) && waited.elapsed() < 30000 && p.state() == QProcess::Running)
        QTest::qWait(2);
    QVERIFY2(p.state() == QProcess::Running, "the run ended before it could be stopped: use more files");
    ::kill(pid_t(p.processId()), signal);
    QVERIFY(p.waitForFinished(30000));
    if (signal == SIGKILL) {
        QCOMPARE(p.exitStatus(), QProcess::CrashExit);
    } else {
        QCOMPARE(p.exitCode(), 130);
        QVERIFY(p.readAllStandardError().contains("interrupted"));
    }

    int changed = 0, arrived = 0;
    for (int i = 0; i < count; ++i) {
        const QString name = u"/f/%1/file%2.bin"_s.arg(i % 10).arg(i);
        const QByteArray now = Content(D + name);
        const QByteArray before = i % 2 == 0 ? body('o', i) : QByteArray("<missing>");
        QVERIFY2(now == before || now == body('n', i), qPrintable(name));
        if (now != before) {
            ++changed;
            arrived += i % 2;
            // A replaced file is in the trash, whole.
            if (i % 2 == 0)
                QCOMPARE(Content(FTrash + u"/files/file%1.bin"_s.arg(i)), body('o', i));
        }
    }
    QVERIFY(changed > 0);
    QVERIFY2(changed < count, "the run ended before it could be stopped");
    // A killed run may leave a named temporary of its own beside a target (the moment
    // between linking a finished copy in and renaming it over the target); the next run
    // removes it and finishes the work.
    const TTree after = Files(D);
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        QVERIFY2(QFileInfo(it.key()).fileName().startsWith(u"file"_s) || it.key().contains(u".foldermate-"_s),
                 qPrintable(it.key()));
    QVERIFY(after.size() >= count / 2 + arrived);
    const TResult again = Run({u"--copy-missing"_s, u"--update"_s, S, D});
    QVERIFY2(again.ExitCode == 0, again.Err.constData());
    const TTree done = Files(D);
    QCOMPARE(done.size(), count);
    for (int i = 0; i < count; i += 97)
        QCOMPARE(done.value(u"f/%1/file%2.bin"_s.arg(i % 10).arg(i)).first, body('n', i));
}

QTEST_GUILESS_MAIN(tst_SyncCli)
#include "tst_synccli.moc"
