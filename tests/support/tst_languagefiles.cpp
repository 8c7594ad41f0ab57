#include "support/DefaultLanguageName.h"
#include "support/TLanguageFileList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// Run as a child with this variable set, the test binary prints the default
// language name of its own environment and exits.
const char *const kPrintDefault = "FM_PRINT_DEFAULT_LANGUAGE";

bool Touch(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

} // namespace

class TestLanguageFiles : public QObject
{
    Q_OBJECT

private slots:
    void defaultLanguageName_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("name");
        QTest::newRow("German, Switzerland") << u"de_CH"_s << u"Deutsch"_s;
        QTest::newRow("German") << u"de_DE"_s << u"Deutsch"_s;
        QTest::newRow("English, US") << u"en_US"_s << u"English"_s;
        QTest::newRow("English, UK") << u"en_GB"_s << u"English"_s;
        QTest::newRow("French, Canada") << u"fr_CA"_s << u"Français"_s;
        QTest::newRow("Chinese") << u"zh_CN"_s << u"中国的"_s;
        QTest::newRow("Chinese, Taiwan") << u"zh_TW"_s << u"中国的"_s;
        QTest::newRow("Czech") << u"cs_CZ"_s << u"Český"_s;
        QTest::newRow("Danish") << u"da_DK"_s << u"Dansk"_s;
        QTest::newRow("Spanish, Mexico") << u"es_MX"_s << u"Español"_s;
        QTest::newRow("Italian") << u"it_IT"_s << u"Italiano"_s;
        QTest::newRow("Japanese") << u"ja_JP"_s << u"日本人"_s;
        QTest::newRow("Korean") << u"ko_KR"_s << u"한국의"_s;
        QTest::newRow("Dutch, Belgium") << u"nl_BE"_s << u"Nederlands"_s;
        QTest::newRow("Portuguese, Brazil") << u"pt_BR"_s << u"Português"_s;
        QTest::newRow("Turkish") << u"tr_TR"_s << u"Türk"_s;
        QTest::newRow("Swedish") << u"sv_SE"_s << u"English"_s;
        QTest::newRow("C") << u"C"_s << u"English"_s;
    }
    void defaultLanguageName()
    {
        QFETCH(QString, locale);
        QFETCH(QString, name);
        QCOMPARE(DefaultLanguageName(QLocale(locale)), name);
    }

    void defaultLanguageFollowsTheEnvironment_data()
    {
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QString>("name");
        QTest::newRow("LANG") << QStringList{u"LANG=de_DE.UTF-8"_s} << u"Deutsch"_s;
        QTest::newRow("C") << QStringList{u"LANG=C"_s} << u"English"_s;
        QTest::newRow("POSIX") << QStringList{u"LC_ALL=POSIX"_s} << u"English"_s;
        QTest::newRow("nothing set") << QStringList() << u"English"_s;
        QTest::newRow("LC_MESSAGES over LANG")
            << QStringList{u"LANG=en_US.UTF-8"_s, u"LC_MESSAGES=fr_FR.UTF-8"_s} << u"Français"_s;
        QTest::newRow("LC_ALL over LANG")
            << QStringList{u"LANG=en_US.UTF-8"_s, u"LC_ALL=it_IT.UTF-8"_s} << u"Italiano"_s;
        QTest::newRow("LANGUAGE first") << QStringList{u"LANG=en_US.UTF-8"_s, u"LANGUAGE=nl:de"_s} << u"Nederlands"_s;
    }
    void defaultLanguageFollowsTheEnvironment()
    {
        QFETCH(QStringList, environment);
        QFETCH(QString, name);
        QProcess child;
        environment << QString::fromLatin1(kPrintDefault) + u"=1"_s << u"QT_QPA_PLATFORM=offscreen"_s;
        child.setEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForFinished(20000));
        QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()).trimmed(), name);
    }

    void languageFolder()
    {
        QCOMPARE(TLanguageFileList::LanguageFolder(u"/opt/foldermate"_s), u"/opt/foldermate/Lang/"_s);
        QCOMPARE(TLanguageFileList::LanguageFolder(u"/opt/foldermate/"_s), u"/opt/foldermate/Lang/"_s);
        QCOMPARE(TLanguageFileList::LanguageFolder(), QCoreApplication::applicationDirPath() + u"/Lang/"_s);
    }

    void findsRegularTxtFilesInListingOrder()
    {
        QTemporaryDir dir;
        const QString lang = dir.filePath(u"Lang/"_s);
        QVERIFY(QDir().mkpath(lang));
        for (const QString &name : {u"Deutsch.txt"_s, u"English.TXT"_s, u"Fran\u00E7ais.Txt"_s, u"notes.md"_s,
                                    u"Deutsch.txt.bak"_s, u"txt"_s})
            QVERIFY(Touch(lang + name));
        QVERIFY(QDir(lang).mkdir(u"folder.txt"_s));
        QVERIFY(QFile::link(lang + u"Deutsch.txt"_s, lang + u"Linked.txt"_s));
        QVERIFY(QFile::link(lang + u"nowhere"_s, lang + u"Dangling.txt"_s));
        QCOMPARE(::mkfifo(QFile::encodeName(lang + u"Pipe.txt"_s).constData(), 0600), 0);

        const QStringList found = TLanguageFileList::Find(lang);
        // What a plain unsorted listing of the folder gives, filtered by hand.
        QStringList expected;
        for (const QString &name :
             QDir(lang).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Unsorted)) {
            if (name.endsWith(u".txt"_s, Qt::CaseInsensitive))
                expected << lang + name;
        }
        QCOMPARE(found, expected);
        QStringList names = TLanguageFileList::DisplayNames(found);
        names.sort();
        QCOMPARE(names, (QStringList{u"Deutsch"_s, u"English"_s, u"Fran\u00E7ais"_s, u"Linked"_s}));

        QCOMPARE(TLanguageFileList::Find(dir.filePath(u"missing"_s)), QStringList());
        // Without the trailing separator the paths are the same.
        QCOMPARE(TLanguageFileList::Find(dir.filePath(u"Lang"_s)), found);
    }

    void displayName_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << u"/p/Lang/Deutsch.txt"_s << u"Deutsch"_s;
        QTest::newRow("upper-case extension") << u"/p/Lang/English.TXT"_s << u"English"_s;
        QTest::newRow("dots in the name") << u"/p/Lang/Portugu\u00EAs.br.txt"_s << u"Portugu\u00EAs.br"_s;
        QTest::newRow("only the extension") << u"/p/Lang/.txt"_s << QString();
    }
    void displayName()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(TLanguageFileList::DisplayName(path), name);
    }

    void indexOfLanguage_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("index");
        QTest::newRow("exact") << QStringList{u"Deutsch"_s, u"English"_s} << u"Deutsch"_s << 0;
        QTest::newRow("ASCII case") << QStringList{u"English"_s, u"deutsch"_s} << u"Deutsch"_s << 1;
        QTest::newRow("other letters exactly") << QStringList{u"FRAN\u00C7AIS"_s} << u"Fran\u00E7ais"_s << -1;
        QTest::newRow("the later of two") << QStringList{u"Deutsch"_s, u"English"_s, u"DEUTSCH"_s} << u"Deutsch"_s << 2;
        QTest::newRow("none") << QStringList{u"English"_s} << u"Deutsch"_s << -1;
        QTest::newRow("empty list") << QStringList() << u"English"_s << -1;
    }
    void indexOfLanguage()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, language);
        QFETCH(int, index);
        QCOMPARE(TLanguageFileList::IndexOfLanguage(entries, language), index);
    }
};

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet(kPrintDefault)) {
        QCoreApplication app(argc, argv);
        std::printf("%s\n", DefaultLanguageName().toUtf8().constData());
        return 0;
    }
    QCoreApplication app(argc, argv);
    TestLanguageFiles test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_languagefiles.moc"
