#include "engine/TTreeWalk.h"

#include "platform/TDirListing.h"
#include "platform/TNativeName.h"

#include <QHash>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace {

// A folder still to be listed, or listed already. Once the folder is done its native
// path is dropped and its shown path cut to its own name (with "/"), so that a huge tree
// does not hold every path in full; FullPath() puts it together for "already compared
// through".
struct TQueuedFolder
{
    QString Path;
    QByteArray NativePath;
    qsizetype Parent = -1;
    qsizetype Own = 0; // the length of its own name and "/" at the end of Path
    bool Cut = false;
};

QString FullPath(const std::vector<TQueuedFolder> &queue, size_t index)
{
    const TQueuedFolder &f = queue[index];
    return f.Cut ? FullPath(queue, size_t(f.Parent)) + f.Path : f.Path;
}

struct TIdentity
{
    quint64 Dev, Ino;
    bool operator==(const TIdentity &o) const { return Dev == o.Dev && Ino == o.Ino; }
};

size_t qHash(const TIdentity &id, size_t seed)
{
    return qHashMulti(seed, id.Dev, id.Ino);
}

} // namespace

TTreeWalk::TTreeWalk(const TScanOptions &options, const TFileFilter &filter, const TScanTexts &texts,
                     const std::atomic<bool> &stop, TScanSink &sink, const QString &statusText, TScanProgress &progress)
    : FOptions(options)
    , FFilter(filter)
    , FTexts(texts)
    , FStop(stop)
    , FSink(sink)
    , FStatusPrefix(statusText + u' ')
    , FProgress(progress)
{}

void TTreeWalk::Walk(const QString &root, const QString &otherRoot, const TStep &step,
                     const TLookAhead::TContentWanted &contentWanted)
{
    const QByteArray nativeRoot = TNativeName::Encode(root);
    const QByteArray nativeOther = TNativeName::Encode(otherRoot);
    const TOtherTree other(nativeOther);
    std::vector<TQueuedFolder> queue;
    queue.push_back({root, nativeRoot, -1, 0, false});
    // Every folder queued in this pass, by identity, with its place in the queue.
    QHash<TIdentity, size_t> walked;
    const TFileStat rootStat = TFileStat::Of(nativeRoot);
    walked.insert({rootStat.Dev, rootStat.Ino}, 0);

    // The folders of the queue are put in line for the look-ahead in queue order, as far
    // as its window reaches; the folder being walked is always in line.
    TLookAhead ahead(FOptions, FFilter, nativeRoot, nativeOther, FOptions.LookAheadThreads, contentWanted, FStop);
    size_t requested = 0;
    const auto request = [&](size_t upTo) {
        while (requested < queue.size() && (requested <= upTo || ahead.HasRoom())) {
            ahead.Request(requested, queue[requested].Path, queue[requested].NativePath);
            ++requested;
        }
    };

    // Folders met through a link in this round, walked in the next one: every folder the
    // plain names reach is walked under those names before any link is followed, and of
    // several links to one folder the shallowest, then the first by name, wins, whatever
    // the order of the listings.
    struct TLinked
    {
        QString Path;
        QByteArray NativePath;
        TFileStat Stat;
        size_t Parent;
        qsizetype Own;
        qsizetype Depth;
    };
    std::vector<TLinked> linked;
    const auto queueLinked = [&] {
        std::sort(linked.begin(), linked.end(), [](const TLinked &a, const TLinked &b) {
            return a.Depth != b.Depth ? a.Depth < b.Depth : a.NativePath < b.NativePath;
        });
        for (TLinked &l : linked) {
            const auto seen = walked.constFind({l.Stat.Dev, l.Stat.Ino});
            if (seen != walked.cend()) {
                FSink.Skipped(l.Path, FTexts.SecondRoute.arg(FullPath(queue, seen.value())));
                continue;
            }
            walked.insert({l.Stat.Dev, l.Stat.Ino}, queue.size());
            queue.push_back({std::move(l.Path), std::move(l.NativePath), qsizetype(l.Parent), l.Own, false});
        }
        linked.clear();
    };

    QString name;
    for (size_t index = 0; !FStop.load(std::memory_order_relaxed); ++index) {
        if (index == queue.size()) {
            queueLinked();
            if (index == queue.size())
                break;
        }
        request(index);
        const QString folder = queue[index].Path;
        const QByteArray nativeFolder = queue[index].NativePath;
        queue[index].NativePath = QByteArray();
        if (index > 0) {
            queue[index].Path = folder.last(queue[index].Own);
            queue[index].Cut = true;
        }

        const std::shared_ptr<TListedFolder> listed = ahead.Take(index);
        if (!listed)
            break; // stopped
        struct TRelease
        {
            TLookAhead &Ahead;
            const TListedFolder &Folder;
            ~TRelease() { Ahead.Release(Folder); }
        } release{ahead, *listed};
        const TDirListing &listing = *listed->Listing;
        if (!listing.IsOpen()) {
            FSink.NotCompared(folder, FTexts.Unlistable);
            continue;
        }
        TScanProgress::Add(FProgress.Folders);
        const TFileStat folderStat = listed->FolderStat;
        const QStringView relFolder = QStringView(folder).sliced(root.size());
        const QByteArrayView relNative = QByteArrayView(nativeFolder).sliced(nativeRoot.size());

        // Queues a folder met in this listing, unless it was walked already or belongs to
        // the other tree; a folder met through a link waits for the next round. Only a link,
        // a mount or another device can lead into the other tree.
        const auto queueFolder = [&](const QString &path, QByteArrayView entryName, const TFileStat &st, bool link) {
            const auto seen = walked.constFind({st.Dev, st.Ino});
            if (seen != walked.cend()) {
                FSink.Skipped(path, FTexts.SecondRoute.arg(FullPath(queue, seen.value())));
                return;
            }
            TOtherTree::TPlace place = other.ByIdentity(st);
            if (place == TOtherTree::opOutside && (link || st.IsMountRoot || st.Dev != folderStat.Dev)) {
                const QByteArray nameZ = entryName.toByteArray();
                const int fd = ::openat(listing.Fd(), nameZ.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
                place = other.Locate(fd);
                if (fd >= 0)
                    ::close(fd);
            }
            if (place != TOtherTree::opOutside) {
                FSink.Skipped(path, place == TOtherTree::opInside ? FTexts.InsideOther : FTexts.HoldsOther);
                return;
            }
            const qsizetype own = path.size() - folder.size();
            QByteArray native = nativeFolder + entryName + '/';
            if (link) {
                linked.push_back({path, std::move(native), st, index, own, qsizetype(relNative.count('/')) + 1});
                return;
            }
            walked.insert({st.Dev, st.Ino}, queue.size());
            queue.push_back({path, std::move(native), qsizetype(index), own, false});
            request(index);
        };

        for (size_t i = 0; i < listed->Entries.size() && !FStop.load(std::memory_order_relaxed); ++i) {
            const TListedEntry &e = ahead.Entry(listed, i);
            const char *entry = e.Name.constData();
            const size_t length = size_t(e.Name.size());
            const bool hidden = entry[0] == '.';
            if (hidden && !FOptions.IncHiddenFiles)
                continue;
            const QByteArrayView nativeName(entry, qsizetype(length));
            const TFileStat &st = e.Stat;
            // A link to nothing is nothing to compare; an entry that cannot be looked up is.
            if (!st.Exists && !st.CannotLookUp())
                continue;
            if (st.IsDir && !FOptions.DoSubFolders)
                continue;
            if (!TNativeName::Decode(entry, qsizetype(length), &name)) {
                const QString shown = folder + TNativeName::Escaped(nativeName);
                if (st.IsDir)
                    FSink.NotCompared(shown + u'/', FTexts.BadName);
                else if (FFilter.PassesFilters(shown, st.IsRegular ? st.Size : 0, hidden))
                    FSink.NotCompared(shown, FTexts.BadName);
                continue;
            }
            if (st.IsDir) {
                queueFolder(folder + name + u'/', nativeName, st, e.IsLink);
                continue;
            }
            const QString fullPath = folder + name;
            if (!FFilter.PassesFilters(fullPath, st.IsRegular ? st.Size : 0, hidden))
                continue;
            if (!st.Exists) {
                FSink.NotCompared(fullPath, FTexts.Unreadable);
                continue;
            }
            if (!st.IsRegular) {
                FSink.NotCompared(fullPath, FTexts.SpecialFile);
                continue;
            }
            TScanProgress::Add(FProgress.Files);
            FSink.ShowFileStatus(FStatusPrefix + fullPath);
            const QByteArray nativePath = nativeFolder + nativeName;
            step(TWalkFile{fullPath, nativePath, relFolder, relNative, name, nativeName, st, folderStat, listing.Fd(),
                           e.HasCounterpart ? &e.Counterpart : nullptr, ahead, listed, i});
        }
    }
}
