#include "actions/ui/TListActions.h"

#include "actions/TFileBatch.h"
#include "actions/ui/TFileActionBoxes.h"
#include "platform/TSystemFileOperations.h"
#include "results/TJamFileList.h"
#include "results/TResultListTable.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>

namespace {

// The busy pointer over the window for as long as an action runs, whatever way it ends:
// a bare cover over the whole window, not the application's pointer, so that the batch's
// own dialogs, questions and buttons keep their usual pointer.
class TBusyCover final : public QWidget
{
public:
    explicit TBusyCover(QWidget &window)
        : QWidget(&window)
    {
        setObjectName(QStringLiteral("BusyCover"));
        setCursor(Qt::WaitCursor);
        setFocusPolicy(Qt::NoFocus);
        setGeometry(window.rect());
        window.installEventFilter(this);
        raise();
        show();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == parent() && event->type() == QEvent::Resize)
            setGeometry(parentWidget()->rect());
        return QWidget::eventFilter(watched, event);
    }
};

bool IsAltF4(const QEvent *event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    const auto *key = static_cast<const QKeyEvent *>(event);
    return key->key() == Qt::Key_F4 && (key->modifiers() & Qt::AltModifier);
}

} // namespace

// For as long as a batch runs: the busy pointer, no input to the window, and the close
// the user asked for meanwhile carried out at the end.
class TBatchGuard
{
public:
    TBatchGuard(TListActions &actions, TFileBatch &batch)
        : FActions(actions)
        , FBusy(actions.FWindow)
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
    TBusyCover FBusy;
};

namespace {

// The rows an action works on: the selected ones, or every row when none is selected.
QStringList ActedRows(const TJamFileList *list)
{
    return list->SelectedFileCount() > 0 ? list->SelectedPaths() : list->Paths();
}

QString OtherSide(const QString &path, const QString &fromRoot, const QString &toRoot)
{
    return toRoot + QStringView(path).sliced(qMin(fromRoot.size(), path.size()));
}

} // namespace

TListActions::TListActions(QWidget &window, TLists lists, std::function<QString(TTextLine)> texts)
    : QObject(&window)
    , FWindow(window)
    , FLists(std::move(lists))
    , FOwnOperations(std::make_unique<TSystemFileOperations>())
    , FOwnDialogs(std::make_unique<TFileActionBoxes>(&window, std::move(texts)))
    , FOperations(FOwnOperations.get())
    , FDialogs(FOwnDialogs.get())
{}

TListActions::~TListActions() = default;

bool TListActions::MayCloseWindow()
{
    if (!FBatch)
        return true;
    AskToCloseDuringBatch();
    return false;
}

void TListActions::AskToCloseDuringBatch()
{
    if (!FBatch || FAskingClose)
        return;
    FAskingClose = true;
    FBatch->Hold(true);
    const bool yes = FDialogs->ConfirmCloseDuringBatch();
    FAskingClose = false;
    // The batch cannot end while it is held, unless it was cancelled meanwhile.
    if (!FBatch)
        return;
    FBatch->Hold(false);
    if (yes) {
        FCloseAfterBatch = true;
        FBatch->Cancel();
    }
}

bool TListActions::eventFilter(QObject *watched, QEvent *event)
{
    auto *widget = qobject_cast<QWidget *>(watched);
    // The progress dialog of the batch: a window of the window's.
    const auto isProgress = [this](const QWidget *w) {
        return w && qobject_cast<const QProgressDialog *>(w) && w->parentWidget() == &FWindow;
    };
    // Closing the progress dialog, or Alt+F4 on it or on the window, is a request to close
    // the window (where the window system does not turn Alt+F4 into one itself).
    if (event->type() == QEvent::Close && isProgress(widget)) {
        event->ignore();
        AskToCloseDuringBatch();
        return true;
    }
    if (IsAltF4(event) && widget && (widget->window() == &FWindow || isProgress(widget->window()))) {
        if (event->type() == QEvent::KeyPress)
            AskToCloseDuringBatch();
        else
            event->accept(); // the key comes as a key press, and is taken there
        return true;
    }
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
    TJamFileList *acted = FLists.FileList(actedList);
    if (acted->TotalFileCount() == 0)
        return;
    const qint64 bytes = acted->SelectedFileCount() > 0 ? acted->SelectedFileSize() : acted->TotalFileSize();
    const QStringList rows = ActedRows(acted);
    if (rows.isEmpty())
        return;

    // A file listed as missing on the other side is copied as a new file there: one that has
    // appeared since the scan is not the user's choice to replace.
    const bool newOnly = actedList == rlMissingInDestination || actedList == rlMissingInSource;
    QList<TFileBatch::TItem> items;
    items.reserve(rows.size());
    // A file of a pair is copied over its counterpart as the scan saw it: one changed since
    // is not the file the user chose to replace.
    for (const QString &path : rows) {
        TFileBatch::TItem item{path, OtherSide(path, fromRoot, toRoot), newOnly, std::nullopt};
        if (const auto other = acted->ListModel()->CounterpartOf(path); other && !newOnly)
            item.TargetSeen = TCopyOptions::TSeen{other->Size, other->MTimeSec};
        items.append(item);
    }
    TFileBatch batch(*FOperations, *FDialogs);
    const TCopyOptions options = FLists.CopyOptions ? FLists.CopyOptions() : TCopyOptions();
    {
        TBatchGuard guard(*this, batch);
        batch.Run(TFileActionDialogs::bkCopy, items, bytes, options);
    }

    // Both sides of each copied file now hold equal files: the pair is a duplicate. One
    // pass over the acted list, whatever its size.
    QStringList copied;
    TJamFileList *same = FLists.FileList(sameSideDuplicates);
    TJamFileList *other = FLists.FileList(otherSideDuplicates);
    for (int i = 0; i < items.size(); ++i) {
        if (!batch.Done().value(i))
            continue;
        copied << items.at(i).Source;
        same->Add(items.at(i).Source);
        other->Add(items.at(i).Target);
    }
    acted->DeleteItems(copied);
    // A written file may have a row that stays where it is (the other half of a date
    // conflict, a file listed twice): it shows the new size and date, and its list's
    // totals follow.
    QStringList written;
    for (int i = 0; i < items.size(); ++i)
        if (batch.Done().value(i))
            written << items.at(i).Target;
    for (int list = 1; list <= ResultListCount && !written.isEmpty(); ++list)
        if (FLists.FileList(list)->RefreshItems(written) > 0)
            FLists.Changed(list);
    FLists.Changed(actedList);
    FLists.Changed(sameSideDuplicates);
    FLists.Changed(otherSideDuplicates);
}

void TListActions::DeleteListedFiles(int actedList, int pairList, int missingList, const QString &ownRoot,
                                     const QString &otherRoot)
{
    if (FBatch)
        return;
    TJamFileList *acted = FLists.FileList(actedList);
    if (acted->TotalFileCount() == 0)
        return;
    const QStringList rows = ActedRows(acted);
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
        TJamFileList *pairs = FLists.FileList(pairList);
        QStringList orphans;
        for (const QString &path : std::as_const(removed)) {
            const QString counterpart = OtherSide(path, ownRoot, otherRoot);
            if (pairs->IsItemInList(counterpart))
                orphans.append(counterpart);
        }
        pairs->DeleteItems(orphans);
        if (missingList > 0) {
            TJamFileList *missing = FLists.FileList(missingList);
            for (const QString &path : std::as_const(orphans))
                missing->Add(path);
        }
    }
    FLists.Changed(actedList);
    FLists.Changed(pairList);
    if (missingList > 0)
        FLists.Changed(missingList);
}

void TListActions::Copy(int list)
{
    const TResultListRow &row = ResultListRow(list);
    if (!row.CopyButton)
        return;
    if (IsSourceList(list))
        CopyListedFiles(list, row.CopiedSameSide, row.CopiedOtherSide, FLists.SourceRoot(), FLists.DestinationRoot());
    else
        CopyListedFiles(list, row.CopiedSameSide, row.CopiedOtherSide, FLists.DestinationRoot(), FLists.SourceRoot());
}

bool TListActions::CopyPair(int list, const QString &from, const QString &to)
{
    if (FBatch)
        return false;
    const QList<TFileBatch::TItem> items{{from, to}};
    TFileBatch batch(*FOperations, *FDialogs);
    const TCopyOptions options = FLists.CopyOptions ? FLists.CopyOptions() : TCopyOptions();
    {
        TBatchGuard guard(*this, batch);
        batch.Run(TFileActionDialogs::bkCopy, items, QFileInfo(from).size(), options);
    }
    if (!batch.Done().value(0))
        return false;

    // `from` lies on the list's own side when `to` is its counterpart.
    const bool fromOwnSide = QDir::cleanPath(Counterpart(list, from)) == QDir::cleanPath(to);
    const QString source = IsSourceList(list) == fromOwnSide ? from : to;
    const QString destination = source == from ? to : from;
    const QStringList pair{source, destination};
    for (const int acted :
         {int(rlNewerInSource), int(rlNewerInDestination), int(rlConflictsInSource), int(rlConflictsInDestination)}) {
        if (FLists.FileList(acted)->IsItemInList(source) || FLists.FileList(acted)->IsItemInList(destination)) {
            FLists.FileList(acted)->DeleteItems(pair);
            FLists.Changed(acted);
        }
    }
    TJamFileList *sourceDuplicates = FLists.FileList(rlDuplicatesInSource);
    TJamFileList *destinationDuplicates = FLists.FileList(rlDuplicatesInDestination);
    if (!sourceDuplicates->IsItemInList(source))
        sourceDuplicates->Add(source);
    else
        sourceDuplicates->RefreshItems({source});
    if (!destinationDuplicates->IsItemInList(destination))
        destinationDuplicates->Add(destination);
    else
        destinationDuplicates->RefreshItems({destination});
    FLists.Changed(rlDuplicatesInSource);
    FLists.Changed(rlDuplicatesInDestination);
    return true;
}

QString TListActions::Counterpart(int list, const QString &path) const
{
    return IsSourceList(list) ? OtherSide(path, FLists.SourceRoot(), FLists.DestinationRoot())
                              : OtherSide(path, FLists.DestinationRoot(), FLists.SourceRoot());
}

void TListActions::Delete(int list)
{
    const TResultListRow &row = ResultListRow(list);
    if (!row.DeleteButton)
        return;
    if (IsSourceList(list))
        DeleteListedFiles(list, row.PairList, row.OrphanList, FLists.SourceRoot(), FLists.DestinationRoot());
    else
        DeleteListedFiles(list, row.PairList, row.OrphanList, FLists.DestinationRoot(), FLists.SourceRoot());
}
