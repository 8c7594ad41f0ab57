#pragma once

#include "platform/TFileOperations.h"

#include <QByteArray>

// The freedesktop trash, for a file that is about to be replaced. The old file is not
// moved: a second name for it is made in the trash of its volume, with the restore
// information written first, while the file stays in place until the new one is renamed
// over it. So at every moment the old file is in its place, or in the trash with its
// restore information, or both; the trash never holds a copy that could differ.
//
// The trash is the user's own (in the data home) when it lies on the file's volume, else
// the volume's shared ".Trash/UID" or its own ".Trash-UID" at the top of the volume, as
// the desktop's file managers use them. Volumes the desktop keeps no trash on (memory
// file systems, system mounts, those marked x-gvfs-notrash) refuse.
class TTrashCan
{
public:
    // One file given to the trash.
    struct TEntry
    {
        int FilesFd = -1; // the trash's "files" and "info" folders
        int InfoFd = -1;
        QByteArray Name; // in "files"; the restore information is NAME.trashinfo in "info"
    };

    // Gives the file name in the folder folderFd, whose full path is path, a second name
    // in the trash. orTrashRefused where the volume has no trash. Nothing is made durable
    // here: the caller flushes the file system (or calls Flush) before it replaces the file.
    static TFileOpResult LinkIn(int folderFd, const QByteArray &name, const QByteArray &path, TEntry *entry);
    // Flushes the entry's restore information and both trash folders to the disk.
    static bool Flush(const TEntry &entry);
    // Takes the entry out of the trash again (the file was not replaced after all).
    static void Remove(TEntry &entry);
    // Closes the entry's folders; the entry stays in the trash.
    static void Close(TEntry &entry);
};
