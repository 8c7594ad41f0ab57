#pragma once

#include "engine/TScanOptions.h"

#include <QString>
#include <QStringList>

// The command line of foldermate-scan, turned into the options of one run.
class TScanCommandLine
{
public:
    enum TOutcome { coRun, coExit };

    // Parses arguments (argv[0] first). On coExit, ExitCode and the message to print
    // say how to end: --help and --version print to stdout with 0; a usage error
    // prints one line to stderr with 2.
    TOutcome Parse(const QStringList &arguments, const QString &workingFolder);

    TScanOptions Options;
    bool NullTerminated = false;
    // --format: empty for the plain records (list and path), "tsv" or "json".
    QString Format;
    bool ShowStatus = false;
    int ExitCode = 0;
    QString Message;

    // A root as the engine wants it: absolute against the working folder, cleaned of
    // ".", ".." and doubled separators, ending with exactly one "/". Links are kept:
    // the engine compares the folders by identity. An empty text stays empty.
    static QString NormalizeRoot(const QString &argument, const QString &workingFolder);

private:
    TOutcome Fail(const QString &message);
};
