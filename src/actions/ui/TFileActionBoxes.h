#pragma once

#include "actions/TFileActionDialogs.h"
#include "support/TTextLine.h"

#include <QPointer>
#include <QProgressDialog>
#include <QWidget>

#include <functional>
#include <memory>

class QAbstractButton;
class QMessageBox;

// The action dialogs as message boxes and a progress dialog, worded in the language in
// use: every text is a line read from the text source when the dialog opens, so a change
// of language reaches the next dialog. During a batch the progress dialog stands above the
// window (which takes no input meanwhile); each question opens as its child, above it and
// answerable, the question about closing above everything else, and Cancel on the progress
// dialog answers an open question with Cancel.
class TFileActionBoxes final : public TFileActionDialogs
{
public:
    // A line of the language in use.
    using TTextSource = std::function<QString(TTextLine)>;

    // Without a text source the built-in English texts serve.
    explicit TFileActionBoxes(QWidget *parent, TTextSource texts = {});
    ~TFileActionBoxes() override;

    bool ConfirmTrash(const QStringList &paths) override;
    TErrorChoice FileError(TBatchKind kind, const QString &path, const TFileOpResult &reason) override;
    TTrashChoice TrashRefused(const QString &path) override;
    TKeepChoice ReplaceWithoutKeeping(const QString &path) override;
    void SkippedFiles(TBatchKind kind, const QStringList &paths) override;
    void NotKept(const QList<int> &files) override;
    bool ConfirmCloseDuringBatch() override;
    void BeginProgress(TBatchKind kind, int files, qint64 bytes, std::atomic<bool> *cancel) override;
    void ShowProgress(const QString &current, int filesDone, qint64 bytesDone) override;
    void CancelRequested() override;
    void EndProgress() override;

    // The texts of the dialogs, kept in one place.
    QString ConfirmTrashText(const QStringList &paths) const;
    QString TrashRefusedText(const QString &path) const;
    QString FileErrorText(TBatchKind kind, const QString &path, const TFileOpResult &reason) const;
    // Why a file failed, in the language in use; a reason without a code as it came.
    QString ReasonText(const TFileOpResult &reason) const;
    // A system error number in the language in use; the system's own text for the rarer ones.
    QString SystemErrorText(int error) const;
    QString SkippedText(TBatchKind kind, const QStringList &paths) const;
    QString NotKeptText(const QList<int> &files) const;
    QString CloseDuringBatchText() const;
    QString ProgressTitle(TBatchKind kind) const;
    QString ProgressText(const QString &current, int filesDone, qint64 bytesDone) const;

private:
    // Shows a question of the batch and waits for its answer; nullptr: cancelled.
    QAbstractButton *AskInBatch(QMessageBox &box);
    QWidget *QuestionParent() const;

    QString Text(TTextLine line) const { return FTexts(line); }

    QPointer<QWidget> FParent;
    TTextSource FTexts;
    std::unique_ptr<QProgressDialog> FProgress;
    QPointer<QMessageBox> FQuestion;
    std::atomic<bool> *FCancel = nullptr;
    TBatchKind FKind = bkCopy;
    int FFiles = 0;
    qint64 FBytes = 0;
};
