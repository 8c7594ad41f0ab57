#include "cli/scan/TScanOptionSet.h"

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

TScanOptionSet::TScanOptionSet()
    : FFilter(u"filter"_s, u"Wildcard text (default \"*\")."_s, u"TEXT"_s, u"*"_s)
    , FReverse(u"reverse"_s, u"The wildcards name files to exclude."_s)
    , FMin(u"min"_s, u"Minimum size in its unit, 0..2147483647 (0 = none)."_s, u"VALUE"_s, u"0"_s)
    , FMinUnit(u"min-unit"_s, u"bytes | kb | mb (default kb)."_s, u"UNIT"_s, u"kb"_s)
    , FMax(u"max"_s, u"Maximum size in its unit, 0..2147483647 (0 = none)."_s, u"VALUE"_s, u"0"_s)
    , FMaxUnit(u"max-unit"_s, u"bytes | kb | mb (default kb)."_s, u"UNIT"_s, u"kb"_s)
    , FHidden(u"hidden"_s, u"Include hidden files."_s)
    , FNoContent(u"no-content"_s, u"Do not compare equal-size files byte by byte."_s)
    , FNoSub(u"no-subfolders"_s, u"Do not walk sub folders."_s)
    , FSrcAdjust(u"src-adjust"_s, u"Seconds added to source times, -9999..9999."_s, u"SECONDS"_s, u"0"_s)
    , FDstAdjust(u"dst-adjust"_s, u"Seconds added to destination times, -9999..9999."_s, u"SECONDS"_s, u"0"_s)
    , FMargin(u"margin"_s, u"Margin of error, whole seconds 0..86400."_s, u"SECONDS"_s, u"0"_s)
    , FNull(u"null"_s, u"End each record with NUL instead of a newline."_s)
    , FStatus(u"status"_s, u"Also write every status text to stderr."_s)
    , FThreads(u"threads"_s,
               u"Threads looking up and reading ahead of the walk, 0..64 (0 = none; default: as suits the device)."_s,
               u"COUNT"_s)
{}

void TScanOptionSet::AddTo(QCommandLineParser &parser) const
{
    parser.addOptions({FFilter, FReverse, FMin, FMinUnit, FMax, FMaxUnit, FHidden, FNoContent, FNoSub, FSrcAdjust,
                       FDstAdjust, FMargin, FNull, FStatus, FThreads});
    parser.addPositionalArgument(u"SOURCE"_s, u"The source folder."_s);
    parser.addPositionalArgument(u"DESTINATION"_s, u"The destination folder."_s);
}

bool TScanOptionSet::NullTerminated(const QCommandLineParser &parser) const
{
    return parser.isSet(FNull);
}

bool TScanOptionSet::ShowStatus(const QCommandLineParser &parser) const
{
    return parser.isSet(FStatus);
}

QString TScanOptionSet::NormalizeRoot(const QString &argument, const QString &workingFolder)
{
    if (argument.isEmpty())
        return {};
    QString path = QDir::cleanPath(QDir(workingFolder).absoluteFilePath(argument));
    if (!path.endsWith(u'/'))
        path.append(u'/');
    return path;
}

QString TScanOptionSet::Read(const QCommandLineParser &parser, const QString &workingFolder,
                             TScanOptions &options) const
{
    const QStringList roots = parser.positionalArguments();
    if (roots.size() != 2)
        return roots.size() < 2 ? u"Missing argument: SOURCE and DESTINATION are required."_s
                                : u"Too many arguments: give only SOURCE and DESTINATION."_s;

    TScanOptions o;
    o.Filter = parser.value(FFilter);
    o.RevFilterLogic = parser.isSet(FReverse);
    if (!ParseSize(parser.value(FMin), &o.MinFileSize))
        return u"--min: expected a decimal number from 0 to 2147483647, got \"%1\"."_s.arg(parser.value(FMin));
    if (!ParseUnit(parser.value(FMinUnit), &o.MinSizeFactor))
        return u"--min-unit: expected bytes, kb or mb, got \"%1\"."_s.arg(parser.value(FMinUnit));
    if (!ParseSize(parser.value(FMax), &o.MaxFileSize))
        return u"--max: expected a decimal number from 0 to 2147483647, got \"%1\"."_s.arg(parser.value(FMax));
    if (!ParseUnit(parser.value(FMaxUnit), &o.MaxSizeFactor))
        return u"--max-unit: expected bytes, kb or mb, got \"%1\"."_s.arg(parser.value(FMaxUnit));
    // Each limit in bytes as a 32-bit float, as a run compares it. A maximum of 0 means no
    // maximum here, so only a set maximum below the minimum is refused; the window is
    // stricter and keeps Start greyed whenever the maximum is below the minimum, 0 included.
    const float minBytes = o.MinFileSize * o.MinSizeFactor;
    const float maxBytes = o.MaxFileSize * o.MaxSizeFactor;
    if (o.MaxFileSize > 0 && maxBytes < minBytes)
        return u"--max: the maximum (%1 bytes) is below the minimum (%2 bytes)."_s.arg(double(maxBytes), 0, 'f', 0)
            .arg(double(minBytes), 0, 'f', 0);
    o.IncHiddenFiles = parser.isSet(FHidden);
    o.DupByContent = !parser.isSet(FNoContent);
    o.DoSubFolders = !parser.isSet(FNoSub);
    if (!ParseWhole(parser.value(FSrcAdjust), -9999, 9999, &o.srcTimeZ))
        return u"--src-adjust: expected whole seconds from -9999 to 9999, got \"%1\"."_s.arg(parser.value(FSrcAdjust));
    if (!ParseWhole(parser.value(FDstAdjust), -9999, 9999, &o.dstTimeZ))
        return u"--dst-adjust: expected whole seconds from -9999 to 9999, got \"%1\"."_s.arg(parser.value(FDstAdjust));
    if (!ParseWhole(parser.value(FMargin), 0, 86400, &o.MrgErrSec))
        return u"--margin: expected whole seconds from 0 to 86400, got \"%1\"."_s.arg(parser.value(FMargin));
    if (parser.isSet(FThreads) && !ParseWhole(parser.value(FThreads), 0, 64, &o.LookAheadThreads))
        return u"--threads: expected a whole number from 0 to 64, got \"%1\"."_s.arg(parser.value(FThreads));
    o.srcPath = NormalizeRoot(roots.at(0), workingFolder);
    o.dstPath = NormalizeRoot(roots.at(1), workingFolder);
    options = o;
    return {};
}

TScanOptionSet::TParsed TScanOptionSet::Parse(QCommandLineParser &parser, const QStringList &arguments,
                                              const QString &workingFolder, TScanOptions &options,
                                              QString *message) const
{
    if (!parser.parse(arguments)) {
        *message = parser.errorText();
        return psUsage;
    }
    if (parser.isSet(u"help"_s)) {
        *message = parser.helpText();
        return psInfo;
    }
    if (parser.isSet(u"version"_s)) {
        *message = QCoreApplication::applicationName() + u' ' + QCoreApplication::applicationVersion() + u'\n';
        return psInfo;
    }
    *message = Read(parser, workingFolder, options);
    return message->isEmpty() ? psRun : psUsage;
}
