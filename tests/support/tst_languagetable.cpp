#include "support/TLanguageTable.h"
#include "support/TmxStorage.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray Encoded(const QString &text, QStringConverter::Encoding encoding, bool mark)
{
    QStringEncoder encoder(encoding, mark ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
    return encoder.encode(text);
}

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestLanguageTable : public QObject
{
    Q_OBJECT

private slots:
    void everyEncodingGivesTheSameTable_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QString text = u"Größe\r\n\r\n日本語 ok\r\n+/- margin"_s;
        QTest::newRow("UTF-16 LE") << Encoded(text, QStringConverter::Utf16LE, true);
        QTest::newRow("UTF-16 BE") << Encoded(text, QStringConverter::Utf16BE, true);
        QTest::newRow("UTF-8 with mark") << Encoded(text, QStringConverter::Utf8, true);
        QTest::newRow("UTF-8 without mark") << Encoded(text, QStringConverter::Utf8, false);
    }
    void everyEncodingGivesTheSameTable()
    {
        QFETCH(QByteArray, bytes);
        const TLanguageTable table = TLanguageTable::FromBytes(bytes);
        QCOMPARE(table.Lines(), (QStringList{u"Größe"_s, QString(), u"日本語 ok"_s, u"+/- margin"_s}));
    }

    void invalidUtf8IsLatin1()
    {
        const TLanguageTable table = TLanguageTable::FromBytes("Gr\xF6\xDF"
                                                               "e\r\nna\xEFve");
        QCOMPARE(table.Lines(), (QStringList{u"Größe"_s, u"naïve"_s}));
        // A multi-byte sequence cut off at the end is not valid UTF-8 either.
        QCOMPARE(TLanguageTable::FromBytes("ab\xC3").text(0), u"ab\u00C3"_s);
    }

    void lineBreaks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR LF") << u"a\r\nb"_s << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("lone CR") << u"a\rb"_s << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("lone LF") << u"a\nb"_s << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("break after the last line") << u"a\r\n"_s << QStringList{u"a"_s};
        QTest::newRow("empty lines keep the numbering") << u"a\n\n\nb"_s << QStringList{u"a"_s, u""_s, u""_s, u"b"_s};
        QTest::newRow("CR CR LF") << u"a\r\r\nb"_s << QStringList{u"a"_s, u""_s, u"b"_s};
        QTest::newRow("LF CR") << u"a\n\rb"_s << QStringList{u"a"_s, u""_s, u"b"_s};
        QTest::newRow("only a break") << u"\r\n"_s << QStringList{u""_s};
        QTest::newRow("nothing") << QString() << QStringList();
        QTest::newRow("NUL ends the text") << u"a\r\nb"_s + QChar(0) + u"c\r\nd"_s << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("an overlong line is cut") << QString(TLanguageTable::LongestLine + 5, u'x') + u"\nb"_s
                                                 << QStringList{QString(TLanguageTable::LongestLine, u'x'), u"b"_s};
    }
    void lineBreaks()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QCOMPARE(TLanguageTable::FromBytes(Encoded(text, QStringConverter::Utf16LE, true)).Lines(), lines);
    }

    void missingLinesReadEmpty()
    {
        const TLanguageTable table = TLanguageTable::FromBytes("one\ntwo");
        QCOMPARE(table.text(1), u"two"_s);
        QCOMPARE(table.text(2), QString());
        QCOMPARE(table.text(94), QString());
        QCOMPARE(table.text(-1), QString());
        QCOMPARE(TLanguageTable().text(0), QString());
    }

    // The built-in English texts are the shipped English file, line by line, however many
    // lines it has.
    void builtInEnglishFile()
    {
        QFile file(QStringLiteral(FM_DATA_DIR "/Lang/English.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("\xFF\xFE"));
        QVERIFY(!bytes.endsWith(QByteArray("\n\0", 2)));
        const QStringList shipped = TLanguageTable::FromBytes(bytes).Lines();
        const TLanguageTable english = TLanguageTable::BuiltInEnglish();
        // Every line the program reads by number is there.
        QVERIFY(shipped.size() >= 96);
        QCOMPARE(english.Count(), int(shipped.size()));
        for (int line = 0; line < shipped.size(); ++line)
            QCOMPARE(english.text(line), shipped.at(line));
        QCOMPARE(english.text(0), u"Select your language:"_s);
        QCOMPARE(english.text(92), u"Ready"_s);
    }

    void fromFile()
    {
        QTemporaryDir dir;
        const QString good = dir.filePath(u"Deutsch.txt"_s);
        QVERIFY(WriteFile(good, Encoded(u"Sprache wählen:\r\nx"_s, QStringConverter::Utf16LE, true)));
        const std::optional<TLanguageTable> table = TLanguageTable::FromFile(good);
        QVERIFY(table);
        QCOMPARE(table->text(0), u"Sprache wählen:"_s);

        QVERIFY(!TLanguageTable::FromFile(dir.filePath(u"missing.txt"_s)));
        QVERIFY(QDir(dir.path()).mkdir(u"folder.txt"_s));
        QVERIFY(!TLanguageTable::FromFile(dir.filePath(u"folder.txt"_s)));
        // A FIFO in the place of a language file must not block the reader.
        const QString fifo = dir.filePath(u"fifo.txt"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(!TLanguageTable::FromFile(fifo));
        // Far larger than any language: not read at all (a 30 M-character line once held the
        // window up for a minute).
        const QString huge = dir.filePath(u"huge.txt"_s);
        QVERIFY(WriteFile(huge, QByteArray(TLanguageTable::LargestFile + 1, 'x')));
        QVERIFY(!TLanguageTable::FromFile(huge));
    }

    void loadFallsBackToEnglish_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("line0");
        QTest::newRow("the file") << 0 << u"Sprache wählen:"_s;
        QTest::newRow("missing file") << 1 << u"Select your language:"_s;
        QTest::newRow("no index") << -1 << u"Select your language:"_s;
        QTest::newRow("past the end") << 3 << u"Select your language:"_s;
    }
    void loadFallsBackToEnglish()
    {
        QFETCH(int, index);
        QFETCH(QString, line0);
        QTemporaryDir dir;
        const QString good = dir.filePath(u"Deutsch.txt"_s);
        QVERIFY(WriteFile(good, Encoded(u"Sprache wählen:"_s, QStringConverter::Utf8, false)));
        const QStringList files{good, dir.filePath(u"Gone.txt"_s)};
        TmxStorage mx;
        TmxStoredItem *en = mx.StoredItems().Add();
        en->SetName(u"EN"_s);
        QFile english(QStringLiteral(FM_DATA_DIR "/Lang/English.txt"));
        QVERIFY(english.open(QIODevice::ReadOnly));
        en->LoadFromStream(&english);
        QCOMPARE(TLanguageTable::Load(files, index, mx).text(0), line0);
    }
};

QTEST_GUILESS_MAIN(TestLanguageTable)
#include "tst_languagetable.moc"
