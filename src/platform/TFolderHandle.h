#pragma once

#include "platform/TFileStat.h"

#include <QByteArray>
#include <QByteArrayView>

// An open folder kept for the names looked up in it one after another. Looking a name up
// relative to the open folder spares the kernel the walk down the whole path for every
// file, which is most of the cost of finding a counterpart.
class TFolderHandle
{
public:
    TFolderHandle() = default;
    ~TFolderHandle();
    TFolderHandle(const TFolderHandle &) = delete;
    TFolderHandle &operator=(const TFolderHandle &) = delete;

    // Makes root + relative the open folder, unless it is already; a folder that cannot
    // be opened (missing, not a folder, no access) finds nothing.
    void Point(const QByteArray &root, QByteArrayView relative);
    // The entry of that name in the folder, following links. name must end with a NUL.
    // When the folder itself could not be opened, Error tells why.
    TFileStat Stat(const char *name) const;
    // Whether the folder holds an entry of that name, the entry itself (a link not followed).
    bool HasEntry(const char *name) const;
    // The open folder itself; Exists is false when it could not be opened.
    TFileStat FolderStat() const;
    // Whether the entry of that name is itself a symbolic link.
    bool IsSymLink(const char *name) const;
    int Fd() const { return FFd; }
    // Whether the last name of the folder's path is a link to the folder.
    bool ThroughLink() const { return FThroughLink; }

private:
    QByteArray FRelative;
    bool FPointed = false;
    int FFd = -1;
    int FError = 0; // errno of the failed open
    bool FThroughLink = false;
};
