#pragma once

#include "engine/TFinding.h"
#include "engine/TScanOptions.h"
#include "engine/TTimeShiftFinder.h"
#include "results/TColumnLayout.h"
#include "support/TLanguageTable.h"
#include "support/TTextLine.h"
#include "window/TPreset.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>
#include <span>
#include <vector>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QIcon;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTabWidget;
class QTimer;
class QUrl;
class TJamFileList;
class TJamPathEdit;
class TJamShellTree;
class TLabeledFloatSpinEdit;
class TDirMon;
class THelpWindow;
class TQtTranslations;
class TListActions;
class TPrompts;
class TResultListStatus;
class TScanThread;
struct TScanSettingControls;
class TNotComparedPage;
class TStatusPanel;
class TTimeAdjustEdit;
class TmxStorage;

// The main window: the settings page (source, settings, destination), the results page
// with the eight result lists on four tabs, and the info page.
//
// The controls are private; each carries its field's name as its object name, by which
// the tests find it. Helpers outside the class get what they need through narrow accessors.
// The class is split by concern over several files:
//   TfrmMain.cpp             construction and destruction, the prompts, the status line,
//                            placing the columns and halves on resizing, closing (the close
//                            rule and what it stores)
//   TfrmMainSettingsPage.cpp the settings page and its change handlers
//   TfrmMainResultsPage.cpp  the results and info pages, the lists' change handlers and the
//                            wiring of their copy, update and delete buttons to the actions
//   TfrmMainRunControl.cpp   Start, Stop, Exit, the run buttons and the scan's hand-over
//   TfrmMainTimeShift.cpp    the findings with their counterpart figures, and the line
//                            above the lists that offers to correct a clock shift
//   TfrmMainPresets.cpp      the presets group and the import of the older presets
//   TfrmMainLanguage.cpp     the language list, loading and applying texts, the language
//                            folder's watch, Help and the logo
//   TfrmMainState.cpp        the program icon, the steps after building (start language,
//                            presets, wiring of the presets and info controls, the language
//                            folder's monitor), the first show, the placement, the start
//                            folders (given or last scanned), the end of the language watch
// The copy, update and delete actions are TListActions (actions/ui/), over the file batch
// (actions/); the window hands them its lists and roots and wires its buttons to them.
// The settings store is registry/.
class TfrmMain : public QWidget
{
    Q_OBJECT

public:
    static constexpr int ListCount = 8;

    // Lang/ and Help/ beside the program, the language of the user's locale.
    explicit TfrmMain(QWidget *parent = nullptr);
    // Lang/ and Help/ in programFolder; defaultLanguage is the language file's name that is
    // chosen while the user has chosen none.
    TfrmMain(const QString &programFolder, const QString &defaultLanguage, QWidget *parent = nullptr);
    ~TfrmMain() override;

    // A line of the current language.
    QString Text(TTextLine line) const { return FLanguage.text(line); }
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

    // The program's own file store: the built-in English texts and the product texts.
    TmxStorage &ProgramStore() const { return *FMx; }

    // The time adjustment captions take no more room than their text needs; call after
    // changing their texts.
    void FitTimeLabels();

    // Message boxes go here; the window's own message boxes when none is set. Not owned.
    void SetPrompts(TPrompts *prompts);
    TPrompts &Prompts() const;

    // Run control.
    void Start();
    void Stop();
    void Exit();
    void UpdateRunControls();
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

    // The change handler of list N (1 to 8): the list's status is due. The actions call it
    // after they changed a list.
    void JamFileListChange(int list);
    // Every list's status and captions are due, as after a change of language.
    void RefreshAllLists();
    TJamFileList *FileList(int list) const { return FLists.at(list - 1); }
    TResultListStatus *ListStatus() const { return FListStatus; }
    TColumnLayout &ColumnLayout() { return FColumnLayout; }
    // The copy, update and delete buttons under the lists.
    TListActions &Actions() const { return *FActions; }

    // Presets: the table of stored presets and the group that shows them.
    void LoadPresetList();
    void SavePreset();
    void ApplyPreset();
    void ComboBox1Change(); // the user chose a preset
    void Button4Click();    // Add
    void Button5Click();    // Remove
    // Once, at the first start: the presets of the program's older settings.
    void ImportOldPresets();
    const std::vector<TPreset> &Presets() const { return FPresets; }

    // Languages: the files in "Lang" and the texts in use.
    QString ProgramFolder() const { return FProgramFolder; }
    const QStringList &LanguageFiles() const { return FLanguageFiles; }
    void RefreshLanguageList();
    // Makes the file at that index of LanguageFiles() the texts in use (the built-in English
    // texts when there is none) and applies them to every control.
    void LoadLanguage(int index);
    void ComboBox2Change();
    void LangFileChanged(TDirMon *Sender, const QString &FileName);
    void LangFileRenamed(TDirMon *Sender, const QString &fromFileName, const QString &toFileName);
    // The help document of the language in use; empty when there is none to open.
    QUrl HelpDocument() const;
    // The user guide of the language in use (the English one where it has none), as
    // shown in the help window; empty when there is none.
    QString HelpPage() const;
    void PngBitBtn10Click(); // Help: the guide in the help window
    THelpWindow *HelpWindow() const;
    // The name of the language in use: its file's name, "English" for the built-in texts.
    QString LanguageName() const;
    void Image2Click(); // the logo
    TDirMon *LangMonitor() const { return FLangMonitor; }
    // The position in LanguageFiles() of the language in use, or -1; it is stored as such.
    int LanguageIndex() const { return LangIndex; }

    static QIcon ProgramIcon();

    // The width of the middle column as built; resizing never changes it.
    int BuiltMiddleWidth() const { return Panel4Width; }

Q_SIGNALS:
    // The end of a scan has been handled: controls back, results page opened or the
    // "nothing found" message given.
    void ScanCompleted();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // The controls, named as the program's texts and settings name them; each carries its
    // field's name as its object name, by which code outside the window finds it.
    // Pages.
    QTabWidget *PageControl2 = nullptr; // the window's pages
    QWidget *TabSheet5 = nullptr;       // Scanner Settings
    QWidget *TabSheet6 = nullptr;       // Scanner Results
    QWidget *TabSheet7 = nullptr;       // Info
    QTabWidget *PageControl1 = nullptr; // the four result tabs
    QWidget *TabSheet1 = nullptr;
    QWidget *TabSheet2 = nullptr;
    QWidget *TabSheet3 = nullptr;
    QWidget *TabSheet4 = nullptr;
    TNotComparedPage *NotComparedPage = nullptr; // entries the last run left out
    QFrame *ShiftBar = nullptr;                  // the clock shift line above the lists
    QLabel *ShiftLabel = nullptr;
    QPushButton *ShiftButton = nullptr;
    QPushButton *ShiftDismiss = nullptr;

    // Settings page.
    QWidget *Panel2 = nullptr; // source column
    QWidget *Panel3 = nullptr; // destination column
    QWidget *Panel7 = nullptr; // middle column
    QWidget *Panel4 = nullptr; // the settings inside the middle column
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    TJamPathEdit *JamPathEdit1 = nullptr;
    TJamPathEdit *JamPathEdit2 = nullptr;
    TJamShellTree *JamShellTree1 = nullptr;
    TJamShellTree *JamShellTree2 = nullptr;
    TTimeAdjustEdit *SpinEdit1 = nullptr;
    TTimeAdjustEdit *SpinEdit2 = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QComboBox *ComboBox1 = nullptr;
    QPushButton *Button4 = nullptr;
    QPushButton *Button5 = nullptr;
    QGroupBox *GroupBox2 = nullptr;
    QLabel *LabeledEdit1Label = nullptr;
    QLineEdit *LabeledEdit1 = nullptr;
    QCheckBox *CheckBox4 = nullptr;
    QGroupBox *GroupBox3 = nullptr;
    TLabeledFloatSpinEdit *SpinEdit3 = nullptr;
    QRadioButton *RadioButton1 = nullptr;
    QRadioButton *RadioButton2 = nullptr;
    QRadioButton *RadioButton3 = nullptr;
    QGroupBox *GroupBox4 = nullptr;
    TLabeledFloatSpinEdit *SpinEdit4 = nullptr;
    QRadioButton *RadioButton4 = nullptr;
    QRadioButton *RadioButton5 = nullptr;
    QRadioButton *RadioButton6 = nullptr;
    QCheckBox *CheckBox1 = nullptr;
    QCheckBox *CheckBox2 = nullptr;
    QCheckBox *CheckBox3 = nullptr;
    QCheckBox *CheckBox8 = nullptr;
    QCheckBox *CheckBox9 = nullptr; // keep replaced files in the trash
    TLabeledFloatSpinEdit *SpinEdit5 = nullptr;
    QPushButton *Button1 = nullptr; // Start
    QPushButton *Button2 = nullptr; // Stop
    QPushButton *Button3 = nullptr; // Exit
    QStatusBar *StatusBar1 = nullptr;
    TStatusPanel *StatusBar1Panel0 = nullptr;
    TStatusPanel *StatusBar1Panel1 = nullptr; // the status text

    // Results page: headings, lists, buttons and status bars.
    QLabel *Label5 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *Label8 = nullptr;
    QLabel *Label9 = nullptr;
    QLabel *Label10 = nullptr;
    QLabel *Label11 = nullptr;
    QLabel *Label13 = nullptr;
    TJamFileList *JamFileList1 = nullptr;
    TJamFileList *JamFileList2 = nullptr;
    TJamFileList *JamFileList3 = nullptr;
    TJamFileList *JamFileList4 = nullptr;
    TJamFileList *JamFileList5 = nullptr;
    TJamFileList *JamFileList6 = nullptr;
    TJamFileList *JamFileList7 = nullptr;
    TJamFileList *JamFileList8 = nullptr;
    QStatusBar *StatusBar2 = nullptr;
    QStatusBar *StatusBar3 = nullptr;
    QStatusBar *StatusBar4 = nullptr;
    QStatusBar *StatusBar5 = nullptr;
    QStatusBar *StatusBar6 = nullptr;
    QStatusBar *StatusBar7 = nullptr;
    QStatusBar *StatusBar8 = nullptr;
    QStatusBar *StatusBar9 = nullptr;
    QPushButton *PngBitBtn1 = nullptr;
    QPushButton *PngBitBtn2 = nullptr;
    QPushButton *PngBitBtn3 = nullptr;
    QPushButton *PngBitBtn5 = nullptr;
    QPushButton *PngBitBtn6 = nullptr;
    QPushButton *PngBitBtn8 = nullptr;
    QPushButton *PngBitBtn9 = nullptr;
    QPushButton *PngBitBtn11 = nullptr;
    QPushButton *PngBitBtn12 = nullptr;
    QPushButton *PngBitBtn13 = nullptr;
    QPushButton *PngBitBtn14 = nullptr;
    QPushButton *PngBitBtn15 = nullptr;

    // Info page.
    QLabel *Label15 = nullptr;
    QComboBox *ComboBox2 = nullptr;
    QPushButton *PngBitBtn10 = nullptr; // Help
    QLabel *Label16 = nullptr;          // version
    QLabel *Image2 = nullptr;           // logo

    void BuildSettingsPage();
    QWidget *BuildSourceColumn(int side);
    void BuildMiddleColumn();
    void BuildResultsPage();
    QWidget *BuildResultHalf(int list, QWidget *tab, bool buttonsRight);
    void BuildInfoPage();
    void ConnectSettingsHandlers();
    void ConnectListHandlers();

    // Placing the columns and halves, whenever a page changes its size: the settings page's
    // width is shared between the side columns, the middle keeps its width; each results tab
    // is split in two halves.
    void PlaceSettingsColumns();
    void PlaceMiddleButtons();
    void PlaceResultHalves(QWidget *tab);
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

    int AddPresetTitle(const QString &title);
    int ListedPreset(const QString &title) const;
    void ChooseStartLanguage();
    void ApplyTexts();
    // Gives a control just built its caption from Captions().
    template <typename T> T *Captioned(T *control)
    {
        ApplyCaption(control);
        return control;
    }
    void ApplyCaption(QWidget *control) const;
    // The texts that are no captions: tooltips, the lists' column titles, the version,
    // the help window; and Qt's own texts for the language.
    void ApplyOtherTexts();
    QString HelpFile(const QString &extension) const;
    void ScheduleLanguageReload();
    // Watches the language folder, and its parent for the folder to go and come back.
    void StartLanguageWatch();
    void LangFolderChanged(const QString &name);

    // The settings page's controls as the scan settings' table takes them.
    TScanSettingControls SettingControls();
    void JamShellTreeChange(int side);
    void JamPathEditChange(int side);
    // The tree's chosen folder went missing or came back.
    void JamShellTreeMissingChange(int side);
    void CheckBox1Click();
    void SpinEdit3Change();
    void SpinEdit4Change();

    void ShowStatus(const QString &text);
    void AddFinding(const TFinding &finding);
    QWidget *BuildTimeShiftBar(QWidget *parent);
    void SuggestTimeShift(bool runComplete);
    void ShowTimeShift();
    QString TimeShiftText() const;
    void ApplyTimeShiftTexts();
    void AddNotCompared(const QString &path, const QString &reason);
    void ApplyNotComparedTexts();
    void ScanFinished();
    void SetStatusText(const QString &text);

    // Behind LanguageIndex(), BuiltMiddleWidth(), LastScanOptions() and ScanWorker().
    int LangIndex = 0;
    int Panel4Width = 0;
    TScanOptions ScanOptions;
    TScanThread *ScanThread = nullptr;
    // Whether the window is still being built; the change handlers wait for it.
    bool FLoading = true;
    // A tree and its path box echo each other; the echo is not handled again.
    bool FSyncing = false;
    TLanguageTable FLanguage;
    std::unique_ptr<TmxStorage> FMx;
    std::unique_ptr<TPrompts> FOwnPrompts;
    TPrompts *FPrompts = nullptr;
    std::array<TJamFileList *, ListCount> FLists{};
    std::array<QWidget *, 4> FSourceHalves{};
    std::array<QWidget *, 4> FDestinationHalves{};
    TResultListStatus *FListStatus = nullptr;
    TListActions *FActions = nullptr; // a child of the window
    TColumnLayout FColumnLayout;
    TTimeShiftFinder FShiftFinder; // fed by the run that is going on
    TTimeShiftFinder::TSuggestion FShift;
    std::vector<TPreset> FPresets;
    QString FProgramFolder;
    QString FDefaultLanguage;
    QStringList FLanguageFiles;
    TDirMon *FLangMonitor = nullptr;       // a child of the window
    TDirMon *FLangParentMonitor = nullptr; // the program folder, for "Lang" itself; a child too
    bool FFirstShow = true;
    QString FStartSource; // given on the command line
    QString FStartDestination;
    bool FStartScan = false;
    bool FLanguageReloadDue = false;
    std::unique_ptr<TQtTranslations> FQtTranslations;
    QPointer<THelpWindow> FHelpWindow;
};
