#include "cli/sync/TSyncCommandLine.h"

#include "cli/scan/TScanOptionSet.h"

#include <QCommandLineParser>
#include <QCoreApplication>

using namespace Qt::StringLiterals;

QString TSyncCommandLine::ActionName(TAction action)
{
    switch (action) {
    case saCopyMissing:
        return u"copy-missing"_s;
    case saUpdate:
        return u"update"_s;
    case saTrashExtra:
        return u"trash-extra"_s;
    case saCopyBack:
        return u"copy-back"_s;
    case saUpdateBack:
        return u"update-back"_s;
    }
    return {};
}

int TSyncCommandLine::ListOf(TAction action)
{
    switch (action) {
    case saCopyMissing:
        return 1;
    case saUpdate:
        return 3;
    case saTrashExtra:
    case saCopyBack:
        return 2;
    case saUpdateBack:
        return 4;
    }
    return 0;
}

TSyncCommandLine::TOutcome TSyncCommandLine::Fail(const QString &message)
{
    ExitCode = ecUsage;
    Message = message;
    return coExit;
}

TSyncCommandLine::TOutcome TSyncCommandLine::Parse(const QStringList &arguments, const QString &workingFolder)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Compares two folder trees like foldermate-scan, then copies, updates or moves to the trash the files "
        "of the chosen lists. Date conflicts and duplicates are never touched. Replaced and extra files go to "
        "the trash; nothing is deleted for good unless --permanent-when-no-trash is given."_s);
    parser.addHelpOption();
    parser.addVersionOption();
    const TScanOptionSet scanOptions;
    scanOptions.AddTo(parser);
    const QCommandLineOption actions[ActionCount] = {
        {u"copy-missing"_s, u"Copy the files only the source has to the destination (list 1)."_s},
        {u"update"_s, u"Copy the newer source files over their destination files (list 3)."_s},
        {u"trash-extra"_s, u"Move the files only the destination has to the trash (list 2)."_s},
        {u"copy-back"_s, u"Copy the files only the destination has to the source (list 2)."_s},
        {u"update-back"_s, u"Copy the newer destination files over their source files (list 4)."_s},
    };
    const QCommandLineOption dryRun(
        u"dry-run"_s, u"Print one record per file (the action, a TAB and the path) and change nothing."_s);
    const QCommandLineOption format(u"format"_s,
                                    u"json: each dry-run record is one object with action, path, size and, for a "
                                    "copy, target."_s,
                                    u"json"_s);
    const QCommandLineOption noKeep(u"no-keep-replaced"_s,
                                    u"Do not keep the files that copies replace in the trash."_s);
    const QCommandLineOption permanent(
        u"permanent-when-no-trash"_s,
        u"Where a volume has no trash, delete an extra file for good and replace a file without keeping it "
        "(otherwise such files are skipped)."_s);
    const QCommandLineOption allowEmpty(u"allow-empty-root"_s,
                                        u"Act even when one root holds no file and the other does (a first copy "
                                        "into an empty folder)."_s);
    for (const QCommandLineOption &action : actions)
        parser.addOption(action);
    parser.addOptions({dryRun, format, noKeep, permanent, allowEmpty});

    TScanOptions o;
    switch (scanOptions.Parse(parser, arguments, workingFolder, o, &Message)) {
    case TScanOptionSet::psInfo:
        return coExit;
    case TScanOptionSet::psUsage:
        return Fail(Message);
    case TScanOptionSet::psRun:
        break;
    }
    if (parser.isSet(format) && parser.value(format) != u"json"_s)
        return Fail(u"--format: expected json, got \"%1\"."_s.arg(parser.value(format)));
    bool any = false;
    for (int a = 0; a < ActionCount; ++a) {
        Actions[a] = parser.isSet(actions[a]);
        any = any || Actions[a];
    }
    if (!any)
        return Fail(u"No action: give one or more of --copy-missing, --update, --trash-extra, --copy-back and "
                    "--update-back."_s);
    // Both take list 2: the files would be copied to the source and then trashed.
    if (Actions[saTrashExtra] && Actions[saCopyBack])
        return Fail(u"--trash-extra and --copy-back both act on the files only the destination has: give one."_s);

    Options = o;
    DryRun = parser.isSet(dryRun);
    Json = parser.isSet(format);
    NullTerminated = scanOptions.NullTerminated(parser);
    ShowStatus = scanOptions.ShowStatus(parser);
    CopyOptions.KeepReplaced = !parser.isSet(noKeep);
    PermanentWhenNoTrash = parser.isSet(permanent);
    AllowEmptyRoot = parser.isSet(allowEmpty);
    return coRun;
}
