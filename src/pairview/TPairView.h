#pragma once

#include "compare/TPairComparison.h"
#include "support/TTextLine.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTableView;
class TPairCompareJob;
class TPairRowModel;

// A window that shows how two files differ. Text files stand side by side with line
// numbers, scrolling together, the differing lines and characters marked; binary files
// show where their bytes first differ, in hex. The comparison runs on a thread with
// progress and Cancel, so that a large pair leaves the window responsive.
//
// Either file can be copied over the other. Opened from the main window, the copy goes
// through the window's file actions (which move the pair's rows); on its own the view runs
// the copy itself, keeping the replaced file in the trash. The pair is compared again after.
class TPairView : public QWidget
{
    Q_OBJECT

public:
    using TTextSource = std::function<QString(TTextLine)>;
    // Copies the file `from` over `to`.
    using TCopier = std::function<void(const QString &from, const QString &to)>;
    // Asks a question; true for Yes.
    using TConfirm = std::function<bool(const QString &question)>;

    // Without a text source the built-in English texts serve. The comparison starts at once.
    TPairView(const QString &left, const QString &right, TTextSource texts = {}, QWidget *parent = nullptr);
    ~TPairView() override;

    // nullptr: the view copies with a batch of its own.
    void SetCopier(TCopier copier) { FCopier = std::move(copier); }
    // Replaces the question asked before a copy (for tests).
    void SetConfirm(TConfirm confirm) { FConfirm = std::move(confirm); }

    QString LeftPath() const { return FLeftPath; }
    QString RightPath() const { return FRightPath; }

    // Compares the files again (after a change of the white space option or a copy).
    void Compare();
    void CancelComparison();
    bool Running() const;
    // The last comparison finished; nullptr while none has.
    const TPairComparison *Result() const { return FResult.get(); }

    // The row of the text views at the top of the difference in hand; -1: none.
    qsizetype CurrentRow() const { return FCurrentRow; }
    void NextDifference();
    void PreviousDifference();
    void SetIgnoreWhiteSpace(bool ignore);

    void CopyLeftToRight();
    void CopyRightToLeft();

Q_SIGNALS:
    // A comparison ended (finished, failed or cancelled) and is shown.
    void Compared();

private:
    QString Text(TTextLine line) const;
    void BuildControls();
    void ApplyTexts();
    void JobFinished();
    void ShowResult();
    void ShowText(const TTextPair &pair);
    void ShowBinary(const TBinaryPair &binary);
    QString SideText(bool left) const;
    void GoToRow(qsizetype row);
    void Copy(bool leftToRight);
    void CopyOnOwn(const QString &from, const QString &to);
    bool BothAreFiles() const;
    void UpdateControls();

    QString FLeftPath;
    QString FRightPath;
    TTextSource FTexts;
    TCopier FCopier;
    TConfirm FConfirm;
    QPointer<TPairCompareJob> FJob;
    std::unique_ptr<TPairComparison> FResult;
    qsizetype FCurrentRow = -1;
    bool FSyncing = false;

    QLabel *FLeftName = nullptr;
    QLabel *FRightName = nullptr;
    QLabel *FLeftInfo = nullptr;
    QLabel *FRightInfo = nullptr;
    QLabel *FVerdict = nullptr;
    QProgressBar *FProgress = nullptr;
    QPushButton *FCancel = nullptr;
    QStackedWidget *FPages = nullptr;
    QTableView *FLeftView = nullptr;
    QTableView *FRightView = nullptr;
    TPairRowModel *FLeftModel = nullptr;
    TPairRowModel *FRightModel = nullptr;
    QPlainTextEdit *FHex = nullptr;
    QPushButton *FPrevious = nullptr;
    QPushButton *FNext = nullptr;
    QLabel *FCount = nullptr;
    QCheckBox *FIgnoreWhiteSpace = nullptr;
    QPushButton *FCopyLeftToRight = nullptr;
    QPushButton *FCopyRightToLeft = nullptr;
};
