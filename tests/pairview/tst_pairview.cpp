// The view of two files: what it finds and shows for known pairs, moving between the
// differences, the white space option, binary pairs, a file that cannot be read, copying
// one file over the other on its own; and the argument list of an external compare program.

#include "pairview/TCompareCommand.h"
#include "pairview/TPairRowModel.h"
#include "pairview/TPairView.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

class tst_PairView : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> FDir;

    QString Write(const QString &name, const QByteArray &bytes)
    {
        const QString path = FDir->filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    static QByteArray Read(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

    // A view of the two contents, its first comparison over.
    std::unique_ptr<TPairView> Open(const QByteArray &left, const QByteArray &right)
    {
        return OpenPaths(Write(u"left.txt"_s, left), Write(u"right.txt"_s, right));
    }
    std::unique_ptr<TPairView> OpenPaths(const QString &left, const QString &right)
    {
        auto view = std::make_unique<TPairView>(left, right);
        QSignalSpy compared(view.get(), &TPairView::Compared);
        if (!compared.wait(10000))
            qFatal("the comparison did not end");
        return view;
    }
    static QString Label(const TPairView &view, const char *name)
    {
        return view.findChild<QLabel *>(QString::fromLatin1(name))->text();
    }
    static TPairRowModel *Model(const TPairView &view, bool left)
    {
        auto *table = view.findChild<QTableView *>(left ? u"PairLeftView"_s : u"PairRightView"_s);
        return qobject_cast<TPairRowModel *>(table->model());
    }

private Q_SLOTS:
    void init()
    {
        FDir = std::make_unique<QTemporaryDir>();
        QVERIFY(FDir->isValid());
        // Files replaced from the view go to a trash inside the test's folder.
        qputenv("XDG_DATA_HOME", QFile::encodeName(FDir->filePath(u"data"_s)));
    }

    void textPairs_data()
    {
        QTest::addColumn<QByteArray>("left");
        QTest::addColumn<QByteArray>("right");
        QTest::addColumn<int>("differences");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("verdict"); // a part of the line above the lines
        QTest::addColumn<QString>("leftInfo");
        QTest::addColumn<QString>("rightInfo");

        QTest::newRow("identical") << "a\nb\n"_ba
                                   << "a\nb\n"_ba << 0 << 2 << u"identical"_s << u"UTF-8, LF"_s << u"UTF-8, LF"_s;
        QTest::newRow("insert") << "a\nb\n"_ba
                                << "a\nx\nb\n"_ba << 1 << 3 << QString() << u"LF"_s << u"LF"_s;
        QTest::newRow("delete") << "a\nx\nb\n"_ba
                                << "a\nb\n"_ba << 1 << 3 << QString() << u"LF"_s << u"LF"_s;
        QTest::newRow("change") << "a\nb\nc\n"_ba
                                << "a\nB\nc\n"_ba << 1 << 3 << QString() << u"LF"_s << u"LF"_s;
        QTest::newRow("two runs") << "1\n2\n3\n4\n5\n"_ba
                                  << "1\nX\n3\n4\nY\n"_ba << 2 << 5 << QString() << u"LF"_s << u"LF"_s;
        QTest::newRow("crlf against lf") << "a\r\nb\r\n"_ba
                                         << "a\nb\n"_ba << 0 << 2 << u"only in their line endings"_s << u"CRLF"_s
                                         << u"LF"_s;
        QTest::newRow("no final line end") << "a\nb"_ba
                                           << "a\nb\n"_ba << 0 << 2 << u"only in their line endings"_s
                                           << u"no line end after the last line"_s << u"LF"_s;
        QTest::newRow("empty file") << QByteArray() << "a\n"_ba << 1 << 1 << QString() << u"no line ends"_s << u"LF"_s;
        QTest::newRow("unicode") << "größe\n"_ba
                                 << "grösse\n"_ba << 1 << 1 << QString() << u"UTF-8"_s << u"UTF-8"_s;
        QTest::newRow("bom") << "\xEF\xBB\xBFsame\n"_ba
                             << "same\n"_ba << 0 << 1 << u"same text"_s << u"UTF-8 with BOM"_s << u"UTF-8, LF"_s;
        QTest::newRow("latin-1 against utf-8")
            << "gr\xF6\xDF"
               "e\n"_ba
            << "größe\n"_ba << 0 << 1 << u"same text"_s << u"Latin-1"_s << u"UTF-8"_s;
    }
    void textPairs()
    {
        QFETCH(QByteArray, left);
        QFETCH(QByteArray, right);
        QFETCH(int, differences);
        QFETCH(int, rows);
        QFETCH(QString, verdict);
        QFETCH(QString, leftInfo);
        QFETCH(QString, rightInfo);
        const auto view = Open(left, right);
        QVERIFY(view->Result());
        QCOMPARE(view->Result()->Kind(), TPairComparison::pkText);
        QCOMPARE(Label(*view, "PairCount"), u"Differences: %1"_s.arg(differences));
        QCOMPARE(Model(*view, true)->rowCount(), rows);
        QCOMPARE(Model(*view, false)->rowCount(), rows);
        if (verdict.isEmpty())
            QCOMPARE(Label(*view, "PairVerdict"), QString());
        else
            QVERIFY2(Label(*view, "PairVerdict").contains(verdict), qPrintable(Label(*view, "PairVerdict")));
        QVERIFY2(Label(*view, "PairLeftInfo").contains(leftInfo), qPrintable(Label(*view, "PairLeftInfo")));
        QVERIFY2(Label(*view, "PairRightInfo").contains(rightInfo), qPrintable(Label(*view, "PairRightInfo")));
        // The title names both files.
        QVERIFY(view->windowTitle().contains(u"left.txt"_s) && view->windowTitle().contains(u"right.txt"_s));
    }

    void linesShownWithKindsAndMarks()
    {
        const auto view = Open("same\nold line\ngone\n"_ba, "same\nnew line\n"_ba);
        TPairRowModel *left = Model(*view, true);
        TPairRowModel *right = Model(*view, false);
        QCOMPARE(left->rowCount(), 3);
        QCOMPARE(left->index(0, TPairRowModel::pcNumber).data().toString(), u"1"_s);
        QCOMPARE(left->index(1, TPairRowModel::pcText).data().toString(), u"old line"_s);
        QCOMPARE(right->index(1, TPairRowModel::pcText).data().toString(), u"new line"_s);
        QCOMPARE(left->Kind(0), TPairRowModel::rkEqual);
        QCOMPARE(left->Kind(1), TPairRowModel::rkChanged);
        // The left side's extra line: deleted there, nothing on the right.
        QCOMPARE(left->Kind(2), TPairRowModel::rkDeleted);
        QCOMPARE(right->Kind(2), TPairRowModel::rkMissing);
        QVERIFY(right->index(2, TPairRowModel::pcNumber).data().toString().isEmpty());
        // Only the differing word is marked, on each side.
        const QList<TCharMatcher::TRange> marks = left->Changed(1);
        QVERIFY(!marks.isEmpty());
        for (const TCharMatcher::TRange &range : marks)
            QVERIFY2(range.Start + range.Length <= 3, "a mark beyond \"old\"");
        QVERIFY(left->Changed(0).isEmpty());
    }

    void nextAndPreviousDifference()
    {
        const auto view = Open("1\n2\n3\n4\n5\n6\n7\n"_ba, "1\nX\n3\n4\nY\n6\n7\nZ\n"_ba);
        view->show();
        QVERIFY(QTest::qWaitForWindowActive(view.get()));
        QCOMPARE(view->CurrentRow(), 1); // the first difference is shown at once
        view->NextDifference();
        QCOMPARE(view->CurrentRow(), 4);
        QTest::keyClick(view.get(), Qt::Key_F8);
        QCOMPARE(view->CurrentRow(), 7);
        view->NextDifference(); // no further one: it stays
        QCOMPARE(view->CurrentRow(), 7);
        QTest::keyClick(view.get(), Qt::Key_Up, Qt::AltModifier);
        QCOMPARE(view->CurrentRow(), 4);
        QTest::keyClick(view.get(), Qt::Key_F8, Qt::ShiftModifier);
        QCOMPARE(view->CurrentRow(), 1);
        QTest::keyClick(view.get(), Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(view->CurrentRow(), 4);
        // Both sides show the same row.
        auto *leftTable = view->findChild<QTableView *>(u"PairLeftView"_s);
        auto *rightTable = view->findChild<QTableView *>(u"PairRightView"_s);
        QCOMPARE(leftTable->currentIndex().row(), 4);
        QCOMPARE(rightTable->currentIndex().row(), 4);
    }

    void ignoreWhiteSpaceComparesAgain()
    {
        const auto view = Open("a b\nc\n"_ba, "a   b\nc\n"_ba);
        QCOMPARE(view->Result()->Text().DifferenceCount(), 1);
        QSignalSpy compared(view.get(), &TPairView::Compared);
        view->SetIgnoreWhiteSpace(true);
        QVERIFY(compared.wait(10000));
        QCOMPARE(view->Result()->Text().DifferenceCount(), 0);
        QVERIFY(Label(*view, "PairVerdict").contains(u"only in white space"_s));
        view->SetIgnoreWhiteSpace(false);
        QVERIFY(compared.wait(10000));
        QCOMPARE(view->Result()->Text().DifferenceCount(), 1);
    }

    void cancelAndCompareAgain()
    {
        const QString left = Write(u"left.txt"_s, "a\nb\n");
        const QString right = Write(u"right.txt"_s, "a\nc\n");
        TPairView view(left, right);
        QSignalSpy compared(&view, &TPairView::Compared);
        QVERIFY(view.Running());
        view.CancelComparison();
        QVERIFY(compared.wait(10000));
        QVERIFY(!view.Running());
        QVERIFY(!view.Result());
        QVERIFY(Label(view, "PairVerdict").contains(u"cancelled"_s));
        // Two runs asked for at once: only the last one is shown, once.
        compared.clear();
        view.Compare();
        view.SetIgnoreWhiteSpace(true);
        QVERIFY(compared.wait(10000));
        QTest::qWait(50);
        QCOMPARE(compared.size(), 1);
        QVERIFY(view.Result());
        QCOMPARE(view.Result()->Text().DifferenceCount(), 1);
        QVERIFY(view.Result()->Text().IgnoresWhiteSpace());
    }

    void binaryPairs_data()
    {
        QTest::addColumn<QByteArray>("left");
        QTest::addColumn<QByteArray>("right");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<QString>("markedRow"); // the hex row marked as the first difference

        QByteArray bytes(100, '\0');
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char(i * 7);
        QByteArray changed = bytes;
        changed[37] = char(0xFF);
        QTest::newRow("differ at 37") << bytes << changed << u"first differ at offset 37 (hex 25)"_s << u"> 00000020"_s;
        QTest::newRow("equal") << bytes << bytes << u"equal byte for byte"_s << QString();
        QTest::newRow("left is prefix") << bytes.left(50) << bytes << u"left file is the start of the right"_s
                                        << u"> 00000030"_s;
    }
    void binaryPairs()
    {
        QFETCH(QByteArray, left);
        QFETCH(QByteArray, right);
        QFETCH(QString, verdict);
        QFETCH(QString, markedRow);
        const auto view = Open(left, right);
        QCOMPARE(view->Result()->Kind(), TPairComparison::pkBinary);
        QVERIFY2(Label(*view, "PairVerdict").contains(verdict), qPrintable(Label(*view, "PairVerdict")));
        QVERIFY(Label(*view, "PairLeftInfo").contains(u"%1 bytes"_s.arg(left.size())));
        const QString hex = view->findChild<QPlainTextEdit *>(u"PairHex"_s)->toPlainText();
        if (markedRow.isEmpty())
            QVERIFY(!hex.contains(u'>'));
        else
            QVERIFY2(hex.contains(markedRow), qPrintable(hex));
    }

    void unreadableFileSaysWhy()
    {
        const QString left = Write(u"left.txt"_s, "a\n");
        const auto view = OpenPaths(left, FDir->filePath(u"missing.txt"_s));
        QCOMPARE(view->Result()->Kind(), TPairComparison::pkFailed);
        const QString verdict = Label(*view, "PairVerdict");
        QVERIFY2(verdict.contains(u"missing.txt"_s) && verdict.contains(u"does not exist"_s), qPrintable(verdict));
    }

    void copyOnItsOwnKeepsTheReplacedFile_data()
    {
        QTest::addColumn<bool>("leftToRight");
        QTest::addColumn<bool>("confirmed");
        QTest::newRow("left to right") << true << true;
        QTest::newRow("right to left") << false << true;
        QTest::newRow("declined") << true << false;
    }
    void copyOnItsOwnKeepsTheReplacedFile()
    {
        QFETCH(bool, leftToRight);
        QFETCH(bool, confirmed);
        const QString left = Write(u"left.txt"_s, "left version\n");
        const QString right = Write(u"right.txt"_s, "right version\n");
        const auto view = OpenPaths(left, right);
        QString asked;
        view->SetConfirm([&asked, confirmed](const QString &question) {
            asked = question;
            return confirmed;
        });
        QSignalSpy compared(view.get(), &TPairView::Compared);
        if (leftToRight)
            view->CopyLeftToRight();
        else
            view->CopyRightToLeft();
        QVERIFY(asked.contains(leftToRight ? u"right.txt"_s : u"left.txt"_s));
        const QString trashed =
            FDir->filePath(leftToRight ? u"data/Trash/files/right.txt"_s : u"data/Trash/files/left.txt"_s);
        if (!confirmed) {
            QCOMPARE(Read(left), "left version\n"_ba);
            QCOMPARE(Read(right), "right version\n"_ba);
            QVERIFY(!QFile::exists(trashed));
            return;
        }
        const QByteArray kept = leftToRight ? "left version\n"_ba : "right version\n"_ba;
        QCOMPARE(Read(left), kept);
        QCOMPARE(Read(right), kept);
        // The replaced file is in the trash, whole.
        QCOMPARE(Read(trashed), leftToRight ? "right version\n"_ba : "left version\n"_ba);
        // And the pair is compared again.
        QVERIFY(compared.wait(10000));
        QVERIFY(Label(*view, "PairVerdict").contains(u"identical"_s));
    }

    // A version-control tool passes the null device for a file that is new: it shows as
    // empty. Neither it nor a FIFO is ever offered or given a copy.
    void noCopyWithWhatIsNotAFile()
    {
        const QString file = Write(u"new.txt"_s, "a\n");
        const QString fifo = FDir->filePath(u"fifo"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        for (const QString &other : {u"/dev/null"_s, fifo}) {
            const auto view = OpenPaths(other, file);
            QCOMPARE(view->Result()->Kind(), other == fifo ? TPairComparison::pkFailed : TPairComparison::pkText);
            QVERIFY(!view->findChild<QPushButton *>(u"PairCopyLeftToRight"_s)->isEnabled());
            QVERIFY(!view->findChild<QPushButton *>(u"PairCopyRightToLeft"_s)->isEnabled());
            bool asked = false;
            view->SetConfirm([&asked](const QString &) { return asked = true; });
            if (other == fifo)
                view->CopyRightToLeft();
            QVERIFY(!asked);
        }
        QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
        QCOMPARE(Read(file), "a\n"_ba);
    }

    void externalCommandArguments_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("expected"); // L and R stand for the two files

        QTest::newRow("plain") << u"meld %1 %2"_s << QStringList{u"meld"_s, u"<L>"_s, u"<R>"_s};
        QTest::newRow("swapped") << u"tool %2 %1"_s << QStringList{u"tool"_s, u"<R>"_s, u"<L>"_s};
        QTest::newRow("inside an argument")
            << u"tool --left=%1 --right=%2"_s << QStringList{u"tool"_s, u"--left=<L>"_s, u"--right=<R>"_s};
        QTest::newRow("no placeholders") << u"tool -x"_s << QStringList{u"tool"_s, u"-x"_s, u"<L>"_s, u"<R>"_s};
        QTest::newRow("quoted program") << u"\"/opt/my tool/cmp\" %1 %2"_s
                                        << QStringList{u"/opt/my tool/cmp"_s, u"<L>"_s, u"<R>"_s};
        QTest::newRow("quoted placeholder") << u"tool \"%1\" %2"_s << QStringList{u"tool"_s, u"<L>"_s, u"<R>"_s};
        QTest::newRow("percent") << u"tool 100%% %1 %2"_s << QStringList{u"tool"_s, u"100%"_s, u"<L>"_s, u"<R>"_s};
        QTest::newRow("empty") << u"  "_s << QStringList();
    }
    void externalCommandArguments()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, expected);
        // Names with spaces, both quotes, a shell's specials and a placeholder of their own.
        const QString left = u"/home/u/my \"quoted\" file's $HOME %2.txt"_s;
        const QString right = u"/mnt/other side/it's; rm -rf x`.txt"_s;
        for (QString &part : expected)
            part.replace(u"<L>"_s, left).replace(u"<R>"_s, right);
        QCOMPARE(TCompareCommand::Arguments(command, left, right), expected);
    }

    void externalProgramGetsEachNameAsOneArgument()
    {
        const QString left = Write(u"a \"b\" c's.txt"_s, "left\n");
        const QString right = Write(u"d $e.txt"_s, "right\n");
        const QString out = FDir->filePath(u"out dir"_s);
        QVERIFY(QDir().mkpath(out));
        QVERIFY(TCompareCommand::Start(u"cp %1 %2 \""_s + out + u"\""_s, left, right));
        QTRY_COMPARE(Read(out + u"/a \"b\" c's.txt"_s), "left\n"_ba);
        QTRY_COMPARE(Read(out + u"/d $e.txt"_s), "right\n"_ba);
        QVERIFY(!TCompareCommand::Start(FDir->filePath(u"no such program %1 %2"_s), left, right));
    }
};

QTEST_MAIN(tst_PairView)
#include "tst_pairview.moc"
