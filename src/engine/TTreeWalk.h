#pragma once

#include "engine/TFileFilter.h"
#include "engine/TLookAhead.h"
#include "engine/TScanOptions.h"
#include "engine/TScanProgress.h"
#include "engine/TScanSink.h"
#include "engine/TScanTexts.h"
#include "platform/TFileStat.h"
#include "platform/TOtherTree.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <atomic>
#include <functional>

// One file found by a walk, valid during the per-file step only.
struct TWalkFile
{
    const QString &FullPath; // folder + name, as the lists show it
    const QByteArray &NativePath;
    QStringView RelativeFolder; // below the root: empty, or ending with "/"
    QByteArrayView RelativeNativeFolder;
    QStringView Name;
    QByteArrayView NativeName;   // ends with a NUL (the listing's own buffer)
    const TFileStat &Stat;       // the file after following links
    const TFileStat &FolderStat; // the folder it was listed in
    int FolderFd;                // the folder it was listed in, open
    // Looked up ahead: the entry of the same name in the counterpart folder under the
    // other root (TFolderHandle::Stat of it), or nullptr when it was not looked up.
    const TFileStat *Counterpart;
    TLookAhead &Ahead;
    const std::shared_ptr<TListedFolder> &Listed;
    size_t Index;

    // The content comparison of the file and its counterpart: read ahead, or read now.
    TContentComparer::TResult Content() const { return Ahead.Content(Listed, Index); }
};

// One pass over a tree: breadth first from the root, each folder's entries in the
// order the file system lists them. Hidden entries (names beginning with ".") are
// skipped unless hidden files are included, so a hidden folder is not walked; the
// root itself is walked even when hidden. Only regular files reach the step. Entries
// that vanish or dangle are skipped like entries never listed. Everything else that is
// left out is reported to the sink as not compared, with its reason: a name that is not
// text, a FIFO, socket or device, a folder that cannot be listed, a folder already walked
// in this pass (a second route, or a cycle), and a folder of the other tree or above it.
// Folders are opened piece by piece where their path is too long for one call, so path
// length does not limit the walk.
class TTreeWalk
{
public:
    using TStep = std::function<void(const TWalkFile &)>;

    TTreeWalk(const TScanOptions &options, const TFileFilter &filter, const TScanTexts &texts,
              const std::atomic<bool> &stop, TScanSink &sink, const QString &statusText, TScanProgress &progress);

    // Walks root; folders that are otherRoot, lie below it or hold it are not walked.
    // Folders, entries and counterparts are looked up ahead, and pairs for which
    // contentWanted holds are compared ahead (see TLookAhead); the step still sees the
    // files one by one in the walk's order.
    void Walk(const QString &root, const QString &otherRoot, const TStep &step,
              const TLookAhead::TContentWanted &contentWanted = {});

private:
    const TScanOptions &FOptions;
    const TFileFilter &FFilter;
    const TScanTexts &FTexts;
    const std::atomic<bool> &FStop;
    TScanSink &FSink;
    QString FStatusPrefix; // the status text and one space, before each file's path
    TScanProgress &FProgress;
};
