#include "TUnwritableHive.h"
#include "platform/TSettingsHive.h"
#include "registry/ERegistryError.h"
#include "registry/RegistryUtils.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

const QString kRoot = u"\\Software\\Orvane Studio\\Foldermate"_s;

struct TStored
{
    quint32 Kind = rkNone;
    QByteArray Data;
    bool Found = false;
};

// What the hive holds below the program's root, looked at directly.
TStored Stored(const QString &key, const QString &name)
{
    TSettingsHive::TValue value;
    TStored stored;
    stored.Found = SettingsHive().QueryValue(kRoot + u'\\' + key, name, &value) == TSettingsHive::lkFound;
    stored.Kind = value.Kind;
    stored.Data = value.Data;
    return stored;
}

void Put(const QString &key, const QString &name, quint32 kind, const QByteArray &data)
{
    QVERIFY(SettingsHive().SetValue(kRoot + u'\\' + key, name, kind, data));
}

QByteArray Utf16z(const QString &text)
{
    QByteArray bytes;
    for (QChar c : text)
        bytes += char(c.unicode() & 0xff), bytes += char(c.unicode() >> 8);
    return bytes + "\0\0"_ba;
}

QString RaisedMessage(const std::function<void()> &operation)
{
    try {
        operation();
    } catch (const ERegistryError &error) {
        return error.Message();
    }
    return u"<nothing raised>"_s;
}

} // namespace

class tst_RegistryUtils : public QObject
{
    Q_OBJECT

private:
    std::optional<QTemporaryDir> FDir;
    QString HivePath() const { return FDir->filePath(u"foldermate/settings.sqlite3"_s); }

private slots:
    void init()
    {
        FDir.emplace();
        QVERIFY(FDir->isValid());
        QFile::setPermissions(FDir->path(), TUnwritableHive::Browse() | QFile::WriteOwner);
        OpenSettingsHive(HivePath());
        SetRootPath(DefaultRootPath());
    }
    void cleanup() { CloseSettingsHive(); }

    void readOfAMissingValueWritesItsDefault_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QVariant>("defaultValue");
        QTest::addColumn<quint32>("storedKind");
        QTest::addColumn<QByteArray>("storedData");
        QTest::newRow("bool false in the root key")
            << u"WinMax"_s << u"bool"_s << QVariant(false) << quint32(rkDword) << "\0\0\0\0"_ba;
        QTest::newRow("bool true") << u"FirstPass"_s << u"bool"_s << QVariant(true) << quint32(rkDword)
                                   << "\1\0\0\0"_ba;
        QTest::newRow("negative integer")
            << u"WinLeft"_s << u"integer"_s << QVariant(-2) << quint32(rkDword) << "\xfe\xff\xff\xff"_ba;
        QTest::newRow("empty string") << u"Presets\\Work\\Filter"_s << u"string"_s << QVariant(QString())
                                      << quint32(rkSz) << "\0\0"_ba;
        QTest::newRow("string") << u"Presets\\Work\\srcPath"_s << u"string"_s << QVariant(u"/home/ä"_s) << quint32(rkSz)
                                << Utf16z(u"/home/ä"_s);
        QTest::newRow("float as a double") << u"Presets\\Work\\MinFileSize"_s << u"float"_s << QVariant(1.5f)
                                           << quint32(rkBinary) << "\0\0\0\0\0\0\xf8\x3f"_ba;
    }
    void readOfAMissingValueWritesItsDefault()
    {
        QFETCH(QString, path);
        QFETCH(QString, kind);
        QFETCH(QVariant, defaultValue);
        QFETCH(quint32, storedKind);
        QFETCH(QByteArray, storedData);

        QVariant result;
        if (kind == u"bool"_s)
            result = ReadBool(path, defaultValue.toBool());
        else if (kind == u"integer"_s)
            result = ReadInteger(path, defaultValue.toInt());
        else if (kind == u"string"_s)
            result = ReadString(path, defaultValue.toString());
        else
            result = ReadFloat(path, defaultValue.toFloat());
        QCOMPARE(result, defaultValue);

        const qsizetype slash = path.lastIndexOf(u'\\');
        const TStored stored = slash < 0 ? Stored(QString(), path) : Stored(path.left(slash), path.mid(slash + 1));
        QVERIFY(stored.Found);
        QCOMPARE(stored.Kind, storedKind);
        QCOMPARE(stored.Data, storedData);
    }

    void storedValuesReadBack_data()
    {
        QTest::addColumn<quint32>("kind");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("readAs");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("dword 2 is true") << quint32(rkDword) << "\2\0\0\0"_ba << u"bool"_s << QVariant(true);
        QTest::newRow("dword 0 is false") << quint32(rkDword) << "\0\0\0\0"_ba << u"bool"_s << QVariant(false);
        QTest::newRow("dword as integer")
            << quint32(rkDword) << "\xff\xff\xff\x7f"_ba << u"integer"_s << QVariant(2147483647);
        QTest::newRow("expandable text unexpanded")
            << quint32(rkExpandSz) << Utf16z(u"%HOME%/x"_s) << u"string"_s << QVariant(u"%HOME%/x"_s);
        QTest::newRow("text ends at its first NUL")
            << quint32(rkSz) << "a\0\0\0b\0\0\0"_ba << u"string"_s << QVariant(u"a"_s);
        QTest::newRow("text without its NUL") << quint32(rkSz) << "a\0b\0"_ba << u"string"_s << QVariant(u"ab"_s);
        QTest::newRow("empty value of any kind is empty text")
            << quint32(rkBinary) << QByteArray() << u"string"_s << QVariant(QString());
        QTest::newRow("double narrowed to float")
            << quint32(rkBinary) << "\x9a\x99\x99\x99\x99\x99\xb9\x3f"_ba << u"float"_s << QVariant(0.1f);
        QTest::newRow("double beyond float range") << quint32(rkBinary) << "\x9c\x75\x88\x3c\xe4\x37\x7e\x7e"_ba
                                                   << u"float"_s << QVariant(std::numeric_limits<float>::infinity());
    }
    void storedValuesReadBack()
    {
        QFETCH(quint32, kind);
        QFETCH(QByteArray, data);
        QFETCH(QString, readAs);
        QFETCH(QVariant, expected);
        Put(u"Presets\\Work"_s, u"v"_s, kind, data);
        const QString path = u"Presets\\Work\\v"_s;
        if (readAs == u"bool"_s)
            QCOMPARE(ReadBool(path, !expected.toBool()), expected.toBool());
        else if (readAs == u"integer"_s)
            QCOMPARE(ReadInteger(path, 0), expected.toInt());
        else if (readAs == u"string"_s)
            QCOMPARE(ReadString(path, u"default"_s), expected.toString());
        else
            QCOMPARE(ReadFloat(path, 0), expected.toFloat());
    }

    void wrongKindGivesTheDefaultAndStaysAsItWas_data()
    {
        QTest::addColumn<QString>("readAs");
        QTest::addColumn<quint32>("kind");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("integer over text") << u"integer"_s << quint32(rkSz) << Utf16z(u"12"_s);
        QTest::newRow("integer over binary") << u"integer"_s << quint32(rkBinary) << "\1\0\0\0"_ba;
        QTest::newRow("integer over a short dword") << u"integer"_s << quint32(rkDword) << "\1\0"_ba;
        QTest::newRow("bool over text") << u"bool"_s << quint32(rkSz) << Utf16z(u"true"_s);
        QTest::newRow("float over 4 bytes of binary") << u"float"_s << quint32(rkBinary) << "\0\0\xc0\x3f"_ba;
        QTest::newRow("float over a dword") << u"float"_s << quint32(rkDword) << "\1\0\0\0"_ba;
        QTest::newRow("float over 9 bytes") << u"float"_s << quint32(rkBinary) << QByteArray(9, '\1');
    }
    void wrongKindGivesTheDefaultAndStaysAsItWas()
    {
        QFETCH(QString, readAs);
        QFETCH(quint32, kind);
        QFETCH(QByteArray, data);
        Put(QString(), u"Value"_s, kind, data);
        if (readAs == u"integer"_s)
            QCOMPARE(ReadInteger(u"Value"_s, 42), 42);
        else if (readAs == u"bool"_s)
            QCOMPARE(ReadBool(u"Value"_s, true), true);
        else
            QCOMPARE(ReadFloat(u"Value"_s, 2.5f), 2.5f);
        const TStored stored = Stored(QString(), u"Value"_s);
        QCOMPARE(stored.Kind, kind);
        QCOMPARE(stored.Data, data);
    }

    void writesStoreTheirKindsForm()
    {
        WriteBool(u"WinMax"_s, true);
        QCOMPARE(Stored(QString(), u"WinMax"_s).Data, "\1\0\0\0"_ba);
        WriteFloat(u"F"_s, 1.5f);
        QCOMPARE(Stored(QString(), u"F"_s).Kind, quint32(rkBinary));
        QCOMPARE(Stored(QString(), u"F"_s).Data, "\0\0\0\0\0\0\xf8\x3f"_ba);
        QCOMPARE(ReadFloat(u"F"_s, 0), 1.5f);
        WriteInteger(u"F"_s, 3); // a write replaces a value of another kind
        QCOMPARE(Stored(QString(), u"F"_s).Kind, quint32(rkDword));
    }
    void textOfTheWrongKindIsAnError()
    {
        WriteInteger(u"Presets\\Work\\srcPath"_s, 5);
        QCOMPARE(RaisedMessage([] { ReadString(u"Presets\\Work\\srcPath"_s, QString()); }),
                 u"Invalid data type for 'srcPath'"_s);
        QCOMPARE(Stored(u"Presets\\Work"_s, u"srcPath"_s).Kind, quint32(rkDword));
    }

    void readBinary_data()
    {
        QTest::addColumn<quint32>("kind");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("bufferSize");
        QTest::addColumn<int>("expectedSize"); // -1: raises
        QTest::newRow("missing: nothing written") << quint32(rkNone) << "<missing>"_ba << 8 << 0;
        QTest::newRow("fits") << quint32(rkBinary) << "\1\2\3"_ba << 8 << 3;
        QTest::newRow("fits exactly") << quint32(rkBinary) << "\1\2\3"_ba << 3 << 3;
        QTest::newRow("empty") << quint32(rkBinary) << QByteArray() << 0 << 0;
        QTest::newRow("larger than the buffer") << quint32(rkBinary) << "\1\2\3"_ba << 2 << -1;
        QTest::newRow("unknown kind") << quint32(rkNone) << "\1\2"_ba << 8 << 2;
        QTest::newRow("text") << quint32(rkSz) << Utf16z(u"a"_s) << 8 << -1;
        QTest::newRow("dword") << quint32(rkDword) << "\1\0\0\0"_ba << 8 << -1;
    }
    void readBinary()
    {
        QFETCH(quint32, kind);
        QFETCH(QByteArray, data);
        QFETCH(int, bufferSize);
        QFETCH(int, expectedSize);
        const bool missing = data == "<missing>";
        if (missing)
            data.clear();
        else
            Put(u"Columns"_s, u"Columns_fl1"_s, kind, data);
        QByteArray buffer(bufferSize + 4, '\xee');
        if (expectedSize < 0) {
            QCOMPARE(RaisedMessage([&] { ReadBinary(u"Columns\\Columns_fl1"_s, buffer.data(), bufferSize); }),
                     u"Invalid data type for 'Columns_fl1'"_s);
            QCOMPARE(buffer, QByteArray(bufferSize + 4, '\xee'));
            return;
        }
        QCOMPARE(ReadBinary(u"Columns\\Columns_fl1"_s, buffer.data(), bufferSize), expectedSize);
        QCOMPARE(buffer.left(expectedSize), data);
        QCOMPARE(buffer.mid(expectedSize), QByteArray(bufferSize + 4 - expectedSize, '\xee'));
        QCOMPARE(Stored(u"Columns"_s, u"Columns_fl1"_s).Found, !missing);
    }

    void listSubkeys()
    {
        QStringList list{u"stale"_s};
        ListSubkeys(u"Presets"_s, list);
        QCOMPARE(list, QStringList());
        QVERIFY(!SettingsHive().KeyExists(kRoot + u"\\Presets"_s));

        for (const QString &title : {u"work"_s, u"Backup"_s, u"Zeta"_s, u"alpha"_s})
            WriteBool(u"Presets\\"_s + title + u"\\DoSubFolders"_s, true);
        WriteBool(u"Presets\\work\\Nested\\x"_s, true);
        WriteBool(u"Presets\\NotAKey"_s, true);
        ListSubkeys(u"Presets"_s, list);
        QCOMPARE(list, (QStringList{u"alpha"_s, u"Backup"_s, u"work"_s, u"Zeta"_s}));
    }

    void deleteEntry()
    {
        WriteString(u"Presets\\Work\\srcPath"_s, u"/a"_s);
        WriteInteger(u"Presets\\Work\\Sub\\Deeper\\x"_s, 1);
        WriteInteger(u"Presets\\Work"_s, 7); // a value of the same name in the parent
        WriteString(u"Presets\\Home\\srcPath"_s, u"/h"_s);

        QVERIFY(DeleteEntry(u"Presets\\Work"_s));
        QVERIFY(!Stored(u"Presets"_s, u"Work"_s).Found);
        QVERIFY(!Stored(u"Presets\\Work"_s, u"srcPath"_s).Found);
        QVERIFY(!SettingsHive().KeyExists(kRoot + u"\\Presets\\Work\\Sub"_s));
        QStringList list;
        ListSubkeys(u"Presets"_s, list);
        QCOMPARE(list, QStringList{u"Home"_s});
        // Made again, the key starts empty: nothing of the old subtree is left over.
        WriteInteger(u"Presets\\Work\\y"_s, 1);
        ListSubkeys(u"Presets\\Work"_s, list);
        QCOMPARE(list, QStringList());
        QVERIFY(!Stored(u"Presets\\Work"_s, u"srcPath"_s).Found);

        // Only a value: it goes, and no subkey was deleted.
        WriteInteger(u"Presets\\Count"_s, 3);
        QVERIFY(!DeleteEntry(u"Presets\\Count"_s));
        QVERIFY(!Stored(u"Presets"_s, u"Count"_s).Found);
        QVERIFY(!DeleteEntry(u"Presets\\Nothing"_s));
    }

    void deleteEntryWithAnEmptyNameKeepsTheKey()
    {
        WriteString(u"Presets\\Home\\srcPath"_s, u"/h"_s);
        QVERIFY(!DeleteEntry(u"Presets\\"_s));
        QVERIFY(!DeleteEntry(QString()));
        QCOMPARE(ReadString(u"Presets\\Home\\srcPath"_s, QString()), u"/h"_s);
    }

    void rootPathDecidesWhereValuesLive()
    {
        QCOMPARE(RootPath(), kRoot);
        SetRootPath(u"\\Software\\Orvane Studio\\Foldermate Pro"_s);
        QCOMPARE(ReadInteger(u"Presets\\Count"_s, 0), 0);
        WriteString(u"Presets\\0001\\Caption"_s, u"Old"_s);
        SetRootPath(DefaultRootPath());
        QVERIFY(!Stored(u"Presets"_s, u"Count"_s).Found);
        QStringList list;
        ListSubkeys(u"Presets"_s, list);
        QCOMPARE(list, QStringList());
        TSettingsHive::TValue value;
        QCOMPARE(SettingsHive().QueryValue(u"\\Software\\Orvane Studio\\Foldermate Pro\\Presets\\0001"_s, u"Caption"_s,
                                           &value),
                 TSettingsHive::lkFound);
        QCOMPARE(value.Data, Utf16z(u"Old"_s));
    }

    void unwritableHiveGivesDefaultsAndBothErrors()
    {
        WriteInteger(u"LangID"_s, 3);
        CloseSettingsHive();
        TUnwritableHive guard(FDir->filePath(u"foldermate"_s), HivePath(), TUnwritableHive::Browse(),
                              TUnwritableHive::ReadOnly());
        OpenSettingsHive(HivePath());

        QCOMPARE(ReadInteger(u"LangID"_s, -1), 3);
        QCOMPARE(ReadBool(u"WinMax"_s, true), true);
        QCOMPARE(ReadString(u"Presets\\Work\\srcPath"_s, u"/d"_s), u"/d"_s);
        const QString refused = RaisedMessage([] { WriteBool(u"WinMax"_s, false); });
        // The store's message, and why.
        QVERIFY2(refused.startsWith(u"Failed to set data for 'WinMax': "_s) && refused.contains(u"read-only"_s),
                 qPrintable(refused));
        QCOMPARE(RaisedMessage([] { ReadString(u"LangID"_s, QString()); }), u"Invalid data type for 'LangID'"_s);
        QVERIFY(!DeleteEntry(u"LangID"_s));
        QCOMPARE(ReadInteger(u"LangID"_s, -1), 3);
        CloseSettingsHive();
    }

    void twoProcessesWritingAtOnceLoseNothing()
    {
        CloseSettingsHive();
        const int count = 1000;
        QProcess first;
        QProcess second;
        first.start(QStringLiteral(FM_STORE_WRITER_EXE), {HivePath(), u"First"_s, QString::number(count)});
        second.start(QStringLiteral(FM_STORE_WRITER_EXE), {HivePath(), u"Second"_s, QString::number(count)});
        QVERIFY(first.waitForFinished(90000));
        QVERIFY(second.waitForFinished(90000));
        QCOMPARE(first.exitCode(), 0);
        QCOMPARE(second.exitCode(), 0);

        OpenSettingsHive(HivePath());
        for (const QString &writer : {u"First"_s, u"Second"_s}) {
            const auto names = SettingsHive().ValueNames(kRoot + u'\\' + writer);
            QVERIFY(names);
            QCOMPARE(names->size(), count);
            for (int i = 0; i < count; ++i)
                QCOMPARE(ReadInteger(writer + u"\\v"_s + QString::number(i), -1), i);
        }
    }
};

QTEST_GUILESS_MAIN(tst_RegistryUtils)
#include "tst_registryutils.moc"
