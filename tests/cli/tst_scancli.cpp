// foldermate-scan as scripts see it: records, exit status and messages.

#include "TestTree.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

struct TResult
{
    int ExitCode = -1;
    QByteArray Out;
    QByteArray Err;
};

TResult RunScan(const QStringList &arguments, const QString &workingFolder = QString())
{
    QProcess p;
    if (!workingFolder.isEmpty())
        p.setWorkingDirectory(workingFolder);
    p.start(QStringLiteral(FM_SCAN_EXE), arguments);
    TResult r;
    if (!p.waitForFinished(30000))
        return r;
    r.ExitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.Out = p.readAllStandardOutput();
    r.Err = p.readAllStandardError();
    return r;
}

} // namespace

class tst_ScanCli : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir FDir;

private Q_SLOTS:
    void initTestCase();
    void printsOneRecordPerDelivery();
    void rootsAreMadeAbsoluteAndClean();
    void failedCheckExitsWithItsText();
    void statusLinesGoToStderr();
    void unusableRootsExitWithTheReason();
    void entriesLeftOutGoToStderrWithStatus4_data();
    void entriesLeftOutGoToStderrWithStatus4();
    void aLineBreakInANameForgesNoRecord();
    void usageErrors_data();
    void usageErrors();
    void optionsReachTheEngine();
    void figuresAsTsvAndJson();
    void progressStaysOutOfTheRecords();
};

void tst_ScanCli::initTestCase()
{
    QVERIFY(FDir.isValid());
    QVERIFY(TestTree::Build(FDir.path(), {{u"s/same.txt"_s, "same"},
                                          {u"d/same.txt"_s, "same"},
                                          {u"s/sub/only.txt"_s, "x"},
                                          {u"d/big.bin"_s, QByteArray(3000, 'b')},
                                          {u"s/new line\nname.txt"_s, "n"}}));
}

void tst_ScanCli::printsOneRecordPerDelivery()
{
    const QString s = FDir.filePath(u"s/"_s), d = FDir.filePath(u"d/"_s);
    const TResult r = RunScan({u"--null"_s, s, d});
    QCOMPARE(r.ExitCode, 0);
    QVERIFY(r.Err.isEmpty());
    QList<QByteArray> records = r.Out.split('\0');
    QCOMPARE(records.takeLast(), QByteArray());
    const QSet<QByteArray> got(records.begin(), records.end());
    const QSet<QByteArray> expected{"5\t" + s.toUtf8() + "same.txt", "6\t" + d.toUtf8() + "same.txt",
                                    "1\t" + s.toUtf8() + "sub/only.txt", "1\t" + s.toUtf8() + "new line\nname.txt",
                                    "2\t" + d.toUtf8() + "big.bin"};
    QCOMPARE(got, expected);
    // The duplicate pair arrives in order: source half, then destination half.
    QCOMPARE(records.indexOf("6\t" + d.toUtf8() + "same.txt"), records.indexOf("5\t" + s.toUtf8() + "same.txt") + 1);
}

void tst_ScanCli::rootsAreMadeAbsoluteAndClean()
{
    const TResult r = RunScan({u"--filter"_s, u"*big*"_s, u"./s/../s//"_s, u"d"_s}, FDir.path());
    QCOMPARE(r.ExitCode, 0);
    QCOMPARE(r.Out, "2\t" + FDir.filePath(u"d/big.bin"_s).toUtf8() + '\n');
}

void tst_ScanCli::failedCheckExitsWithItsText()
{
    TResult r = RunScan({u"s"_s, u"s/"_s}, FDir.path());
    QCOMPARE(r.ExitCode, 1);
    QVERIFY(r.Out.isEmpty());
    QCOMPARE(r.Err, QByteArray("Source and Destination can not be the same.\n"));

    r = RunScan({u"s"_s, u"s/sub"_s}, FDir.path());
    QCOMPARE(r.ExitCode, 1);
    QCOMPARE(r.Err, QByteArray("Destination can not be a child of Source.\n"));

    r = RunScan({u""_s, u"d"_s}, FDir.path());
    QCOMPARE(r.ExitCode, 1);
    QCOMPARE(r.Err, QByteArray("You must select a Source folder.\n"));

    // Without sub folders one root may lie inside the other.
    r = RunScan({u"--null"_s, u"--no-subfolders"_s, u"s"_s, u"s/sub"_s}, FDir.path());
    QCOMPARE(r.ExitCode, 0);
}

void tst_ScanCli::statusLinesGoToStderr()
{
    TResult r = RunScan({u"--status"_s, u"--filter"_s, u"*big*"_s, u"s"_s, u"d"_s}, FDir.path());
    QCOMPARE(r.ExitCode, 0);
    const QByteArray d = FDir.filePath(u"d/"_s).toUtf8();
    QCOMPARE(r.Err, "Working...\nAnalyzing source files against destination...\nAnalyzing files...\n"
                    "Analyzing files... "
                        + d + "big.bin\n");

    r = RunScan({u"--status"_s, u"d"_s, u"d"_s}, FDir.path());
    QCOMPARE(r.ExitCode, 1);
    QCOMPARE(r.Err, QByteArray("Working...\nSource and Destination can not be the same.\n"));
}

void tst_ScanCli::unusableRootsExitWithTheReason()
{
    // An unplugged disk must not read as "every file of the other side is missing".
    TResult r = RunScan({u"s"_s, u"missing"_s}, FDir.path());
    QCOMPARE(r.ExitCode, 1);
    QVERIFY(r.Out.isEmpty());
    QCOMPARE(r.Err, "The folder " + FDir.filePath(u"missing"_s).toUtf8() + " does not exist.\n");

    r = RunScan({u"s"_s, u"d/big.bin"_s}, FDir.path());
    QCOMPARE(r.ExitCode, 1);
    QVERIFY(r.Out.isEmpty());
    QCOMPARE(r.Err, FDir.filePath(u"d/big.bin"_s).toUtf8() + " is not a folder.\n");
}

void tst_ScanCli::entriesLeftOutGoToStderrWithStatus4_data()
{
    // tree: "s/PATH" and "d/PATH" are files, "PATH/" folders, "PATH -> TARGET" links,
    // "PATH|" FIFOs. errors: the lines on stderr, with {S} and {D} for the two roots.
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("errors");
    QTest::newRow("a link into the other tree hides nothing")
        << QStringList{u"s/only.txt"_s, u"d/tosrc -> ../s"_s} << 0
        << QStringList{u"skipped: the folder lies in the other tree: {D}/tosrc/"_s};
    QTest::newRow("a second route to a folder hides nothing")
        << QStringList{u"s/releases/v2/app.bin"_s, u"d/releases/v2/app.bin"_s, u"s/current -> releases/v2"_s} << 0
        << QStringList{u"skipped: already compared through {S}/releases/v2/: {S}/current/"_s};
    QTest::newRow("a line break in a path of the reason")
        << QStringList{u"s/real\nname/"_s, u"s/link -> real\nname"_s} << 0
        << QStringList{u"skipped: already compared through {S}/real\\x0Aname/: {S}/link/"_s};
    QTest::newRow("a file against a folder") << QStringList{u"s/x"_s, u"d/x/inner"_s} << 4
                                             << QStringList{u"not compared: the other side is a folder: {S}/x"_s,
                                                            u"not compared: the other side is a file: {D}/x/"_s};
    QTest::newRow("a special file, and a skipped folder")
        << QStringList{u"s/pipe|"_s, u"s/a/f"_s, u"s/b -> a"_s} << 4
        << QStringList{u"not compared: special file (FIFO, socket or device): {S}/pipe"_s,
                       u"skipped: already compared through {S}/a/: {S}/b/"_s};
}

void tst_ScanCli::entriesLeftOutGoToStderrWithStatus4()
{
    QFETCH(QStringList, tree);
    QFETCH(int, status);
    QFETCH(QStringList, errors);
    QTemporaryDir dir;
    QList<TestTree::TEntry> entries{{u"s/"_s}, {u"d/"_s}};
    for (const QString &entry : std::as_const(tree)) {
        const QStringList link = entry.split(u" -> "_s);
        if (link.size() == 2)
            entries << TestTree::TEntry::Link(link[0], link[1]);
        else if (entry.endsWith(u'|'))
            entries << TestTree::TEntry::Fifo(entry.chopped(1));
        else
            entries << TestTree::TEntry(entry, "same");
    }
    QVERIFY(TestTree::Build(dir.path(), entries));
    const TResult r = RunScan({u"s"_s, u"d"_s}, dir.path());
    QCOMPARE(r.ExitCode, status);
    QStringList lines = QString::fromUtf8(r.Err).split(u'\n');
    QCOMPARE(lines.takeLast(), QString());
    QStringList expected;
    for (QString line : std::as_const(errors))
        expected << line.replace(u"{S}"_s, dir.filePath(u"s"_s)).replace(u"{D}"_s, dir.filePath(u"d"_s));
    lines.sort();
    expected.sort();
    QCOMPARE(lines, expected);
}

void tst_ScanCli::aLineBreakInANameForgesNoRecord()
{
    // A name "x\n2\tvictim" would print a record of list 2 for a file that was never found.
    QTemporaryDir dir;
    QVERIFY(TestTree::Build(dir.path(), {{u"s/x\n2\tvictim"_s, "x"}, {u"s/plain.txt"_s, "p"}, {u"d/"_s}}));
    const TResult r = RunScan({u"s"_s, u"d"_s}, dir.path());
    QCOMPARE(r.ExitCode, 4);
    QCOMPARE(r.Out, "1\t" + dir.filePath(u"s/plain.txt"_s).toUtf8() + '\n');
    QCOMPARE(r.Err, "not compared: the name holds a line break, records with it need --null: "
                        + dir.filePath(u"s/x\\x0A2\\x09victim"_s).toUtf8() + '\n');
    // With NUL-ended records the name is listed as it is.
    const TResult n = RunScan({u"--null"_s, u"s"_s, u"d"_s}, dir.path());
    QCOMPARE(n.ExitCode, 0);
    QVERIFY(n.Out.contains(QByteArray("1\t" + dir.filePath(u"s/x\n2\tvictim"_s).toUtf8() + '\0')));
}

void tst_ScanCli::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("named");
    QTest::newRow("unknown option") << QStringList{u"--fast"_s, u"s"_s, u"d"_s} << u"fast"_s;
    QTest::newRow("one root") << QStringList{u"s"_s} << u"SOURCE"_s;
    QTest::newRow("three roots") << QStringList{u"s"_s, u"d"_s, u"e"_s} << u"DESTINATION"_s;
    QTest::newRow("minimum not a number") << QStringList{u"--min"_s, u"1k"_s, u"s"_s, u"d"_s} << u"--min"_s;
    QTest::newRow("minimum with a comma") << QStringList{u"--min"_s, u"1,5"_s, u"s"_s, u"d"_s} << u"--min"_s;
    QTest::newRow("minimum not a number at all") << QStringList{u"--min"_s, u"nan"_s, u"s"_s, u"d"_s} << u"--min"_s;
    QTest::newRow("minimum with an exponent") << QStringList{u"--min"_s, u"1e3"_s, u"s"_s, u"d"_s} << u"--min"_s;
    QTest::newRow("minimum after a space") << QStringList{u"--min"_s, u" 7"_s, u"s"_s, u"d"_s} << u"--min"_s;
    QTest::newRow("maximum infinite") << QStringList{u"--max"_s, u"inf"_s, u"s"_s, u"d"_s} << u"--max"_s;
    QTest::newRow("negative maximum") << QStringList{u"--max"_s, u"-1"_s, u"s"_s, u"d"_s} << u"--max"_s;
    QTest::newRow("maximum too large") << QStringList{u"--max"_s, u"2147483648"_s, u"s"_s, u"d"_s} << u"--max"_s;
    QTest::newRow("unknown unit") << QStringList{u"--min-unit"_s, u"gb"_s, u"s"_s, u"d"_s} << u"--min-unit"_s;
    QTest::newRow("unknown format") << QStringList{u"--format"_s, u"xml"_s, u"s"_s, u"d"_s} << u"--format"_s;
    QTest::newRow("maximum below minimum")
        << QStringList{u"--min"_s, u"2"_s, u"--max"_s, u"1"_s, u"s"_s, u"d"_s} << u"--max"_s;
    QTest::newRow("units make max smaller")
        << QStringList{u"--min"_s, u"1"_s, u"--min-unit"_s, u"mb"_s, u"--max"_s, u"1000"_s, u"s"_s, u"d"_s}
        << u"--max"_s;
    QTest::newRow("fractional margin") << QStringList{u"--margin"_s, u"0.5"_s, u"s"_s, u"d"_s} << u"--margin"_s;
    QTest::newRow("margin too large") << QStringList{u"--margin"_s, u"86401"_s, u"s"_s, u"d"_s} << u"--margin"_s;
    QTest::newRow("adjustment too small")
        << QStringList{u"--src-adjust"_s, u"-10000"_s, u"s"_s, u"d"_s} << u"--src-adjust"_s;
    QTest::newRow("adjustment not whole")
        << QStringList{u"--dst-adjust"_s, u"1.5"_s, u"s"_s, u"d"_s} << u"--dst-adjust"_s;
    QTest::newRow("threads negative") << QStringList{u"--threads"_s, u"-1"_s, u"s"_s, u"d"_s} << u"--threads"_s;
    QTest::newRow("threads too many") << QStringList{u"--threads"_s, u"65"_s, u"s"_s, u"d"_s} << u"--threads"_s;
}

void tst_ScanCli::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, named);
    const TResult r = RunScan(arguments, FDir.path());
    QCOMPARE(r.ExitCode, 2);
    QVERIFY(r.Out.isEmpty());
    QCOMPARE(r.Err.count('\n'), 1);
    QVERIFY2(QString::fromUtf8(r.Err).contains(named), r.Err.constData());
}

void tst_ScanCli::optionsReachTheEngine()
{
    // Reverse logic with a size limit: big.bin (3000 bytes) is over 2 KB, only.txt is not *.bin.
    TResult r = RunScan({u"--reverse"_s, u"--filter"_s, u"*.txt"_s, u"--max"_s, u"2"_s, u"s"_s, u"d"_s}, FDir.path());
    QCOMPARE(r.ExitCode, 0);
    QVERIFY(r.Out.isEmpty());
    r = RunScan({u"--min"_s, u"2999"_s, u"--min-unit"_s, u"bytes"_s, u"s"_s, u"d"_s}, FDir.path());
    QCOMPARE(r.Out, "2\t" + FDir.filePath(u"d/big.bin"_s).toUtf8() + '\n');
    // An adjustment turns the duplicate into a newer source file when contents are not compared.
    r = RunScan({u"--no-content"_s, u"--src-adjust"_s, u"5"_s, u"--filter"_s, u"*same*"_s, u"s"_s, u"d"_s},
                FDir.path());
    QCOMPARE(r.Out, "3\t" + FDir.filePath(u"s/same.txt"_s).toUtf8() + '\n');
    r = RunScan({u"--no-content"_s, u"--src-adjust"_s, u"5"_s, u"--margin"_s, u"5"_s, u"--filter"_s, u"*same*"_s,
                 u"s"_s, u"d"_s},
                FDir.path());
    QCOMPARE(r.Out.count('\n'), 2);
    r = RunScan({u"--no-subfolders"_s, u"--filter"_s, u"*only*"_s, u"s"_s, u"d"_s}, FDir.path());
    QVERIFY(r.Out.isEmpty());
    // Looking ahead or not, the same records.
    const TResult single = RunScan({u"--threads"_s, u"0"_s, u"s"_s, u"d"_s}, FDir.path());
    r = RunScan({u"--threads"_s, u"5"_s, u"s"_s, u"d"_s}, FDir.path());
    QCOMPARE(single.ExitCode, r.ExitCode);
    QVERIFY(!r.Out.isEmpty());
    QCOMPARE(r.Out, single.Out);
}

void tst_ScanCli::figuresAsTsvAndJson()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString s = dir.filePath(u"s/"_s), d = dir.filePath(u"d/"_s);
    const qint64 t = 1700000000;
    // Names that a line-based record or a TSV field would break.
    const QString odd = u"say \"hi\" \\ line\nbreak.txt"_s;
    QVERIFY(TestTree::Build(dir.path(), {{u"s/newer.txt"_s, "12345", t + 3600},
                                         {u"d/newer.txt"_s, "123", t},
                                         {u"s/only.txt"_s, "x", t},
                                         {u"s/"_s + odd, "aa", t},
                                         {u"d/"_s + odd, "bbb", t + 10},
                                         {u"s/tab\tname.txt"_s, "a", t}}));

    // JSON: one object per line, every name as it is, the difference from the row's side.
    TResult r = RunScan({u"--format"_s, u"json"_s, u"--src-adjust"_s, u"-100"_s, s, d});
    QCOMPARE(r.ExitCode, 0);
    QVERIFY(r.Err.isEmpty());
    QList<QByteArray> lines = r.Out.split('\n');
    QCOMPARE(lines.takeLast(), QByteArray());
    QHash<QString, QJsonObject> byPath;
    for (const QByteArray &line : std::as_const(lines)) {
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
        QVERIFY2(error.error == QJsonParseError::NoError && doc.isObject(), line.constData());
        byPath.insert(doc.object().value(u"path"_s).toString(), doc.object());
    }
    QCOMPARE(byPath.size(), 4);
    const QJsonObject newer = byPath.value(s + u"newer.txt"_s);
    QCOMPARE(newer.value(u"list"_s).toInt(), 3);
    QCOMPARE(newer.value(u"size"_s).toInteger(), 5);
    QCOMPARE(newer.value(u"mtime"_s).toInteger(), t + 3600);
    QCOMPARE(newer.value(u"counterpart_path"_s).toString(), d + u"newer.txt"_s);
    QCOMPARE(newer.value(u"counterpart_size"_s).toInteger(), 3);
    QCOMPARE(newer.value(u"counterpart_mtime"_s).toInteger(), t);
    QCOMPARE(newer.value(u"difference"_s).toInteger(), 3500);
    const QJsonObject only = byPath.value(s + u"only.txt"_s);
    QCOMPARE(only.value(u"list"_s).toInt(), 1);
    QCOMPARE(only.value(u"size"_s).toInteger(), 1);
    QVERIFY(!only.contains(u"counterpart_path"_s));
    QVERIFY(!only.contains(u"difference"_s));
    const QJsonObject oddRow = byPath.value(d + odd);
    QCOMPARE(oddRow.value(u"list"_s).toInt(), 4);
    QCOMPARE(oddRow.value(u"counterpart_path"_s).toString(), s + odd);
    QCOMPARE(oddRow.value(u"difference"_s).toInteger(), 110);
    QVERIFY(byPath.contains(s + u"tab\tname.txt"_s));

    // TSV: the same figures in fixed columns; a name with a TAB or a line break is named on
    // stderr instead of breaking the columns.
    r = RunScan({u"--format"_s, u"tsv"_s, s, d});
    QCOMPARE(r.ExitCode, 4);
    QVERIFY(r.Err.contains("need --format json"));
    QVERIFY(r.Err.contains("need --null"));
    lines = r.Out.split('\n');
    QCOMPARE(lines.takeLast(), QByteArray());
    std::sort(lines.begin(), lines.end());
    const QList<QByteArray> expected{
        "1\t" + s.toUtf8() + "only.txt\t1\t1700000000\t\t\t\t",
        "3\t" + s.toUtf8() + "newer.txt\t5\t1700003600\t" + d.toUtf8() + "newer.txt\t3\t1700000000\t3600",
    };
    QCOMPARE(lines, expected);

    // Without --format, the records stay the list and the path alone.
    r = RunScan({u"--null"_s, s, d});
    QList<QByteArray> plain = r.Out.split('\0');
    QCOMPARE(plain.takeLast(), QByteArray());
    QVERIFY(plain.contains("3\t" + s.toUtf8() + "newer.txt"));
    QVERIFY(plain.contains("4\t" + d.toUtf8() + odd.toUtf8()));
}

void tst_ScanCli::progressStaysOutOfTheRecords()
{
    const QStringList roots{FDir.filePath(u"s/"_s), FDir.filePath(u"d/"_s)};
    const TResult plain = RunScan(QStringList{u"--format"_s, u"tsv"_s} + roots);
    const TResult counted = RunScan(QStringList{u"--progress"_s, u"--format"_s, u"tsv"_s} + roots);
    QCOMPARE(counted.ExitCode, plain.ExitCode);
    QCOMPARE(counted.Out, plain.Out);
    // Not a terminal: the counts once, at the end, after the entry left out. Folders s,
    // s/sub and d; three source files and two destination files; one pair, whose four
    // bytes were compared.
    const QString err = QString::fromUtf8(counted.Err);
    QVERIFY2(
        QRegularExpression(u"^not compared: [^\\n]*\\n3 folders, 5 files, 1 pairs, 4 bytes compared, 0:\\d\\d\n$"_s)
            .match(err)
            .hasMatch(),
        qPrintable(err));
}

QTEST_GUILESS_MAIN(tst_ScanCli)
#include "tst_scancli.moc"
