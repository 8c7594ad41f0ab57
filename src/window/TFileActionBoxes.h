#pragma once

#include "window/TFileActionDialogs.h"

#include <QPointer>
#include <QProgressDialog>
#include <QWidget>

#include <memory>

// The action dialogs as application-modal message boxes and a progress dialog. They stand
// in for what a desktop's own file manager shows, so their texts live here, together,
// rather than in the language files.
class TFileActionBoxes final : public TFileActionDialogs
{
public:
    explicit TFileActionBoxes(QWidget *parent) : FParent(parent) {}
    ~TFileActionBoxes() override;

    bool ConfirmTrash(const QStringList &paths) override;
    TErrorChoice FileError(TBatchKind kind, const QString &path, const QString &message) override;
    TTrashChoice TrashRefused(const QString &path) override;
    void BeginProgress(TBatchKind kind, int files, qint64 bytes, std::atomic<bool> *cancel) override;
    void ShowProgress(const QString &current, int filesDone, qint64 bytesDone) override;
    void EndProgress() override;

    // Texts, kept in one place.
    static QString ConfirmTrashText(const QStringList &paths);
    static QString TrashRefusedText(const QString &path);
    static QString FileErrorText(TBatchKind kind, const QString &path, const QString &message);

private:
    QPointer<QWidget> FParent;
    std::unique_ptr<QProgressDialog> FProgress;
    TBatchKind FKind = bkCopy;
    int FFiles = 0;
    qint64 FBytes = 0;
};
