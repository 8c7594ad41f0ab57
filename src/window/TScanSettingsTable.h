#pragma once

#include "platform/TCopyOptions.h"
#include "window/TScanSetting.h"

#include <vector>

class QRadioButton;

// The scan settings of the settings page, each described once (TScanSetting), and the copies
// between the window's controls, a run's options, a preset and the store that all go through
// that description.
class TScanSettingsTable
{
public:
    // Every setting a preset keeps, in the order its values are read and written.
    static const std::vector<TScanSetting> &Settings();

    // A run's options from the controls; the two roots end with exactly one "/".
    static void ControlsToOptions(const TScanSettingControls &controls, TScanOptions &options);
    // How the copies from the result lists are made, from the controls.
    static TCopyOptions ControlsToCopyOptions(const TScanSettingControls &controls);
    // Every setting of the preset from the controls; the title stays.
    static void ControlsToPreset(const TScanSettingControls &controls, TPreset &preset);
    static void PresetToControls(const TPreset &preset, const TScanSettingControls &controls);
    // The values the settings page starts with; the trees keep their folders.
    static void ShowPageDefaults(const TScanSettingControls &controls);

    // A preset whose every setting is what the store gives for a missing value.
    static TPreset StoreDefaults(const QString &title);
    // The values below key (ending with "\"), each missing one with its default.
    static TPreset ReadPreset(const QString &key, const QString &title);
    static void WritePreset(const QString &key, const TPreset &preset);

    // A size unit and its radio buttons (Bytes, KB, MB): the first checked of Bytes and KB,
    // else MB.
    static ByteLen UnitOf(const QRadioButton *byte, const QRadioButton *kb);
    static void CheckUnit(ByteLen unit, QRadioButton *byte, QRadioButton *kb, QRadioButton *mb);
    // Bytes per unit: 1, 1024 or 1048576.
    static float FactorOf(ByteLen unit);

    // Moves the tree of side 1 (source) or 2 (destination) as its path box would.
    static void ShowFolder(const TScanSettingControls &controls, int side, const QString &folder);
};
