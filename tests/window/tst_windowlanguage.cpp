// The window's languages: the choice at the first start, the texts applied to the controls,
// a language folder that changes while the program runs, and the help document.

#include "TWindowFixture.h"

#include "controls/TLabeledFloatSpinEdit.h"
#include "registry/RegistryUtils.h"
#include "support/TDirMon.h"
#include "support/TLanguageFileList.h"
#include "support/TLanguageTable.h"
#include "window/TLanguageAndHelp.h"
#include "window/TStatusPanel.h"
#include "window/TfrmMain.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QStringEncoder>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <climits>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

enum TEncoding { enUtf16LE, enUtf16BE, enUtf8Bom, enUtf8 };

// The built-in English texts with every used line marked as the given language's.
QStringList TranslatedLines(const QString &language)
{
    QStringList lines = TLanguageTable::BuiltInEnglish().Lines();
    for (QString &line : lines) {
        if (!line.isEmpty())
            line = language + u": "_s + line;
    }
    return lines;
}

void WriteLanguageFile(const QString &path, const QStringList &lines, TEncoding encoding = enUtf16LE)
{
    const QString text = lines.join(u"\r\n"_s);
    QByteArray bytes;
    switch (encoding) {
    case enUtf16LE:
        bytes = QByteArray("\xFF\xFE") + QByteArray(QStringEncoder(QStringConverter::Utf16LE).encode(text));
        break;
    case enUtf16BE:
        bytes = QByteArray("\xFE\xFF") + QByteArray(QStringEncoder(QStringConverter::Utf16BE).encode(text));
        break;
    case enUtf8Bom:
        bytes = QByteArray("\xEF\xBB\xBF") + text.toUtf8();
        break;
    case enUtf8:
        bytes = text.toUtf8();
        break;
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class tst_WindowLanguage : public QObject, TWindowFixture
{
    Q_OBJECT

private:
    QString LangFile(const QString &language) const { return LangFolder() + u'/' + language + u".txt"_s; }

    void AddLanguages(const QStringList &languages)
    {
        QDir().mkpath(LangFolder());
        for (const QString &language : languages)
            WriteLanguageFile(LangFile(language), TranslatedLines(language));
    }

    QComboBox *LanguageList() const { return Find<QComboBox>(*FWindow, "ComboBox2"); }

    // The language file in use, by its name; empty for the built-in English texts.
    QString LanguageInUse() const
    {
        const int index = FWindow->LanguageAndHelp().LanguageIndex();
        const QStringList &files = FWindow->LanguageAndHelp().LanguageFiles();
        return index >= 0 && index < files.size() ? TLanguageFileList::DisplayName(files.at(index)) : QString();
    }

    static QString Marked(const QString &language, const QString &english)
    {
        return language.isEmpty() ? english : language + u": "_s + english;
    }

    void Pick(const QString &language)
    {
        const int row = LanguageList()->findText(language);
        QVERIFY(row >= 0);
        LanguageList()->setCurrentIndex(row);
        Q_EMIT LanguageList()->activated(row);
    }

private Q_SLOTS:
    void init() { QVERIFY(SetUpProgram()); }
    void cleanup() { TearDownProgram(); }

    void languageAtTheFirstStart_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("defaultLanguage");
        QTest::addColumn<int>("storedLangId");
        QTest::addColumn<QString>("inUse");

        const int none = INT_MIN;
        QTest::newRow("the user's language")
            << QStringList{u"Deutsch"_s, u"English"_s} << u"Deutsch"_s << none << u"Deutsch"_s;
        QTest::newRow("ASCII letters in any case")
            << QStringList{u"deutsch"_s, u"English"_s} << u"Deutsch"_s << none << u"deutsch"_s;
        QTest::newRow("other letters exactly") << QStringList{u"FRANÇAIS"_s} << u"Français"_s << none << QString();
        QTest::newRow("no file for it") << QStringList{u"Deutsch"_s} << u"English"_s << none << QString();
        QTest::newRow("empty folder") << QStringList() << u"English"_s << none << QString();
        QTest::newRow("stored index past the end")
            << QStringList{u"Deutsch"_s, u"English"_s} << u"Deutsch"_s << 3 << QString();
    }

    void languageAtTheFirstStart()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, defaultLanguage);
        QFETCH(int, storedLangId);
        QFETCH(QString, inUse);
        AddLanguages(files);
        if (storedLangId != INT_MIN)
            WriteInteger(u"LangID"_s, storedLangId);

        ShowWindow(defaultLanguage);

        QCOMPARE(LanguageInUse(), inUse);
        QCOMPARE(LanguageList()->count(), files.size());
        QCOMPARE(LanguageList()->currentText(), inUse);
        QCOMPARE(Find<QPushButton>(*FWindow, "Button1")->text(), Marked(inUse, u"Start"_s));
        QCOMPARE(Find<TStatusPanel>(*FWindow, "StatusBar1Panel1")->text(), u" "_s + Marked(inUse, u"Ready"_s));
        const int index = FWindow->LanguageAndHelp().LanguageIndex();
        if (storedLangId != INT_MIN)
            QCOMPARE(index, storedLangId);
        // The index is kept as it is, even when it names no file.
        QVERIFY(FWindow->close());
        QCOMPARE(ReadInteger(u"LangID"_s, INT_MIN), index);
    }

    void everyTextFollowsTheLanguage_data()
    {
        QTest::addColumn<int>("encoding");
        QTest::newRow("UTF-16 LE") << int(enUtf16LE);
        QTest::newRow("UTF-16 BE") << int(enUtf16BE);
        QTest::newRow("UTF-8 with mark") << int(enUtf8Bom);
        QTest::newRow("UTF-8 without mark") << int(enUtf8);
    }

    void everyTextFollowsTheLanguage()
    {
        QFETCH(int, encoding);
        QDir().mkpath(LangFolder());
        WriteLanguageFile(LangFile(u"Español"_s), TranslatedLines(u"Español"_s), TEncoding(encoding));
        WriteLanguageFile(LangFile(u"English"_s), TLanguageTable::BuiltInEnglish().Lines());
        ShowWindow();
        const QString margin = Find<TLabeledFloatSpinEdit>(*FWindow, "SpinEdit5")->EditLabel()->text();

        Pick(u"Español"_s);

        const TfrmMain &w = *FWindow;
        const QString es = u"Español"_s;
        QCOMPARE(Find<QLabel>(w, "Label15")->text(), Marked(es, u"Select your language:"_s));
        QCOMPARE(Find<QTabWidget>(w, "PageControl2")->tabText(0), Marked(es, u"Scanner Settings"_s));
        QCOMPARE(Find<QLabel>(w, "Label3")->text(), Marked(es, u"Time zone adjustment in seconds (+/-)"_s));
        QCOMPARE(Find<QLabel>(w, "Label4")->text(), Find<QLabel>(w, "Label3")->text());
        QCOMPARE(Find<QGroupBox>(w, "GroupBox1")->title(), Marked(es, u"Presets"_s));
        QCOMPARE(Find<QRadioButton>(w, "RadioButton6")->text(), Marked(es, u"MB"_s));
        QCOMPARE(Find<QPushButton>(w, "Button3")->text(), Marked(es, u"Exit"_s));
        QCOMPARE(Find<QTabWidget>(w, "PageControl1")->tabText(3), Marked(es, u"Date Conflicts"_s));
        QCOMPARE(Find<QLabel>(w, "Label11")->text(),
                 Marked(es, u"List of destination files which conflict with source:"_s));
        QCOMPARE(Find<QTabWidget>(w, "PageControl2")->tabText(2), Marked(es, u"Info"_s));
        QCOMPARE(Find<QPushButton>(w, "PngBitBtn10")->text(), Marked(es, u"Help"_s));
        // Its caption is no line of the language files.
        QCOMPARE(Find<TLabeledFloatSpinEdit>(w, "SpinEdit5")->EditLabel()->text(), margin);
        // The lists' captions follow once their refresh is due.
        QTRY_COMPARE(Find<QPushButton>(w, "PngBitBtn9")->text(), Marked(es, u"Copy to Destination"_s));

        Pick(u"English"_s);
        QCOMPARE(Find<QPushButton>(w, "Button3")->text(), u"Exit"_s);
        QCOMPARE(Find<QTabWidget>(w, "PageControl1")->tabText(3), u"Date Conflicts"_s);
    }

    // Every captioned control shows its own line of the language file, counted from 0: in
    // the built-in English texts it starts with, and after each change of language. The
    // lines are written out here by number, as translators know them, so that a control
    // given a neighbour's line or a name with the wrong number shows up.
    void everyCaptionedControlShowsItsLine()
    {
        const QHash<QString, int> lineOf{
            {u"Label15"_s, 0},
            {u"TabSheet5"_s, 2},
            {u"Label1"_s, 3},
            {u"Label2"_s, 4},
            {u"Label3"_s, 5},
            {u"Label4"_s, 5},
            {u"GroupBox1"_s, 7},
            {u"Button4"_s, 8},
            {u"Button5"_s, 9},
            {u"GroupBox2"_s, 16},
            {u"LabeledEdit1Label"_s, 17},
            {u"CheckBox4"_s, 18},
            {u"GroupBox3"_s, 19},
            {u"GroupBox4"_s, 20},
            {u"RadioButton1"_s, 21},
            {u"RadioButton4"_s, 21},
            {u"RadioButton2"_s, 22},
            {u"RadioButton5"_s, 22},
            {u"RadioButton3"_s, 23},
            {u"RadioButton6"_s, 23},
            {u"CheckBox1"_s, 25},
            {u"CheckBox2"_s, 26},
            {u"CheckBox3"_s, 27},
            {u"CheckBox8"_s, 28},
            {u"CheckBox9"_s, tlKeepReplaced},
            {u"Button1"_s, 30},
            {u"Button2"_s, 31},
            {u"Button3"_s, 32},
            {u"TabSheet6"_s, 34},
            {u"TabSheet1"_s, 35},
            {u"Label13"_s, 36},
            {u"Label5"_s, 37},
            {u"TabSheet2"_s, 39},
            {u"Label6"_s, 40},
            {u"Label7"_s, 41},
            {u"TabSheet3"_s, 43},
            {u"Label8"_s, 44},
            {u"Label9"_s, 45},
            {u"TabSheet4"_s, 47},
            {u"Label10"_s, 48},
            {u"Label11"_s, 49},
            {u"TabSheet7"_s, 51},
            {u"PngBitBtn10"_s, 94},
            {u"ShiftButton"_s, tlShiftButton},
            {u"ShiftDismiss"_s, tlShiftDismiss},
            {u"Label17"_s, tlCompareWith},
        };
        const int count = TLanguageTable::BuiltInEnglish().Count();
        QDir().mkpath(LangFolder());
        for (const QString &mark : {u"L"_s, u"M"_s}) {
            QStringList lines;
            for (int line = 0; line < count; ++line)
                lines.append(mark + QString::number(line));
            WriteLanguageFile(LangFile(mark), lines);
        }
        ShowWindow(u"Klingon"_s);
        QCOMPARE(LanguageInUse(), QString());

        const auto shown = [this](const QString &name) {
            const QList<QWidget *> found = FWindow->findChildren<QWidget *>(name);
            if (found.size() != 1)
                return u"%1 controls named %2"_s.arg(found.size()).arg(name);
            QWidget *control = found.first();
            if (auto *group = qobject_cast<QGroupBox *>(control))
                return group->title();
            if (auto *button = qobject_cast<QAbstractButton *>(control))
                return button->text();
            if (auto *label = qobject_cast<QLabel *>(control))
                return label->text();
            for (QWidget *parent = control->parentWidget(); parent; parent = parent->parentWidget()) {
                if (auto *pages = qobject_cast<QTabWidget *>(parent))
                    return pages->tabText(pages->indexOf(control));
            }
            return u"%1 has no caption"_s.arg(name);
        };
        QSet<QString> names;
        for (const TfrmMain::TCaption &caption : TfrmMain::Captions()) {
            const QString name = QString::fromUtf16(caption.Control);
            QVERIFY2(lineOf.contains(name), qPrintable(name));
            QVERIFY2(!names.contains(name), qPrintable(name));
            names.insert(name);
            QCOMPARE(int(caption.Line), lineOf.value(name));
        }
        QCOMPARE(names.size(), lineOf.size());

        for (const QString &mark : {QString(), u"L"_s, u"M"_s}) {
            if (!mark.isEmpty())
                Pick(mark);
            for (const auto &[name, line] : lineOf.asKeyValueRange()) {
                const QString expected =
                    mark.isEmpty() ? TLanguageTable::BuiltInEnglish().text(line) : mark + QString::number(line);
                QCOMPARE(shown(name), expected);
            }
        }
    }

    void linesAsTheFileHasThem()
    {
        QStringList lines = TranslatedLines(u"Kurz"_s);
        lines[31].clear();
        lines = lines.mid(0, 40);
        AddLanguages({});
        WriteLanguageFile(LangFile(u"Kurz"_s), lines);
        ShowWindow(u"Kurz"_s);
        // An empty line is an empty caption; lines past the end of a short file are the
        // built-in English ones.
        QCOMPARE(Find<QPushButton>(*FWindow, "Button1")->text(), u"Kurz: Start"_s);
        QCOMPARE(Find<QPushButton>(*FWindow, "Button2")->text(), QString());
        QCOMPARE(Find<QPushButton>(*FWindow, "PngBitBtn10")->text(), u"Help"_s);
        QCOMPARE(Find<QLabel>(*FWindow, "Label11")->text(), u"List of destination files which conflict with source:"_s);
    }

    void pickingTheLanguageInUseReloadsIt()
    {
        AddLanguages({u"Deutsch"_s});
        ShowWindow(u"Deutsch"_s);
        FWindow->LanguageAndHelp().LangMonitor()->SetActive(false);
        QStringList lines = TranslatedLines(u"Deutsch"_s);
        lines[30] = u"Los"_s;
        WriteLanguageFile(LangFile(u"Deutsch"_s), lines);
        QCOMPARE(Find<QPushButton>(*FWindow, "Button1")->text(), u"Deutsch: Start"_s);
        Pick(u"Deutsch"_s);
        QCOMPARE(Find<QPushButton>(*FWindow, "Button1")->text(), u"Los"_s);
    }

    void languageFolderIsWatched()
    {
        AddLanguages({u"Deutsch"_s});
        ShowWindow(u"Deutsch"_s);
        QVERIFY(FWindow->LanguageAndHelp().LangMonitor()->Active());

        WriteLanguageFile(LangFile(u"Svenska"_s), TranslatedLines(u"Svenska"_s));
        QTRY_COMPARE(LanguageList()->count(), 2);
        QVERIFY(LanguageList()->findText(u"Svenska"_s) >= 0);

        // An editor saving the file in use.
        QStringList lines = TranslatedLines(u"Deutsch"_s);
        lines[30] = u"Los"_s;
        WriteLanguageFile(LangFile(u"Deutsch"_s), lines);
        QTRY_COMPARE(Find<QPushButton>(*FWindow, "Button1")->text(), u"Los"_s);

        // The file in use is gone: the same index now names another file, or none.
        QVERIFY(QFile::remove(LangFile(u"Deutsch"_s)));
        QTRY_COMPARE(LanguageList()->count(), 1);
        QTRY_COMPARE(Find<QPushButton>(*FWindow, "Button1")->text(), Marked(LanguageInUse(), u"Start"_s));
    }

    // The language folder is removed while the window runs and put back later, or made only
    // after the start: from then on its files take effect as before.
    void languageFolderComingBackIsWatchedAgain_data()
    {
        QTest::addColumn<bool>("atStart");
        QTest::newRow("removed and put back") << true;
        QTest::newRow("made after the start") << false;
    }
    void languageFolderComingBackIsWatchedAgain()
    {
        QFETCH(bool, atStart);
        if (atStart)
            AddLanguages({u"Deutsch"_s});
        ShowWindow(u"Deutsch"_s);
        if (atStart) {
            QVERIFY(FWindow->LanguageAndHelp().LangMonitor()->Active());
            QVERIFY(QDir(LangFolder()).removeRecursively());
            QTRY_VERIFY(!FWindow->LanguageAndHelp().LangMonitor()->Active());
            QTRY_COMPARE(LanguageList()->count(), 0);
            QCOMPARE(Find<QPushButton>(*FWindow, "Button1")->text(), u"Start"_s);
        }

        QVERIFY(QDir().mkpath(LangFolder()));
        QTRY_VERIFY(FWindow->LanguageAndHelp().LangMonitor()->Active());
        // A new file in the folder...
        WriteLanguageFile(LangFile(u"Deutsch"_s), TranslatedLines(u"Deutsch"_s));
        QTRY_COMPARE(LanguageList()->count(), 1);
        if (atStart)
            QCOMPARE(Find<QPushButton>(*FWindow, "Button1")->text(), u"Deutsch: Start"_s);
        else
            Pick(u"Deutsch"_s);
        // ...and a change to it are both picked up.
        QStringList lines = TranslatedLines(u"Deutsch"_s);
        lines[30] = u"Los"_s;
        WriteLanguageFile(LangFile(u"Deutsch"_s), lines);
        QTRY_COMPARE(Find<QPushButton>(*FWindow, "Button1")->text(), u"Los"_s);
        WriteLanguageFile(LangFile(u"Svenska"_s), TranslatedLines(u"Svenska"_s));
        QTRY_COMPARE(LanguageList()->count(), 2);

        // Moved away and another folder moved in under its name: the new one is watched.
        QVERIFY(QDir().rename(LangFolder(), FProgram->filePath(u"Lang.old"_s)));
        QTRY_COMPARE(LanguageList()->count(), 0);
        QVERIFY(QDir().mkpath(FProgram->filePath(u"next"_s)));
        QVERIFY(QDir().rename(FProgram->filePath(u"next"_s), LangFolder()));
        QTRY_VERIFY(FWindow->LanguageAndHelp().LangMonitor()->Active());
        WriteLanguageFile(LangFile(u"Svenska"_s), TranslatedLines(u"Svenska"_s));
        QTRY_COMPARE(LanguageList()->count(), 1);
        // The folder that was moved away is no longer watched.
        WriteLanguageFile(FProgram->filePath(u"Lang.old/Norsk.txt"_s), TranslatedLines(u"Norsk"_s));
        QTest::qWait(200);
        QCOMPARE(LanguageList()->count(), 1);
    }

    void startsWithoutALanguageFolder()
    {
        ShowWindow();
        QVERIFY(!FWindow->LanguageAndHelp().LangMonitor()->Active());
        QCOMPARE(LanguageList()->count(), 0);
        QCOMPARE(Find<QPushButton>(*FWindow, "Button1")->text(), u"Start"_s);
        QCOMPARE(FPrompts.Asked, QStringList());
        // The import of the older presets still ran.
        QCOMPARE(ReadBool(u"FirstPass"_s, true), false);
    }

    void helpDocument_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("document");
        QTest::newRow("its own") << u"Deutsch"_s << u"Deutsch.rtf"_s;
        QTest::newRow("none of its own") << u"Svenska"_s << u"English.rtf"_s;
        QTest::newRow("built-in texts") << QString() << u"English.rtf"_s;
    }

    void helpDocument()
    {
        QFETCH(QString, language);
        QFETCH(QString, document);
        AddLanguages({u"Deutsch"_s, u"Svenska"_s});
        const QString help = FProgram->filePath(u"Help"_s);
        QDir().mkpath(help);
        for (const QString &name : {u"Deutsch.rtf"_s, u"English.rtf"_s}) {
            QFile file(help + u'/' + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        ShowWindow(language);
        QCOMPARE(LanguageInUse(), language);
        QCOMPARE(FWindow->LanguageAndHelp().HelpDocument(), QUrl::fromLocalFile(help + u'/' + document));

        QVERIFY(QFile::remove(help + u"/English.rtf"_s));
        if (document == u"English.rtf"_s)
            QVERIFY(FWindow->LanguageAndHelp().HelpDocument().isEmpty());
    }
};

QTEST_MAIN(tst_WindowLanguage)
#include "tst_windowlanguage.moc"
