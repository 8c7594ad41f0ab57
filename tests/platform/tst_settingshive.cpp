#include "TUnwritableHive.h"
#include "platform/TSettingsHive.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

// Acts, on this thread, as a user who owns the hive's folder and file and is bound by their
// modes; root is not, so a test run as root hands them to an unprivileged user and takes up
// that user's file-system identity.
class TUserFiles
{
public:
    TUserFiles(const QString &folder, const QString &file)
    {
        if (geteuid() != 0) {
            FReady = true;
            return;
        }
        const uid_t user = 65534;
        FReady = ::chown(QFile::encodeName(folder).constData(), user, gid_t(-1)) == 0
                 && ::chown(QFile::encodeName(file).constData(), user, gid_t(-1)) == 0;
        if (FReady) {
            setfsuid(user);
            FDropped = FReady = setfsuid(user) == int(user);
        }
    }
    ~TUserFiles()
    {
        if (FDropped)
            setfsuid(0);
    }
    TUserFiles(const TUserFiles &) = delete;
    TUserFiles &operator=(const TUserFiles &) = delete;

    bool Ready() const { return FReady; }

private:
    bool FReady = false;
    bool FDropped = false;
};

} // namespace

class tst_SettingsHive : public QObject
{
    Q_OBJECT

private:
    QString HivePath() const { return FDir->filePath(u"foldermate/settings.sqlite3"_s); }
    static QByteArray ReadAll(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void WriteAll(const QString &path, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    static QByteArray Fetch(TSettingsHive &hive, const QString &key, const QString &name, quint32 *kind = nullptr)
    {
        TSettingsHive::TValue value;
        if (hive.QueryValue(key, name, &value) != TSettingsHive::lkFound)
            return "<missing>";
        if (kind)
            *kind = value.Kind;
        return value.Data;
    }

    std::optional<QTemporaryDir> FDir;

private slots:
    void init()
    {
        FDir.emplace();
        QVERIFY(FDir->isValid());
        // Readable by the unprivileged user the read-only cases switch to.
        QFile::setPermissions(FDir->path(), TUnwritableHive::Browse() | QFile::WriteOwner);
    }

    void keyNamesMatchWithoutCaseAndKeepTheirFirstCase()
    {
        TSettingsHive hive(HivePath());
        QVERIFY(hive.CreateKey(u"\\Software\\Orvane\\Presets\\Work"_s));
        QVERIFY(hive.CreateKey(u"SOFTWARE\\orvane\\PRESETS\\Home"_s));
        QVERIFY(hive.SetValue(u"software\\ORVANE\\presets\\work"_s, u"srcPath"_s, rkSz, "a\0\0\0"_ba));

        QCOMPARE(hive.SubkeyNames(u"Software"_s), QStringList{u"Orvane"_s});
        QCOMPARE(hive.SubkeyNames(u"software\\orvane\\presets"_s), (QStringList{u"Home"_s, u"Work"_s}));
        QCOMPARE(Fetch(hive, u"Software\\Orvane\\Presets\\Work"_s, u"SRCPATH"_s), "a\0\0\0"_ba);

        // Overwriting through another spelling keeps the value's name as first written.
        QVERIFY(hive.SetValue(u"Software\\Orvane\\Presets\\Work"_s, u"SrcPath"_s, rkSz, "b\0\0\0"_ba));
        QCOMPARE(hive.ValueNames(u"Software\\Orvane\\Presets\\Work"_s), QStringList{u"srcPath"_s});
        QCOMPARE(Fetch(hive, u"Software\\Orvane\\Presets\\Work"_s, u"srcpath"_s), "b\0\0\0"_ba);
    }

    void subkeysComeInTheStoresOrder()
    {
        TSettingsHive hive(HivePath());
        for (const QString &name : {u"b"_s, u"A"_s, u"_x"_s, u"C"_s, u"a1"_s, u"10"_s, u"9"_s})
            QVERIFY(hive.CreateKey(u"K\\"_s + name));
        // By name with a to z taken as upper case: "_" sorts after the letters.
        QCOMPARE(hive.SubkeyNames(u"K"_s), (QStringList{u"10"_s, u"9"_s, u"A"_s, u"a1"_s, u"b"_s, u"C"_s, u"_x"_s}));
    }

    void valuesKeepKindAndExactBytes_data()
    {
        QTest::addColumn<quint32>("kind");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("text") << quint32(rkSz) << "W\0i\0n\0\0\0"_ba;
        QTest::newRow("expandable text") << quint32(rkExpandSz) << "%\0H\0%\0\0\0"_ba;
        QTest::newRow("dword") << quint32(rkDword) << "\xfe\xff\xff\xff"_ba;
        QTest::newRow("binary with zeros") << quint32(rkBinary) << "\0\0\x01\0\xff"_ba;
        QTest::newRow("empty binary") << quint32(rkBinary) << QByteArray();
        QTest::newRow("unknown kind") << quint32(11) << "\x01"_ba;
    }
    void valuesKeepKindAndExactBytes()
    {
        QFETCH(quint32, kind);
        QFETCH(QByteArray, bytes);
        {
            TSettingsHive hive(HivePath());
            QVERIFY(hive.SetValue(u"Key"_s, u"v"_s, kind, bytes));
        }
        // Read back by a second connection, as another running copy would.
        TSettingsHive hive(HivePath());
        quint32 storedKind = 0;
        QCOMPARE(Fetch(hive, u"Key"_s, u"v"_s, &storedKind), bytes);
        QCOMPARE(storedKind, kind);
    }

    // A deleted key takes its values and those of every key below it along: a key made
    // again under the same names starts empty.
    void deletingAKeyTreeLeavesNoValueBehind()
    {
        TSettingsHive hive(HivePath());
        QVERIFY(hive.SetValue(u"K\\Keep"_s, u"v"_s, rkDword, "\1\0\0\0"_ba));
        QVERIFY(hive.SetValue(u"K\\Gone"_s, u"v"_s, rkDword, "\2\0\0\0"_ba));
        QVERIFY(hive.SetValue(u"K\\Gone\\Sub"_s, u"w"_s, rkDword, "\3\0\0\0"_ba));
        QVERIFY(hive.DeleteKeyTree(u"k\\gone"_s));
        QCOMPARE(hive.SubkeyNames(u"K"_s), QStringList{u"Keep"_s});
        QVERIFY(hive.CreateKey(u"K\\Gone\\Sub"_s));
        QCOMPARE(hive.ValueNames(u"K\\Gone"_s), QStringList());
        QCOMPARE(hive.ValueNames(u"K\\Gone\\Sub"_s), QStringList());
        QCOMPARE(Fetch(hive, u"K\\Keep"_s, u"v"_s), "\1\0\0\0"_ba);
    }

    void addValueLeavesAnExistingValue()
    {
        TSettingsHive hive(HivePath());
        QVERIFY(hive.SetValue(u"K"_s, u"v"_s, rkDword, "\x05\0\0\0"_ba));
        QVERIFY(hive.AddValue(u"k"_s, u"V"_s, rkSz, "\0\0"_ba));
        quint32 kind = 0;
        QCOMPARE(Fetch(hive, u"K"_s, u"v"_s, &kind), "\x05\0\0\0"_ba);
        QCOMPARE(kind, quint32(rkDword));
        QVERIFY(hive.AddValue(u"K\\New"_s, u"v"_s, rkSz, "\0\0"_ba));
        QCOMPARE(Fetch(hive, u"K\\New"_s, u"v"_s), "\0\0"_ba);
    }

    void damagedFileIsMovedAsideAndTheHiveStartsEmpty_data()
    {
        QTest::addColumn<QByteArray>("content");
        QByteArray garbage;
        for (int i = 0; i < 5000; ++i)
            garbage += char('A' + i % 26);
        QTest::newRow("not a database") << garbage;
        QTest::newRow("foreign schema") << QByteArray("foreign");
        QTest::newRow("truncated") << QByteArray("truncated");
        QTest::newRow("header only") << QByteArray("SQLite format 3\0", 16);
    }
    void damagedFileIsMovedAsideAndTheHiveStartsEmpty()
    {
        QFETCH(QByteArray, content);
        if (content == "foreign") {
            QDir().mkpath(QFileInfo(HivePath()).absolutePath());
            sqlite3 *db = nullptr;
            QCOMPARE(sqlite3_open(QFile::encodeName(HivePath()).constData(), &db), SQLITE_OK);
            QCOMPARE(sqlite3_exec(db, "CREATE TABLE photos(id INTEGER, path TEXT); INSERT INTO photos VALUES(1, 'x');",
                                  nullptr, nullptr, nullptr),
                     SQLITE_OK);
            sqlite3_close(db);
        } else if (content == "truncated") {
            {
                TSettingsHive hive(HivePath());
                for (int i = 0; i < 400; ++i)
                    QVERIFY(hive.SetValue(u"Key"_s + QString::number(i % 20), u"v"_s + QString::number(i), rkBinary,
                                          QByteArray(200, char(i))));
            }
            const QByteArray whole = ReadAll(HivePath());
            QVERIFY(whole.size() > 40000);
            WriteAll(HivePath(), whole.left(whole.size() / 2 + 100));
        } else {
            WriteAll(HivePath(), content);
        }
        const QByteArray before = ReadAll(HivePath());
        // A stale journal beside the damaged file must not find its way into the fresh one.
        WriteAll(HivePath() + u"-wal"_s, QByteArray(4096, '\x37'));

        TSettingsHive hive(HivePath());
        const QString moved = hive.TakeRecoveryNotice();
        QVERIFY2(moved.startsWith(HivePath() + u".damaged-"_s), qPrintable(moved));
        QCOMPARE(ReadAll(moved), before);
        QVERIFY(hive.TakeRecoveryNotice().isEmpty());

        QVERIFY(hive.IsOpen());
        QCOMPARE(hive.SubkeyNames(QString()), QStringList());
        QVERIFY(hive.SetValue(u"K"_s, u"v"_s, rkDword, "\1\0\0\0"_ba));
        TSettingsHive again(HivePath());
        QVERIFY(again.TakeRecoveryNotice().isEmpty());
        QCOMPARE(Fetch(again, u"K"_s, u"v"_s), "\1\0\0\0"_ba);
    }

    void secondDamageGetsItsOwnName()
    {
        WriteAll(HivePath(), "first damage, long enough to be looked at as a database file.............");
        const QString first = TSettingsHive(HivePath()).TakeRecoveryNotice();
        WriteAll(HivePath(), "second damage, long enough to be looked at as a database file............");
        const QString second = TSettingsHive(HivePath()).TakeRecoveryNotice();
        QVERIFY(!first.isEmpty());
        QVERIFY(!second.isEmpty());
        QVERIFY(first != second);
        QVERIFY(ReadAll(first).startsWith("first"));
        QVERIFY(ReadAll(second).startsWith("second"));
    }

    void unwritableHiveReadsButRefusesWrites_data()
    {
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<int>("fileMode");
        QTest::newRow("read-only file") << int(TUnwritableHive::Open()) << int(TUnwritableHive::ReadOnly());
        QTest::newRow("read-only folder") << int(TUnwritableHive::Browse()) << int(TUnwritableHive::ReadWrite());
    }
    void unwritableHiveReadsButRefusesWrites()
    {
        QFETCH(int, folderMode);
        QFETCH(int, fileMode);
        {
            TSettingsHive hive(HivePath());
            QVERIFY(hive.SetValue(u"K"_s, u"v"_s, rkDword, "\7\0\0\0"_ba));
        }
        const QByteArray before = ReadAll(HivePath());
        {
            TUnwritableHive guard(QFileInfo(HivePath()).absolutePath(), HivePath(), QFile::Permissions(folderMode),
                                  QFile::Permissions(fileMode));
            TSettingsHive hive(HivePath());
            QCOMPARE(Fetch(hive, u"K"_s, u"v"_s), "\7\0\0\0"_ba);
            QVERIFY(!hive.SetValue(u"K"_s, u"v"_s, rkDword, "\1\0\0\0"_ba));
            QVERIFY(!hive.SetValue(u"New"_s, u"v"_s, rkDword, "\1\0\0\0"_ba));
            QVERIFY(!hive.CreateKey(u"Other"_s));
            QVERIFY(!hive.DeleteKeyTree(u"K"_s));
            QVERIFY(hive.TakeRecoveryNotice().isEmpty());
            QCOMPARE(Fetch(hive, u"K"_s, u"v"_s), "\7\0\0\0"_ba);
        }
        // Never taken for damage: nothing was moved.
        QCOMPARE(QDir(QFileInfo(HivePath()).absolutePath()).entryList({u"*damaged*"_s}), QStringList());
        QCOMPARE(ReadAll(HivePath()), before);
    }

    // The user makes the settings file read-only for a while and then writable again. The
    // read-only spell must leave nothing behind that goes on refusing writes afterwards.
    void readOnlySpellLeavesTheFileWritableAfterwards_data()
    {
        QTest::addColumn<bool>("leftovers");
        QTest::newRow("clean") << false;
        // Index and journal files that a read-write connection left with the file's
        // read-only mode, as an older build of the program did.
        QTest::newRow("read-only leftovers") << true;
    }
    void readOnlySpellLeavesTheFileWritableAfterwards()
    {
        QFETCH(bool, leftovers);
        const QString folder = QFileInfo(HivePath()).absolutePath();
        {
            TSettingsHive hive(HivePath());
            QVERIFY(hive.SetValue(u"K"_s, u"v"_s, rkDword, "\7\0\0\0"_ba));
        }
        TUserFiles user(folder, HivePath());
        if (!user.Ready())
            QSKIP("cannot act as a user who is subject to file modes here");
        QVERIFY(QFile::setPermissions(HivePath(), TUnwritableHive::ReadOnly()));
        const QStringList clean = QDir(folder).entryList(QDir::Files);

        TSettingsHive hive(HivePath());
        if (leftovers) {
            sqlite3 *db = nullptr;
            QCOMPARE(sqlite3_open_v2(QFile::encodeName(HivePath()).constData(), &db, SQLITE_OPEN_READWRITE, nullptr),
                     SQLITE_OK);
            sqlite3_exec(db, "SELECT count(*) FROM hive_values", nullptr, nullptr, nullptr);
            sqlite3_close(db);
            QVERIFY(QFileInfo::exists(HivePath() + u"-shm"_s));
            QVERIFY(!(QFileInfo(HivePath() + u"-shm"_s).permissions() & QFile::WriteOwner));
        }
        QVERIFY(hive.IsReadOnly());
        QCOMPARE(Fetch(hive, u"K"_s, u"v"_s), "\7\0\0\0"_ba);
        QVERIFY(!hive.SetValue(u"K"_s, u"v"_s, rkDword, "\1\0\0\0"_ba));
        QVERIFY2(hive.LastError().contains(u"read-only"_s), qPrintable(hive.LastError()));
        if (!leftovers)
            QCOMPARE(QDir(folder).entryList(QDir::Files), clean);

        QVERIFY(QFile::setPermissions(HivePath(), TUnwritableHive::ReadWrite()));
        // The hive that was open all along writes at once...
        QVERIFY2(hive.SetValue(u"K"_s, u"v"_s, rkDword, "\2\0\0\0"_ba), qPrintable(hive.LastError()));
        QVERIFY(!hive.IsReadOnly());
        QCOMPARE(Fetch(hive, u"K"_s, u"v"_s), "\2\0\0\0"_ba);
        // ...and so does one opened afresh.
        TSettingsHive fresh(HivePath());
        QVERIFY2(fresh.SetValue(u"K"_s, u"w"_s, rkDword, "\3\0\0\0"_ba), qPrintable(fresh.LastError()));
        QCOMPARE(Fetch(fresh, u"K"_s, u"v"_s), "\2\0\0\0"_ba);
    }

    void hiveThatCannotBeCreatedFailsQuietly()
    {
        WriteAll(FDir->filePath(u"blocker"_s), "a file where the folder should be");
        TSettingsHive hive(FDir->filePath(u"blocker/foldermate/settings.sqlite3"_s));
        QVERIFY(!hive.IsOpen());
        TSettingsHive::TValue value;
        QCOMPARE(hive.QueryValue(u"K"_s, u"v"_s, &value), TSettingsHive::lkFailed);
        QVERIFY(!hive.SetValue(u"K"_s, u"v"_s, rkDword, "\1\0\0\0"_ba));
        QVERIFY(!hive.SubkeyNames(QString()));
        QVERIFY(hive.TakeRecoveryNotice().isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_SettingsHive)
#include "tst_settingshive.moc"
