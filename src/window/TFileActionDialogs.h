#pragma once

#include <QString>
#include <QStringList>

#include <atomic>

// The dialogs of the copy, update and delete actions: the confirmation before files go
// to the trash, the progress of a batch with its Cancel button, the question after a
// file failed and the question before a file is deleted for good. The program's own
// implementation is TFileActionBoxes; tests answer them with a script.
class TFileActionDialogs
{
public:
    enum TErrorChoice { ecRetry, ecSkip, ecCancel };
    enum TTrashChoice { tcYes, tcYesToAll, tcNo, tcCancel };
    enum TBatchKind { bkCopy, bkTrash };

    virtual ~TFileActionDialogs() = default;

    // Yes or No before anything is moved to the trash.
    virtual bool ConfirmTrash(const QStringList &paths) = 0;
    // A file could not be copied or deleted: try it again, leave it, or end the batch.
    virtual TErrorChoice FileError(TBatchKind kind, const QString &path, const QString &message) = 0;
    // The file's volume has no trash.
    virtual TTrashChoice TrashRefused(const QString &path) = 0;

    // A batch begins; setting *cancel asks it to stop after the file in hand.
    virtual void BeginProgress(TBatchKind kind, int files, qint64 bytes, std::atomic<bool> *cancel) = 0;
    virtual void ShowProgress(const QString &current, int filesDone, qint64 bytesDone) = 0;
    virtual void EndProgress() = 0;
};
