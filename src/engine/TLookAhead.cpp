#include "engine/TLookAhead.h"

#include "platform/TNativeName.h"

#include <QFile>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>

TLookAhead::TLookAhead(const TScanOptions &options, const TFileFilter &filter, const QByteArray &nativeRoot,
                       const QByteArray &otherNativeRoot, int threads, TContentWanted contentWanted,
                       const std::atomic<bool> &stop)
    : FOptions(options)
    , FFilter(filter)
    , FNativeRoot(nativeRoot)
    , FOtherRoot(otherNativeRoot)
    , FContentWanted(threads == 0 ? TContentWanted() : std::move(contentWanted))
    , FStop(stop)
{
    if (threads < 0)
        threads = DefaultThreads(nativeRoot);
    for (int i = 0; i < threads; ++i)
        FWorkers.emplace_back([this] { Work(); });
}

TLookAhead::~TLookAhead()
{
    {
        std::lock_guard<std::mutex> lock(FLock);
        FCancel.store(true, std::memory_order_relaxed);
        FTasks.clear();
    }
    FWorkReady.notify_all();
    for (std::thread &t : FWorkers)
        t.join();
}

int TLookAhead::DefaultThreads(const QByteArray &nativeFolder)
{
    struct statfs fs;
    if (::statfs(nativeFolder.constData(), &fs) == 0 && (fs.f_type == TMPFS_MAGIC || fs.f_type == RAMFS_MAGIC))
        return 1; // memory answers at once: one helper only keeps the walk's thread free
    const TFileStat st = TFileStat::Of(nativeFolder);
    if (!st.Exists || major(st.Dev) == 0)
        return 16; // a network or user-space file system: every request is a round trip
    // A partition's queue is its disk's: /sys/dev/block/M:m/../queue.
    char link[64];
    std::snprintf(link, sizeof link, "/sys/dev/block/%u:%u", major(st.Dev), minor(st.Dev));
    char real[PATH_MAX];
    if (!::realpath(link, real))
        return 8;
    for (const char *queue : {"/queue/rotational", "/../queue/rotational"}) {
        QFile f(QString::fromLocal8Bit(real) + QLatin1String(queue));
        if (f.open(QIODevice::ReadOnly))
            return f.readAll().trimmed() == "1" ? 4 : 8;
    }
    return 8;
}

bool TLookAhead::HasRoom() const
{
    std::lock_guard<std::mutex> lock(FLock);
    return FFoldersAhead < MaxFoldersAhead && FEntriesAhead < MaxEntriesAhead;
}

void TLookAhead::Push(const std::shared_ptr<TListedFolder> &folder, TKind kind, size_t index)
{
    FTasks.emplace(TKey{folder->Seq, index, int(kind)}, TTask{folder, kind, index});
}

void TLookAhead::Request(size_t seq, const QString &path, const QByteArray &nativePath)
{
    auto folder = std::make_shared<TListedFolder>();
    folder->Seq = seq;
    folder->State = csPending;
    folder->Path = path;
    folder->NativePath = nativePath;
    folder->Relative = nativePath.sliced(qMin(FNativeRoot.size(), nativePath.size()));
    {
        std::lock_guard<std::mutex> lock(FLock);
        FAhead.emplace(seq, folder);
        ++FFoldersAhead;
        Push(folder, tkList, 0);
    }
    FWorkReady.notify_one();
}

void TLookAhead::Work()
{
    std::unique_lock<std::mutex> lock(FLock);
    for (;;) {
        FWorkReady.wait(lock, [this] { return FCancel.load(std::memory_order_relaxed) || !FTasks.empty(); });
        if (FCancel.load(std::memory_order_relaxed))
            return;
        const TTask task = std::move(FTasks.begin()->second);
        FTasks.erase(FTasks.begin());
        // Only pending work is in the list: whoever takes it out runs it.
        if (task.Kind == tkList)
            task.Folder->State = csRunning;
        else if (task.Kind == tkChunk)
            task.Folder->Chunks[task.Index] = csRunning;
        else
            task.Folder->Entries[task.Index].ContentState = csRunning;
        lock.unlock();
        Run(task);
        lock.lock();
    }
}

void TLookAhead::Run(const TTask &task)
{
    TListedFolder &folder = *task.Folder;
    switch (task.Kind) {
    case tkList: {
        List(folder);
        std::lock_guard<std::mutex> lock(FLock);
        folder.State = csDone;
        FEntriesAhead += folder.Entries.size();
        folder.Chunks.assign((folder.Entries.size() + ChunkSize - 1) / ChunkSize, csPending);
        for (size_t c = 0; c < folder.Chunks.size(); ++c)
            Push(task.Folder, tkChunk, c);
        break;
    }
    case tkChunk: {
        LookUp(task.Folder, task.Index);
        std::lock_guard<std::mutex> lock(FLock);
        folder.Chunks[task.Index] = csDone;
        break;
    }
    case tkContent: {
        const TContentComparer::TResult r = Compare(folder, task.Index);
        std::lock_guard<std::mutex> lock(FLock);
        folder.Entries[task.Index].Content = quint8(r);
        folder.Entries[task.Index].ContentState = csDone;
        break;
    }
    }
    FDone.notify_all();
    FWorkReady.notify_all();
}

void TLookAhead::List(TListedFolder &folder)
{
    folder.Listing = std::make_unique<TDirListing>(folder.NativePath);
    if (!folder.Listing->IsOpen())
        return;
    folder.FolderStat = folder.Listing->FolderStat();
    size_t length = 0;
    // A huge folder on a slow mount takes long to list: a stop request ends the listing
    // (the walk tests it before it looks at the first entry).
    while (!FCancel.load(std::memory_order_relaxed) && !FStop.load(std::memory_order_relaxed)) {
        const char *name = folder.Listing->Next(&length);
        if (!name)
            break;
        TListedEntry e;
        e.Name = QByteArray(name, qsizetype(length));
        e.Type = folder.Listing->Type();
        folder.Entries.push_back(std::move(e));
    }
    // The counterpart folder is opened once for every look-up of the folder's files.
    folder.CounterpartFolder.Point(FOtherRoot, folder.Relative);
}

void TLookAhead::LookUp(const std::shared_ptr<TListedFolder> &self, size_t chunk)
{
    TListedFolder &folder = *self;
    const int fd = folder.Listing->Fd();
    const size_t end = qMin(folder.Entries.size(), (chunk + 1) * ChunkSize);
    QString name;
    for (size_t i = chunk * ChunkSize; i < end && !FCancel.load(std::memory_order_relaxed); ++i) {
        TListedEntry &e = folder.Entries[i];
        const char *n = e.Name.constData();
        const bool hidden = n[0] == '.';
        if (hidden && !FOptions.IncHiddenFiles)
            continue;
        e.Stat = TFileStat::Entry(fd, n);
        if (e.Stat.IsDir) {
            if (FOptions.DoSubFolders)
                e.IsLink = e.Type != DT_UNKNOWN ? e.Type == DT_LNK : TFileStat::IsSymLinkAt(fd, n);
            continue;
        }
        if (!e.Stat.IsRegular)
            continue;
        e.Counterpart = folder.CounterpartFolder.Stat(n);
        e.HasCounterpart = true;
        // Only pairs that pass the filter and that the step will compare are read ahead.
        if (!FContentWanted || !FContentWanted(e.Stat, e.Counterpart))
            continue;
        if (!TNativeName::Decode(n, e.Name.size(), &name)
            || !FFilter.PassesFilters(folder.Path + name, e.Stat.Size, hidden))
            continue;
        {
            std::lock_guard<std::mutex> lock(FLock);
            e.ContentState = csPending;
            Push(self, tkContent, i);
        }
        FWorkReady.notify_one();
    }
}

TContentComparer::TResult TLookAhead::Compare(const TListedFolder &folder, size_t i) const
{
    const QByteArray &name = folder.Entries[i].Name;
    return TContentComparer::Compare(folder.NativePath + name, FOtherRoot + folder.Relative + name, &FCancel);
}

std::shared_ptr<TListedFolder> TLookAhead::Take(size_t seq)
{
    std::unique_lock<std::mutex> lock(FLock);
    const auto it = FAhead.find(seq);
    if (it == FAhead.end())
        return {};
    std::shared_ptr<TListedFolder> folder = it->second;
    FAhead.erase(it);
    for (;;) {
        if (folder->State == csDone)
            return folder;
        if (folder->State == csPending) {
            FTasks.erase(TKey{seq, 0, int(tkList)});
            folder->State = csRunning;
            lock.unlock();
            Run({folder, tkList, 0});
            lock.lock();
            continue;
        }
        // A worker lists it; the walk looks at the stop request now and then meanwhile.
        if (FStop.load(std::memory_order_relaxed))
            return {};
        FDone.wait_for(lock, std::chrono::milliseconds(10));
    }
}

const TListedEntry &TLookAhead::Entry(const std::shared_ptr<TListedFolder> &self, size_t i)
{
    TListedFolder &folder = *self;
    const size_t chunk = i / ChunkSize;
    std::unique_lock<std::mutex> lock(FLock);
    for (;;) {
        quint8 &state = folder.Chunks[chunk];
        if (state == csDone)
            return folder.Entries[i];
        if (state == csPending) {
            FTasks.erase(TKey{folder.Seq, chunk, int(tkChunk)});
            state = csRunning;
            lock.unlock();
            LookUp(self, chunk);
            lock.lock();
            folder.Chunks[chunk] = csDone;
            continue;
        }
        FDone.wait(lock);
    }
}

TContentComparer::TResult TLookAhead::Content(const std::shared_ptr<TListedFolder> &self, size_t i)
{
    TListedFolder &folder = *self;
    std::unique_lock<std::mutex> lock(FLock);
    for (;;) {
        TListedEntry &e = folder.Entries[i];
        if (e.ContentState == csDone)
            return TContentComparer::TResult(e.Content);
        if (e.ContentState == csRunning) {
            FDone.wait(lock);
            continue;
        }
        if (e.ContentState == csPending) {
            FTasks.erase(TKey{folder.Seq, i, int(tkContent)});
            e.ContentState = csRunning;
        }
        lock.unlock();
        return Compare(folder, i);
    }
}

void TLookAhead::Release(const TListedFolder &folder)
{
    std::lock_guard<std::mutex> lock(FLock);
    --FFoldersAhead;
    FEntriesAhead -= folder.Entries.size();
    // Comparisons the step did not ask for are not needed any more.
    FTasks.erase(FTasks.lower_bound(TKey{folder.Seq, 0, 0}), FTasks.lower_bound(TKey{folder.Seq + 1, 0, 0}));
}
