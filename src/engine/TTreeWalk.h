#pragma once

#include "engine/TFileFilter.h"
#include "engine/TScanOptions.h"
#include "engine/TScanSink.h"
#include "platform/TFileStat.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <atomic>
#include <functional>

// One file found by a walk, valid during the per-file step only.
struct TWalkFile
{
    const QString &FullPath;    // folder + name, as the lists show it
    const QByteArray &NativePath;
    QStringView RelativeFolder; // below the root: empty, or ending with "/"
    QByteArrayView RelativeNativeFolder;
    QStringView Name;
    QByteArrayView NativeName;  // ends with a NUL (the listing's own buffer)
    const TFileStat &Stat;       // the file after following links
    const TFileStat &FolderStat; // the folder it was listed in
};

// One pass over a tree: breadth first from the root, each folder's entries in the
// order the file system lists them. Hidden entries (names beginning with ".") are
// skipped unless hidden files are included, so a hidden folder is not walked; the
// root itself is walked even when hidden. Only regular files reach the step; FIFOs,
// sockets and devices are passed over, entries that vanish or dangle are skipped like
// entries never listed, and a folder already on the path from the root is not queued
// again, so folder-link cycles end.
class TTreeWalk
{
public:
    using TStep = std::function<void(const TWalkFile &)>;

    TTreeWalk(const TScanOptions &options, const TFileFilter &filter,
              const std::atomic<bool> &stop, TScanSink &sink, const QString &statusText);

    void Walk(const QString &root, const TStep &step);

private:
    const TScanOptions &FOptions;
    const TFileFilter &FFilter;
    const std::atomic<bool> &FStop;
    TScanSink &FSink;
    QString FStatusPrefix; // the status text and one space, before each file's path
};
