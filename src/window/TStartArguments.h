#pragma once

#include <QString>
#include <QStringList>

// What the program's command line asks for:
//   foldermate [--scan] [SOURCE [DESTINATION]]
//   foldermate FILE1 FILE2
//   foldermate --help | --version
// The folders are made absolute against the folder the program was started in; whether
// they exist is for the window to say, where the user sees it.
struct TStartArguments
{
    enum TAction {
        saRun,         // open the window
        saHelp,        // print the usage and end
        saVersion,     // print the version and end
        saError,       // a command line the program does not take: Message says why
        saComparePair, // two existing files, not folders: show how they differ (Source, Destination)
    };
    TAction Action = saRun;
    QString Source; // empty when not given
    QString Destination;
    bool Scan = false; // start comparing once both folders are selected
    QString Message;

    // Two arguments that both name existing files that are no folders ask for the view of
    // the pair instead of the window (unless --scan asks for a scan).
    // arguments: without the program's name. --help and --version win over anything else
    // before "--", so that they can be answered before the window system is asked for
    // anything; after "--" every argument is a folder.
    static TStartArguments Parse(const QStringList &arguments, const QString &currentFolder);
    static QString Usage();
};
