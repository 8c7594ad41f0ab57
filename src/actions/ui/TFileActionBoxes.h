#pragma once

#include "actions/TFileActionDialogs.h"

#include <QPointer>
#include <QProgressDialog>
#include <QWidget>

#include <functional>
#include <memory>

class QAbstractButton;
class QMessageBox;

// The action dialogs as message boxes and a progress dialog. They stand in for what a
// desktop's own file manager shows, so their texts live here, together, rather than in
// the language files. During a batch the progress dialog is the application-modal one;
// each question opens as its child, above it and answerable, and Cancel on the progress
// dialog answers an open question with Cancel.
class TFileActionBoxes final : public TFileActionDialogs
{
public:
    // text: the line of the language in use (TTextLine); the built-in English lines when empty.
    explicit TFileActionBoxes(QWidget *parent, std::function<QString(int line)> text = {});
    ~TFileActionBoxes() override;

    bool ConfirmTrash(const QStringList &paths) override;
    TErrorChoice FileError(TBatchKind kind, const QString &path, const QString &message) override;
    TTrashChoice TrashRefused(const QString &path) override;
    TKeepChoice ReplaceWithoutKeeping(const QString &path) override;
    void SkippedFiles(TBatchKind kind, const QStringList &paths) override;
    bool ConfirmCloseDuringBatch() override;
    void BeginProgress(TBatchKind kind, int files, qint64 bytes, std::atomic<bool> *cancel) override;
    void ShowProgress(const QString &current, int filesDone, qint64 bytesDone) override;
    void CancelRequested() override;
    void EndProgress() override;

    // Texts, kept in one place.
    static QString ConfirmTrashText(const QStringList &paths);
    static QString TrashRefusedText(const QString &path);
    static QString FileErrorText(TBatchKind kind, const QString &path, const QString &message);
    static QString SkippedText(TBatchKind kind, const QStringList &paths);
    static QString CloseDuringBatchText();

private:
    // Shows a question of the batch and waits for its answer; nullptr: cancelled.
    QAbstractButton *AskInBatch(QMessageBox &box);
    QWidget *QuestionParent() const;

    QPointer<QWidget> FParent;
    std::function<QString(int line)> FText;
    std::unique_ptr<QProgressDialog> FProgress;
    QPointer<QMessageBox> FQuestion;
    std::atomic<bool> *FCancel = nullptr;
    TBatchKind FKind = bkCopy;
    int FFiles = 0;
    qint64 FBytes = 0;
};
