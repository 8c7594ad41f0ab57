#pragma once

#include "engine/TFileFilter.h"
#include "engine/TReportOnce.h"
#include "engine/TScanOptions.h"
#include "engine/TScanProgress.h"
#include "engine/TScanSink.h"
#include "engine/TScanTexts.h"
#include "engine/TTreeWalk.h"
#include "platform/TFolderHandle.h"
#include "platform/TOtherTree.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <atomic>
#include <optional>

// The body of one run: the root checks, then the source pass, which pairs every
// source file with the file of the same relative path under the destination root
// and sorts it into the lists, then the destination pass, which lists destination
// files that have no source counterpart. Everything is reported through the sink,
// in the order it happens; what is left out is reported as not compared.
class TScanRun
{
public:
    // progress, when given, is counted as the run goes (see TScanProgress).
    TScanRun(const TScanOptions &options, const TScanTexts &texts, TScanSink &sink, const std::atomic<bool> &stop,
             TScanProgress *progress = nullptr);

    // Runs to the end, or until a stop request is seen before the next folder or entry.
    // Returns the failed check's text, or an empty string.
    QString Execute();

    void CompareSourceFile(const TWalkFile &file);
    void CheckDestinationFile(const TWalkFile &file);

private:
    // The counterpart folder of the folder being walked, open for the names in it, and
    // what is known of the counterpart folders met so far: whether each leads back into
    // the tree being walked (through a link or a mount on the other side).
    struct TCounterpart
    {
        TFolderHandle Handle;
        QByteArray Relative;
        bool Pointed = false;
        bool Crosses = false;
        QHash<QByteArray, bool> Crossing; // relative folder -> leads into the walked tree
    };

    // Points c at root + relative; true when that folder lies in the walked tree or holds it.
    bool PointCounterpart(TCounterpart &c, const QByteArray &root, QByteArrayView relative, const TOtherTree &walked,
                          const QStringView walkedFolder);
    bool Crosses(TCounterpart &c, const QByteArray &root, const QByteArray &relative, const TOtherTree &walked);
    bool IsSameEntry(const TWalkFile &source) const;
    // Reports a file whose counterpart is a folder or a special file, which makes no pair.
    void ReportClash(const QString &path, const QString &counterpartPath, const TFileStat &counterpart);
    // The finding of a file without a counterpart.
    static TFinding Alone(TResultList list, const TWalkFile &file);

    const TScanOptions &FOptions;
    const TScanTexts &FTexts;
    TReportOnce FOnce; // the caller's sink
    TScanSink &FSink;
    const std::atomic<bool> &FStop;
    TScanProgress FOwnProgress; // counted when the caller has no use for the counts
    TScanProgress &FProgress;
    TFileFilter FFilter;
    QByteArray FNativeSrc;
    QByteArray FNativeDst;
    std::optional<TOtherTree> FSrcTree;
    std::optional<TOtherTree> FDstTree;
    // Under the destination root in the source pass, under the source root in the other.
    TCounterpart FDst;
    TCounterpart FSrc;
};
