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
        const TLanguageTable table = TLanguageTable::FromBytes("Gr\xF6\xDF" "e\r\nna\xEFve");
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

    void builtInEnglishFile()
    {
        QFile file(QStringLiteral(FM_DATA_DIR "/Lang/English.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.size(), 5398);
        QVERIFY(bytes.startsWith("\xFF\xFE"));
        QVERIFY(!bytes.endsWith(QByteArray("\n\0", 2)));
        QCOMPARE(bytes.count(QByteArray("\r\0\n\0", 4)), 111);
        QCOMPARE(TLanguageTable::BuiltInEnglish().Lines(), TLanguageTable::FromBytes(bytes).Lines());
    }

    void builtInEnglishLines_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("text");
        const std::pair<int, const char16_t *> lines[] = {
            {0, u"Select your language:"},
            {2, u"Scanner Settings"},
            {3, u"Select a Source folder/directory..."},
            {4, u"Select a Destination folder/directory..."},
            {5, u"Time zone adjustment in seconds (+/-)"},
            {7, u"Presets"},
            {8, u"Add"},
            {9, u"Remove"},
            {10, u"Add Preset"},
            {11, u"Enter title for new preset:"},
            {12, u"Untitled"},
            {13, u"Preset already exist. Overwrite?"},
            {14, u"Remove the current preset?"},
            {16, u"File Filters"},
            {17, u"Wildcard file search, separated by , or ;"},
            {18, u"Reverse logic (files to exclude)"},
            {19, u"Minimum file size"},
            {20, u"Maximum file size"},
            {21, u"Bytes"},
            {22, u"KB"},
            {23, u"MB"},
            {25, u"Include hidden folders/directories"},
            {26, u"Include hidden files"},
            {27, u"Find duplicates by content (slower)"},
            {28, u"Process sub folders/directories"},
            {30, u"Start"},
            {31, u"Stop"},
            {32, u"Exit"},
            {34, u"Scanner Results"},
            {35, u"Missing Files"},
            {36, u"List of source files which are missing in destination:"},
            {37, u"List of destination files which are missing in source:"},
            {39, u"Newer Files"},
            {40, u"List of source files which are newer than destination:"},
            {41, u"List of destination files which are newer than source:"},
            {43, u"Duplicate Files"},
            {44, u"List of source files which are duplicates of destination:"},
            {45, u"List of destination files which are duplicates of source:"},
            {47, u"Date Conflicts"},
            {48, u"List of source files which conflict with destination:"},
            {49, u"List of destination files which conflict with source:"},
            {51, u"Info"},
            {62, u"%.0n selected (%.0n bytes)"},
            {63, u"%.0n file(s) (%.0n bytes)"},
            {65, u"Copy selected to Destination"},
            {66, u"Copy all to Destination"},
            {67, u"Copy to Destination"},
            {68, u"Copy selected to Source"},
            {69, u"Copy all to Source"},
            {70, u"Copy to Source"},
            {72, u"Update selected in Destination"},
            {73, u"Update all in Destination"},
            {74, u"Update Destination"},
            {75, u"Update selected in source"},
            {76, u"Update all in source"},
            {77, u"Update source"},
            {79, u"Delete selected"},
            {80, u"Delete all"},
            {81, u"Delete"},
            {83, u"You must select a Source folder."},
            {84, u"You must select a Destination folder."},
            {85, u"Source and Destination can not be the same."},
            {86, u"Source can not be a child of Destination."},
            {87, u"Destination can not be a child of Source."},
            {88, u"Analyzing source files against destination..."},
            {89, u"Analyzing files..."},
            {90, u"No files found!"},
            {91, u"Working..."},
            {92, u"Ready"},
            {94, u"Help"},
            {95, u"+/- margin of error in secs:"},
        };
        for (const auto &[line, text] : lines)
            QTest::addRow("%d", line) << line << QString::fromUtf16(text);
        for (int empty : {1, 6, 15, 24, 29, 33, 38, 42, 46, 50, 61, 64, 71, 78, 82, 93})
            QTest::addRow("%d", empty) << empty << QString();
    }
    void builtInEnglishLines()
    {
        QFETCH(int, line);
        QFETCH(QString, text);
        const TLanguageTable english = TLanguageTable::BuiltInEnglish();
        QCOMPARE(english.Count(), 112);
        QCOMPARE(english.text(line), text);
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
#include "tst_languageTable.moc"
