#pragma once

#include "engine/TContentComparer.h"
#include "engine/TFileFilter.h"
#include "engine/TScanOptions.h"
#include "platform/TDirListing.h"
#include "platform/TFileStat.h"
#include "platform/TFolderHandle.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <tuple>
#include <vector>

// One directory entry of a folder listed ahead, with what the walk and the per-file step
// will ask of it: the entry itself after following links, whether it is a link, and for
// a regular file its counterpart under the other root.
struct TListedEntry
{
    QByteArray Name;        // ends with a NUL like every QByteArray
    unsigned char Type = 0; // d_type from the listing
    bool IsLink = false;    // known for folders only
    bool HasCounterpart = false;
    quint8 ContentState = 0; // see TLookAhead::TContentState
    quint8 Content = 0;      // a TContentComparer::TResult once done
    TFileStat Stat;
    TFileStat Counterpart;
};

// One folder of the walk, listed (and its entries looked up) ahead of the walk.
struct TListedFolder
{
    size_t Seq = 0; // its place in the walk's folder queue
    QString Path;   // as shown, ends with "/"
    QByteArray NativePath;
    QByteArray Relative; // below the root: empty, or ending with "/"
    std::unique_ptr<TDirListing> Listing;
    TFileStat FolderStat;
    TFolderHandle CounterpartFolder;
    std::vector<TListedEntry> Entries;
    int State = 0;              // of the listing: pending, running, done
    std::vector<quint8> Chunks; // of the look-ups of each run of entries
};

// Keeps the file system busy ahead of a walk: a few worker threads list the next folders
// of the walk's queue, look up their entries and the counterparts of their files, and
// compare the contents of the pairs the step will compare, while the walk itself goes
// on in its own order on its own thread. The walk takes everything in the order it would
// have found it, so what it reports is unchanged; only the waiting overlaps. A network
// mount answers each look-up after a round trip, and only many requests in flight at
// once bring the time of a scan down.
//
// The work ahead is bounded (a window of folders and entries, not a tree). Work the walk
// needs before a worker took it is done by the walk's own thread, so with no workers at
// all everything happens in order, one look-up at a time. The destructor throws away
// whatever is left and waits for the workers, which give up a content comparison within
// one block.
class TLookAhead
{
public:
    // Whether the step will compare the contents of a file and its counterpart.
    using TContentWanted = std::function<bool(const TFileStat &file, const TFileStat &counterpart)>;

    enum TContentState : quint8 {
        csNone,    // not asked for ahead
        csPending, // waiting for a worker
        csRunning,
        csDone,
    };

    // threads < 0: as many as suit the device of the root (see DefaultThreads).
    // stop is the run's stop request: a listing under way gives up when it is seen.
    TLookAhead(const TScanOptions &options, const TFileFilter &filter, const QByteArray &nativeRoot,
               const QByteArray &otherNativeRoot, int threads, TContentWanted contentWanted,
               const std::atomic<bool> &stop);
    ~TLookAhead();
    TLookAhead(const TLookAhead &) = delete;
    TLookAhead &operator=(const TLookAhead &) = delete;

    // Whether the window holds room for another folder ahead of the walk.
    bool HasRoom() const;
    // Puts the folder at place seq of the walk's queue (places asked for in order) in line.
    void Request(size_t seq, const QString &path, const QByteArray &nativePath);
    // Folder seq, listed; requested before. The walk takes its folders in order. Null when
    // a stop request came while the listing was still under way.
    std::shared_ptr<TListedFolder> Take(size_t seq);
    // Entry i of a folder taken, its look-ups done.
    const TListedEntry &Entry(const std::shared_ptr<TListedFolder> &folder, size_t i);
    // The content comparison of entry i and its counterpart: done ahead, or done now.
    TContentComparer::TResult Content(const std::shared_ptr<TListedFolder> &folder, size_t i);
    // The walk is done with the folder: its room in the window is free again.
    void Release(const TListedFolder &folder);

    int Threads() const { return int(FWorkers.size()); }
    // Workers for a tree on the device of this folder: few for a rotating disk, more for
    // a solid-state one, most where every request is a round trip (no block device).
    static int DefaultThreads(const QByteArray &nativeFolder);

    static constexpr size_t ChunkSize = 16;
    static constexpr size_t MaxFoldersAhead = 128;
    static constexpr size_t MaxEntriesAhead = 8192;

private:
    enum TKind { tkList, tkChunk, tkContent };
    using TKey = std::tuple<size_t, size_t, int>; // folder, entry, kind: the walk's order
    struct TTask
    {
        std::shared_ptr<TListedFolder> Folder;
        TKind Kind;
        size_t Index;
    };

    void Work();
    // Runs a task claimed (its state set to running) by the calling thread.
    void Run(const TTask &task);
    void List(TListedFolder &folder);
    void LookUp(const std::shared_ptr<TListedFolder> &folder, size_t chunk);
    TContentComparer::TResult Compare(const TListedFolder &folder, size_t i) const;
    void Push(const std::shared_ptr<TListedFolder> &folder, TKind kind, size_t index); // under FLock

    const TScanOptions &FOptions;
    const TFileFilter &FFilter;
    const QByteArray FNativeRoot;
    const QByteArray FOtherRoot;
    const TContentWanted FContentWanted;
    const std::atomic<bool> &FStop;

    mutable std::mutex FLock;
    std::condition_variable FWorkReady; // workers wait here
    std::condition_variable FDone;      // the walk waits here
    std::map<TKey, TTask> FTasks;
    std::map<size_t, std::shared_ptr<TListedFolder>> FAhead; // requested, not yet taken
    size_t FFoldersAhead = 0;                                // requested and not released
    size_t FEntriesAhead = 0;                                // entries of those listed
    std::atomic<bool> FCancel{false};
    std::vector<std::thread> FWorkers;
};
