// The view of a pair opened from a row of the window: the copy from the view moves the
// pair's rows as a copy from the list does; and the compare program the user names instead.

#include "TWindowFixture.h"
#include "pairview/TPairView.h"
#include "registry/RegistryUtils.h"
#include "results/TJamFileList.h"
#include "testlib/TestTree.h"
#include "window/TLanguageAndHelp.h"

#include <QCheckBox>
#include <QComboBox>

using namespace Qt::StringLiterals;

class tst_PairWindow : public QObject, public TWindowFixture
{
    Q_OBJECT

    QString Src() const { return FProgram->filePath(u"src"_s); }
    QString Dst() const { return FProgram->filePath(u"dst"_s); }
    static QByteArray Read(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(SetUpProgram());
        // report.txt is newer in the source, notes.txt newer in the destination.
        TestTree::File(Src(), u"report.txt"_s, "new report\n", TestTree::DefaultMTime + 100);
        TestTree::File(Dst(), u"report.txt"_s, "old report\n", TestTree::DefaultMTime);
        TestTree::File(Src(), u"notes.txt"_s, "old notes\n", TestTree::DefaultMTime);
        TestTree::File(Dst(), u"notes.txt"_s, "new notes\n", TestTree::DefaultMTime + 100);
        ShowWindow();
        Find<QCheckBox>(*FWindow, "CheckBox9")->setChecked(true); // keep replaced files
        QVERIFY(ScanInWindow(Src(), Dst()));
    }
    void cleanup() { TearDownProgram(); }

    void copyFromTheViewMovesTheRows_data()
    {
        QTest::addColumn<int>("list");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("leftToRight");
        QTest::addColumn<QByteArray>("content"); // of both files after the copy
        QTest::addColumn<QByteArray>("replaced");
        QTest::newRow("newer in source, left to right") << 3 << u"report.txt"_s << true << "new report\n"_ba
                                                        << "old report\n"_ba;
        QTest::newRow("newer in destination, right to left") << 4 << u"notes.txt"_s << false << "new notes\n"_ba
                                                             << "old notes\n"_ba;
    }
    void copyFromTheViewMovesTheRows()
    {
        QFETCH(int, list);
        QFETCH(QString, name);
        QFETCH(bool, leftToRight);
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, replaced);
        TJamFileList *acted = FWindow->FileList(list);
        QCOMPARE(acted->TotalFileCount(), 1);
        const QString row = acted->Paths().at(0);
        const QString source = QDir::cleanPath(Src() + u'/' + name);
        const QString destination = QDir::cleanPath(Dst() + u'/' + name);
        const QString counterpart = list == 3 ? destination : source;
        FWindow->ComparePair(list, row, counterpart);
        auto *view = FWindow->findChild<TPairView *>();
        QVERIFY(view);
        QTRY_VERIFY(view->Result());
        // The source on the left, whichever side the row is on.
        QCOMPARE(QDir::cleanPath(view->LeftPath()), source);
        QCOMPARE(QDir::cleanPath(view->RightPath()), destination);
        view->SetConfirm([](const QString &) { return true; });
        QSignalSpy compared(view, &TPairView::Compared);
        if (leftToRight)
            view->CopyLeftToRight();
        else
            view->CopyRightToLeft();
        QCOMPARE(Read(source), content);
        QCOMPARE(Read(destination), content);
        QCOMPARE(Read(FProgram->filePath(u"data/Trash/files/"_s + name)), replaced);
        // Now equal: the pair leaves its list and is filed under the duplicates.
        QCOMPARE(acted->TotalFileCount(), 0);
        QVERIFY(FWindow->FileList(5)->IsItemInList(source));
        QVERIFY(FWindow->FileList(6)->IsItemInList(destination));
        // The other pair stays where it was.
        QCOMPARE(FWindow->FileList(list == 3 ? 4 : 3)->TotalFileCount(), 1);
        QVERIFY(compared.wait(10000));
        QCOMPARE(view->Result()->Text().Verdict(), TTextPair::tvIdentical);
    }

    void compareWithStartsTheNamedProgram()
    {
        const QString out = FProgram->filePath(u"out dir"_s);
        QVERIFY(QDir().mkpath(out));
        // The right file is the destination's; the setting is stored as it is edited.
        const QString command = u"cp %2 \""_s + out + u"/right copy\""_s;
        FWindow->LanguageAndHelp().SetCompareWith(command);
        QCOMPARE(ReadString(u"CompareWith"_s, QString()), command);
        FWindow->ComparePair(3, FWindow->FileList(3)->Paths().at(0), Dst() + u"/report.txt"_s);
        QTRY_COMPARE(Read(out + u"/right copy"_s), "old report\n"_ba);
        QVERIFY(!FWindow->findChild<TPairView *>());
        QVERIFY(FPrompts.Asked.isEmpty());

        FWindow->LanguageAndHelp().SetCompareWith(u"/no/such/compare-tool %1 %2"_s);
        FWindow->ComparePair(3, FWindow->FileList(3)->Paths().at(0), Dst() + u"/report.txt"_s);
        QCOMPARE(FPrompts.Asked,
                 QStringList{u"error: The compare program could not be started: /no/such/compare-tool %1 %2"_s});

        // Empty: the built-in view again.
        FWindow->LanguageAndHelp().SetCompareWith(QString());
        FWindow->ComparePair(3, FWindow->FileList(3)->Paths().at(0), Dst() + u"/report.txt"_s);
        QVERIFY(FWindow->findChild<TPairView *>());
        QVERIFY(Find<QComboBox>(*FWindow, "ComboBox3")->isEditable());
    }
};

QTEST_MAIN(tst_PairWindow)
#include "tst_pairwindow.moc"
