#pragma once

#include "platform/TFileStat.h"

#include <QByteArray>

#include <dirent.h>

// One open listing of a folder, read entry by entry in the order the file system
// gives ("." and ".." are left out). Entries are looked up relative to the open
// folder, so a long path costs nothing per entry, and a path of any length opens.
class TDirListing
{
public:
    explicit TDirListing(const QByteArray &nativeFolder);
    ~TDirListing();
    TDirListing(const TDirListing &) = delete;
    TDirListing &operator=(const TDirListing &) = delete;

    bool IsOpen() const { return FDir != nullptr; }
    // The errno of a failed open.
    int Error() const { return FError; }
    int Fd() const { return FFd; }
    // The next entry's name, or nullptr at the end of the listing.
    const char *Next(size_t *length);
    // The kind of the entry last returned by Next() as the listing gives it (DT_UNKNOWN
    // where the file system does not say).
    unsigned char Type() const { return FType; }
    // Whether the entry last returned by Next() is itself a symbolic link.
    bool IsSymLink(const char *name) const;
    // The entry after following links, with IsMountRoot; Exists is false when it
    // vanished or dangles.
    TFileStat Stat(const char *name) const;
    // The listed folder itself.
    TFileStat FolderStat() const;

private:
    DIR *FDir = nullptr;
    int FFd = -1;
    int FError = 0;
    unsigned char FType = DT_UNKNOWN;
};
