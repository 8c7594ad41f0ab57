#pragma once

#include "engine/TScanOptions.h"
#include "platform/TCopyOptions.h"

#include <QString>
#include <QStringList>

// The command line of foldermate-sync: the scan's options (shared with foldermate-scan),
// the actions to run on its lists and how they run.
class TSyncCommandLine
{
public:
    enum TOutcome { coRun, coExit };

    // How foldermate-sync ends. 1, 2, 3 and 4 mean what they mean for foldermate-scan.
    // Scripts test these: README.md and the manual page document each value, so a change
    // here is a change there.
    enum TExitCode {
        ecDone = 0,          // the scan compared everything and every chosen file was handled
        ecCannotCompare = 1, // the roots cannot be compared: no scan ran, nothing changed
        ecUsage = 2,         // a wrong command line: nothing changed
        ecWriteFailed = 3,   // the dry run's records could not be written to stdout
        ecLeftOut = 4,       // all done, but the scan left out entries that may differ
        ecFilesFailed = 5,   // some files were not handled (each named on stderr)
        ecEmptyRoot = 6,     // refused: one root is empty and the actions would act on that alone
        ecInterrupted = 130, // SIGINT or SIGTERM: ended after the file in hand
    };

    // The actions, each on one list of the scan.
    enum TAction {
        saCopyMissing, // list 1 to the destination
        saUpdate,      // list 3 over its older destination file
        saTrashExtra,  // list 2 to the trash
        saCopyBack,    // list 2 to the source
        saUpdateBack,  // list 4 over its older source file
    };
    static constexpr int ActionCount = 5;
    // The action's option name without "--", as the dry run's records name it.
    static QString ActionName(TAction action);
    // The list an action takes its files from.
    static int ListOf(TAction action);

    // Parses arguments (argv[0] first). On coExit, ExitCode and Message say how to end:
    // --help and --version print to stdout with 0; a usage error prints to stderr with 2.
    TOutcome Parse(const QStringList &arguments, const QString &workingFolder);

    TScanOptions Options;
    bool Actions[ActionCount] = {};
    bool DryRun = false;
    bool NullTerminated = false;
    bool Json = false;
    bool ShowStatus = false;
    TCopyOptions CopyOptions{.KeepReplaced = true};
    bool PermanentWhenNoTrash = false;
    bool AllowEmptyRoot = false;
    TExitCode ExitCode = ecDone;
    QString Message;

private:
    TOutcome Fail(const QString &message);
};
