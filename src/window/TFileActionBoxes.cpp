#include "window/TFileActionBoxes.h"

#include <QApplication>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

QString Title(QWidget *parent)
{
    if (parent && !parent->window()->windowTitle().isEmpty())
        return parent->window()->windowTitle();
    return QApplication::applicationDisplayName();
}

} // namespace

TFileActionBoxes::~TFileActionBoxes() = default;

QString TFileActionBoxes::ConfirmTrashText(const QStringList &paths)
{
    if (paths.size() == 1)
        return u"Move \"%1\" to the trash?"_s.arg(QFileInfo(paths.first()).fileName());
    return u"Move %1 files to the trash?"_s.arg(QLocale().toString(paths.size()));
}

QString TFileActionBoxes::TrashRefusedText(const QString &path)
{
    return u"This file cannot be moved to the trash. Delete it permanently?\n\n%1"_s.arg(path);
}

QString TFileActionBoxes::FileErrorText(TBatchKind kind, const QString &path, const QString &message)
{
    const QString what = kind == bkCopy ? u"The file could not be copied."_s : u"The file could not be deleted."_s;
    return u"%1\n\n%2\n\n%3"_s.arg(what, path, message);
}

bool TFileActionBoxes::ConfirmTrash(const QStringList &paths)
{
    QMessageBox box(QMessageBox::Question, Title(FParent), ConfirmTrashText(paths),
                    QMessageBox::Yes | QMessageBox::No, FParent);
    box.setWindowModality(Qt::ApplicationModal);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

TFileActionDialogs::TErrorChoice TFileActionBoxes::FileError(TBatchKind kind, const QString &path,
                                                             const QString &message)
{
    QMessageBox box(QMessageBox::Critical, Title(FParent), FileErrorText(kind, path, message),
                    QMessageBox::NoButton, FParent);
    box.setWindowModality(Qt::ApplicationModal);
    QPushButton *retry = box.addButton(u"&Retry"_s, QMessageBox::AcceptRole);
    QPushButton *skip = box.addButton(u"&Skip"_s, QMessageBox::ActionRole);
    QPushButton *cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(retry);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == retry)
        return ecRetry;
    if (box.clickedButton() == skip)
        return ecSkip;
    return ecCancel;
}

TFileActionDialogs::TTrashChoice TFileActionBoxes::TrashRefused(const QString &path)
{
    QMessageBox box(QMessageBox::Warning, Title(FParent), TrashRefusedText(path),
                    QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::Cancel, FParent);
    box.setWindowModality(Qt::ApplicationModal);
    box.setDefaultButton(QMessageBox::No);
    switch (box.exec()) {
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

void TFileActionBoxes::BeginProgress(TBatchKind kind, int files, qint64 bytes, std::atomic<bool> *cancel)
{
    FKind = kind;
    FFiles = files;
    FBytes = bytes;
    FProgress = std::make_unique<QProgressDialog>(FParent);
    FProgress->setWindowTitle(kind == bkCopy ? u"Copying files"_s : u"Moving files to the trash"_s);
    FProgress->setWindowModality(Qt::ApplicationModal);
    FProgress->setAutoClose(false);
    FProgress->setAutoReset(false);
    FProgress->setRange(0, 1000);
    FProgress->setMinimumWidth(420);
    // Short batches finish before anybody could read the dialog.
    FProgress->setMinimumDuration(400);
    FProgress->setValue(0);
    QObject::connect(FProgress.get(), &QProgressDialog::canceled, FProgress.get(), [cancel] { cancel->store(true); });
}

void TFileActionBoxes::ShowProgress(const QString &current, int filesDone, qint64 bytesDone)
{
    if (!FProgress)
        return;
    const QLocale locale;
    QString label = QFileInfo(current).fileName() + u'\n'
                    + u"File %1 of %2"_s.arg(locale.toString(qMin(filesDone + 1, FFiles)), locale.toString(FFiles));
    double done = FFiles > 0 ? double(filesDone) / FFiles : 1.0;
    if (FKind == bkCopy && FBytes > 0) {
        label += u", %1 of %2"_s.arg(locale.formattedDataSize(bytesDone), locale.formattedDataSize(FBytes));
        done = double(bytesDone) / double(FBytes);
    }
    FProgress->setLabelText(label);
    FProgress->setValue(int(qBound(0.0, done, 1.0) * 1000));
}

void TFileActionBoxes::EndProgress()
{
    FProgress.reset();
}
