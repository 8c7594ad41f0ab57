#pragma once

#include <QObject>
#include <QString>

#include <memory>

class TFileActionDialogs;
class TFileOperations;
class TfrmMain;

// The copy, update and delete actions under the result lists. Each works on the selected
// rows of its list, or on every row when none is selected, hands the whole set to one
// batch of file operations, and moves rows between the lists only when every file of the
// batch was handled: a failed, skipped or cancelled file leaves every list as it was. The
// roots are those of the last scan.
class TListActions : public QObject
{
    Q_OBJECT

public:
    explicit TListActions(TfrmMain &window);
    ~TListActions() override;

    // Replacements for tests: a copier that fails on purpose, scripted dialogs. Not owned;
    // nullptr restores the program's own.
    void SetFileOperations(TFileOperations *operations);
    void SetDialogs(TFileActionDialogs *dialogs);

    // Copies to the same relative path under toRoot, replacing what is there. On success
    // the rows leave the acted list and every pair is filed under the duplicate lists.
    void CopyListedFiles(int actedList, int sameSideDuplicates, int otherSideDuplicates,
                         const QString &fromRoot, const QString &toRoot);
    // Moves to the trash after a confirmation. On success the rows leave the acted list,
    // and a counterpart listed in the pair list moves to the missing list (0: none).
    void DeleteListedFiles(int actedList, int pairList, int missingList, const QString &ownRoot,
                           const QString &otherRoot);

public Q_SLOTS:
    void PngBitBtn9Click();  // list 1: copy to destination
    void PngBitBtn1Click();  // list 2: copy to source
    void PngBitBtn2Click();  // list 3: update destination
    void PngBitBtn12Click(); // list 4: update source
    void PngBitBtn6Click();  // list 7: copy to destination
    void PngBitBtn8Click();  // list 8: copy to source
    void PngBitBtn14Click(); // list 1: delete
    void PngBitBtn15Click(); // list 2: delete
    void PngBitBtn3Click();  // list 5: delete
    void PngBitBtn5Click();  // list 6: delete
    void PngBitBtn11Click(); // list 7: delete
    void PngBitBtn13Click(); // list 8: delete

private:
    TfrmMain &FWindow;
    std::unique_ptr<TFileOperations> FOwnOperations;
    std::unique_ptr<TFileActionDialogs> FOwnDialogs;
    TFileOperations *FOperations;
    TFileActionDialogs *FDialogs;
};
