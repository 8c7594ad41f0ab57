#include "support/EDirMonError.h"
#include "support/TDirMon.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <chrono>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

bool Touch(const QString &path, const QByteArray &content = {})
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

int OpenDescriptors()
{
    return static_cast<int>(
        QDir(u"/proc/self/fd"_s).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size());
}

// Records every event of a monitor as one line of text, in the order they fire.
class TRecorder
{
public:
    explicit TRecorder(TDirMon &monitor)
    {
        monitor.OnCreated = [this](TDirMon *, const QString &name) { Add(u"created "_s + name); };
        monitor.OnDeleted = [this](TDirMon *, const QString &name) { Add(u"deleted "_s + name); };
        monitor.OnModified = [this](TDirMon *, const QString &name) { Add(u"modified "_s + name); };
        monitor.OnRenamed = [this](TDirMon *, const QString &from, const QString &to) {
            Add(u"renamed "_s + from + u" > "_s + to);
        };
    }
    bool Has(const QString &event) const { return Events.contains(event); }
    int CountStartingWith(const QString &prefix) const
    {
        return static_cast<int>(
            std::count_if(Events.begin(), Events.end(), [&](const QString &e) { return e.startsWith(prefix); }));
    }
    QStringList Events;
    std::function<void(const QString &)> Then;

private:
    void Add(const QString &event)
    {
        Events << event;
        if (Then)
            Then(event);
    }
};

} // namespace

class TestDirMon : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir FDir;
    QString FWatched;

    void Watch(TDirMon &monitor, TWatchFilters filters, const QString &path = {})
    {
        monitor.SetWatchFilters(filters);
        monitor.SetPath(path.isEmpty() ? FWatched : path);
        monitor.SetActive(true);
    }

private slots:
    void init()
    {
        FWatched = FDir.filePath(QString::fromLatin1(QTest::currentTestFunction()) + u'/'
                                 + QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_') + u'/');
        QVERIFY(QDir().mkpath(FWatched));
    }

    void createWriteDelete()
    {
        TDirMon monitor;
        TRecorder events(monitor);
        Watch(monitor, {nfFILE_NAME, nfLAST_WRITE});
        QVERIFY(Touch(FWatched + u"a.txt"_s, "text"));
        QTRY_VERIFY(events.Has(u"modified a.txt"_s));
        QCOMPARE(events.Events.first(), u"created a.txt"_s);
        QVERIFY(QFile::remove(FWatched + u"a.txt"_s));
        QTRY_VERIFY(events.Has(u"deleted a.txt"_s));
        QCOMPARE(events.Events.last(), u"deleted a.txt"_s);
    }

    void renameIsOneEvent()
    {
        QVERIFY(Touch(FWatched + u"a.txt"_s));
        TDirMon monitor;
        TRecorder events(monitor);
        Watch(monitor, {nfFILE_NAME});
        QVERIFY(QFile::rename(FWatched + u"a.txt"_s, FWatched + u"b.txt"_s));
        QVERIFY(Touch(FWatched + u"end"_s));
        QTRY_VERIFY(events.Has(u"created end"_s));
        QCOMPARE(events.Events, (QStringList{u"renamed a.txt > b.txt"_s, u"created end"_s}));
    }

    void movesInAndOut()
    {
        const QString outside = FDir.filePath(u"outside/"_s);
        QVERIFY(QDir().mkpath(outside));
        QVERIFY(Touch(outside + u"in.txt"_s));
        QVERIFY(Touch(FWatched + u"out.txt"_s));
        TDirMon monitor;
        TRecorder events(monitor);
        Watch(monitor, {nfFILE_NAME});
        QVERIFY(QFile::rename(outside + u"in.txt"_s, FWatched + u"in.txt"_s));
        QVERIFY(QFile::rename(FWatched + u"out.txt"_s, outside + u"out.txt"_s));
        QVERIFY(Touch(FWatched + u"end"_s));
        QTRY_VERIFY(events.Has(u"created end"_s));
        QCOMPARE(events.Events, (QStringList{u"created in.txt"_s, u"deleted out.txt"_s, u"created end"_s}));
    }

    void eventsFireInRecordOrder()
    {
        TDirMon monitor;
        TRecorder events(monitor);
        Watch(monitor, {nfFILE_NAME});
        QVERIFY(Touch(FWatched + u"x"_s));
        QVERIFY(QFile::rename(FWatched + u"x"_s, FWatched + u"y"_s));
        QVERIFY(QFile::remove(FWatched + u"y"_s));
        QTRY_VERIFY(events.Has(u"deleted y"_s));
        QCOMPARE(events.Events, (QStringList{u"created x"_s, u"renamed x > y"_s, u"deleted y"_s}));
    }

    void fileAndFolderNames_data()
    {
        QTest::addColumn<quint8>("filters");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("files") << TWatchFilters{nfFILE_NAME}.Bits() << QStringList{u"created f"_s, u"created end"_s};
        QTest::newRow("folders") << TWatchFilters{nfDIR_NAME}.Bits() << QStringList{u"created sub"_s, u"created end"_s};
        QTest::newRow("both") << TWatchFilters{nfFILE_NAME, nfDIR_NAME}.Bits()
                              << QStringList{u"created sub"_s, u"created f"_s, u"created end"_s};
    }
    void fileAndFolderNames()
    {
        QFETCH(quint8, filters);
        QFETCH(QStringList, expected);
        TDirMon monitor;
        TRecorder events(monitor);
        Watch(monitor, TWatchFilters::FromBits(filters));
        const bool folders = TWatchFilters::FromBits(filters).Contains(nfDIR_NAME);
        QVERIFY(QDir(FWatched).mkdir(u"sub"_s));
        QVERIFY(Touch(FWatched + u"f"_s));
        QVERIFY(folders ? QDir(FWatched).mkdir(u"end"_s) : Touch(FWatched + u"end"_s));
        QTRY_VERIFY(events.Has(u"created end"_s));
        QCOMPARE(events.Events, expected);
    }

    void changeKinds_data()
    {
        QTest::addColumn<quint8>("filters");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("firstEvent");
        QTest::newRow("write does not see attributes")
            << TWatchFilters{nfLAST_WRITE}.Bits() << u"chmod"_s << u"modified end"_s;
        QTest::newRow("attributes") << TWatchFilters{nfLAST_WRITE, nfATTRIBUTES}.Bits() << u"chmod"_s
                                    << u"modified f"_s;
        QTest::newRow("security") << TWatchFilters{nfLAST_WRITE, nfSECURITY}.Bits() << u"chmod"_s << u"modified f"_s;
        QTest::newRow("write does not see reads")
            << TWatchFilters{nfLAST_WRITE}.Bits() << u"read"_s << u"modified end"_s;
        QTest::newRow("last access") << TWatchFilters{nfLAST_WRITE, nfLAST_ACCESS}.Bits() << u"read"_s
                                     << u"modified f"_s;
        QTest::newRow("size") << TWatchFilters{nfSIZE}.Bits() << u"truncate"_s << u"modified f"_s;
    }
    void changeKinds()
    {
        QFETCH(quint8, filters);
        QFETCH(QString, action);
        QFETCH(QString, firstEvent);
        const QString f = FWatched + u"f"_s;
        QVERIFY(Touch(f, "content"));
        QVERIFY(Touch(FWatched + u"end"_s));
        TDirMon monitor;
        TRecorder events(monitor);
        Watch(monitor, TWatchFilters::FromBits(filters));
        if (action == u"chmod"_s) {
            QVERIFY(QFile::setPermissions(f, QFile::ReadOwner));
        } else if (action == u"read"_s) {
            QFile file(f);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), QByteArray("content"));
        } else {
            QVERIFY(QFile::resize(f, 2));
        }
        QVERIFY(Touch(FWatched + u"end"_s, "x"));
        QTRY_VERIFY(events.Has(u"modified end"_s));
        QCOMPARE(events.Events.first(), firstEvent);
    }

    void pathRules_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("stored");
        QTest::newRow("separator added") << u"here"_s << u"here/"_s;
        QTest::newRow("separator kept") << u"here/"_s << u"here/"_s;
        QTest::newRow("missing folder") << u"missing"_s << u"before/"_s;
        QTest::newRow("a file") << u"file"_s << u"before/"_s;
        QTest::newRow("empty") << QString() << u"before/"_s;
    }
    void pathRules()
    {
        QFETCH(QString, written);
        QFETCH(QString, stored);
        QVERIFY(QDir(FWatched).mkdir(u"here"_s));
        QVERIFY(QDir(FWatched).mkdir(u"before"_s));
        QVERIFY(Touch(FWatched + u"file"_s));
        TDirMon monitor;
        monitor.SetPath(FWatched + u"before"_s);
        monitor.SetPath(written.isEmpty() ? written : FWatched + written);
        QCOMPARE(monitor.Path(), FWatched + stored);
    }

    void pathMovesAnActiveWatch()
    {
        const QString a = FWatched + u"a/"_s;
        const QString b = FWatched + u"b/"_s;
        QVERIFY(QDir().mkpath(a) && QDir().mkpath(b));
        TDirMon monitor;
        TRecorder events(monitor);
        Watch(monitor, {nfFILE_NAME}, a);
        const QPointer<TWaitThread> first = monitor.WatchThread();

        monitor.SetPath(b);
        QVERIFY(monitor.Active());
        QVERIFY(first.isNull());
        QVERIFY(Touch(a + u"in-a"_s));
        QVERIFY(Touch(b + u"in-b"_s));
        QTRY_VERIFY(events.Has(u"created in-b"_s));

        // A missing folder restarts the watch where it was.
        const QPointer<TWaitThread> second = monitor.WatchThread();
        monitor.SetPath(FWatched + u"missing"_s);
        QCOMPARE(monitor.Path(), b);
        QVERIFY(monitor.Active());
        QVERIFY(second.isNull());
        QVERIFY(Touch(b + u"again"_s));
        QTRY_VERIFY(events.Has(u"created again"_s));
        QCOMPARE(events.Events, (QStringList{u"created in-b"_s, u"created again"_s}));
    }

    void activeTwiceStartsOneThread()
    {
        TDirMon monitor;
        monitor.SetActive(false);
        QVERIFY(!monitor.Active());
        Watch(monitor, TWatchFilters::Default());
        TWaitThread *thread = monitor.WatchThread();
        QVERIFY(thread);
        monitor.SetActive(true);
        QCOMPARE(monitor.WatchThread(), thread);
        monitor.SetActive(false);
        QVERIFY(!monitor.Active());
        QCOMPARE(monitor.WatchThread(), nullptr);
    }

    void startFailures()
    {
        TDirMon monitor;
        try {
            monitor.SetActive(true);
            QFAIL("started without a path");
        } catch (const EDirMonError &e) {
            QCOMPARE(e.Message(), qt_error_string(ENOENT));
        }
        QVERIFY(!monitor.Active());
        QCOMPARE(monitor.WatchThread(), nullptr);

        monitor.SetPath(FWatched);
        QVERIFY(QDir(FWatched).removeRecursively());
        QVERIFY_THROWS_EXCEPTION(EDirMonError, monitor.SetActive(true));
        QVERIFY(!monitor.Active());
    }

    void noFiltersNoWatch()
    {
        TDirMon monitor;
        Watch(monitor, TWatchFilters());
        QVERIFY(!monitor.Active());
        QCOMPARE(monitor.WatchThread(), nullptr);
    }

    void stopFromAHandler()
    {
        TDirMon monitor;
        TRecorder events(monitor);
        events.Then = [&](const QString &) { monitor.SetActive(false); };
        Watch(monitor, {nfFILE_NAME});
        for (const QString &name : {u"1"_s, u"2"_s, u"3"_s})
            QVERIFY(Touch(FWatched + name));
        QTRY_VERIFY(!monitor.Active());
        QCOMPARE(events.Events, QStringList{u"created 1"_s});
    }

    void restartFromAHandler()
    {
        const QString other = FWatched + u"other/"_s;
        QVERIFY(QDir().mkpath(other));
        TDirMon monitor;
        TRecorder events(monitor);
        events.Then = [&](const QString &event) {
            if (event == u"created first"_s)
                monitor.SetPath(other);
        };
        Watch(monitor, {nfFILE_NAME});
        QVERIFY(Touch(FWatched + u"first"_s));
        QTRY_VERIFY(events.Has(u"created first"_s));
        QCOMPARE(monitor.Path(), other);
        QVERIFY(Touch(other + u"second"_s));
        QTRY_VERIFY(events.Has(u"created second"_s));
    }

    void stopWhileABatchWaits()
    {
        TDirMon monitor;
        TRecorder events(monitor);
        Watch(monitor, {nfFILE_NAME});
        QVERIFY(Touch(FWatched + u"a"_s));
        // The window's thread is busy: the wait thread reads the change and waits in
        // the hand-over. Stop must serve it, not wait for ever.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        monitor.SetActive(false);
        QCOMPARE(events.Events, QStringList{u"created a"_s});
        QVERIFY(!monitor.Active());
    }

    void destroyingAnActiveMonitor()
    {
        const int before = OpenDescriptors();
        auto monitor = std::make_unique<TDirMon>();
        Watch(*monitor, TWatchFilters::Default());
        const QPointer<TWaitThread> thread = monitor->WatchThread();
        QVERIFY(thread->isRunning());
        QVERIFY(OpenDescriptors() > before);
        monitor.reset();
        QVERIFY(thread.isNull());
        QCOMPARE(OpenDescriptors(), before);
    }

    void watchedFolderRemoved()
    {
        TDirMon monitor;
        TRecorder events(monitor);
        Watch(monitor, {nfFILE_NAME});
        QVERIFY(Touch(FWatched + u"a"_s));
        QTRY_VERIFY(events.Has(u"created a"_s));
        QVERIFY(QDir(FWatched).removeRecursively());
        QTRY_VERIFY(!monitor.Active());
        QCOMPARE(monitor.WatchThread(), nullptr);
        QTRY_VERIFY(events.Has(u"deleted a"_s));
        QVERIFY_THROWS_EXCEPTION(EDirMonError, monitor.SetActive(true));
    }

    void overflowReportsNothingForItsBatch()
    {
        QFile limitFile(u"/proc/sys/fs/inotify/max_queued_events"_s);
        QVERIFY(limitFile.open(QIODevice::ReadOnly));
        const int limit = limitFile.readAll().trimmed().toInt();
        if (limit <= 0 || limit > 40000)
            QSKIP("the kernel's event queue is too long to overflow quickly here");

        TDirMon monitor;
        TRecorder events(monitor);
        Watch(monitor, {nfFILE_NAME});
        // The window's thread stays busy while the folder fills far beyond the queue.
        const int files = limit + 1000;
        for (int i = 0; i < files; ++i)
            QVERIFY(Touch(FWatched + QString::number(i)));
        // Changes made once the queue has drained are reported again.
        int later = 0;
        QTRY_VERIFY_WITH_TIMEOUT((Touch(FWatched + u"later-"_s + QString::number(++later)),
                                  events.CountStartingWith(u"created later-"_s) > 0),
                                 20000);
        QVERIFY(events.CountStartingWith(u"created "_s) < files);
    }

    void subfolders_data()
    {
        QTest::addColumn<bool>("subtree");
        QTest::newRow("watched") << true;
        QTest::newRow("not watched") << false;
    }
    void subfolders()
    {
        QFETCH(bool, subtree);
        QVERIFY(QDir(FWatched).mkpath(u"old/deeper"_s));
        TDirMon monitor;
        TRecorder events(monitor);
        monitor.SetWatchSubtree(subtree);
        Watch(monitor, {nfFILE_NAME, nfDIR_NAME});
        QVERIFY(Touch(FWatched + u"old/deeper/x"_s));
        QVERIFY(QDir(FWatched).mkdir(u"new"_s));
        QTRY_VERIFY(events.Has(u"created new"_s));
        QVERIFY(Touch(FWatched + u"new/y"_s));
        QVERIFY(QFile::rename(FWatched + u"old/deeper/x"_s, FWatched + u"new/x"_s));
        QVERIFY(Touch(FWatched + u"end"_s));
        QTRY_VERIFY(events.Has(u"created end"_s));
        if (subtree)
            QCOMPARE(events.Events, (QStringList{u"created old/deeper/x"_s, u"created new"_s, u"created new/y"_s,
                                                 u"renamed old/deeper/x > new/x"_s, u"created end"_s}));
        else
            QCOMPARE(events.Events, (QStringList{u"created new"_s, u"created end"_s}));
    }
};

QTEST_GUILESS_MAIN(TestDirMon)
#include "tst_dirmon.moc"
