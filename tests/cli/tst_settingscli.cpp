#include "platform/TSettingsHive.h"
#include "registry/RegistryUtils.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

class tst_SettingsCli : public QObject
{
    Q_OBJECT

private:
    struct TResult
    {
        int ExitCode = -1;
        QString Out;
        QString Err;
    };

    std::optional<QTemporaryDir> FDir;

    QString ConfigHome() const { return FDir->filePath(u"config"_s); }
    QString HivePath() const { return ConfigHome() + u"/foldermate/settings.sqlite3"_s; }

    TResult Run(const QStringList &args, const QString &configHome = QString()) const
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_CONFIG_HOME"_s, configHome.isEmpty() ? ConfigHome() : configHome);
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(FM_SETTINGS_EXE), args);
        TResult result;
        if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
            return result;
        result.ExitCode = process.exitCode();
        result.Out = QString::fromUtf8(process.readAllStandardOutput());
        result.Err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

private slots:
    void init()
    {
        FDir.emplace();
        QVERIFY(FDir->isValid());
        SetRootPath(DefaultRootPath());
    }
    void cleanup() { CloseSettingsHive(); }

    void getPrintsAndWritesTheDefault_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("printed");
        QTest::newRow("bool") << QStringList{u"bool"_s, u"WinMax"_s, u"false"_s} << u"false\n"_s;
        QTest::newRow("integer") << QStringList{u"integer"_s, u"WinLeft"_s, u"-5"_s} << u"-5\n"_s;
        QTest::newRow("float, shortest form") << QStringList{u"float"_s, u"F"_s, u"0.1"_s} << u"0.1\n"_s;
        QTest::newRow("string") << QStringList{u"string"_s, u"Presets\\W\\srcPath"_s, u"/tmp/ä b"_s} << u"/tmp/ä b\n"_s;
    }
    void getPrintsAndWritesTheDefault()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, printed);
        const TResult first = Run(QStringList{u"get"_s} + args);
        QCOMPARE(first.ExitCode, 0);
        QCOMPARE(first.Out, printed);
        QCOMPARE(first.Err, QString());
        // Stored now: a read with another default gives it back.
        args[2] = args.at(0) == u"bool"_s ? u"true"_s : args.at(0) == u"string"_s ? u"other"_s : u"42"_s;
        QCOMPARE(Run(QStringList{u"get"_s} + args).Out, printed);
    }

    void setWritesWhatTheProgramReads()
    {
        QCOMPARE(Run({u"set"_s, u"integer"_s, u"WinTop"_s, u"-20"_s}).ExitCode, 0);
        QCOMPARE(Run({u"set"_s, u"bool"_s, u"WinMax"_s, u"true"_s}).ExitCode, 0);
        QCOMPARE(Run({u"set"_s, u"float"_s, u"Presets\\W\\MinFileSize"_s, u"2.5"_s}).ExitCode, 0);
        QCOMPARE(Run({u"set"_s, u"string"_s, u"Presets\\W\\srcPath"_s, u"/x y"_s}).ExitCode, 0);
        QCOMPARE(Run({u"set"_s, u"binary"_s, u"Columns\\Columns_fl1"_s, u"00fF10"_s}).ExitCode, 0);

        OpenSettingsHive(HivePath());
        QCOMPARE(ReadInteger(u"WinTop"_s, 0), -20);
        QCOMPARE(ReadBool(u"WinMax"_s, false), true);
        QCOMPARE(ReadFloat(u"Presets\\W\\MinFileSize"_s, 0), 2.5f);
        QCOMPARE(ReadString(u"Presets\\W\\srcPath"_s, QString()), u"/x y"_s);
        char buffer[8];
        QCOMPARE(ReadBinary(u"Columns\\Columns_fl1"_s, buffer, 8), 3);
        QCOMPARE(QByteArray(buffer, 3), "\x00\xff\x10"_ba);
        CloseSettingsHive();

        QCOMPARE(Run({u"get"_s, u"binary"_s, u"Columns\\Columns_fl1"_s, u"3"_s}).Out, u"00ff10\n"_s);
    }

    void storeErrorsExitOneWithTheMessageAlone()
    {
        QCOMPARE(Run({u"set"_s, u"integer"_s, u"LangID"_s, u"3"_s}).ExitCode, 0);
        const TResult text = Run({u"get"_s, u"string"_s, u"LangID"_s, QString()});
        QCOMPARE(text.ExitCode, 1);
        QCOMPARE(text.Err, u"Invalid data type for 'LangID'\n"_s);
        QCOMPARE(text.Out, QString());
        const TResult binary = Run({u"get"_s, u"binary"_s, u"LangID"_s, u"16"_s});
        QCOMPARE(binary.ExitCode, 1);
        QCOMPARE(binary.Err, u"Invalid data type for 'LangID'\n"_s);

        // A settings folder that cannot be made: reads still answer, writes fail.
        QFile blocker(FDir->filePath(u"blocker"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString nowhere = FDir->filePath(u"blocker/config"_s);
        const TResult read = Run({u"get"_s, u"integer"_s, u"WinWidth"_s, u"640"_s}, nowhere);
        QCOMPARE(read.ExitCode, 0);
        QCOMPARE(read.Out, u"640\n"_s);
        const TResult write = Run({u"set"_s, u"bool"_s, u"WinMax"_s, u"true"_s}, nowhere);
        QCOMPARE(write.ExitCode, 1);
        QVERIFY2(write.Err.startsWith(u"Failed to set data for 'WinMax': "_s) && write.Err.count(u'\n') == 1,
                 qPrintable(write.Err));
    }

    void usageErrorsExitTwoWithOneLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no command") << QStringList();
        QTest::newRow("unknown command") << QStringList{u"frob"_s};
        QTest::newRow("unknown kind") << QStringList{u"get"_s, u"text"_s, u"X"_s, u"1"_s};
        QTest::newRow("not an integer") << QStringList{u"set"_s, u"integer"_s, u"X"_s, u"12a"_s};
        QTest::newRow("integer too big") << QStringList{u"set"_s, u"integer"_s, u"X"_s, u"2147483648"_s};
        QTest::newRow("not a bool") << QStringList{u"set"_s, u"bool"_s, u"X"_s, u"maybe"_s};
        QTest::newRow("float out of range") << QStringList{u"set"_s, u"float"_s, u"X"_s, u"1e50"_s};
        QTest::newRow("nan") << QStringList{u"set"_s, u"float"_s, u"X"_s, u"nan"_s};
        QTest::newRow("infinity") << QStringList{u"set"_s, u"float"_s, u"X"_s, u"-inf"_s};
        QTest::newRow("nan as a default") << QStringList{u"get"_s, u"float"_s, u"X"_s, u"NaN"_s};
        QTest::newRow("integer with a blank") << QStringList{u"set"_s, u"integer"_s, u"X"_s, u" 5"_s};
        QTest::newRow("integer with a blank after") << QStringList{u"get"_s, u"integer"_s, u"X"_s, u"5 "_s};
        QTest::newRow("size with a blank") << QStringList{u"get"_s, u"binary"_s, u"X"_s, u" 4"_s};
        QTest::newRow("export --all with a key") << QStringList{u"export"_s, u"--all"_s, u"Presets"_s};
        QTest::newRow("odd hex") << QStringList{u"set"_s, u"binary"_s, u"X"_s, u"abc"_s};
        QTest::newRow("not hex") << QStringList{u"set"_s, u"binary"_s, u"X"_s, u"zz"_s};
        QTest::newRow("negative size") << QStringList{u"get"_s, u"binary"_s, u"X"_s, u"-1"_s};
        QTest::newRow("missing default") << QStringList{u"get"_s, u"integer"_s, u"X"_s};
        QTest::newRow("too many") << QStringList{u"list"_s, u"a"_s, u"b"_s};
        QTest::newRow("delete without path") << QStringList{u"delete"_s};
        QTest::newRow("unknown option") << QStringList{u"--bogus"_s, u"list"_s};
    }
    void usageErrorsExitTwoWithOneLine()
    {
        QFETCH(QStringList, args);
        const TResult result = Run(args);
        QCOMPARE(result.ExitCode, 2);
        QCOMPARE(result.Out, QString());
        QVERIFY2(result.Err.endsWith(u'\n') && result.Err.count(u'\n') == 1, qPrintable(result.Err));
        QCOMPARE(Run({u"export"_s}).Out, QString());
    }

    // Arguments whose bytes are not UTF-8, given to the program as they are.
    TResult RunBytes(const QList<QByteArray> &args) const
    {
        QString script = u"exec \"$0\""_s;
        for (const QByteArray &arg : args) {
            script += u" \"$(printf '"_s;
            for (const char c : arg)
                script += u'\\' + QString::number(uchar(c), 8).rightJustified(3, u'0');
            script += u"')\""_s;
        }
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_CONFIG_HOME"_s, ConfigHome());
        process.setProcessEnvironment(env);
        process.start(u"/bin/sh"_s, {u"-c"_s, script, QStringLiteral(FM_SETTINGS_EXE)});
        TResult result;
        if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
            return result;
        result.ExitCode = process.exitCode();
        result.Out = QString::fromUtf8(process.readAllStandardOutput());
        result.Err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    void textThatIsNotUtf8IsRefused_data()
    {
        QTest::addColumn<QList<QByteArray>>("args");
        QTest::addColumn<QString>("shown");
        QTest::newRow("value") << QList<QByteArray>{"set", "string", "Presets\\W\\srcPath", "/home/a\xff"}
                               << u"argument 4 is not valid UTF-8: '/home/a\\xff'"_s;
        QTest::newRow("name") << QList<QByteArray>{"set", "integer", "Presets\\\xc3(\\MrgErrSec", "1"}
                              << u"argument 3 is not valid UTF-8"_s;
        QTest::newRow("default") << QList<QByteArray>{"get", "string", "Filter", "\xed\xa0\x80"}
                                 << u"argument 4 is not valid UTF-8"_s;
    }
    void textThatIsNotUtf8IsRefused()
    {
        QFETCH(QList<QByteArray>, args);
        QFETCH(QString, shown);
        // The same bytes made valid go through: only the broken ones are refused.
        QCOMPARE(RunBytes({"set", "string", "Presets\\W\\srcPath", "/home/a\xc3\xa9"}).ExitCode, 0);
        const TResult result = RunBytes(args);
        QCOMPARE(result.ExitCode, 2);
        QVERIFY2(result.Err.contains(shown), qPrintable(result.Err));
        QCOMPARE(Run({u"get"_s, u"string"_s, u"Presets\\W\\srcPath"_s, QString()}).Out, u"/home/a\u00e9\n"_s);
        QCOMPARE(Run({u"list"_s, u"Presets"_s}).Out, u"W\n"_s);
        QVERIFY(!Run({u"export"_s}).Out.contains(u"Filter"_s));
    }

    void rootOptionReplacesTheRootForOneCommand()
    {
        const QString older = u"\\Software\\Orvane Studio\\Foldermate Pro"_s;
        QCOMPARE(Run({u"--root"_s, older, u"set"_s, u"integer"_s, u"Presets\\Count"_s, u"2"_s}).ExitCode, 0);
        QCOMPARE(Run({u"get"_s, u"integer"_s, u"Presets\\Count"_s, u"0"_s}).Out, u"0\n"_s);
        QCOMPARE(Run({u"--root"_s, older, u"get"_s, u"integer"_s, u"Presets\\Count"_s, u"0"_s}).Out, u"2\n"_s);
        QCOMPARE(Run({u"--root"_s, older, u"list"_s, u"presets"_s}).Out, QString());
        QCOMPARE(Run({u"--root"_s, older, u"export"_s, u"Presets"_s}).Out,
                 u"[\\Software\\Orvane Studio\\Foldermate Pro\\Presets]\n\"Count\" = REG_DWORD 2\n"_s);
    }

    void refusedDeletesAndUnopenableStoresExitOne()
    {
        QCOMPARE(Run({u"set"_s, u"string"_s, u"Presets\\Work\\srcPath"_s, u"/data"_s}).ExitCode, 0);
        // A settings file this user cannot write; root is not bound by file modes, so the
        // command then runs as an unprivileged user who owns the files.
        QProcess::execute(u"chmod"_s, {u"444"_s, HivePath()});
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_CONFIG_HOME"_s, ConfigHome());
        process.setProcessEnvironment(env);
        if (::geteuid() == 0) {
            QCOMPARE(QProcess::execute(u"chown"_s, {u"-R"_s, u"65534"_s, FDir->path()}), 0);
            process.setChildProcessModifier([] {
                if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                    ::_exit(99);
            });
        }
        process.start(QStringLiteral(FM_SETTINGS_EXE), {u"delete"_s, u"Presets\\Work"_s});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 1);
        QCOMPARE(process.readAllStandardOutput(), QByteArray());
        QVERIFY2(process.readAllStandardError().startsWith("Failed to delete 'Presets\\Work': the settings file "), "");
        QProcess::execute(u"chmod"_s, {u"644"_s, HivePath()});
        QCOMPARE(Run({u"get"_s, u"string"_s, u"Presets\\Work\\srcPath"_s, QString()}).Out, u"/data\n"_s);

        // A store that cannot be opened gives no empty export or list as if it were empty.
        const QString blocked = FDir->filePath(u"blocked"_s);
        QVERIFY(QDir().mkpath(blocked + u"/foldermate/settings.sqlite3"_s));
        for (const QStringList &args :
             {QStringList{u"export"_s}, QStringList{u"export"_s, u"--all"_s}, QStringList{u"list"_s}}) {
            const TResult r = Run(args, blocked);
            QCOMPARE(r.ExitCode, 1);
            QCOMPARE(r.Out, QString());
            QVERIFY2(r.Err.endsWith(u"settings.sqlite3' cannot be opened\n"_s), qPrintable(r.Err));
        }
    }

    void listAndDelete()
    {
        for (const QString &path : {u"Presets\\b\\x"_s, u"Presets\\A\\Sub\\y"_s})
            QCOMPARE(Run({u"set"_s, u"integer"_s, path, u"1"_s}).ExitCode, 0);
        QCOMPARE(Run({u"list"_s, u"Presets"_s}).Out, u"A\nb\n"_s);
        QCOMPARE(Run({u"delete"_s, u"presets\\a"_s}).Out, u"true\n"_s);
        QCOMPARE(Run({u"delete"_s, u"Presets\\A"_s}).Out, u"false\n"_s);
        QCOMPARE(Run({u"list"_s, u"Presets"_s}).Out, u"b\n"_s);
    }

    void exportIsStableText()
    {
        OpenSettingsHive(HivePath());
        WriteBool(u"WinMax"_s, false);
        WriteInteger(u"LangID"_s, -1);
        WriteString(u"Presets\\work\\srcPath"_s, u"/home/\"me\"\n\\x"_s);
        WriteFloat(u"Presets\\work\\MinFileSize"_s, 1.5f);
        WriteInteger(u"Presets\\Backup\\MrgErrSec"_s, 2);
        WriteBinary(u"Columns\\Columns_fl1"_s, "\x01\xab", 2);
        WriteBinary(u"Columns\\Columns_fl2"_s, nullptr, 0);
        QVERIFY(SettingsHive().SetValue(u"Odd"_s, u"e"_s, rkExpandSz, "%\0X\0%\0\0\0"_ba));
        QVERIFY(SettingsHive().SetValue(u"Odd"_s, u"short"_s, rkDword, "\x01\x02"_ba));
        QVERIFY(SettingsHive().SetValue(u"Odd"_s, u"t9"_s, 9, "\x01"_ba));
        CloseSettingsHive();

        const QString expected = u"[\\Odd]\n"
                                 "\"e\" = REG_EXPAND_SZ \"%X%\"\n"
                                 "\"short\" = REG_DWORD hex:0102\n"
                                 "\"t9\" = REG_TYPE_9 hex:01\n"
                                 "[\\Software]\n"
                                 "[\\Software\\Orvane Studio]\n"
                                 "[\\Software\\Orvane Studio\\Foldermate]\n"
                                 "\"LangID\" = REG_DWORD -1\n"
                                 "\"WinMax\" = REG_DWORD 0\n"
                                 "[\\Software\\Orvane Studio\\Foldermate\\Columns]\n"
                                 "\"Columns_fl1\" = REG_BINARY 01ab\n"
                                 "\"Columns_fl2\" = REG_BINARY\n"
                                 "[\\Software\\Orvane Studio\\Foldermate\\Presets]\n"
                                 "[\\Software\\Orvane Studio\\Foldermate\\Presets\\Backup]\n"
                                 "\"MrgErrSec\" = REG_DWORD 2\n"
                                 "[\\Software\\Orvane Studio\\Foldermate\\Presets\\work]\n"
                                 "\"MinFileSize\" = REG_BINARY 000000000000f83f\n"
                                 "\"srcPath\" = REG_SZ \"/home/\\\"me\\\"\\n\\\\x\"\n"_s;
        const TResult whole = Run({u"export"_s, u"--all"_s});
        QCOMPARE(whole.ExitCode, 0);
        QCOMPARE(whole.Out, expected);
        // Without a key: the root and what lies below it, as for every other command.
        const TResult root = Run({u"export"_s});
        QCOMPARE(root.ExitCode, 0);
        QCOMPARE(root.Out, expected.mid(expected.indexOf(u"[\\Software\\Orvane Studio\\Foldermate]"_s)));
        QCOMPARE(Run({u"--root"_s, u"\\odd"_s, u"export"_s}).Out, expected.left(expected.indexOf(u"[\\Software]"_s)));

        const TResult key = Run({u"export"_s, u"PRESETS\\WORK"_s});
        QCOMPARE(key.Out, expected.mid(expected.indexOf(u"[\\Software\\Orvane Studio\\Foldermate\\Presets\\work]"_s)));
        const TResult missing = Run({u"export"_s, u"Nothing"_s});
        QCOMPARE(missing.ExitCode, 0);
        QCOMPARE(missing.Out, QString());
    }

    void damagedHiveIsMovedAsideAndTheCommandGoesOn()
    {
        QDir().mkpath(QFileInfo(HivePath()).absolutePath());
        QFile file(HivePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(3000, 'z'));
        file.close();

        const TResult result = Run({u"get"_s, u"integer"_s, u"WinWidth"_s, u"800"_s});
        QCOMPARE(result.ExitCode, 0);
        QCOMPARE(result.Out, u"800\n"_s);
        const QStringList moved =
            QDir(QFileInfo(HivePath()).absolutePath()).entryList({u"settings.sqlite3.damaged-*"_s});
        QCOMPARE(moved.size(), 1);
        QVERIFY2(result.Err.contains(moved.first()), qPrintable(result.Err));
        QCOMPARE(Run({u"get"_s, u"integer"_s, u"WinWidth"_s, u"1"_s}).Out, u"800\n"_s);
    }
};

QTEST_GUILESS_MAIN(tst_SettingsCli)
#include "tst_settingscli.moc"
