#include "window/TStartArguments.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

// The window system's own options, which the application object takes out of the command
// line once it is made; the first parse, made before it so that a wrong command line is
// answered without a display, passes them over. With a value, as "-style fusion" or
// "-style=fusion".
const QStringList ToolkitOptionsWithValue = {
    u"platform"_s,    u"platformpluginpath"_s, u"platformtheme"_s, u"plugin"_s,     u"qwindowgeometry"_s,
    u"qwindowicon"_s, u"qwindowtitle"_s,       u"session"_s,       u"display"_s,    u"name"_s,
    u"title"_s,       u"geometry"_s,           u"style"_s,         u"stylesheet"_s, u"qmljsdebugger"_s,
    u"dialogs"_s,     u"fontengine"_s};
const QStringList ToolkitFlags = {u"reverse"_s, u"widgetcount"_s, u"nograb"_s,  u"dograb"_s,    u"sync"_s,
                                  u"visual"_s,  u"testability"_s, u"nomouse"_s, u"nokeyboard"_s};

// How many arguments from i on are one of the window system's options: 0, 1 or 2.
int ToolkitOption(const QStringList &arguments, qsizetype i)
{
    const QString &argument = arguments.at(i);
    // Qt takes "--style" as "-style".
    const QString name = argument.mid(argument.startsWith(u"--"_s) ? 2 : 1);
    if (ToolkitFlags.contains(name))
        return 1;
    const qsizetype equals = name.indexOf(u'=');
    if (equals > 0 && ToolkitOptionsWithValue.contains(name.first(equals)))
        return 1;
    if (ToolkitOptionsWithValue.contains(name))
        return i + 1 < arguments.size() ? 2 : 1;
    return 0;
}

} // namespace

TStartArguments TStartArguments::Parse(const QStringList &arguments, const QString &currentFolder)
{
    TStartArguments result;
    const qsizetype end = arguments.indexOf(u"--"_s);
    const QStringList options = end < 0 ? arguments : arguments.first(end);
    if (options.contains(u"--help"_s) || options.contains(u"-h"_s)) {
        result.Action = saHelp;
        return result;
    }
    if (options.contains(u"--version"_s) || options.contains(u"-v"_s)) {
        result.Action = saVersion;
        return result;
    }
    QStringList folders;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (i == end)
            continue;
        if ((end < 0 || i < end) && argument.startsWith(u'-') && argument != u"-"_s) {
            if (argument == u"--scan"_s) {
                result.Scan = true;
                continue;
            }
            if (const int taken = ToolkitOption(arguments, i); taken > 0) {
                i += taken - 1;
                continue;
            }
            result.Action = saError;
            result.Message = u"unknown option %1"_s.arg(argument);
            return result;
        }
        if (argument.isEmpty()) {
            result.Action = saError;
            result.Message = u"an empty folder name"_s;
            return result;
        }
        folders << argument;
    }
    if (folders.size() > 2) {
        result.Action = saError;
        result.Message = u"more than two folders: %1"_s.arg(folders.mid(2).join(u' '));
        return result;
    }
    const auto absolute = [&currentFolder](const QString &folder) {
        return QDir::cleanPath(QDir(currentFolder).absoluteFilePath(folder));
    };
    if (!folders.isEmpty())
        result.Source = absolute(folders.at(0));
    if (folders.size() > 1)
        result.Destination = absolute(folders.at(1));
    const auto isFile = [](const QString &path) {
        const QFileInfo info(path);
        return info.exists() && !info.isDir();
    };
    if (folders.size() == 2 && !result.Scan && isFile(result.Source) && isFile(result.Destination))
        result.Action = saComparePair;
    return result;
}

QString TStartArguments::Usage()
{
    return u"Usage: foldermate [--scan] [SOURCE [DESTINATION]]\n"
           u"       foldermate FILE1 FILE2\n"
           u"Compares two folder trees and brings them into line, or shows how two files differ.\n"
           u"\n"
           u"  SOURCE, DESTINATION  the folders the window opens with\n"
           u"  FILE1, FILE2         two files: a window showing how they differ\n"
           u"  --scan               compare them at once\n"
           u"  -h, --help           show this help and end\n"
           u"  -v, --version        show the version and end\n"
           u"\n"
           u"Without folders the window opens with those of the last scan.\n"_s;
}
