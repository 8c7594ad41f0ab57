#pragma once

#include "platform/TFileOperations.h"
#include "window/TFileActionDialogs.h"

#include <QList>
#include <QString>

// One batch of copies or moves to the trash, as an action hands it over. The files are
// handled one by one on a worker thread, so that the window keeps repainting behind the
// application-modal progress dialog; questions about single files are asked on the
// window's thread while the worker waits. Run() returns when the batch is over.
class TFileBatch
{
public:
    struct TItem
    {
        QString Source;
        QString Target; // copies only
    };
    enum TOutcome {
        boSucceeded, // every file was handled
        boFailed,    // at least one file was skipped or could not be handled
        boAborted,   // the user cancelled
    };

    TFileBatch(TFileOperations &operations, TFileActionDialogs &dialogs);

    // totalBytes: what the progress dialog counts towards for a copy.
    TOutcome Run(TFileActionDialogs::TBatchKind kind, const QList<TItem> &items, qint64 totalBytes);

private:
    TFileOperations &FOps;
    TFileActionDialogs &FDialogs;
};
