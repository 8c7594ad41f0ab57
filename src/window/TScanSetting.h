#pragma once

#include "window/TPreset.h"

#include <QString>

#include <functional>
#include <optional>
#include <variant>

class TfrmMain;
struct TScanOptions;

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
    std::function<TScanSettingValue(const TfrmMain &)> FromControls;
    std::function<void(TfrmMain &, const TScanSettingValue &)> ToControls;
    std::function<TScanSettingValue(const TPreset &)> FromPreset;
    std::function<void(TPreset &, const TScanSettingValue &)> ToPreset;
    // Empty for a setting that a run does not take.
    std::function<void(TScanOptions &, const TScanSettingValue &)> ToOptions;
};
