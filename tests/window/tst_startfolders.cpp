// Where the window's folders come from at start: the command line (also from a file
// manager's "Open with"), else the last scan's folders while they exist. Help and version
// are answered without a window and without a display.

#include "TWindowFixture.h"
#include "TestTree.h"

#include "registry/RegistryUtils.h"
#include "results/TJamFileList.h"
#include "shell/TJamShellTree.h"
#include "support/TTextLine.h"
#include "window/TStartArguments.h"
#include "window/TfrmMain.h"

#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_StartFolders : public QObject, TWindowFixture
{
    Q_OBJECT

private:
    QString Folder(const QString &name) const
    {
        const QString path = FProgram->filePath(u"trees/"_s + name);
        QDir().mkpath(path);
        return path;
    }
    QString Selected(int side) const
    {
        return Find<TJamShellTree>(*FWindow, side == 1 ? "JamShellTree1" : "JamShellTree2")->SelectedFolder();
    }
    // A window shown as at the program's start with the given command-line folders.
    void Start(const QString &source, const QString &destination, bool scan)
    {
        NewWindow();
        FWindow->SetStartFolders(source, destination, scan);
        FWindow->show();
    }

private Q_SLOTS:
    void init() { QVERIFY(SetUpProgram()); }
    void cleanup() { TearDownProgram(); }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("source"); // relative ones against /work/here
        QTest::addColumn<QString>("destination");
        QTest::addColumn<bool>("scan");
        const int run = TStartArguments::saRun;
        QTest::newRow("nothing") << QStringList{} << run << QString() << QString() << false;
        QTest::newRow("two folders") << QStringList{u"/a/b/"_s, u"c/../d"_s} << run << u"/a/b"_s << u"/work/here/d"_s
                                     << false;
        QTest::newRow("one folder and scan")
            << QStringList{u"--scan"_s, u"."_s} << run << u"/work/here"_s << QString() << true;
        QTest::newRow("scan after the folders")
            << QStringList{u"/a"_s, u"/b"_s, u"--scan"_s} << run << u"/a"_s << u"/b"_s << true;
        QTest::newRow("a folder named like an option") << QStringList{u"--"_s, u"--scan"_s, u"-x"_s} << run
                                                       << u"/work/here/--scan"_s << u"/work/here/-x"_s << false;
        QTest::newRow("help wins") << QStringList{u"/a"_s, u"--bogus"_s, u"--help"_s} << int(TStartArguments::saHelp)
                                   << QString() << QString() << false;
        QTest::newRow("short help") << QStringList{u"-h"_s} << int(TStartArguments::saHelp) << QString() << QString()
                                    << false;
        QTest::newRow("version") << QStringList{u"--version"_s, u"/a"_s} << int(TStartArguments::saVersion) << QString()
                                 << QString() << false;
        QTest::newRow("help after -- is a folder")
            << QStringList{u"--"_s, u"--help"_s} << run << u"/work/here/--help"_s << QString() << false;
        QTest::newRow("the window system's options pass")
            << QStringList{u"-style"_s, u"fusion"_s, u"/a"_s, u"--platform=offscreen"_s, u"-reverse"_s, u"/b"_s} << run
            << u"/a"_s << u"/b"_s << false;
        QTest::newRow("unknown option") << QStringList{u"--bogus"_s} << int(TStartArguments::saError) << QString()
                                        << QString() << false;
        QTest::newRow("three folders") << QStringList{u"/a"_s, u"/b"_s, u"/c"_s} << int(TStartArguments::saError)
                                       << QString() << QString() << false;
        QTest::newRow("empty name") << QStringList{u""_s} << int(TStartArguments::saError) << QString() << QString()
                                    << false;
        // Two existing files that are no folders: the view of the pair.
        QTest::newRow("two files") << QStringList{u"/etc/passwd"_s, u"/etc/../etc/group"_s}
                                   << int(TStartArguments::saComparePair) << u"/etc/passwd"_s << u"/etc/group"_s
                                   << false;
        QTest::newRow("a file and a folder")
            << QStringList{u"/etc/passwd"_s, u"/etc"_s} << run << u"/etc/passwd"_s << u"/etc"_s << false;
        QTest::newRow("a file and a missing one") << QStringList{u"/etc/passwd"_s, u"/etc/no-such-file-here"_s} << run
                                                  << u"/etc/passwd"_s << u"/etc/no-such-file-here"_s << false;
        QTest::newRow("two files to scan") << QStringList{u"--scan"_s, u"/etc/passwd"_s, u"/etc/group"_s} << run
                                           << u"/etc/passwd"_s << u"/etc/group"_s << true;
        QTest::newRow("one file") << QStringList{u"/etc/passwd"_s} << run << u"/etc/passwd"_s << QString() << false;
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QString, source);
        QFETCH(QString, destination);
        QFETCH(bool, scan);
        const TStartArguments parsed = TStartArguments::Parse(arguments, u"/work/here"_s);
        QCOMPARE(int(parsed.Action), action);
        QCOMPARE(parsed.Source, source);
        QCOMPARE(parsed.Destination, destination);
        QCOMPARE(parsed.Scan, scan);
        QCOMPARE(parsed.Message.isEmpty(), action != TStartArguments::saError);
    }

    // The program itself: help and version with no display at all, and a wrong command
    // line refused with a message and no window.
    void programAnswersWithoutADisplay()
    {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString &name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
            environment.remove(name);
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(FM_PROGRAM), {u"--help"_s});
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(program.readAllStandardOutput().startsWith("Usage: foldermate"));

        program.start(QStringLiteral(FM_PROGRAM), {u"--version"_s});
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(program.readAllStandardOutput(), QByteArray("foldermate " FM_VERSION "\n"));

        program.start(QStringLiteral(FM_PROGRAM), {u"--bogus"_s});
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 2);
        QVERIFY(program.readAllStandardError().contains("unknown option --bogus"));

        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(FM_PROGRAM), {u"/a"_s, u"/b"_s, u"/c"_s});
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 2);
        QVERIFY(program.readAllStandardError().contains("more than two folders: /c"));
    }

    // The last scan's folders come back at the next start; one that is gone since is not
    // selected, and nothing is said about it.
    void lastScannedFoldersComeBack()
    {
        const QString src = Folder(u"src"_s);
        const QString dst = Folder(u"dst"_s);
        ShowWindow();
        QCOMPARE(Selected(1), QString());
        QVERIFY(ScanInWindow(src, dst));
        QVERIFY(FWindow->close());
        ShowWindow();
        QCOMPARE(Selected(1), src);
        QCOMPARE(Selected(2), dst);
        // Closed without a scan: the stored folders stay.
        QVERIFY(FWindow->close());
        QVERIFY(QDir(dst).removeRecursively());
        FPrompts.Asked.clear();
        ShowWindow();
        QCOMPARE(Selected(1), src);
        QCOMPARE(Selected(2), QString());
        QVERIFY2(FPrompts.Asked.isEmpty(), qPrintable(FPrompts.Asked.join(u'|')));
        QVERIFY(!Find<QPushButton>(*FWindow, "Button1")->isEnabled());
    }

    // Folders given at start win over the last ones, and --scan compares them at once.
    void givenFoldersAreSelectedAndScanned()
    {
        const QString a = Folder(u"a"_s);
        const QString b = Folder(u"b"_s);
        TestTree::File(a, u"only-here.txt"_s, "x");
        WriteString(u"LastSrcPath"_s, Folder(u"old1"_s));
        WriteString(u"LastDstPath"_s, Folder(u"old2"_s));
        NewWindow();
        QSignalSpy done(FWindow.get(), &TfrmMain::ScanCompleted);
        FWindow->SetStartFolders(a, b, true);
        FWindow->show();
        QCOMPARE(Selected(1), a);
        QCOMPARE(Selected(2), b);
        QVERIFY(done.wait(20000));
        QCOMPARE(FWindow->FileList(1)->Paths(), QStringList{a + u"/only-here.txt"_s});
        QCOMPARE(FWindow->LastScanOptions().srcPath, a + u'/');
    }

    // A given folder that does not exist, or is a file, is reported and not selected; the
    // other one is; no scan starts.
    void givenFolderThatIsNotThereIsReported()
    {
        const QString b = Folder(u"b"_s);
        const QString missing = FProgram->filePath(u"trees/none"_s);
        const QString file = FProgram->filePath(u"trees/file.txt"_s);
        TestTree::File(FProgram->filePath(u"trees"_s), u"file.txt"_s, "x");
        NewWindow();
        QSignalSpy done(FWindow.get(), &TfrmMain::ScanCompleted);
        FWindow->SetStartFolders(missing, b, true);
        FWindow->show();
        QTRY_COMPARE(FPrompts.Asked, QStringList{u"error: "_s + FWindow->Text(tlRootMissing).arg(missing)});
        QCOMPARE(Selected(1), QString());
        QCOMPARE(Selected(2), b);
        QVERIFY(!done.wait(300));

        FPrompts.Asked.clear();
        Start(file, missing, false);
        QTRY_COMPARE(FPrompts.Asked, QStringList{u"error: "_s + FWindow->Text(tlRootNotFolder).arg(file) + u'\n'
                                                 + FWindow->Text(tlRootMissing).arg(missing)});
        QCOMPARE(Selected(1), QString());
    }
};

QTEST_MAIN(tst_StartFolders)
#include "tst_startfolders.moc"
