#include "cli/scan/TScanCommandLine.h"

#include "cli/scan/TScanOptionSet.h"

#include <QCommandLineParser>
#include <QCoreApplication>

using namespace Qt::StringLiterals;

TScanCommandLine::TOutcome TScanCommandLine::Fail(const QString &message)
{
    ExitCode = ecUsage;
    Message = message;
    return coExit;
}

TScanCommandLine::TOutcome TScanCommandLine::Parse(const QStringList &arguments, const QString &workingFolder)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Compares two folder trees and prints each finding as the list number (1-8), "
                                     "a TAB and the full path."_s);
    parser.addHelpOption();
    parser.addVersionOption();
    const TScanOptionSet scanOptions;
    scanOptions.AddTo(parser);
    const QCommandLineOption format(
        u"format"_s,
        u"tsv: TAB-separated list, path, size, mtime, then for a pair the counterpart's path, size, mtime and "
        "the difference in seconds (this file newer: positive), empty where there is none; json: one object per "
        "record with list, path, size, mtime and, for a pair, counterpart_path, counterpart_size, "
        "counterpart_mtime and difference. Times are whole seconds since 1970 (UTC). Without this option each "
        "record is the list number, a TAB and the path."_s,
        u"tsv|json"_s);
    parser.addOption(format);
    const QCommandLineOption progress(
        u"progress"_s, u"Show the counts of the run on stderr: on a terminal one line drawn anew while the scan "
                       "works, otherwise one line at the end. Never among the records."_s);
    parser.addOption(progress);

    TScanOptions o;
    switch (scanOptions.Parse(parser, arguments, workingFolder, o, &Message)) {
    case TScanOptionSet::psInfo:
        return coExit;
    case TScanOptionSet::psUsage:
        return Fail(Message);
    case TScanOptionSet::psRun:
        break;
    }
    if (parser.isSet(format) && parser.value(format) != u"tsv"_s && parser.value(format) != u"json"_s)
        return Fail(u"--format: expected tsv or json, got \"%1\"."_s.arg(parser.value(format)));

    Options = o;
    Format = parser.isSet(format) ? parser.value(format) : QString();
    NullTerminated = scanOptions.NullTerminated(parser);
    ShowStatus = scanOptions.ShowStatus(parser);
    ShowProgress = parser.isSet(progress);
    return coRun;
}
