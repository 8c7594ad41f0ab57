#pragma once

#include "platform/TFileStat.h"

#include <QByteArray>
#include <QSet>

// Where a folder met by a walk stands against the root of the other tree. A walk that
// follows a link or enters a mount may arrive in the other tree, or above it; comparing
// such a folder with the other tree would pair files with themselves.
//
// Two tests, one cheap and one thorough. Every folder is checked against the identities
// (device, inode) of the other root and of its real ancestors: that finds the other root
// and the folders holding it, by whatever route they were reached. Whether a folder lies
// inside the other tree can only be asked of its own ancestors; a folder reached by
// plain descent from a root that is not inside the other tree cannot be, so the walk asks
// only for folders reached through a link, at a mount root or on another device. For those
// the real parents are climbed (".." as the kernel resolves it), and, since the parent of
// a bind mount's root is the folder it is mounted on and not where its content lives, the
// folder's place inside its file system (from the mount table) is compared with the other
// root's place in the same file system.
class TOtherTree
{
public:
    enum TPlace {
        opOutside,
        opInside, // the other root, or a folder below it
        opHolds,  // a folder that holds the other root
    };

    explicit TOtherTree(const QByteArray &otherRoot);

    // The cheap test, for every folder.
    TPlace ByIdentity(const TFileStat &folder) const;
    // The thorough test, for the open folder fd (whose identity passed ByIdentity()).
    TPlace Locate(int fd) const;

    // The place of the open folder fd inside its file system: the file system's device
    // and the path from its top, as "/a/b". False when it cannot be told.
    static bool FileSystemPlace(int fd, quint64 *dev, QByteArray *place);

private:
    struct TId
    {
        quint64 Dev, Ino;
        bool operator==(const TId &o) const { return Dev == o.Dev && Ino == o.Ino; }
    };
    friend size_t qHash(const TId &id, size_t seed) { return qHashMulti(seed, id.Dev, id.Ino); }

    TFileStat FRoot;
    QSet<TId> FAncestors;
    bool FHasPlace = false;
    quint64 FPlaceDev = 0;
    QByteArray FPlace;
};
