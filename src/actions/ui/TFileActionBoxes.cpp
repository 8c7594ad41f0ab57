#include "actions/ui/TFileActionBoxes.h"

#include "platform/TFileOperations.h"
#include "support/TLanguageTable.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

QString Title(QWidget *parent)
{
    if (parent && !parent->window()->windowTitle().isEmpty())
        return parent->window()->windowTitle();
    return QApplication::applicationDisplayName();
}

// The progress of a batch. Escape asks for Cancel like its button does; a close request is
// the window's business (it asks whether to cancel and close). It stays open until the
// batch ends.
class TBatchProgressDialog final : public QProgressDialog
{
public:
    explicit TBatchProgressDialog(QWidget *parent)
        : QProgressDialog(parent)
    {
        // The dialog's own cancel() would hide it and reset the bar.
        QObject::disconnect(this, SIGNAL(canceled()), this, SLOT(cancel()));
    }

protected:
    void reject() override {}
    void closeEvent(QCloseEvent *event) override { event->ignore(); }
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() == Qt::Key_Escape) {
            Q_EMIT canceled();
            return;
        }
        QProgressDialog::keyPressEvent(event);
    }
};

} // namespace

TFileActionBoxes::TFileActionBoxes(QWidget *parent, TTextSource texts)
    : FParent(parent)
    , FTexts(std::move(texts))
{
    if (!FTexts) {
        FTexts = [english = TLanguageTable::BuiltInEnglish()](TTextLine line) { return english.text(line); };
    }
}

TFileActionBoxes::~TFileActionBoxes() = default;

QString TFileActionBoxes::ConfirmTrashText(const QStringList &paths) const
{
    if (paths.size() == 1)
        return Text(tlConfirmTrashOne).arg(QFileInfo(paths.first()).fileName());
    return Text(tlConfirmTrashMany).arg(QLocale().toString(paths.size()));
}

QString TFileActionBoxes::TrashRefusedText(const QString &path) const
{
    return Text(tlTrashRefused) + u"\n\n"_s + path;
}

QString TFileActionBoxes::FileErrorText(TBatchKind kind, const QString &path, const TFileOpResult &reason) const
{
    const QString what = Text(kind == bkCopy ? tlCopyFailed : tlDeleteFailed);
    return what + u"\n\n"_s + path + u"\n\n"_s + ReasonText(reason);
}

QString TFileActionBoxes::ReasonText(const TFileOpResult &reason) const
{
    const QString &path = reason.Path;
    switch (reason.Reason) {
    case TFileOpResult::rsNone:
        break;
    case TFileOpResult::rsSystem:
        return Text(tlReasonSystem).arg(path, SystemErrorText(reason.Error));
    case TFileOpResult::rsNotRegularFile:
        return Text(tlReasonNotRegularFile).arg(path);
    case TFileOpResult::rsNotFileName:
        return Text(tlReasonNotFileName).arg(path);
    case TFileOpResult::rsFolderNotCreated:
        return Text(tlReasonFolderNotCreated).arg(path, SystemErrorText(reason.Error));
    case TFileOpResult::rsFolderInTheWay:
        return Text(tlReasonFolderInTheWay).arg(path);
    case TFileOpResult::rsSameFile:
        return Text(tlReasonSameFile).arg(path);
    case TFileOpResult::rsNotWritten:
        return Text(tlReasonNotWritten).arg(path);
    case TFileOpResult::rsPathTooLongForTrash:
        return Text(tlReasonPathTooLongForTrash).arg(path);
    case TFileOpResult::rsTrashFailed:
        return Text(tlReasonTrashFailed).arg(path, SystemErrorText(reason.Error));
    case TFileOpResult::rsNameNotHeld:
        return Text(tlReasonNameNotHeld).arg(path);
    case TFileOpResult::rsFolderNameNotHeld:
        return Text(tlReasonFolderNameNotHeld).arg(path);
    case TFileOpResult::rsCaseTwin:
        return Text(tlReasonCaseTwin).arg(path, reason.Other);
    case TFileOpResult::rsFolderMoved:
        return Text(tlReasonFolderMoved).arg(path);
    case TFileOpResult::rsFolderReplaced:
        return Text(tlReasonFolderReplaced).arg(path);
    case TFileOpResult::rsChangedWhileCopied:
        return Text(tlReasonChangedWhileCopied).arg(path);
    case TFileOpResult::rsTargetAppeared:
        return Text(tlReasonTargetAppeared).arg(path);
    case TFileOpResult::rsTargetChanged:
        return Text(tlReasonTargetChanged).arg(path);
    }
    return reason.Message;
}

QString TFileActionBoxes::SystemErrorText(int error) const
{
    switch (error) {
    case ENOSPC:
        return Text(tlErrNoSpace);
    case EACCES:
    case EPERM:
        return Text(tlErrAccess);
    case EROFS:
        return Text(tlErrReadOnly);
    case ENOENT:
        return Text(tlErrNotFound);
    case EDQUOT:
        return Text(tlErrQuota);
    case EIO:
        return Text(tlErrIo);
    case ENAMETOOLONG:
        return Text(tlErrNameTooLong);
    case EXDEV:
        return Text(tlErrCrossDevice);
    case ENOTDIR:
        return Text(tlErrNotFolder);
    case EISDIR:
        return Text(tlErrIsFolder);
    case EEXIST:
        return Text(tlErrExists);
    case EFBIG:
        return Text(tlErrTooLarge);
    case EBUSY:
    case ETXTBSY:
        return Text(tlErrBusy);
    case ELOOP:
        return Text(tlErrLoop);
    case EMFILE:
    case ENFILE:
        return Text(tlErrTooManyFiles);
    case EOPNOTSUPP:
    case ENOSYS:
        return Text(tlErrNotSupported);
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

QString TFileActionBoxes::SkippedText(TBatchKind, const QStringList &paths) const
{
    constexpr int shown = 5;
    QString text =
        paths.size() == 1 ? Text(tlOneFileSkipped) : Text(tlFilesSkipped).arg(QLocale().toString(paths.size()));
    for (const QString &path : paths.first(qMin(shown, int(paths.size()))))
        text += u'\n' + path;
    if (paths.size() > shown)
        text += u"\n…"_s;
    return text;
}

QString TFileActionBoxes::NotKeptText(const QList<int> &files) const
{
    // In the order of TFileOpResult::TUnkept.
    static constexpr TTextLine kinds[TFileOpResult::UnkeptKinds] = {tlOwnerNotKept, tlPermissionsNotKept,
                                                                    tlTimesNotKept, tlAclsNotKept, tlAttributesNotKept};
    QString text = Text(tlNotKeptHeading);
    for (int k = 0; k < TFileOpResult::UnkeptKinds && k < files.size(); ++k) {
        if (files.at(k) > 0)
            text += u'\n' + Text(kinds[k]).arg(QLocale().toString(files.at(k)));
    }
    return text;
}

QString TFileActionBoxes::CloseDuringBatchText() const
{
    return Text(tlCloseDuringBatch);
}

QString TFileActionBoxes::ProgressTitle(TBatchKind kind) const
{
    return Text(kind == bkCopy ? tlCopyingFiles : tlTrashingFiles);
}

QString TFileActionBoxes::ProgressText(const QString &current, int filesDone, qint64 bytesDone) const
{
    const QLocale locale;
    QString label = QFileInfo(current).fileName() + u'\n'
                    + Text(tlFileOfFiles).arg(locale.toString(qMin(filesDone + 1, FFiles)), locale.toString(FFiles));
    if (FKind == bkCopy && FBytes > 0)
        label +=
            u", "_s + Text(tlBytesOfBytes).arg(locale.formattedDataSize(bytesDone), locale.formattedDataSize(FBytes));
    return label;
}

QWidget *TFileActionBoxes::QuestionParent() const
{
    if (FProgress) {
        // The question belongs to the batch: it opens above the progress dialog.
        if (!FProgress->isVisible())
            FProgress->show();
        return FProgress.get();
    }
    return FParent;
}

bool TFileActionBoxes::ConfirmTrash(const QStringList &paths)
{
    QMessageBox box(QMessageBox::Question, Title(FParent), ConfirmTrashText(paths), QMessageBox::Yes | QMessageBox::No,
                    FParent);
    box.setWindowModality(Qt::ApplicationModal);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QAbstractButton *TFileActionBoxes::AskInBatch(QMessageBox &box)
{
    if (FCancel && FCancel->load())
        return nullptr;
    if (!FProgress) {
        box.setWindowModality(Qt::ApplicationModal);
        box.exec();
        return box.clickedButton();
    }
    // Not modal itself: the window takes no input during a batch anyway, and the progress
    // dialog's Cancel stays usable while the question is open.
    box.setWindowModality(Qt::NonModal);
    QEventLoop loop;
    QObject::connect(&box, &QDialog::finished, &loop, &QEventLoop::quit);
    FQuestion = &box;
    box.show();
    box.raise();
    box.activateWindow();
    loop.exec();
    FQuestion.clear();
    if (FCancel && FCancel->load())
        return nullptr;
    return box.clickedButton();
}

TFileActionDialogs::TErrorChoice TFileActionBoxes::FileError(TBatchKind kind, const QString &path,
                                                             const TFileOpResult &reason)
{
    QMessageBox box(QMessageBox::Critical, Title(FParent), FileErrorText(kind, path, reason), QMessageBox::NoButton,
                    QuestionParent());
    QPushButton *retry = box.addButton(Text(tlRetryButton), QMessageBox::AcceptRole);
    QPushButton *skip = box.addButton(Text(tlSkipButton), QMessageBox::ActionRole);
    QPushButton *skipAll = box.addButton(Text(tlSkipAllButton), QMessageBox::ActionRole);
    QPushButton *cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(retry);
    box.setEscapeButton(cancel);
    QAbstractButton *clicked = AskInBatch(box);
    if (clicked == retry)
        return ecRetry;
    if (clicked == skip)
        return ecSkip;
    if (clicked == skipAll)
        return ecSkipAll;
    return ecCancel;
}

TFileActionDialogs::TTrashChoice TFileActionBoxes::TrashRefused(const QString &path)
{
    QMessageBox box(QMessageBox::Warning, Title(FParent), TrashRefusedText(path),
                    QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::Cancel, QuestionParent());
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::Cancel);
    QAbstractButton *clicked = AskInBatch(box);
    switch (clicked ? box.standardButton(clicked) : QMessageBox::Cancel) {
    case QMessageBox::Yes:
        return tcYes;
    case QMessageBox::YesToAll:
        return tcYesToAll;
    case QMessageBox::No:
        return tcNo;
    default:
        return tcCancel;
    }
}

TFileActionDialogs::TKeepChoice TFileActionBoxes::ReplaceWithoutKeeping(const QString &path)
{
    QMessageBox box(QMessageBox::Warning, Title(FParent), Text(tlKeepRefused) + u"\n\n"_s + path, QMessageBox::NoButton,
                    QuestionParent());
    QPushButton *replace = box.addButton(Text(tlReplaceWithoutKeeping), QMessageBox::AcceptRole);
    QPushButton *skip = box.addButton(Text(tlSkipReplacing), QMessageBox::ActionRole);
    QPushButton *cancel = box.addButton(QMessageBox::Cancel);
    // Nothing is lost without a deliberate choice.
    box.setDefaultButton(skip);
    box.setEscapeButton(cancel);
    QAbstractButton *clicked = AskInBatch(box);
    if (clicked == replace)
        return kcReplace;
    if (clicked == skip)
        return kcSkip;
    return kcCancel;
}

void TFileActionBoxes::SkippedFiles(TBatchKind kind, const QStringList &paths)
{
    QMessageBox box(QMessageBox::Warning, Title(FParent), SkippedText(kind, paths), QMessageBox::Ok, FParent);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

void TFileActionBoxes::NotKept(const QList<int> &files)
{
    QMessageBox box(QMessageBox::Information, Title(FParent), NotKeptText(files), QMessageBox::Ok, FParent);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

bool TFileActionBoxes::ConfirmCloseDuringBatch()
{
    // Above the batch's dialogs: a child of the question they have open, else of the
    // progress dialog, so that the window system keeps it on top of both.
    QWidget *parent = FQuestion && FQuestion->isVisible() ? FQuestion.data() : QuestionParent();
    QMessageBox box(QMessageBox::Question, Title(FParent), CloseDuringBatchText(), QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setWindowModality(Qt::ApplicationModal);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void TFileActionBoxes::BeginProgress(TBatchKind kind, int files, qint64 bytes, std::atomic<bool> *cancel)
{
    FKind = kind;
    FFiles = files;
    FBytes = bytes;
    FCancel = cancel;
    FProgress = std::make_unique<TBatchProgressDialog>(FParent);
    FProgress->setWindowTitle(ProgressTitle(kind));
    // Not modal: a modal dialog would keep the window system's close button of the window
    // from reaching it, and a close must ask. The window takes no other input meanwhile
    // (the actions see to that), and the dialog, its child, stays above it.
    FProgress->setWindowModality(Qt::NonModal);
    FProgress->setAutoClose(false);
    FProgress->setAutoReset(false);
    FProgress->setRange(0, 1000);
    FProgress->setMinimumWidth(420);
    // Short batches finish before anybody could read the dialog.
    FProgress->setMinimumDuration(400);
    FProgress->setLabelText(FProgress->windowTitle() + u"…"_s);
    FProgress->setValue(0);
    QObject::connect(FProgress.get(), &QProgressDialog::canceled, FProgress.get(), [this] { CancelRequested(); });
}

void TFileActionBoxes::CancelRequested()
{
    if (FCancel)
        FCancel->store(true);
    if (FProgress) {
        FProgress->setLabelText(Text(tlCancelling));
        if (QPushButton *button = FProgress->findChild<QPushButton *>())
            button->setEnabled(false);
    }
    if (FQuestion)
        FQuestion->reject();
}

void TFileActionBoxes::ShowProgress(const QString &current, int filesDone, qint64 bytesDone)
{
    if (!FProgress || (FCancel && FCancel->load()))
        return;
    double done = FFiles > 0 ? double(filesDone) / FFiles : 1.0;
    if (FKind == bkCopy && FBytes > 0)
        done = double(bytesDone) / double(FBytes);
    FProgress->setLabelText(ProgressText(current, filesDone, bytesDone));
    FProgress->setValue(int(qBound(0.0, done, 1.0) * 1000));
}

void TFileActionBoxes::EndProgress()
{
    FProgress.reset();
    FCancel = nullptr;
}
