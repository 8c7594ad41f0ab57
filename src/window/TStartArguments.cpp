#include "window/TStartArguments.h"

#include <QDir>

using namespace Qt::StringLiterals;

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
    return result;
}

QString TStartArguments::Usage()
{
    return u"Usage: foldermate [--scan] [SOURCE [DESTINATION]]\n"
           u"Compares two folder trees and brings them into line.\n"
           u"\n"
           u"  SOURCE, DESTINATION  the folders the window opens with\n"
           u"  --scan               compare them at once\n"
           u"  -h, --help           show this help and end\n"
           u"  -v, --version        show the version and end\n"
           u"\n"
           u"Without folders the window opens with those of the last scan.\n"_s;
}
