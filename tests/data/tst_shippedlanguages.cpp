// The language files in data/Lang and the help documents in data/Help, read the way the program
// and a translator's editor see them: every language keeps the line layout of English.txt, so
// that a text never lands on the wrong control, and every language has its help document.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kPlaceholder = u"%.0n"_s;

QString LangDir()
{
    return QStringLiteral(FM_DATA_DIR "/Lang");
}

QString HelpDir()
{
    return QStringLiteral(FM_DATA_DIR "/Help");
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// The lines of a shipped language file: UTF-16 LE after its byte-order mark, CR LF between lines.
// Any departure from that form is reported through *problem.
QStringList ReadLines(const QString &path, QString *problem)
{
    const QByteArray bytes = ReadAll(path);
    if (bytes.size() < 2 || uchar(bytes[0]) != 0xFF || uchar(bytes[1]) != 0xFE) {
        *problem = u"no UTF-16 LE byte-order mark"_s;
        return {};
    }
    if (bytes.size() % 2 != 0) {
        *problem = u"odd number of bytes"_s;
        return {};
    }
    QStringDecoder decoder(QStringDecoder::Utf16LE);
    const QString text = decoder(bytes.mid(2));
    if (decoder.hasError()) {
        *problem = u"not valid UTF-16"_s;
        return {};
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' && (i + 1 >= text.size() || text.at(i + 1) != u'\n')) {
            *problem = u"lone CR at character %1"_s.arg(i);
            return {};
        }
        if (c == u'\n' && (i == 0 || text.at(i - 1) != u'\r')) {
            *problem = u"lone LF at character %1"_s.arg(i);
            return {};
        }
        if (c.unicode() < 0x20 && c != u'\r' && c != u'\n') {
            *problem = u"control character U+%1 at character %2"_s.arg(uint(c.unicode()), 4, 16, QChar(u'0')).arg(i);
            return {};
        }
    }
    if (text.endsWith(u"\r\n"_s)) {
        *problem = u"line break after the last line (it would add an empty line)"_s;
        return {};
    }
    return text.split(u"\r\n"_s);
}

QStringList LanguageFiles()
{
    QStringList paths;
    const QFileInfoList files = QDir(LangDir()).entryInfoList({u"*.txt"_s}, QDir::Files, QDir::Name);
    for (const QFileInfo &info : files)
        paths.append(info.absoluteFilePath());
    return paths;
}

} // namespace

class TestShippedLanguages : public QObject
{
    Q_OBJECT

private slots:
    void shipsTheThreeLanguages()
    {
        for (const QString &name : {u"English"_s, u"Deutsch"_s, u"Français"_s}) {
            QVERIFY2(QFile::exists(LangDir() + u'/' + name + u".txt"_s), qPrintable(name));
            QVERIFY2(QFile::exists(HelpDir() + u'/' + name + u".rtf"_s), qPrintable(name));
        }
    }

    void languageFile_data()
    {
        QTest::addColumn<QString>("path");
        for (const QString &path : LanguageFiles())
            QTest::newRow(qPrintable(QFileInfo(path).fileName())) << path;
    }

    void languageFile()
    {
        QFETCH(QString, path);
        QString problem;
        const QStringList english = ReadLines(LangDir() + u"/English.txt"_s, &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(u"English.txt: "_s + problem));
        // The program reads every line up to the last one English has.
        QVERIFY(english.size() > 63);

        const QStringList lines = ReadLines(path, &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(lines.size(), english.size());

        for (int i = 0; i < english.size(); ++i) {
            const QString where = u"line %1: \"%2\""_s.arg(i).arg(lines.at(i));
            // An empty line where English has a text, or the other way round, means the numbering
            // has slipped and every text after it goes to the wrong control.
            QVERIFY2(lines.at(i).isEmpty() == english.at(i).isEmpty(), qPrintable(where));
            QVERIFY2(lines.at(i) == lines.at(i).trimmed(), qPrintable(where + u" has blanks at an end"_s));
            QVERIFY2(lines.at(i).count(kPlaceholder) == english.at(i).count(kPlaceholder), qPrintable(where));
        }
        // The two list totals take exactly two numbers each, and no other "%" that the
        // formatter would try to read.
        for (int i : {62, 63}) {
            QCOMPARE(lines.at(i).count(kPlaceholder), 2);
            QCOMPARE(lines.at(i).count(u'%'), 2);
        }
    }

    void fileNamesMatchTheLanguageNames()
    {
        // The program picks the user's language by comparing the file name with a name such as
        // "Français" in composed form; a decomposed "c" + cedilla would never match.
        for (const QString &path : LanguageFiles()) {
            const QString base = QFileInfo(path).completeBaseName();
            QCOMPARE(base, base.normalized(QString::NormalizationForm_C));
        }
    }

    void helpDocument_data()
    {
        QTest::addColumn<QString>("path");
        for (const QString &path : LanguageFiles()) {
            const QString name = QFileInfo(path).completeBaseName() + u".rtf"_s;
            QTest::newRow(qPrintable(name)) << HelpDir() + u'/' + name;
        }
    }

    void helpDocument()
    {
        // Help opens "Help/<language>.rtf" for the language in use.
        QFETCH(QString, path);
        QVERIFY2(QFile::exists(path), qPrintable(path));
        const QByteArray rtf = ReadAll(path);
        QVERIFY(rtf.startsWith("{\\rtf1"));
        QVERIFY(rtf.contains("\\ansicpg1252"));

        // 7-bit only: other characters are written as escapes, so that no reader has to guess
        // the encoding. Groups must close exactly at the end of the document.
        int depth = 0;
        qsizetype closedAt = -1;
        for (qsizetype i = 0; i < rtf.size(); ++i) {
            const uchar c = uchar(rtf.at(i));
            QVERIFY2(c < 0x80, qPrintable(u"byte 0x%1 at %2"_s.arg(uint(c), 2, 16, QChar(u'0')).arg(i)));
            if (c == '\\') {
                ++i; // an escaped brace or backslash does not open or close a group
                continue;
            }
            if (c == '{') {
                QVERIFY2(closedAt < 0, qPrintable(u"text after the document's end at %1"_s.arg(i)));
                ++depth;
            } else if (c == '}') {
                --depth;
                QVERIFY2(depth >= 0, qPrintable(u"unbalanced } at %1"_s.arg(i)));
                if (depth == 0)
                    closedAt = i;
            }
        }
        QCOMPARE(depth, 0);
        QVERIFY(rtf.mid(closedAt + 1).trimmed().isEmpty());
    }

    void helpPage_data()
    {
        QTest::addColumn<QString>("path");
        for (const QString &path : LanguageFiles()) {
            const QString name = QFileInfo(path).completeBaseName() + u".html"_s;
            QTest::newRow(qPrintable(name)) << HelpDir() + u'/' + name;
        }
    }

    void helpPage()
    {
        // The help window shows "Help/<language>.html": UTF-8 as it declares, one title, and
        // every link of its contents leads to a heading of the same page.
        QFETCH(QString, path);
        QVERIFY2(QFile::exists(path), qPrintable(path));
        const QByteArray bytes = ReadAll(path);
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString html = decoder.decode(bytes);
        QVERIFY(!decoder.hasError());
        QVERIFY(html.contains(u"<meta charset=\"utf-8\">"_s));
        QCOMPARE(html.count(u"<h1>"_s), 1);
        QVERIFY(html.count(u"<h2 "_s) >= 5);
        const QRegularExpression link(u"href=\"#([^\"]+)\""_s);
        int links = 0;
        for (const QRegularExpressionMatch &match : link.globalMatch(html)) {
            ++links;
            QVERIFY2(html.contains(u"id=\""_s + match.captured(1) + u'"'), qPrintable(match.captured(1)));
        }
        QVERIFY(links >= 5);
        // Written in the page's language: no paragraph of the English guide left in it.
        if (!path.endsWith(u"/English.html"_s)) {
            QVERIFY(!html.contains(u"The settings page"_s));
            QVERIFY(!html.contains(u"Quick start"_s));
        }
    }
};

QTEST_GUILESS_MAIN(TestShippedLanguages)
#include "tst_shippedlanguages.moc"
