// The window in German as a user sees it: every page, the lists with rows in them, the action
// dialogs, the messages and the help window hold no English text of this program, and Qt's
// own buttons speak German too. The English texts are the oracle: every built-in English
// line that the shipped German file words differently must not be seen anywhere.

#include "TWindowFixture.h"

#include "actions/ui/TFileActionBoxes.h"
#include "results/TJamFileList.h"
#include "support/TLanguageTable.h"
#include "support/TQtTranslations.h"
#include "window/THelpBrowser.h"
#include "window/THelpWindow.h"
#include "window/TLanguageAndHelp.h"
#include "window/TfrmMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

#include <functional>

#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

QString WithoutAccelerator(QString text)
{
    return text.remove(QRegularExpression(u"&(?=[^&])"_s));
}

// Every text a user can read on the widget and everything inside it, hidden pages included.
QStringList TextsOf(const QWidget &top)
{
    QList<const QWidget *> widgets{&top};
    for (const QWidget *child : top.findChildren<QWidget *>())
        widgets.append(child);
    QStringList texts;
    for (const QWidget *widget : widgets) {
        texts << widget->toolTip() << widget->windowTitle();
        if (const auto *label = qobject_cast<const QLabel *>(widget))
            texts << label->text();
        if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
            texts << button->text();
        if (const auto *group = qobject_cast<const QGroupBox *>(widget))
            texts << group->title();
        if (const auto *edit = qobject_cast<const QLineEdit *>(widget))
            texts << edit->placeholderText();
        if (const auto *pages = qobject_cast<const QTabWidget *>(widget)) {
            for (int i = 0; i < pages->count(); ++i)
                texts << pages->tabText(i) << pages->tabToolTip(i);
        }
        if (const auto *view = qobject_cast<const QTreeView *>(widget); view && view->model()) {
            const QAbstractItemModel &model = *view->model();
            for (int c = 0; c < model.columnCount(); ++c) {
                texts << model.headerData(c, Qt::Horizontal).toString();
                for (int r = 0; r < qMin(model.rowCount(), 20); ++r)
                    texts << model.index(r, c).data().toString();
            }
        }
    }
    QStringList lines;
    for (const QString &text : std::as_const(texts))
        for (const QString &line : text.split(u'\n'))
            if (!line.trimmed().isEmpty())
                lines << WithoutAccelerator(line.trimmed());
    return lines;
}

// Answers the next dialog that opens by closing it, after taking its texts.
class TDialogReader : public QObject
{
public:
    QStringList Texts;
    bool Seen = false;

    void Arm()
    {
        Seen = false;
        QTimer::singleShot(10, this, [this] { Poll(); });
    }

private:
    void Poll()
    {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) {
            QTimer::singleShot(10, this, [this] { Poll(); });
            return;
        }
        Texts += TextsOf(*dialog);
        Seen = true;
        dialog->done(QDialog::Rejected);
    }
};

} // namespace

class tst_TranslatedWindow : public QObject, TWindowFixture
{
    Q_OBJECT

    // Patterns of the program's English texts that German words otherwise; "%1" and "%.0n"
    // stand for anything.
    QList<QRegularExpression> FEnglish;
    QStringList FEnglishTexts;

    QString HelpFolder() const { return FProgram->filePath(u"Help"_s); }

    void CopyShippedHelp()
    {
        QDir().mkpath(HelpFolder());
        const QDir shipped(QCoreApplication::applicationDirPath() + u"/Help"_s);
        for (const QString &name : shipped.entryList(QDir::Files))
            QVERIFY(QFile::copy(shipped.filePath(name), HelpFolder() + u'/' + name));
    }

    static bool QtGermanInstalled()
    {
        return QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + u"/qtbase_de.qm"_s);
    }

    void BuildOracle()
    {
        const TLanguageTable english = TLanguageTable::BuiltInEnglish();
        const auto german = TLanguageTable::FromFile(LangFolder() + u"/Deutsch.txt"_s);
        QVERIFY(german.has_value());
        FEnglish.clear();
        FEnglishTexts.clear();
        for (int line = 0; line < english.Count(); ++line) {
            // The margin's caption keeps its English wording in every language.
            if (line == tlMarginCaption)
                continue;
            const QString text = WithoutAccelerator(english.text(line)).trimmed();
            if (text.isEmpty() || text == WithoutAccelerator(german->text(line)).trimmed())
                continue;
            AddEnglish(text);
        }
        // Qt's own buttons, which its German translations word otherwise.
        if (QtGermanInstalled()) {
            for (const QString &text : {u"Yes"_s, u"No"_s, u"Cancel"_s, u"Close"_s, u"Retry"_s})
                AddEnglish(text);
        }
    }

    void AddEnglish(const QString &text)
    {
        QString pattern = QRegularExpression::escape(text);
        pattern.replace(QRegularExpression(u"%(\\\\\\.0n|[0-9])"_s), u".*"_s);
        FEnglish.append(QRegularExpression(u"^"_s + pattern + u"$"_s));
        FEnglishTexts.append(text);
    }

    // The English texts among those shown.
    QStringList EnglishIn(const QStringList &shown) const
    {
        QStringList found;
        for (const QString &text : shown)
            for (int i = 0; i < FEnglish.size(); ++i)
                if (FEnglish.at(i).match(text).hasMatch())
                    found << text + u"  (English: "_s + FEnglishTexts.at(i) + u')';
        found.removeDuplicates();
        return found;
    }

    QString Src() const { return FProgram->filePath(u"src"_s); }
    QString Dst() const { return FProgram->filePath(u"dst"_s); }

    QList<QUrl> FOpened; // what the desktop was asked to open

public Q_SLOTS:
    void OpenUrl(const QUrl &url) { FOpened << url; }

private Q_SLOTS:
    void init()
    {
        QVERIFY(SetUpProgram(true));
        CopyShippedHelp();
        ShowWindow(u"Deutsch"_s);
        QVERIFY(WindowExposed());
        BuildOracle();
        QVERIFY(!FEnglish.isEmpty());
    }
    void cleanup() { TearDownProgram(); }

    void everyPageAfterAScan()
    {
        // Rows in every kind of list, a file type the desktop has no name for, a folder that
        // is not compared, and a greyed Start.
        for (const QString &folder : QStringList{Src(), Dst(), Src() + u"/sub"_s, Dst() + u"/sub"_s})
            QVERIFY(QDir().mkpath(folder));
        const auto write = [](const QString &path, const QByteArray &bytes) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        };
        write(Src() + u"/only.zzqx"_s, "a");
        write(Dst() + u"/only-here"_s, "b");
        write(Src() + u"/same.txt"_s, "same");
        write(Dst() + u"/same.txt"_s, "same");
        QVERIFY(QFile::link(Dst(), Src() + u"/sub/into-destination"_s));
        QVERIFY(ScanInWindow(Src(), Dst()));
        // The rows are shown a moment later, their status texts and captions after that.
        QTRY_VERIFY(Find<TJamFileList>(*FWindow, "JamFileList1")->model()->rowCount() > 0);
        QTest::qWait(300);

        QStringList shown = TextsOf(*FWindow);
        // Some German must be there, or the test would look at nothing.
        QVERIFY(shown.contains(u"Ordner"_s));
        QVERIFY(shown.contains(u"ZZQX-Datei"_s));
        QVERIFY(shown.contains(u"Persönlicher Ordner"_s));
        QStringList english = EnglishIn(shown);
        QVERIFY2(english.isEmpty(), qPrintable(english.join(u'\n')));

        // A root that is gone: the message in German.
        FPrompts.Asked.clear();
        QVERIFY(QDir(Dst()).removeRecursively());
        QVERIFY(ScanInWindow(Src(), Dst()));
        QVERIFY(!FPrompts.Asked.isEmpty());
        QStringList messages;
        for (const QString &asked : std::as_const(FPrompts.Asked))
            messages << asked.section(u": "_s, 1); // without the prompt's kind
        QVERIFY2(messages.first().contains(u"existiert nicht"_s), qPrintable(messages.first()));
        english = EnglishIn(messages);
        QVERIFY2(english.isEmpty(), qPrintable(english.join(u'\n')));
    }

    // The settings' captions are never cut, in any shipped language, at the size the window
    // first opens with.
    void settingsCaptionsFitInEveryLanguage()
    {
        const QStringList languages = FWindow->LanguageAndHelp().LanguageFiles();
        QVERIFY(languages.size() >= 3);
        for (int language = 0; language < languages.size(); ++language) {
            FWindow->LanguageAndHelp().LoadLanguage(language);
            QApplication::processEvents();
            auto *middle = Find<QWidget>(*FWindow, "Panel4");
            for (QAbstractButton *button : middle->findChildren<QAbstractButton *>()) {
                if (!button->isVisible() || button->text().isEmpty())
                    continue;
                QVERIFY2(button->width() >= button->sizeHint().width(),
                         qPrintable(languages.at(language) + u": "_s + button->text()));
            }
        }
    }

    void actionDialogs()
    {
        TFileActionBoxes boxes(FWindow.get(), [this](TTextLine line) { return FWindow->Text(line); });
        TDialogReader reader;
        const QString file = FProgram->filePath(u"a.txt"_s);
        const std::function<void()> questions[] = {
            [&] { boxes.ConfirmTrash({file}); },
            [&] {
                boxes.ConfirmTrash({file, file + u'2'});
            },
            [&] { boxes.FileError(TFileActionDialogs::bkCopy, file, TFileOpResult::SystemError(file, ENOSPC)); },
            [&] {
                boxes.FileError(TFileActionDialogs::bkTrash, file,
                                TFileOpResult::Failed(TFileOpResult::rsPathTooLongForTrash, file));
            },
            [&] { boxes.TrashRefused(file); },
            [&] { boxes.SkippedFiles(TFileActionDialogs::bkCopy, {file}); },
            [&] {
                boxes.SkippedFiles(TFileActionDialogs::bkCopy, {file, file});
            },
            [&] { boxes.ConfirmCloseDuringBatch(); },
            [&] {
                boxes.NotKept({1, 2, 3, 4, 5});
            },
        };
        for (const auto &ask : questions) {
            reader.Arm();
            ask();
            QVERIFY(reader.Seen);
        }
        QVERIFY(reader.Texts.contains(u"Überspringen"_s));
        if (QtGermanInstalled())
            QVERIFY(reader.Texts.contains(u"Ja"_s));

        std::atomic<bool> cancel = false;
        for (auto kind : {TFileActionDialogs::bkCopy, TFileActionDialogs::bkTrash}) {
            boxes.BeginProgress(kind, 3, 3000, &cancel);
            boxes.ShowProgress(file, 1, 1000);
            auto *progress = FWindow->findChild<QProgressDialog *>();
            QVERIFY(progress);
            reader.Texts += TextsOf(*progress);
            boxes.CancelRequested();
            reader.Texts += TextsOf(*progress);
            boxes.EndProgress();
            cancel = false;
        }
        const QStringList english = EnglishIn(reader.Texts);
        QVERIFY2(english.isEmpty(), qPrintable(english.join(u'\n')));
    }

    // The reason a file failed is worded in the language in use, whatever the system's
    // locale: the file layer hands over a code and an error number, not a sentence.
    void fileErrorReasons_data()
    {
        QTest::addColumn<int>("reason");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("german");
        using R = TFileOpResult;
        QTest::newRow("folder in the way") << int(R::rsFolderInTheWay) << 0 << u"Ein Ordner steht im Weg"_s;
        QTest::newRow("too long for the trash")
            << int(R::rsPathTooLongForTrash) << 0 << u"zu lang für den Papierkorb"_s;
        QTest::newRow("folder not made") << int(R::rsFolderNotCreated) << EACCES
                                         << u"kann nicht angelegt werden: Zugriff verweigert"_s;
        QTest::newRow("a name the volume cannot hold")
            << int(R::rsNameNotHeld) << EINVAL << u"kann diesen Namen nicht aufnehmen"_s;
        QTest::newRow("a name twin") << int(R::rsCaseTwin) << 0 << u"unterscheidet"_s;
        QTest::newRow("folder moved") << int(R::rsFolderMoved) << 0 << u"verschoben"_s;
        QTest::newRow("changed while copied") << int(R::rsChangedWhileCopied) << 0 << u"des Kopierens geändert"_s;
        QTest::newRow("a name taken since the comparison") << int(R::rsTargetAppeared) << 0 << u"hinzugekommen"_s;
        QTest::newRow("changed since the comparison")
            << int(R::rsTargetChanged) << 0 << u"seit dem Vergleich geändert"_s;
        QTest::newRow("ENOSPC") << int(R::rsSystem) << ENOSPC << u"kein Platz mehr"_s;
        QTest::newRow("EACCES") << int(R::rsSystem) << EACCES << u"Zugriff verweigert"_s;
        QTest::newRow("EPERM") << int(R::rsSystem) << EPERM << u"Zugriff verweigert"_s;
        QTest::newRow("EROFS") << int(R::rsSystem) << EROFS << u"schreibgeschützt"_s;
        QTest::newRow("ENOENT") << int(R::rsSystem) << ENOENT << u"existiert nicht"_s;
        QTest::newRow("EDQUOT") << int(R::rsSystem) << EDQUOT << u"Speicherkontingent"_s;
        QTest::newRow("EIO") << int(R::rsSystem) << EIO << u"Ein-/Ausgabefehler"_s;
        QTest::newRow("ENAMETOOLONG") << int(R::rsSystem) << ENAMETOOLONG << u"zu lang"_s;
        QTest::newRow("EXDEV") << int(R::rsSystem) << EXDEV << u"verschiedenen Datenträgern"_s;
        // A rare error: the system's own text, the best there is.
        QTest::newRow("rare") << int(R::rsSystem) << ENOTRECOVERABLE
                              << QString::fromLocal8Bit(std::strerror(ENOTRECOVERABLE));
    }
    void fileErrorReasons()
    {
        QFETCH(int, reason);
        QFETCH(int, error);
        QFETCH(QString, german);
        TFileActionBoxes boxes(FWindow.get(), [this](TTextLine line) { return FWindow->Text(line); });
        const QString file = u"/data/photos/a.jpg"_s;
        const TFileOpResult result = TFileOpResult::Failed(TFileOpResult::TReason(reason), file, error);
        const QString shown = boxes.FileErrorText(TFileActionDialogs::bkCopy, file, result);
        QVERIFY2(shown.contains(german), qPrintable(shown));
        QVERIFY2(shown.contains(u"Die Datei konnte nicht kopiert werden."_s), qPrintable(shown));
        // Nothing of the English sentence the file layer keeps for its logs.
        if (error != ENOTRECOVERABLE)
            QVERIFY2(!shown.contains(result.Message.section(u": "_s, 1)), qPrintable(shown));
        const QStringList english = EnglishIn({shown});
        QVERIFY2(english.isEmpty(), qPrintable(english.join(u'\n')));
    }

    void helpInTheChosenLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<bool>("ownGuide");
        QTest::addColumn<bool>("ownDocument"); // Help/<language>.rtf stays
        QTest::newRow("Deutsch") << u"Deutsch"_s << u"Deutsch.html"_s << u"Benutzerhandbuch"_s << true << true;
        QTest::newRow("Français") << u"Français"_s << u"Français.html"_s << u"Guide"_s << true << true;
        QTest::newRow("English") << u"English"_s << u"English.html"_s << u"User Guide"_s << true << true;
        // A language without a guide of its own gets the English one, in a German window.
        QTest::newRow("no guide of its own") << u"Deutsch"_s << u"English.html"_s << u"User Guide"_s << false << false;
        // One that ships only its document gets that from the desktop.
        QTest::newRow("only a document of its own") << u"Français"_s << u"Français.rtf"_s << QString() << false << true;
    }

    void helpInTheChosenLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QString, page);
        QFETCH(QString, heading);
        QFETCH(bool, ownGuide);
        QFETCH(bool, ownDocument);
        if (!ownGuide)
            QVERIFY(QFile::remove(HelpFolder() + u'/' + language + u".html"_s));
        if (!ownDocument)
            QVERIFY(QFile::remove(HelpFolder() + u'/' + language + u".rtf"_s));
        auto *languages = Find<QComboBox>(*FWindow, "ComboBox2");
        languages->setCurrentIndex(languages->findText(language));
        Q_EMIT languages->activated(languages->currentIndex());
        FOpened.clear();
        QDesktopServices::setUrlHandler(u"file"_s, this, "OpenUrl");
        Find<QPushButton>(*FWindow, "PngBitBtn10")->click();
        QDesktopServices::unsetUrlHandler(u"file"_s);
        THelpWindow *help = FWindow->LanguageAndHelp().HelpWindow();
        if (page.endsWith(u".rtf"_s)) {
            QVERIFY(!help);
            QCOMPARE(FOpened, QList<QUrl>{QUrl::fromLocalFile(HelpFolder() + u'/' + page)});
            return;
        }
        QVERIFY(FOpened.isEmpty());
        QVERIFY(help);
        QVERIFY(help->isVisible());
        QCOMPARE(QFileInfo(help->Page()).fileName(), page);
        QVERIFY(help->Browser()->toPlainText().contains(heading));
        // The window around the guide speaks the window's language.
        if (language == u"Deutsch"_s) {
            const QStringList english = EnglishIn(TextsOf(*help));
            QVERIFY2(english.isEmpty(), qPrintable(english.join(u'\n')));
        }
    }

    void helpFindsAndSaysWhenNot()
    {
        Find<QPushButton>(*FWindow, "PngBitBtn10")->click();
        THelpWindow *help = FWindow->LanguageAndHelp().HelpWindow();
        QVERIFY(help);
        auto *notFound = help->findChild<QLabel *>(u"HelpNotFound"_s);
        QVERIFY(notFound);
        // Found twice in a row: the second search goes on from the first place found.
        QVERIFY(help->Find(u"Voreinstellung"_s));
        const int first = help->Browser()->textCursor().position();
        QVERIFY(help->Find(u"Voreinstellung"_s));
        QVERIFY(help->Browser()->textCursor().position() != first);
        QVERIFY(notFound->isHidden());
        QVERIFY(!help->Find(u"xyzzy-nirgends"_s));
        QVERIFY(!notFound->isHidden());
        // Ctrl+F puts the cursor into the find box.
        help->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(help));
        QTest::keyClick(help->windowHandle(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(help->FindBox()->hasFocus());
    }

    // Pages and pictures a guide may not hold show nothing, and a page nested deeper than
    // any guide shows as plain text: the window never reads a device or a file elsewhere.
    void hostileHelpIsBounded()
    {
        QFile outside(FProgram->filePath(u"outside.png"_s));
        QVERIFY(outside.open(QIODevice::WriteOnly));
        outside.write("not a picture");
        outside.close();
        QByteArray nested = "<html><body>";
        for (int i = 0; i < 200000; ++i)
            nested += "<div>";
        nested += "deep</body></html>";
        QVERIFY(THelpBrowser::Nesting(nested, THelpBrowser::DeepestNesting) > THelpBrowser::DeepestNesting);
        QCOMPARE(THelpBrowser::Nesting("<p>a<br>b<img src=x><!-- <div> --></p><p/>", 10), 1);
        QFile page(HelpFolder() + u"/Deutsch.html"_s);
        QVERIFY(page.open(QIODevice::WriteOnly | QIODevice::Truncate));
        page.write("<html><body><h1>Benutzerhandbuch</h1><img src=\"/dev/zero\"><img src=\"../outside.png\">"
                   "<a href=\"deep.html\">deep</a></body></html>");
        page.close();
        QFile deep(HelpFolder() + u"/deep.html"_s);
        QVERIFY(deep.open(QIODevice::WriteOnly));
        deep.write(nested);
        deep.close();

        Find<QPushButton>(*FWindow, "PngBitBtn10")->click();
        THelpWindow *help = FWindow->LanguageAndHelp().HelpWindow();
        QVERIFY(help);
        THelpBrowser *browser = help->Browser();
        QVERIFY(browser->toPlainText().contains(u"Benutzerhandbuch"_s));
        const auto empty = [browser](int type, const QUrl &url) {
            return browser->loadResource(type, url).toByteArray().isEmpty();
        };
        QVERIFY(empty(QTextDocument::ImageResource, QUrl::fromLocalFile(u"/dev/zero"_s)));
        QVERIFY(empty(QTextDocument::ImageResource, QUrl(u"../outside.png"_s)));
        QVERIFY(empty(QTextDocument::HtmlResource, QUrl::fromLocalFile(u"/etc/hostname"_s)));
        const QVariant shown = browser->loadResource(QTextDocument::HtmlResource, QUrl(u"deep.html"_s));
        QVERIFY(shown.toString().startsWith(u"<pre"_s));
        browser->setSource(QUrl(u"deep.html"_s));
        QVERIFY(browser->toPlainText().contains(u"<div><div>"_s));
    }

    void helpWithoutAnyGuide()
    {
        QVERIFY(QDir(HelpFolder()).removeRecursively());
        Find<QPushButton>(*FWindow, "PngBitBtn10")->click();
        QVERIFY(!FWindow->LanguageAndHelp().HelpWindow());
        QCOMPARE(FPrompts.Asked.size(), 1);
        QVERIFY(FPrompts.Asked.first().contains(u"keine Hilfe"_s));
    }

    void qtTextsFollowTheLanguage()
    {
        if (!QtGermanInstalled())
            QSKIP("Qt's German translations are not installed");
        QCOMPARE(TQtTranslations::LanguageOfName(u"Deutsch"_s), QLocale::German);
        QCOMPARE(TQtTranslations::LanguageOfName(u"français"_s), QLocale::French);
        QCOMPARE(TQtTranslations::LanguageOfName(u"Svenska"_s), QLocale::Swedish);
        QCOMPARE(TQtTranslations::LanguageOfName(u"Klingon"_s), QLocale::AnyLanguage);
        QMessageBox box(QMessageBox::Question, u"t"_s, u"q"_s, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(WithoutAccelerator(box.button(QMessageBox::Yes)->text()), u"Ja"_s);
        // Back to English: Qt's texts go back with the program's.
        auto *languages = Find<QComboBox>(*FWindow, "ComboBox2");
        const auto pick = [languages](const QString &language) {
            languages->setCurrentIndex(languages->findText(language));
            Q_EMIT languages->activated(languages->currentIndex());
        };
        pick(u"English"_s);
        QMessageBox english(QMessageBox::Question, u"t"_s, u"q"_s, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(WithoutAccelerator(english.button(QMessageBox::Yes)->text()), u"Yes"_s);
        pick(u"Français"_s);
        QMessageBox french(QMessageBox::Question, u"t"_s, u"q"_s, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(WithoutAccelerator(french.button(QMessageBox::Yes)->text()), u"Oui"_s);
    }
};

QTEST_MAIN(tst_TranslatedWindow)
#include "tst_translatedwindow.moc"
