#pragma once

#include "platform/TFileOperations.h"
#include <QList>

#include <QString>
#include <QStringList>

#include <atomic>

// The dialogs of the copy, update and delete actions: the confirmation before files go
// to the trash, the progress of a batch with its Cancel button, the question after a
// file failed, the question before a file is deleted for good, the report of skipped
// files and of what copies could not keep, the question when a replaced file cannot be
// kept in the trash, and the question when the window is closed during a batch. The program's own
// implementation is TFileActionBoxes; tests answer them with a script.
class TFileActionDialogs
{
public:
    enum TErrorChoice { ecRetry, ecSkip, ecSkipAll, ecCancel };
    enum TTrashChoice { tcYes, tcYesToAll, tcNo, tcCancel };
    enum TBatchKind { bkCopy, bkTrash };
    enum TKeepChoice { kcReplace, kcSkip, kcCancel };

    virtual ~TFileActionDialogs() = default;

    // Yes or No before anything is moved to the trash.
    virtual bool ConfirmTrash(const QStringList &paths) = 0;
    // A file could not be copied or deleted, for the reason given: try it again, leave it
    // (or every further failing file of the batch), or end the batch.
    virtual TErrorChoice FileError(TBatchKind kind, const QString &path, const TFileOpResult &reason) = 0;
    // The file's volume has no trash.
    virtual TTrashChoice TrashRefused(const QString &path) = 0;
    // A copy would replace a file that cannot be kept in the trash (its volume has none):
    // replace it without keeping it, leave it, or end the batch. Asked once a batch; the
    // answer holds for every such file of the batch.
    virtual TKeepChoice ReplaceWithoutKeeping(const QString &path) = 0;
    // After a batch in which the user chose to skip every failing file: which were left.
    virtual void SkippedFiles(TBatchKind kind, const QStringList &paths) = 0;
    // After a copy that could not keep everything about some files (their owner on a FAT
    // volume, say): files[k] counts the copied files that lost TFileOpResult::TUnkept
    // 1 << k. The files themselves were copied.
    virtual void NotKept(const QList<int> &files) { Q_UNUSED(files) }
    // The window is being closed while a batch runs: true cancels the batch and closes.
    virtual bool ConfirmCloseDuringBatch() = 0;

    // A batch begins; setting *cancel asks it to stop after the file in hand. A question
    // that is open when the batch is cancelled is answered with Cancel.
    virtual void BeginProgress(TBatchKind kind, int files, qint64 bytes, std::atomic<bool> *cancel) = 0;
    virtual void ShowProgress(const QString &current, int filesDone, qint64 bytesDone) = 0;
    // The batch was cancelled from outside its progress dialog.
    virtual void CancelRequested() {}
    virtual void EndProgress() = 0;
};
