#pragma once

#include <QByteArray>
#include <QtGlobal>

struct stat;

// What the program needs to know of one directory entry after following links:
// its kind, size, whole-second modification time and identity (device, inode).
class TFileStat
{
public:
    bool Exists = false;
    bool IsDir = false;
    bool IsRegular = false;
    qint64 Size = 0;
    qint64 MTimeSec = 0; // whole UTC seconds (tv_sec)
    qint64 MTimeNsec = 0;
    quint64 Dev = 0;
    quint64 Ino = 0;
    bool IsMountRoot = false; // the root of a mount (a bind mount too); known from Entry() only
    int Error = 0;            // errno of a look-up that failed

    // Neither a regular file nor a folder: a FIFO, socket or device.
    bool IsSpecial() const { return Exists && !IsDir && !IsRegular; }
    // Something may be there, but it could not be looked up (no access, a loop of links, an
    // I/O error): unlike a missing entry, it must not be read as "not there".
    bool CannotLookUp() const;

    static TFileStat FromStat(const struct stat &st);
    // stat(2) of a native path of any length, following links. Exists is false when
    // nothing is there or the entry cannot be looked up.
    static TFileStat Of(const QByteArray &nativePath);
    // fstatat(2) of a name inside an open folder, following links.
    static TFileStat At(int dirFd, const char *name);
    // statx(2) of a name inside an open folder, following links, with IsMountRoot; an
    // empty name gives the open folder itself.
    static TFileStat Entry(int dirFd, const char *name);
    // fstat(2) of an open file or folder.
    static TFileStat OfFd(int fd);
    // lstat(2): the entry itself, a link not followed.
    static bool IsSymLink(const QByteArray &nativePath);
    static bool IsSymLinkAt(int dirFd, const char *name);

    bool SameIdentity(const TFileStat &other) const
    {
        return Exists && other.Exists && Dev == other.Dev && Ino == other.Ino;
    }
};
