#pragma once

#include "platform/TCopyOptions.h"
#include "support/TTextLine.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QWidget;
class TFileActionDialogs;
class TFileOperations;
class TJamFileList;

// The copy, update and delete actions under the result lists. Each works on the selected
// rows of its list, or on every row when none is selected, hands the whole set to one
// batch of file operations, and moves the rows of the files the batch handled, also when
// it failed or was cancelled part way: a failed, skipped or unhandled file keeps its row.
// The roots are those of the last scan. From the first moment of a batch the window takes
// no input but the batch's own dialogs, and a second batch cannot start.
class TListActions : public QObject
{
    Q_OBJECT

public:
    // What the actions need of the window that shows the result lists.
    struct TLists
    {
        std::function<TJamFileList *(int list)> FileList; // list 1 to 8
        std::function<void(int list)> Changed;            // rows changed: the list's status is due
        std::function<QString()> SourceRoot;              // the roots of the last scan
        std::function<QString()> DestinationRoot;
        std::function<TCopyOptions()> CopyOptions; // how copies are made, from the settings
    };

    // window: the parent of the dialogs, the window that takes no input during a batch
    // and is closed after it when the user asked to meanwhile. texts: the lines of the
    // language in use, for the dialogs (the built-in English texts when empty).
    TListActions(QWidget &window, TLists lists, std::function<QString(TTextLine)> texts = {});
    ~TListActions() override;

    // Replacements for tests: a copier that fails on purpose, scripted dialogs. Not owned;
    // nullptr restores the program's own.
    void SetFileOperations(TFileOperations *operations);
    void SetDialogs(TFileActionDialogs *dialogs);

    bool BatchRunning() const { return FBatch != nullptr; }
    // The window is asked to close: true when it may. During a batch the user is asked;
    // Yes cancels the batch after the file in hand and closes the window when it is over.
    // Every close request during a batch comes here: the window's own close, the window
    // manager's close of the window or of the progress dialog, Alt+F4 on either.
    bool MayCloseWindow();

    // Copies to the same relative path under toRoot, replacing what is there. On success
    // the rows leave the acted list and every pair is filed under the duplicate lists.
    void CopyListedFiles(int actedList, int sameSideDuplicates, int otherSideDuplicates, const QString &fromRoot,
                         const QString &toRoot);
    // Moves to the trash after a confirmation. On success the rows leave the acted list,
    // and a counterpart listed in the pair list moves to the missing list (0: none).
    void DeleteListedFiles(int actedList, int pairList, int missingList, const QString &ownRoot,
                           const QString &otherRoot);

    // The copy (or update) and the delete action of list 1 to 8, as its row in the table of
    // result lists describes them; nothing for a list without that action.
    void Copy(int list);
    void Delete(int list);
    // Copies one file of a pair of list 3 to 8 over the other (`from` and `to` are the row's
    // path and its counterpart, either way round). When it is done both hold equal files:
    // the pair leaves the lists of newer and conflicting files and is filed under the
    // duplicates. True when the file was copied.
    bool CopyPair(int list, const QString &from, const QString &to);
    // The path of the file at the same place in the other tree as a file of the list.
    QString Counterpart(int list, const QString &path) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The one question about closing during a batch; the batch waits while it is open.
    // A second request while it is open asks nothing more.
    void AskToCloseDuringBatch();

    QWidget &FWindow;
    TLists FLists;
    class TFileBatch *FBatch = nullptr;
    bool FCloseAfterBatch = false;
    bool FAskingClose = false;
    friend class TBatchGuard;
    std::unique_ptr<TFileOperations> FOwnOperations;
    std::unique_ptr<TFileActionDialogs> FOwnDialogs;
    TFileOperations *FOperations;
    TFileActionDialogs *FDialogs;
};
