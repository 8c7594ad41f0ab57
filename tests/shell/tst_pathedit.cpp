#include "shell/TJamPathEdit.h"
#include "shell/TJamShellTree.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCompleter>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

class tst_PathEdit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void isValidPath_data();
    void isValidPath();
    void setPathKeepsWhatIsTyped();
    void completesFolderNames();
    void clickWithTheListOpen_data();
    void clickWithTheListOpen();
    void treeAndPathBoxFollowEachOther();
    void droppedFolderIsSelected_data();
    void droppedFolderIsSelected();

private:
    QTemporaryDir *FTemp = nullptr;
    QString FRoot;
};

void tst_PathEdit::init()
{
    FTemp = new QTemporaryDir;
    QVERIFY(FTemp->isValid());
    FRoot = FTemp->path();
    QVERIFY(QDir(FRoot).mkpath(u"photos/2024"_s));
    QVERIFY(QDir(FRoot).mkpath(u"photo"_s));
    QFile file(FRoot + u"/notes.txt"_s);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

void tst_PathEdit::cleanup()
{
    delete FTemp;
}

void tst_PathEdit::isValidPath_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");

    QTest::newRow("folder") << u"<root>/photos"_s << true;
    QTest::newRow("folder with separator") << u"<root>/photos/"_s << true;
    QTest::newRow("file") << u"<root>/notes.txt"_s << false;
    QTest::newRow("missing") << u"<root>/videos"_s << false;
    QTest::newRow("half typed") << u"<root>/phot"_s << false;
    QTest::newRow("relative") << u"photos"_s << false;
    QTest::newRow("empty") << QString() << false;
}

void tst_PathEdit::isValidPath()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);

    TJamPathEdit edit;
    edit.SetPath(text.replace(u"<root>"_s, FRoot));
    QCOMPARE(edit.IsValidPath(), valid);
}

void tst_PathEdit::setPathKeepsWhatIsTyped()
{
    TJamPathEdit edit;
    QSignalSpy changes(&edit, &TJamPathEdit::Change);
    edit.SetPath(FRoot + u"/photos/"_s);
    edit.SetPath(FRoot + u"/photos"_s);
    QCOMPARE(edit.Path(), FRoot + u"/photos/"_s);
    edit.SetPath(FRoot + u"/photo"_s);
    QCOMPARE(edit.Path(), FRoot + u"/photo"_s);
    QCOMPARE(changes.count(), 2);
}

void tst_PathEdit::completesFolderNames()
{
    TJamPathEdit edit;
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    edit.setFocus();
    QTest::keyClicks(&edit, FRoot + u"/pho"_s);
    QCompleter *completer = edit.completer();
    QTRY_COMPARE(completer->completionCount(), 2);
    QStringList offered;
    for (int row = 0; completer->setCurrentRow(row); ++row)
        offered << completer->currentCompletion();
    offered.sort();
    // Folders only: notes.txt is never offered, whatever is typed.
    QCOMPARE(offered, (QStringList{FRoot + u"/photo"_s, FRoot + u"/photos"_s}));

    QVERIFY(QDir(FRoot).mkpath(u".private"_s));
    edit.SetShowHidden(true);
    edit.clear();
    QTest::keyClicks(&edit, FRoot + u"/.pr"_s);
    QTRY_COMPARE(completer->completionCount(), 1);
}

// While the completion list is open it holds the pointer, so the window system sends a
// click anywhere to the list's window: the click must still reach what is under it, and
// the keys that follow must go where the user clicked.
void tst_PathEdit::clickWithTheListOpen_data()
{
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<QString>("otherText");
    QTest::addColumn<QString>("boxText");
    QTest::addColumn<bool>("checked");

    QTest::newRow("the other path box") << u"other"_s << u"xyz"_s << u"<root>/pho"_s << false;
    QTest::newRow("a check box") << u"check"_s << u""_s << u"<root>/pho"_s << true;
    QTest::newRow("a name in the list") << u"list"_s << u""_s << u"<root>/photoxyz"_s << false;
}

void tst_PathEdit::clickWithTheListOpen()
{
    QFETCH(QString, clicked);
    QFETCH(QString, otherText);
    QFETCH(QString, boxText);
    QFETCH(bool, checked);

    QWidget window;
    auto *box = new TJamPathEdit(&window);
    auto *other = new TJamPathEdit(&window);
    auto *check = new QCheckBox(u"Check"_s, &window);
    box->setGeometry(0, 0, 300, 25);
    other->setGeometry(0, 200, 300, 25);
    check->setGeometry(0, 240, 300, 25);
    window.resize(320, 280);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    box->setFocus();
    const auto type = [&](const QString &keys) {
        for (QChar key : keys)
            QTest::keyClick(window.windowHandle(), key.toLatin1());
    };
    type(FRoot + u"/pho"_s);
    QWidget *list = box->completer()->popup();
    QTRY_VERIFY(list->isVisible());

    QPoint at;
    if (clicked == u"list")
        at = static_cast<QAbstractItemView *>(list)
                 ->visualRect(box->completer()->completionModel()->index(0, 0))
                 .center();
    else
        at = list->mapFromGlobal(
            (clicked == u"other" ? static_cast<QWidget *>(other) : check)->mapToGlobal(QPoint(10, 10)));
    QTest::mouseClick(list->windowHandle(), Qt::LeftButton, {}, at);
    type(u"xyz"_s);

    QCOMPARE(other->Path(), otherText);
    QCOMPARE(box->Path(), QString(boxText).replace(u"<root>"_s, FRoot));
    QCOMPARE(check->isChecked(), checked);
    QVERIFY(!check->isDown());
}

// Wired the way the window wires them: the tree sets the box, a valid box moves
// the tree. Typing goes through invalid, valid and again invalid texts.
void tst_PathEdit::treeAndPathBoxFollowEachOther()
{
    QWidget window;
    auto *tree = new TJamShellTree(&window);
    auto *edit = new TJamPathEdit(&window);
    edit->move(0, 0);
    tree->setGeometry(0, 40, 300, 300);
    int treeChanges = 0;
    int editChanges = 0;
    connect(tree, &TJamShellTree::Change, &window, [&] {
        ++treeChanges;
        QVERIFY(treeChanges < 100);
        edit->SetPath(tree->SelectedFolder());
    });
    connect(edit, &TJamPathEdit::Change, &window, [&] {
        ++editChanges;
        QVERIFY(editChanges < 100);
        if (edit->IsValidPath())
            tree->SetSelectedFolder(edit->Path());
    });
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    tree->SetSelectedFolder(FRoot);
    QCOMPARE(edit->Path(), FRoot);
    QCOMPARE(treeChanges, 1);
    QCOMPARE(editChanges, 1);

    edit->setFocus();
    edit->end(false);
    const QString typed = u"/photos/20"_s;
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->Path(), FRoot + typed);
    // "/photo" and "/photos" and "/photos/" were valid on the way; "/photos/20" is not.
    QCOMPARE(tree->SelectedFolder(), FRoot + u"/photos"_s);
    QCOMPARE(treeChanges, 3);
    QCOMPARE(editChanges, 1 + int(typed.size()));

    QTest::keyClicks(edit, u"24"_s);
    QCOMPARE(tree->SelectedFolder(), FRoot + u"/photos/2024"_s);
    QCOMPARE(edit->Path(), FRoot + u"/photos/2024"_s);
}

// A drag from a file manager onto a path box or a tree: a folder is taken, a file stands
// for its folder, of several items the first counts, and what names nothing on this
// computer is refused before the drop, leaving the box and the tree as they were.
void tst_PathEdit::droppedFolderIsSelected_data()
{
    QTest::addColumn<QStringList>("dropped"); // <root> stands for the test folder
    QTest::addColumn<QString>("selected");    // empty: refused
    QTest::newRow("folder") << QStringList{u"file://<root>/photos/2024"_s} << u"<root>/photos/2024"_s;
    QTest::newRow("folder with separator") << QStringList{u"file://<root>/photo/"_s} << u"<root>/photo"_s;
    QTest::newRow("file") << QStringList{u"file://<root>/notes.txt"_s} << u"<root>"_s;
    QTest::newRow("two folders") << QStringList{u"file://<root>/photo"_s, u"file://<root>/photos"_s}
                                 << u"<root>/photo"_s;
    QTest::newRow("missing folder") << QStringList{u"file://<root>/videos"_s} << QString();
    QTest::newRow("missing first of two")
        << QStringList{u"file://<root>/videos"_s, u"file://<root>/photo"_s} << QString();
    QTest::newRow("not on this computer") << QStringList{u"https://example.org/photos"_s} << QString();
}

void tst_PathEdit::droppedFolderIsSelected()
{
    QFETCH(QStringList, dropped);
    QFETCH(QString, selected);
    selected.replace(u"<root>"_s, FRoot);
    QMimeData data;
    QList<QUrl> urls;
    for (QString url : dropped)
        urls << QUrl(url.replace(u"<root>"_s, FRoot));
    data.setUrls(urls);

    TJamPathEdit edit;
    edit.SetPath(FRoot + u"/photos"_s);
    TJamShellTree tree;
    tree.SetSelectedFolder(FRoot + u"/photos"_s);
    QSignalSpy treeChanges(&tree, &TJamShellTree::Change);
    for (QWidget *target : {static_cast<QWidget *>(&edit), tree.viewport()}) {
        QVERIFY(target->acceptDrops());
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QCOMPARE(enter.isAccepted(), !selected.isEmpty());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        QCOMPARE(drop.isAccepted(), !selected.isEmpty());
        if (!selected.isEmpty())
            QCOMPARE(drop.dropAction(), Qt::CopyAction);
    }
    QCOMPARE(edit.Path(), selected.isEmpty() ? FRoot + u"/photos"_s : selected);
    QCOMPARE(tree.SelectedFolder(), selected.isEmpty() ? FRoot + u"/photos"_s : selected);
    QCOMPARE(treeChanges.count(), selected.isEmpty() || selected == FRoot + u"/photos"_s ? 0 : 1);
}

QTEST_MAIN(tst_PathEdit)
#include "tst_pathedit.moc"
