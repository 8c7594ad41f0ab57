#include "cli/scan/TScanCommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

bool ParseSize(const QString &text, float *value)
{
    static const QRegularExpression decimal(u"^(\\d+(\\.\\d*)?|\\.\\d+)$"_s);
    if (!decimal.match(text).hasMatch())
        return false;
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || v < 0 || v > 2147483647.0)
        return false;
    *value = float(v);
    return true;
}

bool ParseUnit(const QString &text, float *factor)
{
    if (text == u"bytes"_s)
        *factor = 1;
    else if (text == u"kb"_s)
        *factor = 1024;
    else if (text == u"mb"_s)
        *factor = 1048576;
    else
        return false;
    return true;
}

bool ParseWhole(const QString &text, qint64 low, qint64 high, qint32 *value)
{
    static const QRegularExpression whole(u"^[+-]?\\d{1,10}$"_s);
    if (!whole.match(text).hasMatch())
        return false;
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    if (!ok || v < low || v > high)
        return false;
    *value = qint32(v);
    return true;
}

} // namespace

QString TScanCommandLine::NormalizeRoot(const QString &argument, const QString &workingFolder)
{
    if (argument.isEmpty())
        return {};
    QString path = QDir::cleanPath(QDir(workingFolder).absoluteFilePath(argument));
    if (!path.endsWith(u'/'))
        path.append(u'/');
    return path;
}

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
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption filter(u"filter"_s, u"Wildcard text (default \"*\")."_s, u"TEXT"_s, u"*"_s);
    const QCommandLineOption reverse(u"reverse"_s, u"The wildcards name files to exclude."_s);
    const QCommandLineOption min(u"min"_s, u"Minimum size in its unit, 0..2147483647 (0 = none)."_s, u"VALUE"_s,
                                 u"0"_s);
    const QCommandLineOption minUnit(u"min-unit"_s, u"bytes | kb | mb (default kb)."_s, u"UNIT"_s, u"kb"_s);
    const QCommandLineOption max(u"max"_s, u"Maximum size in its unit, 0..2147483647 (0 = none)."_s, u"VALUE"_s,
                                 u"0"_s);
    const QCommandLineOption maxUnit(u"max-unit"_s, u"bytes | kb | mb (default kb)."_s, u"UNIT"_s, u"kb"_s);
    const QCommandLineOption hidden(u"hidden"_s, u"Include hidden files."_s);
    const QCommandLineOption noContent(u"no-content"_s, u"Do not compare equal-size files byte by byte."_s);
    const QCommandLineOption noSub(u"no-subfolders"_s, u"Do not walk sub folders."_s);
    const QCommandLineOption srcAdjust(u"src-adjust"_s, u"Seconds added to source times, -9999..9999."_s, u"SECONDS"_s,
                                       u"0"_s);
    const QCommandLineOption dstAdjust(u"dst-adjust"_s, u"Seconds added to destination times, -9999..9999."_s,
                                       u"SECONDS"_s, u"0"_s);
    const QCommandLineOption margin(u"margin"_s, u"Margin of error, whole seconds 0..86400."_s, u"SECONDS"_s, u"0"_s);
    const QCommandLineOption null(u"null"_s, u"End each record with NUL instead of a newline."_s);
    const QCommandLineOption status(u"status"_s, u"Also write every status text to stderr."_s);
    const QCommandLineOption format(
        u"format"_s,
        u"tsv: TAB-separated list, path, size, mtime, then for a pair the counterpart's path, size, mtime and "
        "the difference in seconds (this file newer: positive), empty where there is none; json: one object per "
        "record with list, path, size, mtime and, for a pair, counterpart_path, counterpart_size, "
        "counterpart_mtime and difference. Times are whole seconds since 1970 (UTC). Without this option each "
        "record is the list number, a TAB and the path."_s,
        u"tsv|json"_s);
    const QCommandLineOption threads(u"threads"_s,
                                     u"Threads looking up and reading ahead of the walk, 0..64 (0 = none; "
                                     u"default: as suits the device)."_s,
                                     u"COUNT"_s);
    parser.addOptions({filter, reverse, min, minUnit, max, maxUnit, hidden, noContent, noSub, srcAdjust, dstAdjust,
                       margin, null, status, format, threads});
    parser.addPositionalArgument(u"SOURCE"_s, u"The source folder."_s);
    parser.addPositionalArgument(u"DESTINATION"_s, u"The destination folder."_s);

    if (!parser.parse(arguments))
        return Fail(parser.errorText());
    if (parser.isSet(help)) {
        Message = parser.helpText();
        return coExit;
    }
    if (parser.isSet(version)) {
        Message = QCoreApplication::applicationName() + u' ' + QCoreApplication::applicationVersion() + u'\n';
        return coExit;
    }
    const QStringList roots = parser.positionalArguments();
    if (roots.size() != 2)
        return Fail(roots.size() < 2 ? u"Missing argument: SOURCE and DESTINATION are required."_s
                                     : u"Too many arguments: give only SOURCE and DESTINATION."_s);

    TScanOptions o;
    o.Filter = parser.value(filter);
    o.RevFilterLogic = parser.isSet(reverse);
    if (!ParseSize(parser.value(min), &o.MinFileSize))
        return Fail(u"--min: expected a decimal number from 0 to 2147483647, got \"%1\"."_s.arg(parser.value(min)));
    if (!ParseUnit(parser.value(minUnit), &o.MinSizeFactor))
        return Fail(u"--min-unit: expected bytes, kb or mb, got \"%1\"."_s.arg(parser.value(minUnit)));
    if (!ParseSize(parser.value(max), &o.MaxFileSize))
        return Fail(u"--max: expected a decimal number from 0 to 2147483647, got \"%1\"."_s.arg(parser.value(max)));
    if (!ParseUnit(parser.value(maxUnit), &o.MaxSizeFactor))
        return Fail(u"--max-unit: expected bytes, kb or mb, got \"%1\"."_s.arg(parser.value(maxUnit)));
    // Each limit in bytes as a 32-bit float, as a run compares it. A maximum of 0 means no
    // maximum here, so only a set maximum below the minimum is refused; the window is
    // stricter and keeps Start greyed whenever the maximum is below the minimum, 0 included.
    const float minBytes = o.MinFileSize * o.MinSizeFactor;
    const float maxBytes = o.MaxFileSize * o.MaxSizeFactor;
    if (o.MaxFileSize > 0 && maxBytes < minBytes)
        return Fail(u"--max: the maximum (%1 bytes) is below the minimum (%2 bytes)."_s.arg(double(maxBytes), 0, 'f', 0)
                        .arg(double(minBytes), 0, 'f', 0));
    o.IncHiddenFiles = parser.isSet(hidden);
    o.DupByContent = !parser.isSet(noContent);
    o.DoSubFolders = !parser.isSet(noSub);
    if (!ParseWhole(parser.value(srcAdjust), -9999, 9999, &o.srcTimeZ))
        return Fail(
            u"--src-adjust: expected whole seconds from -9999 to 9999, got \"%1\"."_s.arg(parser.value(srcAdjust)));
    if (!ParseWhole(parser.value(dstAdjust), -9999, 9999, &o.dstTimeZ))
        return Fail(
            u"--dst-adjust: expected whole seconds from -9999 to 9999, got \"%1\"."_s.arg(parser.value(dstAdjust)));
    if (!ParseWhole(parser.value(margin), 0, 86400, &o.MrgErrSec))
        return Fail(u"--margin: expected whole seconds from 0 to 86400, got \"%1\"."_s.arg(parser.value(margin)));
    if (parser.isSet(threads) && !ParseWhole(parser.value(threads), 0, 64, &o.LookAheadThreads))
        return Fail(u"--threads: expected a whole number from 0 to 64, got \"%1\"."_s.arg(parser.value(threads)));
    o.srcPath = NormalizeRoot(roots.at(0), workingFolder);
    o.dstPath = NormalizeRoot(roots.at(1), workingFolder);

    if (parser.isSet(format) && parser.value(format) != u"tsv"_s && parser.value(format) != u"json"_s)
        return Fail(u"--format: expected tsv or json, got \"%1\"."_s.arg(parser.value(format)));

    Options = o;
    Format = parser.isSet(format) ? parser.value(format) : QString();
    NullTerminated = parser.isSet(null);
    ShowStatus = parser.isSet(status);
    return coRun;
}
