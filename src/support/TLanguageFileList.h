#pragma once

#include <QStringList>

// The language files the user can pick: the "*.txt" files in the folder "Lang"
// beside the program. A file is known by its full path; the combo box shows its
// name without the extension (Deutsch.txt shows as Deutsch).
class TLanguageFileList
{
public:
    // "<ProgramFolder>/Lang/".
    static QString LanguageFolder(const QString &ProgramFolder);
    // The language folder beside the running program.
    static QString LanguageFolder();

    // The full paths of the regular files in Folder whose names end in ".txt"
    // (ASCII letters in any case), in the order the folder listing gives them.
    // Empty when the folder does not exist.
    static QStringList Find(const QString &Folder);

    static QString DisplayName(const QString &Path);
    static QStringList DisplayNames(const QStringList &Paths);

    // The position of the last entry equal to Name with ASCII letters compared
    // without regard to case (other characters exactly); -1 when none is.
    static int IndexOfLanguage(const QStringList &DisplayNames, const QString &Name);
};
