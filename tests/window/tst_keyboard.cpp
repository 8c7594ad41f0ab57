// The window by keyboard: Tab goes through each page's controls in the order they stand,
// left column, middle column, right column, top to bottom; Enter in a path box selects its
// folder.

#include "TWindowFixture.h"

#include "actions/ui/TListActions.h"
#include "results/TJamFileList.h"
#include "shell/TJamPathEdit.h"
#include "shell/TJamShellTree.h"
#include "window/TLanguageAndHelp.h"
#include "window/TfrmMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QHash>
#include <QKeySequence>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

class tst_Keyboard : public QObject, TWindowFixture
{
    Q_OBJECT

    // The named controls that Tab reaches on the page shown, from its first control on,
    // once round.
    QStringList TabWalk(QWidget *first)
    {
        QStringList names;
        first->setFocus(Qt::TabFocusReason);
        QWidget *start = QApplication::focusWidget();
        QWidget *current = start;
        for (int i = 0; i < 200; ++i) {
            QString name;
            for (QWidget *w = current; w && name.isEmpty(); w = w->parentWidget())
                name = w->objectName();
            if (!name.isEmpty() && (names.isEmpty() || names.last() != name))
                names << name;
            QTest::keyClick(current, Qt::Key_Tab);
            current = QApplication::focusWidget();
            if (current == start || !current)
                break;
        }
        return names;
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(SetUpProgram(true));
        ShowWindow();
        QVERIFY(WindowExposed());
        FWindow->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(FWindow.get()));
    }
    void cleanup() { TearDownProgram(); }

    static void VerifyInOrder(const QStringList &walk, const QStringList &expected)
    {
        int last = -1;
        for (const QString &name : expected) {
            const int at = walk.indexOf(name);
            QVERIFY2(at > last, qPrintable(name + u" out of order in: "_s + walk.join(u", "_s)));
            last = at;
        }
    }

    void tabGoesAsTheControlsStand()
    {
        // Both folders chosen, so that Start and Add take part.
        const QString folder = FProgram->path();
        FWindow->findChild<TJamShellTree *>(u"JamShellTree1"_s)->SetSelectedFolder(folder + u"/Lang"_s);
        FWindow->findChild<TJamShellTree *>(u"JamShellTree2"_s)->SetSelectedFolder(folder);
        VerifyInOrder(TabWalk(Find<TJamPathEdit>(*FWindow, "JamPathEdit1")),
                      {u"JamPathEdit1"_s, u"JamShellTree1"_s, u"SpinEdit1"_s,    u"ComboBox1"_s,     u"Button4"_s,
                       u"LabeledEdit1"_s, u"CheckBox4"_s,     u"SpinEdit3"_s,    u"SpinEdit4"_s,     u"CheckBox1"_s,
                       u"CheckBox2"_s,    u"CheckBox3"_s,     u"CheckBox8"_s,    u"CheckBox9"_s,     u"SpinEdit5"_s,
                       u"Button1"_s,      u"Button3"_s,       u"JamPathEdit2"_s, u"JamShellTree2"_s, u"SpinEdit2"_s});

        auto *pages = Find<QTabWidget>(*FWindow, "PageControl2");
        pages->setCurrentIndex(1);
        FWindow->FileList(1)->Add(folder + u"/settings.sqlite3"_s);
        FWindow->FileList(2)->Add(folder + u"/settings.sqlite3"_s);
        QTest::qWait(300);
        VerifyInOrder(TabWalk(FWindow->FileList(1)), {u"JamFileList1"_s, u"PngBitBtn14"_s, u"PngBitBtn9"_s,
                                                      u"JamFileList2"_s, u"PngBitBtn1"_s, u"PngBitBtn15"_s});

        pages->setCurrentIndex(2);
        VerifyInOrder(TabWalk(Find<QWidget>(*FWindow, "ComboBox2")), {u"ComboBox2"_s, u"PngBitBtn10"_s});
    }

    void enterInAPathBox()
    {
        auto *pathEdit = Find<TJamPathEdit>(*FWindow, "JamPathEdit1");
        auto *tree = Find<TJamShellTree>(*FWindow, "JamShellTree1");
        const QString folder = FProgram->filePath(u"Lang"_s);
        pathEdit->setFocus();
        pathEdit->clear();
        QTest::keyClicks(pathEdit, folder);
        QTest::keyClick(pathEdit, Qt::Key_Return);
        QCOMPARE(tree->SelectedFolder(), folder);
        QVERIFY(!pathEdit->Marked());
        QVERIFY(pathEdit->toolTip().isEmpty());

        // A name that is no folder: marked and says why, the tree stays, and so does
        // what Start would scan.
        QTest::keyClicks(pathEdit, u"/missing"_s);
        QTest::keyClick(pathEdit, Qt::Key_Return);
        QVERIFY(pathEdit->Marked());
        QCOMPARE(pathEdit->toolTip(), FWindow->Text(tlNoSuchFolder));
        QCOMPARE(tree->SelectedFolder(), folder);
        QTest::keyClick(pathEdit, Qt::Key_Backspace);
        pathEdit->setText(folder);
        QVERIFY(!pathEdit->Marked());
    }

    // Every button and option that can be seen has a key, of its own among those seen
    // with it unless its caption has no letter left; in each language; the key works
    // like a click.
    void everyButtonHasAKey()
    {
        auto *pages = Find<QTabWidget>(*FWindow, "PageControl2");
        for (int language = 0; language < 2; ++language) {
            for (int page = 0; page < pages->count(); ++page) {
                pages->setCurrentIndex(page);
                QHash<QKeySequence, QString> seen;
                QList<QAbstractButton *> shared;
                for (QAbstractButton *button : FWindow->findChildren<QAbstractButton *>()) {
                    if (!button->isVisible() || button->text().trimmed().isEmpty())
                        continue;
                    const QString name = button->objectName() + u" \""_s + button->text() + u'"';
                    QVERIFY2(!button->shortcut().isEmpty(), qPrintable(name));
                    if (seen.contains(button->shortcut()))
                        shared << button;
                    else
                        seen.insert(button->shortcut(), name);
                }
                for (QAbstractButton *button : shared) {
                    for (QChar c : button->text().toUpper())
                        QVERIFY2(!c.isLetter() || seen.contains(QKeySequence(u"Alt+"_s + c)),
                                 qPrintable(button->objectName() + u" could have had "_s + c));
                }
                QVERIFY(!seen.isEmpty());
            }
            FWindow->LanguageAndHelp().LoadLanguage(1);
        }
        pages->setCurrentIndex(0);
        auto *box = Find<QCheckBox>(*FWindow, "CheckBox2");
        const bool was = box->isChecked();
        const QKeyCombination key = box->shortcut()[0];
        QTest::keyClick(FWindow.get(), key.key(), key.keyboardModifiers());
        QTRY_COMPARE(box->isChecked(), !was);
    }

    // The keys of the buttons under the lists stay as given while their captions follow the
    // rows: after rows arrive, and after a selection.
    void listButtonKeysSurviveTheirCaptions()
    {
        auto *pages = Find<QTabWidget>(*FWindow, "PageControl2");
        pages->setCurrentIndex(1);
        auto *copy = Find<QPushButton>(*FWindow, "PngBitBtn9");
        const QKeySequence key = copy->shortcut();
        QVERIFY(!key.isEmpty());
        const QString caption = copy->text();
        FWindow->FileList(1)->Add(FProgram->filePath(u"settings.sqlite3"_s));
        QTRY_VERIFY(copy->text() != caption);
        QCOMPARE(copy->shortcut(), key);
        FWindow->FileList(1)->selectAll();
        QTRY_VERIFY(copy->text().contains(u"selected"_s));
        QCOMPARE(copy->shortcut(), key);
        auto *remove = Find<QPushButton>(*FWindow, "PngBitBtn14");
        QVERIFY(!remove->shortcut().isEmpty());
        QSignalSpy clicked(remove, &QPushButton::clicked);
        // Pressed on the window, the key reaches the button (which then asks; Cancel).
        FWindow->Actions().SetDialogs(nullptr);
        QTimer::singleShot(200, [] {
            if (QWidget *box = QApplication::activeModalWidget())
                box->close();
        });
        const QKeyCombination combination = remove->shortcut()[0];
        QTest::keyClick(FWindow.get(), combination.key(), combination.keyboardModifiers());
        QTRY_COMPARE(clicked.size(), 1);
    }

    void greyedStartSaysWhy()
    {
        auto *start = Find<QPushButton>(*FWindow, "Button1");
        QVERIFY(!start->isEnabled());
        QCOMPARE(start->toolTip(), FWindow->Text(tlNoSource));
        FWindow->findChild<TJamShellTree *>(u"JamShellTree1"_s)->SetSelectedFolder(FProgram->path());
        QCOMPARE(start->toolTip(), FWindow->Text(tlNoDestination));
        FWindow->findChild<TJamShellTree *>(u"JamShellTree2"_s)->SetSelectedFolder(FProgram->filePath(u"Lang"_s));
        QVERIFY(start->isEnabled());
        QVERIFY(start->toolTip().isEmpty());
        // A minimum of 2 MB above a maximum of 1 MB.
        Find<QRadioButton>(*FWindow, "RadioButton3")->setChecked(true);
        Find<QRadioButton>(*FWindow, "RadioButton6")->setChecked(true);
        Find<QLineEdit>(*FWindow, "SpinEdit3")->setText(u"2"_s);
        Find<QLineEdit>(*FWindow, "SpinEdit4")->setText(u"1"_s);
        QVERIFY(!start->isEnabled());
        QCOMPARE(start->toolTip(), FWindow->Text(tlMinimumAboveMaximum));
        // The box for hidden folders says that it only changes the trees.
        QCOMPARE(Find<QCheckBox>(*FWindow, "CheckBox1")->toolTip(), FWindow->Text(tlHiddenFoldersTip));
    }
};

QTEST_MAIN(tst_Keyboard)
#include "tst_keyboard.moc"
