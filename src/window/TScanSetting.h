#pragma once

#include "window/TPreset.h"

#include <QString>

#include <functional>
#include <optional>
#include <variant>

class QCheckBox;
class QLineEdit;
class QRadioButton;
class TJamPathEdit;
class TJamShellTree;
class TLabeledFloatSpinEdit;
class TTimeAdjustEdit;
struct TCopyOptions;
struct TScanOptions;

// The settings page's controls that show the scan settings, named as the window's fields,
// and the window's handler of a typed path (side 1: source, 2: destination).
struct TScanSettingControls
{
    TJamShellTree *JamShellTree1 = nullptr;
    TJamShellTree *JamShellTree2 = nullptr;
    TJamPathEdit *JamPathEdit1 = nullptr;
    TJamPathEdit *JamPathEdit2 = nullptr;
    QLineEdit *LabeledEdit1 = nullptr; // the filter
    QCheckBox *CheckBox4 = nullptr;    // reverse filter logic
    TLabeledFloatSpinEdit *SpinEdit3 = nullptr;
    QRadioButton *RadioButton1 = nullptr;
    QRadioButton *RadioButton2 = nullptr;
    QRadioButton *RadioButton3 = nullptr;
    TLabeledFloatSpinEdit *SpinEdit4 = nullptr;
    QRadioButton *RadioButton4 = nullptr;
    QRadioButton *RadioButton5 = nullptr;
    QRadioButton *RadioButton6 = nullptr;
    QCheckBox *CheckBox1 = nullptr; // hidden folders
    QCheckBox *CheckBox2 = nullptr; // hidden files
    QCheckBox *CheckBox3 = nullptr; // duplicates by content
    QCheckBox *CheckBox8 = nullptr; // subfolders
    QCheckBox *CheckBox9 = nullptr; // keep replaced files in the trash
    TTimeAdjustEdit *SpinEdit1 = nullptr;
    TTimeAdjustEdit *SpinEdit2 = nullptr;
    TLabeledFloatSpinEdit *SpinEdit5 = nullptr; // the margin
    std::function<void(int side)> JamPathEditChange;
};

// A setting's value in the kind the store keeps it: string, bool, float or integer.
using TScanSettingValue = std::variant<QString, bool, float, qint32>;

// One setting of the settings page, described once: where the window shows it, where a preset
// and a run keep it, and how the store keeps it.
struct TScanSetting
{
    // The stored value's name below a preset's key, with exactly its letters and case; the
    // preset field and, where there is one, the run's option field carry the same name.
    QString Name;
    // What the store gives for a preset without this value; its alternative is the stored kind.
    TScanSettingValue StoreDefault;
    // What the settings page shows when the window is built; none for the two folders,
    // which the trees start without.
    std::optional<TScanSettingValue> PageDefault;
    std::function<TScanSettingValue(const TScanSettingControls &)> FromControls;
    std::function<void(const TScanSettingControls &, const TScanSettingValue &)> ToControls;
    std::function<TScanSettingValue(const TPreset &)> FromPreset;
    std::function<void(TPreset &, const TScanSettingValue &)> ToPreset;
    // Empty for a setting that a run does not take.
    std::function<void(TScanOptions &, const TScanSettingValue &)> ToOptions;
    // Empty for a setting that the copies from the lists do not take.
    std::function<void(TCopyOptions &, const TScanSettingValue &)> ToCopyOptions;
};
