#pragma once

#include "engine/TFileFilter.h"
#include "engine/TScanOptions.h"
#include "engine/TScanSink.h"
#include "engine/TScanTexts.h"
#include "engine/TTreeWalk.h"
#include "platform/TFolderHandle.h"

#include <QByteArray>
#include <QString>

#include <atomic>

// The body of one run: the root checks, then the source pass, which pairs every
// source file with the file of the same relative path under the destination root
// and sorts it into the lists, then the destination pass, which lists destination
// files that have no source counterpart. Everything is reported through the sink,
// in the order it happens.
class TScanRun
{
public:
    TScanRun(const TScanOptions &options, const TScanTexts &texts, TScanSink &sink,
             const std::atomic<bool> &stop);

    // Runs to the end, or until a stop request is seen before the next folder or entry.
    // Returns the failed check's text, or an empty string.
    QString Execute();

    void CompareSourceFile(const TWalkFile &file);
    void CheckDestinationFile(const TWalkFile &file);

private:
    bool IsSameEntry(const TWalkFile &source, const QByteArray &destination) const;

    const TScanOptions &FOptions;
    const TScanTexts &FTexts;
    TScanSink &FSink;
    const std::atomic<bool> &FStop;
    TFileFilter FFilter;
    QByteArray FNativeSrc;
    QByteArray FNativeDst;
    // The counterpart folder of the folder being walked, open for the names in it: under
    // the destination root in the source pass, under the source root in the other.
    TFolderHandle FDstFolder;
    TFolderHandle FSrcFolder;
};
