#include "shell/TJamShellTree.h"

#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_ShellTree : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void selectsAFolderNotYetLoaded();
    void nothingToSelect_data();
    void nothingToSelect();
    void userSelectionIsReported();
    void hiddenFoldersOnlyWhenAsked();

private:
    // Child folder names of path as the tree lists them, once it has loaded them.
    QStringList Listed(const QString &path) const;

    QTemporaryDir *FTemp = nullptr;
    QString FRoot;
    TJamShellTree *FTree = nullptr;
};

void tst_ShellTree::init()
{
    FTemp = new QTemporaryDir;
    QVERIFY(FTemp->isValid());
    FRoot = FTemp->path();
    QDir root(FRoot);
    for (const QString &folder : {u"a/b/c/d"_s, u"visible"_s, u".secret/inner"_s})
        QVERIFY(root.mkpath(folder));
    QFile file(FRoot + u"/a/file.txt"_s);
    QVERIFY(file.open(QIODevice::WriteOnly));
    FTree = new TJamShellTree;
    FTree->resize(300, 400);
    FTree->show();
}

void tst_ShellTree::cleanup()
{
    delete FTree;
    delete FTemp;
}

QStringList tst_ShellTree::Listed(const QString &path) const
{
    QFileSystemModel *model = FTree->FileSystemModel();
    const QModelIndex parent = model->index(path);
    QStringList names;
    for (int row = 0; row < model->rowCount(parent); ++row)
        names << model->index(row, 0, parent).data().toString();
    names.sort();
    return names;
}

void tst_ShellTree::selectsAFolderNotYetLoaded()
{
    QSignalSpy changes(FTree, &TJamShellTree::Change);
    const QString deep = FRoot + u"/a/b/c/d"_s;
    FTree->SetSelectedFolder(deep);
    QCOMPARE(FTree->SelectedFolder(), deep);
    QCOMPARE(changes.count(), 1);
    QVERIFY(FTree->isExpanded(FTree->FileSystemModel()->index(FRoot + u"/a/b/c"_s)));

    // The same folder, however spelt, is no change.
    FTree->SetSelectedFolder(deep + u'/');
    FTree->SetSelectedFolder(FRoot + u"/a/b/../b/c/d"_s);
    QCOMPARE(changes.count(), 1);

    FTree->SetSelectedFolder(u"/"_s);
    QCOMPARE(FTree->SelectedFolder(), u"/"_s);
    QCOMPARE(changes.count(), 2);
}

void tst_ShellTree::nothingToSelect_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("missing") << u"/a/missing"_s;
    QTest::newRow("a file") << u"/a/file.txt"_s;
    QTest::newRow("empty") << QString();
}

void tst_ShellTree::nothingToSelect()
{
    QFETCH(QString, path);
    const QString start = FRoot + u"/visible"_s;
    FTree->SetSelectedFolder(start);
    QSignalSpy changes(FTree, &TJamShellTree::Change);
    FTree->SetSelectedFolder(path.isEmpty() ? path : FRoot + path);
    QCOMPARE(FTree->SelectedFolder(), start);
    QCOMPARE(changes.count(), 0);
}

void tst_ShellTree::userSelectionIsReported()
{
    QSignalSpy changes(FTree, &TJamShellTree::Change);
    FTree->SetSelectedFolder(FRoot);
    FTree->expand(FTree->currentIndex());
    QTRY_COMPARE(Listed(FRoot), (QStringList{u"a"_s, u"visible"_s}));

    FTree->setFocus();
    QTest::keyClick(FTree, Qt::Key_Down);
    // The first child, in whatever order the model has reached by now.
    const QString chosen = FTree->SelectedFolder();
    QVERIFY2(chosen == FRoot + u"/a"_s || chosen == FRoot + u"/visible"_s, qPrintable(chosen));
    QCOMPARE(changes.count(), 2);
}

void tst_ShellTree::hiddenFoldersOnlyWhenAsked()
{
    const QStringList plain{u"a"_s, u"visible"_s};
    const QStringList all{u".secret"_s, u"a"_s, u"visible"_s};
    FTree->SetSelectedFolder(FRoot);
    FTree->expand(FTree->currentIndex());
    QTRY_COMPARE(Listed(FRoot), plain);

    FTree->SetShowHidden(true);
    QVERIFY(FTree->ShowHidden());
    QTRY_COMPARE(Listed(FRoot), all);

    // A hidden folder that was selected gives way to its parent when hidden again.
    FTree->SetSelectedFolder(FRoot + u"/.secret/inner"_s);
    QSignalSpy changes(FTree, &TJamShellTree::Change);
    FTree->SetShowHidden(false);
    QTRY_COMPARE(Listed(FRoot), plain);
    QVERIFY(!FTree->SelectedFolder().contains(u".secret"_s));
    QCOMPARE(changes.count(), 1);
}

QTEST_MAIN(tst_ShellTree)
#include "tst_shelltree.moc"
