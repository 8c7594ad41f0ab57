#pragma once

#include "platform/TFileOperations.h"

#include <QByteArray>
#include <QSet>

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
//
// A kill can come at any moment, so each entry is made pending first: its restore
// information is complete from the start, and while it is pending a second name of that
// information file (a temporary of this program, see TOwnTemporary) stands beside it in
// "info". The entry is completed (that name removed) once the new file has replaced the
// old one, or taken out again when it was not. The first use of a trash in a batch
// settles what killed runs left pending: an entry whose file still is the file at its
// original path was never replaced and is taken out; the others are completed.
class TTrashCan
{
public:
    // One file given to the trash.
    struct TEntry
    {
        int FilesFd = -1; // the trash's "files" and "info" folders
        int InfoFd = -1;
        QByteArray Name;    // in "files"; the restore information is NAME.trashinfo in "info"
        QByteArray Pending; // in "info", the mark of a pending entry
    };

    // Gives the file name in the folder folderFd, whose full path is path, a second name
    // in the trash, as a pending entry. orTrashRefused where the volume has no trash or
    // the path is too long to restore. Nothing is made durable here: the caller flushes
    // the file system (or calls Flush) before it replaces the file. A trash that is not
    // in settled yet is settled first, and added to it.
    static TFileOpResult LinkIn(int folderFd, const QByteArray &name, const QByteArray &path, TEntry *entry,
                                QSet<QByteArray> *settled);
    // Flushes the entry's restore information and both trash folders to the disk.
    static bool Flush(const TEntry &entry);
    // The file was replaced: the entry is complete.
    static void Complete(TEntry &entry);
    // Takes the entry out of the trash again (the file was not replaced after all).
    static void Remove(TEntry &entry);
    // Closes the entry's folders; the entry stays in the trash as it is.
    static void Close(TEntry &entry);
    // Settles the entries that runs no longer running left pending in the trash folder
    // trash; top is the folder their restore paths are relative to (empty: absolute).
    static void Settle(const QByteArray &trash, const QByteArray &top);
};
