#pragma once

#include "window/TScanSetting.h"

#include <QObject>
#include <QString>

#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTabWidget;
class QWidget;
class TJamPathEdit;
class TJamShellTree;
class TLabeledFloatSpinEdit;
class TPartHost;
class TStatusPanel;
class TTimeAdjustEdit;

// The settings page: the source and destination columns (path box, folder tree, time
// adjustment), the middle column with the presets group, the filters, the size limits and
// the scan options, the run buttons below it, and the status line. It keeps its tree and
// path box in step and places its columns when it is resized; the window runs the scan.
class TSettingsPage : public QObject
{
    Q_OBJECT

public:
    // Adds the page to pages; presets is the presets group, placed at the top of the middle
    // column, and presetsTabOrder its controls in the order Tab takes them.
    TSettingsPage(TPartHost &host, QTabWidget *pages, QGroupBox *presets, const std::vector<QWidget *> &presetsTabOrder,
                  QObject *parent);

    // The change handlers wait until the window is complete.
    void FinishLoading() { FLoading = false; }

    // The controls that show the scan settings, as the table of settings takes them.
    TScanSettingControls SettingControls();
    // Why Start cannot run with what the page shows; empty when it can.
    QString StartBlocker() const;

    QPushButton *StartButton() const { return Button1; }
    QPushButton *StopButton() const { return Button2; }
    QPushButton *ExitButton() const { return Button3; }
    // The settings are disabled during a scan; the run buttons are not part of them.
    void SetSettingsEnabled(bool enabled);
    void SetStatusText(const QString &text);
    // The counts of a run beside the status text (empty: none), and whether the busy
    // indicator moves.
    void SetProgressText(const QString &text);
    void SetBusy(bool busy);
    // Selects both roots as the user would in the trees.
    void SelectFolders(const QString &source, const QString &destination);
    // The time adjustments and the margin, as a correction of a clock shift sets them.
    void SetTimeCorrection(int sourceAdjustment, int destinationAdjustment, int margin);

    // The texts that are no captions: tooltips and the trees' notes; after a language change.
    void ApplyTexts();
    // The time adjustment captions take no more room than their text needs; call after
    // changing their texts.
    void FitTimeLabels();
    // The width of the middle column: as wide as its captions need in the language in use;
    // resizing never changes it.
    int BuiltMiddleWidth() const { return Panel4Width; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *BuildSourceColumn(int side);
    void BuildMiddleColumn(QGroupBox *presets);
    void ConnectHandlers(const std::vector<QWidget *> &presetsTabOrder);
    // The page's width is shared between the side columns, the middle keeps its width.
    void PlaceSettingsColumns();
    void PlaceMiddleButtons();

    void JamShellTreeChange(int side);
    void JamPathEditChange(int side);
    // The tree's chosen folder went missing or came back.
    void JamShellTreeMissingChange(int side);
    void CheckBox1Click();
    void SpinEdit3Change();
    void SpinEdit4Change();

    TPartHost &FHost;
    bool FLoading = true;
    // A tree and its path box echo each other; the echo is not handled again.
    bool FSyncing = false;
    int Panel4Width = 0;

    // The controls, named as the program's texts and settings name them; each carries its
    // field's name as its object name.
    QWidget *TabSheet5 = nullptr;
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
    QLabel *StatusBar1Progress = nullptr;     // the counts of the run
    QProgressBar *StatusBar1Busy = nullptr;   // moves while a run works
};
