#pragma once

#include "actions/TFileActionDialogs.h"

#include <QSet>
#include <QString>

#include <cstdio>

// The batch's questions answered for a terminal, without asking anyone: a file that fails
// is named on stderr and left; a file whose volume has no trash is deleted for good, or
// replaced without keeping the old one, only when the command line allows it, and left
// otherwise. Progress is one line on stderr, rewritten in place, when stderr is a terminal.
class TTerminalDialogs final : public TFileActionDialogs
{
public:
    TTerminalDialogs(FILE *err, bool permanentWhenNoTrash, bool showProgress);

    bool ConfirmTrash(const QStringList &paths) override;
    TErrorChoice FileError(TBatchKind kind, const QString &path, const TFileOpResult &reason) override;
    TTrashChoice TrashRefused(const QString &path) override;
    TKeepChoice ReplaceWithoutKeeping(const QString &path) override;
    void SkippedFiles(TBatchKind kind, const QStringList &paths) override;
    void NotKept(const QList<int> &files) override;
    bool ConfirmCloseDuringBatch() override;

    void BeginProgress(TBatchKind kind, int files, qint64 bytes, std::atomic<bool> *cancel) override;
    void ShowProgress(const QString &current, int filesDone, qint64 bytesDone) override;
    void EndProgress() override;

    // Where the cancel flag of the running batch is published while it runs, so that a
    // signal handler can set it at once (a lock-free atomic store is safe there).
    void PublishCancel(std::atomic<std::atomic<bool> *> *slot) { FCancelSlot = slot; }

    // Files that failed (named as "failed:") during the batches so far.
    int FailedCount() const { return int(FFailed.size()); }
    // Whether the file was to be deleted for good, its volume having no trash.
    bool ForGood(const QString &path) const { return FForGood.contains(path); }

private:
    void Line(const QByteArray &text);
    void Name(const char *prefix, const QString &path, const QString &reason);

    std::atomic<std::atomic<bool> *> *FCancelSlot = nullptr;
    FILE *FErr;
    bool FPermanent;
    bool FShowProgress;
    bool FProgressShown = false;
    TBatchKind FKind = bkCopy;
    int FFiles = 0;
    qint64 FBytes = 0;
    QSet<QString> FFailed;
    QSet<QString> FForGood;
    QSet<QString> FNamed; // every path named on stderr, so that none is named twice
};
