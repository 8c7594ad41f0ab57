#include "engine/TScanRun.h"

#include "engine/TContentComparer.h"
#include "engine/TPairJudge.h"
#include "engine/TRootChecks.h"
#include "platform/TNativeName.h"

TScanRun::TScanRun(const TScanOptions &options, const TScanTexts &texts, TScanSink &sink,
                   const std::atomic<bool> &stop)
    : FOptions(options)
    , FTexts(texts)
    , FSink(sink)
    , FStop(stop)
    , FFilter(options)
    , FNativeSrc(TNativeName::Encode(options.srcPath))
    , FNativeDst(TNativeName::Encode(options.dstPath))
{
}

QString TScanRun::Execute()
{
    FSink.ShowStatus(FTexts.Working);
    const QString error = TRootChecks::Check(FOptions, FTexts);
    if (!error.isEmpty())
        return error;

    FSink.ShowStatus(FTexts.AnalyzingSource);
    TTreeWalk(FOptions, FFilter, FStop, FSink, FTexts.Analyzing)
        .Walk(FOptions.srcPath, [this](const TWalkFile &f) { CompareSourceFile(f); });

    FSink.ShowStatus(FTexts.Analyzing);
    TTreeWalk(FOptions, FFilter, FStop, FSink, FTexts.Analyzing)
        .Walk(FOptions.dstPath, [this](const TWalkFile &f) { CheckDestinationFile(f); });
    return {};
}

bool TScanRun::IsSameEntry(const TWalkFile &source, const QByteArray &destination) const
{
    // The same folder reached through a folder link: one directory entry seen twice.
    const QByteArray dstFolder = FNativeDst + source.RelativeNativeFolder;
    if (TFileStat::Of(dstFolder).SameIdentity(source.FolderStat))
        return true;
    // One side a link to the other: deleting the "duplicate" target would delete the
    // only copy. Two hard links, or two links to a third file, are separate entries.
    return TFileStat::IsSymLink(source.NativePath) != TFileStat::IsSymLink(destination);
}

void TScanRun::CompareSourceFile(const TWalkFile &file)
{
    FDstFolder.Point(FNativeDst, file.RelativeNativeFolder);
    const TFileStat dst = FDstFolder.Stat(file.NativeName.data());
    if (!dst.Exists) {
        FSink.AddToList(1, file.FullPath);
        return;
    }
    const QByteArray nativeDst = FNativeDst + file.RelativeNativeFolder + file.NativeName;
    if (dst.SameIdentity(file.Stat) && IsSameEntry(file, nativeDst))
        return;

    // A folder found as the counterpart takes part with size 0 and its own time.
    const qint64 dstSize = dst.IsDir ? 0 : dst.Size;
    const qint32 delta = TPairJudge::AdjustedSecondsDiff(file.Stat.MTimeSec, dst.MTimeSec,
                                                         FOptions.srcTimeZ, FOptions.dstTimeZ);
    const auto verdict = TPairJudge::Judge(file.Stat.Size, dstSize, delta, FOptions.MrgErrSec,
                                           FOptions.DupByContent, [&] {
        return dst.IsRegular && TContentComparer::SameContent(file.NativePath, nativeDst);
    });

    const QString dstPath = FOptions.dstPath + file.RelativeFolder + file.Name;
    switch (verdict) {
    case TPairJudge::vdSourceNewer:
        FSink.AddToList(3, file.FullPath);
        break;
    case TPairJudge::vdDestinationNewer:
        FSink.AddToList(4, dstPath);
        break;
    case TPairJudge::vdDuplicate:
        FSink.AddToList(5, file.FullPath);
        FSink.AddToList(6, dstPath);
        break;
    case TPairJudge::vdConflict:
        FSink.AddToList(7, file.FullPath);
        FSink.AddToList(8, dstPath);
        break;
    }
}

void TScanRun::CheckDestinationFile(const TWalkFile &file)
{
    FSrcFolder.Point(FNativeSrc, file.RelativeNativeFolder);
    if (!FSrcFolder.Stat(file.NativeName.data()).Exists)
        FSink.AddToList(2, file.FullPath);
}
