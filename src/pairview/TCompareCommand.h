#pragma once

#include <QString>
#include <QStringList>

// A compare program the user names instead of the built-in view, as "meld %1 %2": %1 stands
// for the left file and %2 for the right one, wherever they stand in an argument; "%%" is a
// single "%". Quotes group words as a shell would, but no shell runs: a file name with
// spaces, quotes or "$" reaches the program as one argument, as it is.
class TCompareCommand
{
public:
    // The program and its arguments; empty when the command names no program. A command
    // without %1 and %2 gets both files appended.
    static QStringList Arguments(const QString &command, const QString &left, const QString &right);
    // Starts the program on its own, not waiting for it. False when it could not start.
    static bool Start(const QString &command, const QString &left, const QString &right);
    // The commands of the compare programs installed on this system (found on PATH).
    static QStringList Installed();
};
