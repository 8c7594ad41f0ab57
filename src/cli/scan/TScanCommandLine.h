#pragma once

#include "engine/TScanOptions.h"

#include <QString>
#include <QStringList>

// The command line of foldermate-scan, turned into the options of one run.
class TScanCommandLine
{
public:
    enum TOutcome { coRun, coExit };

    // How foldermate-scan ends. Scripts test these: README.md documents each value, so a
    // change here is a change there.
    enum TExitCode {
        ecDone = 0,          // the scan ran and compared everything (entries skipped hide nothing)
        ecCannotCompare = 1, // the roots cannot be compared: no scan ran
        ecUsage = 2,         // a wrong command line
        ecWriteFailed = 3,   // the records could not be written to stdout
        ecLeftOut = 4,       // the scan ran, but an entry that may differ was not compared
    };

    // Parses arguments (argv[0] first). On coExit, ExitCode and the message to print
    // say how to end: --help and --version print to stdout with 0; a usage error
    // prints one line to stderr with 2.
    TOutcome Parse(const QStringList &arguments, const QString &workingFolder);

    TScanOptions Options;
    bool NullTerminated = false;
    // --format: empty for the plain records (list and path), "tsv" or "json".
    QString Format;
    bool ShowStatus = false;
    bool ShowProgress = false;
    TExitCode ExitCode = ecDone;
    QString Message;

private:
    TOutcome Fail(const QString &message);
};
