#include "engine/TTreeWalk.h"

#include "platform/TDirListing.h"
#include "platform/TNativeName.h"

#include <vector>

namespace {

// A folder still to be listed, or listed already. The paths are dropped once the
// folder is done; its identity and parent stay for the cycle test of later folders.
struct TQueuedFolder
{
    QString Path;
    QByteArray NativePath;
    qsizetype Parent;
    quint64 Dev;
    quint64 Ino;
};

bool OnPathFromRoot(const std::vector<TQueuedFolder> &queue, qsizetype from, const TFileStat &folder)
{
    for (qsizetype i = from; i >= 0; i = queue[size_t(i)].Parent) {
        if (queue[size_t(i)].Dev == folder.Dev && queue[size_t(i)].Ino == folder.Ino)
            return true;
    }
    return false;
}

} // namespace

TTreeWalk::TTreeWalk(const TScanOptions &options, const TFileFilter &filter,
                     const std::atomic<bool> &stop, TScanSink &sink, const QString &statusText)
    : FOptions(options)
    , FFilter(filter)
    , FStop(stop)
    , FSink(sink)
    , FStatusPrefix(statusText + u' ')
{
}

void TTreeWalk::Walk(const QString &root, const TStep &step)
{
    const QByteArray nativeRoot = TNativeName::Encode(root);
    const TFileStat rootStat = TFileStat::Of(nativeRoot);
    std::vector<TQueuedFolder> queue;
    queue.push_back({root, nativeRoot, -1, rootStat.Dev, rootStat.Ino});

    QString name;
    for (size_t index = 0; index < queue.size() && !FStop.load(std::memory_order_relaxed); ++index) {
        const QString folder = queue[index].Path;
        const QByteArray nativeFolder = queue[index].NativePath;
        queue[index].Path.clear();
        queue[index].NativePath.clear();

        TDirListing listing(nativeFolder);
        if (!listing.IsOpen())
            continue;
        const TFileStat folderStat = listing.FolderStat();
        const QStringView relFolder = QStringView(folder).sliced(root.size());
        const QByteArrayView relNative = QByteArrayView(nativeFolder).sliced(nativeRoot.size());

        size_t length = 0;
        while (!FStop.load(std::memory_order_relaxed)) {
            const char *entry = listing.Next(&length);
            if (!entry)
                break;
            const bool hidden = entry[0] == '.';
            if (hidden && !FOptions.IncHiddenFiles)
                continue;
            if (!TNativeName::Decode(entry, qsizetype(length), &name))
                continue;
            const TFileStat st = listing.Stat(entry);
            if (!st.Exists)
                continue;
            const QByteArrayView nativeName(entry, qsizetype(length));
            if (st.IsDir) {
                if (FOptions.DoSubFolders && !OnPathFromRoot(queue, qsizetype(index), st)) {
                    queue.push_back({folder + name + u'/', nativeFolder + nativeName + '/',
                                     qsizetype(index), st.Dev, st.Ino});
                }
                continue;
            }
            if (!st.IsRegular)
                continue;
            const QString fullPath = folder + name;
            if (!FFilter.PassesFilters(fullPath, st.Size, hidden))
                continue;
            FSink.ShowStatus(FStatusPrefix + fullPath);
            const QByteArray nativePath = nativeFolder + nativeName;
            step(TWalkFile{fullPath, nativePath, relFolder, relNative, name, nativeName, st, folderStat});
        }
    }
}
