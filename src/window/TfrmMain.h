#pragma once

#include "engine/TFinding.h"
#include "engine/TScanOptions.h"
#include "engine/TTimeShiftFinder.h"
#include "results/TColumnLayout.h"
#include "support/TLanguageTable.h"
#include "support/TTextLine.h"
#include "window/TPartHost.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <span>

class QFrame;
class QLabel;
class QPushButton;
class QTabWidget;
class TJamFileList;
class TListActions;
class TLanguageAndHelp;
class TPresetsGroup;
class TPrompts;
class TResultListStatus;
class TResultsPage;
class TScanThread;
class TSettingsPage;
class TmxStorage;

// The main window: the settings page (source, settings, destination), the results page
// with the eight result lists on four tabs, and the info page.
//
// The window is made of parts, each of which builds its controls and handles them:
//   TSettingsPage      the settings page, its trees and path boxes, the run buttons
//   TPresetsGroup      the presets group on the settings page
//   TResultsPage       the eight lists, their buttons and totals, the entries left out
//   TLanguageAndHelp   the info page: languages and their folder's watch, Help, the logo
// The window itself keeps what ties them together, over several files:
//   TfrmMain.cpp          construction and destruction, the prompts, the close rule and
//                         what it stores
//   TfrmMainLanguage.cpp  the table of captions, applying a language to every part
//   TfrmMainRunControl.cpp Start, Stop, Exit, the run buttons and the scan's hand-over
//   TfrmMainTimeShift.cpp the line above the lists that offers to correct a clock shift
//   TfrmMainState.cpp     the program icon, the first show, the placement, the start
//                         folders (given or last scanned)
// The copy, update and delete actions are TListActions (actions/ui/), over the file batch
// (actions/); the results page runs them from its buttons. Every control carries its
// field's name as its object name, by which the tests find it. The settings store is
// registry/.
class TfrmMain : public QWidget, public TPartHost
{
    Q_OBJECT

public:
    static constexpr int ListCount = ResultListCount;

    // Lang/ and Help/ beside the program, the language of the user's locale.
    explicit TfrmMain(QWidget *parent = nullptr);
    // Lang/ and Help/ in programFolder; defaultLanguage is the language file's name that is
    // chosen while the user has chosen none.
    TfrmMain(const QString &programFolder, const QString &defaultLanguage, QWidget *parent = nullptr);
    ~TfrmMain() override;

    // A line of the current language.
    QString Text(TTextLine line) const override { return FLanguage.text(line); }
    const TLanguageTable &Language() const override { return FLanguage; }
    // Replaces the current texts; the controls take them when they are next applied.
    void SetLanguage(const TLanguageTable &table) { FLanguage = table; }

    // A control whose caption is a line of the language, found by its object name.
    struct TCaption
    {
        const char16_t *Control;
        TTextLine Line;
    };
    // Every such control: each takes its caption from here when it is built and again
    // whenever the language changes.
    static std::span<const TCaption> Captions();
    void ApplyCaption(QWidget *control) const override;

    // The program's own file store: the built-in English texts and the product texts.
    TmxStorage &ProgramStore() const { return *FMx; }

    // Message boxes go here; the window's own message boxes when none is set. Not owned.
    void SetPrompts(TPrompts *prompts);
    TPrompts &Prompts() const override;

    // The parts.
    TSettingsPage &SettingsPage() const { return *FSettings; }
    TPresetsGroup &PresetsGroup() const { return *FPresets; }
    TResultsPage &ResultsPage() const { return *FResults; }
    TLanguageAndHelp &LanguageAndHelp() const { return *FLanguageAndHelp; }
    // A row of a pair of list 3 to 8 was opened: the two files are compared, in the view of
    // the pair (a window of this one) or in the compare program the user named.
    void ComparePair(int list, const QString &path, const QString &counterpart);

    // Run control.
    void Start();
    void Stop();
    void Exit();
    void UpdateRunControls() override;
    bool Scanning() const { return ScanThread != nullptr; }
    // The worker of the scan that runs; nullptr between scans.
    TScanThread *ScanWorker() const { return ScanThread; }
    // The settings of the last run; the actions take the two roots from them.
    const TScanOptions &LastScanOptions() const { return ScanOptions; }
    // The folders to select at the first show instead of those of the last scan, and
    // whether to start a scan then; a folder that does not exist is reported.
    void SetStartFolders(const QString &source, const QString &destination, bool scan);

    // Selects both roots (as the user would in the trees) and starts a scan; the end is
    // announced by ScanCompleted(). For tests and the benchmark.
    void StartScan(const QString &source, const QString &destination);
    // What the last complete run suggests against a clock shift (Kind skNone: nothing);
    // the line above the lists shows it until it is taken, dismissed or a run starts.
    const TTimeShiftFinder::TSuggestion &TimeShiftSuggestion() const;
    // The line's button: sets the suggested adjustments or margin and scans the same
    // folders again.
    void AcceptTimeShift();

    // The result lists, 1 to 8, and what stands around them.
    TJamFileList *FileList(int list) const;
    TResultListStatus *ListStatus() const;
    TColumnLayout &ColumnLayout();
    // The copy, update and delete actions under the lists.
    TListActions &Actions() const { return *FActions; }

    static QIcon ProgramIcon();

Q_SIGNALS:
    // The end of a scan has been handled: controls back, results page opened or the
    // "nothing found" message given.
    void ScanCompleted();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // The close rule, then the closing steps. False: the window stays open.
    bool FormCloseQuery();
    void FormCreate();
    // The first show: texts, placement, the language folder's monitor, the import.
    void FormShow();
    void FormDestroy();
    void RestorePlacement();
    void SavePlacement();
    // The folders given at start, else those of the last scan that still exist.
    void SelectStartFolders();
    void SaveLastFolders();

    // Every part takes the texts of the language just loaded; the lists' status texts and
    // button captions are rebuilt, and the keys follow the new captions.
    void ApplyLanguage();
    void ApplyTexts();

    void ShowStatus(const QString &text);
    void SetStatusText(const QString &text);
    void AddFinding(const TFinding &finding);
    QWidget *BuildTimeShiftBar();
    void SuggestTimeShift(bool runComplete);
    void ShowTimeShift();
    QString TimeShiftText() const;
    void ApplyTimeShiftTexts();
    void ScanFinished();
    // The run's counts and time beside the status text.
    void ShowProgress();

    // The window's pages.
    QTabWidget *PageControl2 = nullptr;
    // The clock shift line above the lists.
    QFrame *ShiftBar = nullptr;
    QLabel *ShiftLabel = nullptr;
    QPushButton *ShiftButton = nullptr;
    QPushButton *ShiftDismiss = nullptr;

    TScanOptions ScanOptions; // behind LastScanOptions()
    TScanThread *ScanThread = nullptr;
    QTimer FProgressTimer; // while a run works: ShowProgress at most every ProgressMs
    QElapsedTimer FRunClock;
    static constexpr int ProgressMs = 100;
    TLanguageTable FLanguage;
    std::unique_ptr<TmxStorage> FMx;
    std::unique_ptr<TPrompts> FOwnPrompts;
    TPrompts *FPrompts = nullptr;
    // The parts, children of the window.
    TPresetsGroup *FPresets = nullptr;
    TSettingsPage *FSettings = nullptr;
    TResultsPage *FResults = nullptr;
    TLanguageAndHelp *FLanguageAndHelp = nullptr;
    TListActions *FActions = nullptr;
    TTimeShiftFinder FShiftFinder; // fed by the run that is going on
    TTimeShiftFinder::TSuggestion FShift;
    bool FFirstShow = true;
    QString FStartSource; // given on the command line
    QString FStartDestination;
    bool FStartScan = false;
};
