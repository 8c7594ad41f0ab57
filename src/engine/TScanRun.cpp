#include "engine/TScanRun.h"

#include "engine/TContentComparer.h"
#include "engine/TPairJudge.h"
#include "engine/TRootChecks.h"
#include "platform/TLongPath.h"
#include "platform/TNativeName.h"

#include <fcntl.h>
#include <unistd.h>

TScanRun::TScanRun(const TScanOptions &options, const TScanTexts &texts, TScanSink &sink, const std::atomic<bool> &stop,
                   TScanProgress *progress)
    : FOptions(options)
    , FTexts(texts)
    , FOnce(sink)
    , FSink(FOnce)
    , FStop(stop)
    , FProgress(progress ? *progress : FOwnProgress)
    , FFilter(options)
    , FNativeSrc(TNativeName::Encode(options.srcPath))
    , FNativeDst(TNativeName::Encode(options.dstPath))
{}

QString TScanRun::Execute()
{
    FSink.ShowStatus(FTexts.Working);
    const QString error = TRootChecks::Check(FOptions, FTexts);
    if (!error.isEmpty())
        return error;
    FSrcTree.emplace(FNativeSrc);
    FDstTree.emplace(FNativeDst);

    FSink.ShowStatus(FTexts.AnalyzingSource);
    // The pairs whose contents CompareSourceFile will compare, told from the two look-ups.
    const auto contentWanted = [this](const TFileStat &file, const TFileStat &dst) {
        return FOptions.DupByContent && dst.IsRegular && dst.Size == file.Size && !dst.SameIdentity(file);
    };
    TTreeWalk(FOptions, FFilter, FTexts, FStop, FSink, FTexts.Analyzing, FProgress)
        .Walk(
            FOptions.srcPath, FOptions.dstPath, [this](const TWalkFile &f) { CompareSourceFile(f); }, contentWanted);

    FSink.ShowStatus(FTexts.Analyzing);
    TTreeWalk(FOptions, FFilter, FTexts, FStop, FSink, FTexts.Analyzing, FProgress)
        .Walk(FOptions.dstPath, FOptions.srcPath, [this](const TWalkFile &f) { CheckDestinationFile(f); });
    return {};
}

bool TScanRun::Crosses(TCounterpart &c, const QByteArray &root, const QByteArray &relative, const TOtherTree &walked)
{
    const auto known = c.Crossing.constFind(relative);
    if (known != c.Crossing.cend())
        return known.value();
    bool crosses = false;
    if (!relative.isEmpty()) {
        // The folder holding it first: below a folder that crosses, everything does.
        const qsizetype slash = relative.first(relative.size() - 1).lastIndexOf('/');
        crosses = Crosses(c, root, relative.first(slash + 1), walked);
        if (!crosses) {
            // The folder the handle points at is open already; a folder above it that held
            // no file was never pointed at and is opened here.
            const bool current = relative == c.Relative;
            TFolderHandle other;
            if (!current)
                other.Point(root, relative);
            const TFolderHandle &h = current ? c.Handle : other;
            const TFileStat folder = TFileStat::Entry(h.Fd(), "");
            TOtherTree::TPlace place = walked.ByIdentity(folder);
            // Reached from an outside parent by plain descent, a folder stays outside;
            // only a link or a mount can lead elsewhere.
            if (place == TOtherTree::opOutside && (folder.IsMountRoot || h.ThroughLink()))
                place = walked.Locate(h.Fd());
            crosses = place != TOtherTree::opOutside;
        }
    }
    c.Crossing.insert(relative, crosses);
    return crosses;
}

bool TScanRun::PointCounterpart(TCounterpart &c, const QByteArray &root, QByteArrayView relative,
                                const TOtherTree &walked, const QStringView walkedFolder)
{
    if (c.Pointed && relative == c.Relative)
        return c.Crosses;
    c.Pointed = true;
    c.Relative = relative.toByteArray();
    c.Handle.Point(root, relative);
    c.Crosses = Crosses(c, root, c.Relative, walked);
    if (c.Crosses)
        FSink.Skipped(walkedFolder.toString(), FTexts.CounterpartCrosses);
    return c.Crosses;
}

bool TScanRun::IsSameEntry(const TWalkFile &source) const
{
    // The same folder reached through a folder link: one directory entry seen twice.
    if (FDst.Handle.FolderStat().SameIdentity(source.FolderStat))
        return true;
    // One side a link to the other: deleting the "duplicate" target would delete the
    // only copy. Two hard links, or two links to a third file, are separate entries.
    const char *name = source.NativeName.data();
    return TFileStat::IsSymLinkAt(source.FolderFd, name) != FDst.Handle.IsSymLink(name);
}

TFinding TScanRun::Alone(TResultList list, const TWalkFile &file)
{
    TFinding finding;
    finding.List = list;
    finding.Path = file.FullPath;
    finding.Size = file.Stat.Size;
    finding.MTimeSec = file.Stat.MTimeSec;
    return finding;
}

void TScanRun::CompareSourceFile(const TWalkFile &file)
{
    const QStringView folder = QStringView(file.FullPath).first(file.FullPath.size() - file.Name.size());
    if (PointCounterpart(FDst, FNativeDst, file.RelativeNativeFolder, *FSrcTree, folder))
        return;
    const TFileStat dst = file.Counterpart ? *file.Counterpart : FDst.Handle.Stat(file.NativeName.data());
    const auto dstPath = [&]() -> QString { return FOptions.dstPath + file.RelativeFolder + file.Name; };
    if (!dst.Exists) {
        // A counterpart that is there but cannot be looked up is not missing. It is named
        // here, since the destination's own walk may leave it out by its size.
        if (dst.CannotLookUp())
            FSink.NotCompared(dstPath(), FTexts.Unreadable);
        else
            FSink.AddFinding(Alone(rlMissingInDestination, file));
        return;
    }
    if (dst.IsSpecial() || dst.IsDir) {
        ReportClash(file.FullPath, dstPath(), dst);
        return;
    }
    if (dst.SameIdentity(file.Stat) && IsSameEntry(file)) {
        // One file reached from both trees: neither side may be acted on as a copy.
        FSink.Skipped(file.FullPath, FTexts.SecondRoute.arg(dstPath()));
        return;
    }

    const qint64 dstSize = dst.Size;
    const qint32 delta =
        TPairJudge::AdjustedSecondsDiff(file.Stat.MTimeSec, dst.MTimeSec, FOptions.srcTimeZ, FOptions.dstTimeZ);
    TContentComparer::TResult content = TContentComparer::crDifferent;
    TScanProgress::Add(FProgress.Pairs);
    const auto verdict =
        TPairJudge::Judge(file.Stat.Size, dstSize, delta, FOptions.MrgErrSec, FOptions.DupByContent, [&] {
            // Two names of one file (hard links) hold the same bytes: nothing to read.
            if (dst.SameIdentity(file.Stat))
                content = TContentComparer::crSame;
            else {
                content = file.Content();
                TScanProgress::Add(FProgress.Bytes, file.Stat.Size);
            }
            return content == TContentComparer::crSame;
        });
    // A file that cannot be read cannot be judged by its content: listing the pair as a
    // conflict would invite replacing a good file.
    if (content == TContentComparer::crSourceUnreadable) {
        FSink.NotCompared(file.FullPath, FTexts.Unreadable);
        return;
    }
    if (content == TContentComparer::crDestinationUnreadable) {
        FSink.NotCompared(dstPath(), FTexts.Unreadable);
        return;
    }

    // Each side's finding carries the other side's figures and the difference from its own side.
    TFinding source;
    source.Path = file.FullPath;
    source.Size = file.Stat.Size;
    source.MTimeSec = file.Stat.MTimeSec;
    source.HasCounterpart = true;
    source.CounterpartPath = dstPath();
    source.CounterpartSize = dstSize;
    source.CounterpartMTimeSec = dst.MTimeSec;
    source.Difference = delta;
    TFinding destination;
    destination.Path = source.CounterpartPath;
    destination.Size = dstSize;
    destination.MTimeSec = dst.MTimeSec;
    destination.HasCounterpart = true;
    destination.CounterpartPath = file.FullPath;
    destination.CounterpartSize = file.Stat.Size;
    destination.CounterpartMTimeSec = file.Stat.MTimeSec;
    destination.Difference = -qint64(delta);

    const auto deliver = [this](TFinding &finding, TResultList list) {
        finding.List = list;
        FSink.AddFinding(finding);
    };
    switch (verdict) {
    case TPairJudge::vdSourceNewer:
        deliver(source, rlNewerInSource);
        break;
    case TPairJudge::vdDestinationNewer:
        deliver(destination, rlNewerInDestination);
        break;
    case TPairJudge::vdDuplicate:
        deliver(source, rlDuplicatesInSource);
        deliver(destination, rlDuplicatesInDestination);
        break;
    case TPairJudge::vdConflict:
        deliver(source, rlConflictsInSource);
        deliver(destination, rlConflictsInDestination);
        break;
    }
}

void TScanRun::CheckDestinationFile(const TWalkFile &file)
{
    const QStringView folder = QStringView(file.FullPath).first(file.FullPath.size() - file.Name.size());
    if (PointCounterpart(FSrc, FNativeSrc, file.RelativeNativeFolder, *FDstTree, folder))
        return;
    const TFileStat src = file.Counterpart ? *file.Counterpart : FSrc.Handle.Stat(file.NativeName.data());
    const auto srcPath = [&]() -> QString { return FOptions.srcPath + file.RelativeFolder + file.Name; };
    if (!src.Exists) {
        // A counterpart that is there but cannot be looked up is not missing.
        if (src.CannotLookUp())
            FSink.NotCompared(srcPath(), FTexts.Unreadable);
        else
            FSink.AddFinding(Alone(rlMissingInSource, file));
    } else if (src.IsSpecial() || src.IsDir)
        ReportClash(file.FullPath, srcPath(), src);
}

void TScanRun::ReportClash(const QString &path, const QString &counterpartPath, const TFileStat &counterpart)
{
    if (counterpart.IsSpecial()) {
        FSink.NotCompared(path, FTexts.SpecialCounterpart);
        return;
    }
    // A file against a folder is no pair: copying either over the other cannot work.
    FSink.NotCompared(path, FTexts.CounterpartIsFolder);
    FSink.NotCompared(counterpartPath + u'/', FTexts.CounterpartIsFile);
}
