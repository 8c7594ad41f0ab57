#pragma once

#include "platform/TFileStat.h"

#include <QByteArray>

#include <dirent.h>

// One open listing of a folder, read entry by entry in the order the file system
// gives ("." and ".." are left out). Entries are looked up relative to the open
// folder, so a long path costs nothing per entry.
class TDirListing
{
public:
    explicit TDirListing(const QByteArray &nativeFolder);
    ~TDirListing();
    TDirListing(const TDirListing &) = delete;
    TDirListing &operator=(const TDirListing &) = delete;

    bool IsOpen() const { return FDir != nullptr; }
    // The next entry's name, or nullptr at the end of the listing.
    const char *Next(size_t *length);
    // The entry after following links; Exists is false when it vanished or dangles.
    TFileStat Stat(const char *name) const;
    // The listed folder itself.
    TFileStat FolderStat() const;

private:
    DIR *FDir = nullptr;
    int FFd = -1;
};
