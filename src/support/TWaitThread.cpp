#include "support/TWaitThread.h"

#include "platform/TDirListing.h"
#include "platform/TFileStat.h"
#include "platform/TNativeName.h"
#include "support/TDirMon.h"

#include <QFile>

namespace {

// How long a read that ends with the first half of a rename waits for the second
// half, and how often; the kernel queues both halves together, so this only
// matters when a read cut between them.
constexpr int kRenameHalfWaitMs = 20;
constexpr int kRenameHalfWaits = 3;

bool EndsWithRenameHalf(const std::vector<TInotifyWatch::TEvent> &events)
{
    return !events.empty() && (events.back().Mask & IN_MOVED_FROM);
}

} // namespace

TWaitThread::TWaitThread(TDirMon *Parent, TInotifyWatch &Watch, const QString &Root, int RootWd, TWatchFilters Filters,
                         bool WatchSubtree, quint32 KernelMask)
    : FParent(Parent)
    , FWatch(Watch)
    , FRoot(Root)
    , FRootWd(RootWd)
    , FFilters(Filters)
    , FWatchSubtree(WatchSubtree)
    , FKernelMask(KernelMask)
{
    FFolders.insert(RootWd, QString());
}

void TWaitThread::run()
{
    std::vector<TInotifyWatch::TEvent> events;
    for (;;) {
        events.clear();
        TInotifyWatch::TWaitResult result = FWatch.Wait(events);
        for (int i = 0;
             i < kRenameHalfWaits && result == TInotifyWatch::TWaitResult::Events && EndsWithRenameHalf(events); ++i)
            result = FWatch.Wait(events, kRenameHalfWaitMs);
        if (result == TInotifyWatch::TWaitResult::Stopped)
            break;
        bool rootGone = false;
        const std::shared_ptr<TDirMonBatch> batch = Translate(events, rootGone);
        if (!batch->Records.empty())
            FParent->HandOver(batch);
        // A descriptor that fails once fails again at once: end rather than spin.
        if (rootGone || result == TInotifyWatch::TWaitResult::Failed)
            break;
    }
    FParent->WaitThreadEnded();
}

std::shared_ptr<TDirMonBatch> TWaitThread::Translate(const std::vector<TInotifyWatch::TEvent> &Events, bool &RootGone)
{
    auto batch = std::make_shared<TDirMonBatch>();
    // The kernel dropped records: like a read that did not fit its buffer, the
    // whole read reports nothing, and later changes are reported again.
    bool overflow = false;
    for (const TInotifyWatch::TEvent &event : Events)
        overflow = overflow || (event.Mask & IN_Q_OVERFLOW);

    for (const TInotifyWatch::TEvent &event : Events) {
        const auto folder = FFolders.constFind(event.Wd);
        if (folder == FFolders.cend())
            continue;
        if (event.Mask & (IN_IGNORED | IN_DELETE_SELF | IN_UNMOUNT)) {
            if (event.Wd == FRootWd)
                RootGone = true;
            if (event.Mask & IN_IGNORED)
                FFolders.remove(event.Wd);
            continue;
        }
        if (event.Name.isEmpty()) // a change of the watched folder itself
            continue;
        const QString name = *folder + QFile::decodeName(event.Name);
        const bool isDir = event.Mask & IN_ISDIR;
        if (FWatchSubtree && isDir) {
            if (event.Mask & (IN_CREATE | IN_MOVED_TO))
                AddTree(name + u'/');
            else if (event.Mask & IN_MOVED_FROM)
                RemoveTree(name + u'/');
        }
        if (overflow)
            continue;
        const bool nameWanted = FFilters.Contains(isDir ? nfDIR_NAME : nfFILE_NAME);
        TDirMonRecord record;
        record.Name = name;
        record.Cookie = event.Cookie;
        if (event.Mask & IN_CREATE) {
            if (!nameWanted)
                continue;
            record.Action = TDirMonRecord::faAdded;
        } else if (event.Mask & IN_DELETE) {
            if (!nameWanted)
                continue;
            record.Action = TDirMonRecord::faRemoved;
        } else if (event.Mask & IN_MOVED_FROM) {
            if (!nameWanted)
                continue;
            record.Action = TDirMonRecord::faRenamedOldName;
        } else if (event.Mask & IN_MOVED_TO) {
            if (!nameWanted)
                continue;
            record.Action = TDirMonRecord::faRenamedNewName;
        } else if (event.Mask & (IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB | IN_ACCESS)) {
            record.Action = TDirMonRecord::faModified;
        } else {
            continue;
        }
        batch->Records.push_back(std::move(record));
    }
    return batch;
}

void TWaitThread::AddTree(const QString &Relative)
{
    // Breadth first over the folder and everything below it; links are not
    // followed, so a link back up the tree cannot make this endless. Changes made
    // inside a new folder before its watch exists are not seen.
    const quint32 mask = FKernelMask | IN_DONT_FOLLOW;
    QStringList queue{Relative};
    while (!queue.isEmpty()) {
        const QString folder = queue.takeFirst();
        if (!folder.isEmpty()) {
            const int wd = FWatch.AddWatch(TNativeName::Encode(FRoot + folder), mask);
            if (wd < 0)
                continue;
            FFolders.insert(wd, folder);
        }
        const QByteArray native = TNativeName::Encode(FRoot + folder);
        TDirListing listing(native);
        size_t length = 0;
        while (const char *entry = listing.Next(&length)) {
            QString name;
            if (!TNativeName::Decode(entry, static_cast<qsizetype>(length), &name))
                continue;
            const QByteArray path = native + QByteArray(entry, static_cast<qsizetype>(length));
            if (TFileStat::IsSymLink(path) || !listing.Stat(entry).IsDir)
                continue;
            queue.append(folder + name + u'/');
        }
    }
}

void TWaitThread::RemoveTree(const QString &Relative)
{
    for (auto it = FFolders.begin(); it != FFolders.end();) {
        if (!Relative.isEmpty() && it->startsWith(Relative)) {
            FWatch.RemoveWatch(it.key());
            it = FFolders.erase(it);
        } else {
            ++it;
        }
    }
}
