#include "window/TListActions.h"

#include "platform/TSystemFileOperations.h"
#include "results/TJamFileList.h"
#include "window/TFileActionBoxes.h"
#include "window/TFileBatch.h"
#include "window/TfrmMain.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

namespace {

// The busy pointer for as long as an action runs, whatever way it ends.
class TBusyPointer
{
public:
    TBusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyPointer() { QApplication::restoreOverrideCursor(); }
    TBusyPointer(const TBusyPointer &) = delete;
    TBusyPointer &operator=(const TBusyPointer &) = delete;
};

} // namespace

// For as long as a batch runs: the busy pointer, no input to the window, and the close
// the user asked for meanwhile carried out at the end.
class TBatchGuard
{
public:
    TBatchGuard(TListActions &actions, TFileBatch &batch) : FActions(actions)
    {
        FActions.FBatch = &batch;
        qApp->installEventFilter(&FActions);
    }
    ~TBatchGuard()
    {
        qApp->removeEventFilter(&FActions);
        FActions.FBatch = nullptr;
        if (std::exchange(FActions.FCloseAfterBatch, false))
            QTimer::singleShot(0, &FActions.FWindow, &QWidget::close);
    }
    TBatchGuard(const TBatchGuard &) = delete;
    TBatchGuard &operator=(const TBatchGuard &) = delete;

private:
    TListActions &FActions;
    TBusyPointer FBusy;
};

namespace {

QString OtherSide(const QString &path, const QString &fromRoot, const QString &toRoot)
{
    return toRoot + QStringView(path).sliced(qMin(fromRoot.size(), path.size()));
}

} // namespace

TListActions::TListActions(TfrmMain &window)
    : QObject(&window)
    , FWindow(window)
    , FOwnOperations(std::make_unique<TSystemFileOperations>())
    , FOwnDialogs(std::make_unique<TFileActionBoxes>(&window))
    , FOperations(FOwnOperations.get())
    , FDialogs(FOwnDialogs.get())
{
    const auto wire = [this](QPushButton *button, void (TListActions::*handler)()) {
        if (button)
            connect(button, &QPushButton::clicked, this, handler);
    };
    wire(window.PngBitBtn9, &TListActions::PngBitBtn9Click);
    wire(window.PngBitBtn1, &TListActions::PngBitBtn1Click);
    wire(window.PngBitBtn2, &TListActions::PngBitBtn2Click);
    wire(window.PngBitBtn12, &TListActions::PngBitBtn12Click);
    wire(window.PngBitBtn6, &TListActions::PngBitBtn6Click);
    wire(window.PngBitBtn8, &TListActions::PngBitBtn8Click);
    wire(window.PngBitBtn14, &TListActions::PngBitBtn14Click);
    wire(window.PngBitBtn15, &TListActions::PngBitBtn15Click);
    wire(window.PngBitBtn3, &TListActions::PngBitBtn3Click);
    wire(window.PngBitBtn5, &TListActions::PngBitBtn5Click);
    wire(window.PngBitBtn11, &TListActions::PngBitBtn11Click);
    wire(window.PngBitBtn13, &TListActions::PngBitBtn13Click);
}

TListActions::~TListActions() = default;

bool TListActions::MayCloseWindow()
{
    if (!FBatch)
        return true;
    if (FDialogs->ConfirmCloseDuringBatch() && FBatch) {
        FCloseAfterBatch = true;
        FBatch->Cancel();
    }
    return false;
}

bool TListActions::eventFilter(QObject *watched, QEvent *event)
{
    // The batch's dialogs are windows of their own; the main window takes no input until
    // the batch is over, not even before the progress dialog appears.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Drop:
        if (auto *widget = qobject_cast<QWidget *>(watched); widget && widget->window() == &FWindow)
            return true;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void TListActions::SetFileOperations(TFileOperations *operations)
{
    FOperations = operations ? operations : FOwnOperations.get();
}

void TListActions::SetDialogs(TFileActionDialogs *dialogs)
{
    FDialogs = dialogs ? dialogs : FOwnDialogs.get();
}

void TListActions::CopyListedFiles(int actedList, int sameSideDuplicates, int otherSideDuplicates,
                                   const QString &fromRoot, const QString &toRoot)
{
    if (FBatch)
        return;
    TJamFileList *acted = FWindow.FileList(actedList);
    if (acted->TotalFileCount() == 0)
        return;
    const bool selectedOnly = acted->SelectedFileCount() > 0;
    const qint64 bytes = selectedOnly ? acted->SelectedFileSize() : acted->TotalFileSize();
    const QStringList rows = selectedOnly ? acted->SelectedPaths() : acted->Paths();
    if (rows.isEmpty())
        return;

    QList<TFileBatch::TItem> items;
    items.reserve(rows.size());
    for (const QString &path : rows)
        items.append({path, OtherSide(path, fromRoot, toRoot)});
    TFileBatch batch(*FOperations, *FDialogs);
    {
        TBatchGuard guard(*this, batch);
        batch.Run(TFileActionDialogs::bkCopy, items, bytes);
    }

    // Both sides of each copied file now hold equal files: the pair is a duplicate. One
    // pass over the acted list, whatever its size.
    QStringList copied;
    TJamFileList *same = FWindow.FileList(sameSideDuplicates);
    TJamFileList *other = FWindow.FileList(otherSideDuplicates);
    for (int i = 0; i < items.size(); ++i) {
        if (!batch.Done().value(i))
            continue;
        copied << items.at(i).Source;
        same->Add(items.at(i).Source);
        other->Add(items.at(i).Target);
    }
    acted->DeleteItems(copied);
    FWindow.JamFileListChange(actedList);
    FWindow.JamFileListChange(sameSideDuplicates);
    FWindow.JamFileListChange(otherSideDuplicates);
}

void TListActions::DeleteListedFiles(int actedList, int pairList, int missingList, const QString &ownRoot,
                                     const QString &otherRoot)
{
    if (FBatch)
        return;
    TJamFileList *acted = FWindow.FileList(actedList);
    if (acted->TotalFileCount() == 0)
        return;
    const bool selectedOnly = acted->SelectedFileCount() > 0;
    const QStringList rows = selectedOnly ? acted->SelectedPaths() : acted->Paths();
    if (rows.isEmpty())
        return;
    if (!FDialogs->ConfirmTrash(rows))
        return;

    QList<TFileBatch::TItem> items;
    items.reserve(rows.size());
    for (const QString &path : rows)
        items.append({path, QString()});
    TFileBatch batch(*FOperations, *FDialogs);
    {
        TBatchGuard guard(*this, batch);
        batch.Run(TFileActionDialogs::bkTrash, items, 0);
    }
    QStringList removed;
    for (int i = 0; i < rows.size(); ++i) {
        if (batch.Done().value(i))
            removed << rows.at(i);
    }

    if (!removed.isEmpty()) {
        acted->DeleteItems(removed);
        // The other half of a pair has lost its counterpart: it is now a missing file.
        TJamFileList *pairs = FWindow.FileList(pairList);
        QStringList orphans;
        for (const QString &path : std::as_const(removed)) {
            const QString counterpart = OtherSide(path, ownRoot, otherRoot);
            if (pairs->IsItemInList(counterpart))
                orphans.append(counterpart);
        }
        pairs->DeleteItems(orphans);
        if (missingList > 0) {
            TJamFileList *missing = FWindow.FileList(missingList);
            for (const QString &path : std::as_const(orphans))
                missing->Add(path);
        }
    }
    FWindow.JamFileListChange(actedList);
    FWindow.JamFileListChange(pairList);
    if (missingList > 0)
        FWindow.JamFileListChange(missingList);
}

void TListActions::PngBitBtn9Click()
{
    CopyListedFiles(1, 5, 6, FWindow.ScanOptions.srcPath, FWindow.ScanOptions.dstPath);
}

void TListActions::PngBitBtn1Click()
{
    CopyListedFiles(2, 6, 5, FWindow.ScanOptions.dstPath, FWindow.ScanOptions.srcPath);
}

void TListActions::PngBitBtn2Click()
{
    CopyListedFiles(3, 5, 6, FWindow.ScanOptions.srcPath, FWindow.ScanOptions.dstPath);
}

void TListActions::PngBitBtn12Click()
{
    CopyListedFiles(4, 6, 5, FWindow.ScanOptions.dstPath, FWindow.ScanOptions.srcPath);
}

void TListActions::PngBitBtn6Click()
{
    CopyListedFiles(7, 5, 6, FWindow.ScanOptions.srcPath, FWindow.ScanOptions.dstPath);
}

void TListActions::PngBitBtn8Click()
{
    CopyListedFiles(8, 6, 5, FWindow.ScanOptions.dstPath, FWindow.ScanOptions.srcPath);
}

void TListActions::PngBitBtn14Click()
{
    DeleteListedFiles(1, 2, 0, FWindow.ScanOptions.srcPath, FWindow.ScanOptions.dstPath);
}

void TListActions::PngBitBtn15Click()
{
    DeleteListedFiles(2, 1, 0, FWindow.ScanOptions.dstPath, FWindow.ScanOptions.srcPath);
}

void TListActions::PngBitBtn3Click()
{
    DeleteListedFiles(5, 6, 2, FWindow.ScanOptions.srcPath, FWindow.ScanOptions.dstPath);
}

void TListActions::PngBitBtn5Click()
{
    DeleteListedFiles(6, 5, 1, FWindow.ScanOptions.dstPath, FWindow.ScanOptions.srcPath);
}

void TListActions::PngBitBtn11Click()
{
    DeleteListedFiles(7, 8, 2, FWindow.ScanOptions.srcPath, FWindow.ScanOptions.dstPath);
}

void TListActions::PngBitBtn13Click()
{
    DeleteListedFiles(8, 7, 1, FWindow.ScanOptions.dstPath, FWindow.ScanOptions.srcPath);
}
