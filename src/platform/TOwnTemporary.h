#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The names this program gives the files it writes before they are put in place, and
// the test that tells which of them a killed run left behind. A name has one exact form,
//   .NAME.foldermate-PID-START-HOST-RANDOM
// with the writer's process id, the moment that process started (clock ticks since the
// system booted, so that a later process under the same id is told apart), the first
// digits of the machine's and of the boot's identity, and 48 random bits. Where the file
// system keeps extended attributes, the file also carries the name's writer part in
// user.foldermate.temporary, set before any content is written; a file there that lacks
// it and is not empty is not ours.
//
// A temporary is stale, and may be removed, only when all of that holds and its writer
// is known to be gone: on this machine, an earlier boot, or a process id that is no
// longer running or now belongs to a process started at another moment. A writer on
// another machine (a shared network folder) is never taken for gone.
class TOwnTemporary
{
public:
    // A new name for a temporary beside name (which is cut short, if need be, so that the
    // whole fits in one file name).
    static QByteArray Make(QByteArrayView name);
    // Marks the open file fd as the temporary named temp, where the file system lets it.
    // A copy goes on without the mark: what a killed copy leaves then stays, unremoved.
    static void Mark(int fd, QByteArrayView temp);
    // Takes the mark off again, once the file has its real name.
    static void Unmark(int fd);
    // Whether the entry name in the open folder folderFd is a temporary of this program
    // whose writer is gone.
    static bool IsStale(int folderFd, const char *name);
    // Removes the stale temporaries of the open folder.
    static void RemoveStale(int folderFd);
};
