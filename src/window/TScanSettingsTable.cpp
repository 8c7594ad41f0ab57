#include "window/TScanSettingsTable.h"

#include "controls/TLabeledFloatSpinEdit.h"
#include "controls/TTimeAdjustEdit.h"
#include "engine/TScanOptions.h"
#include "registry/RegistryUtils.h"
#include "shell/TJamPathEdit.h"
#include "shell/TJamShellTree.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include <array>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

using TControls = TScanSettingControls;

// A root as the run takes it: absolute, ending with exactly one "/"; empty stays empty.
QString RootOf(const QString &folder)
{
    if (folder.isEmpty() || folder.endsWith(u'/'))
        return folder;
    return folder + u'/';
}

template <typename T> void KeptInPreset(TScanSetting &setting, T TPreset::*field)
{
    setting.FromPreset = [field](const TPreset &preset) { return TScanSettingValue(preset.*field); };
    setting.ToPreset = [field](TPreset &preset, const TScanSettingValue &value) { preset.*field = std::get<T>(value); };
}

// The unit is kept in a preset as ByteLen and stored as its integer value.
void UnitKeptInPreset(TScanSetting &setting, ByteLen TPreset::*field)
{
    setting.FromPreset = [field](const TPreset &preset) { return TScanSettingValue(qint32(preset.*field)); };
    setting.ToPreset = [field](TPreset &preset, const TScanSettingValue &value) {
        preset.*field = ByteLen(std::get<qint32>(value));
    };
}

template <typename T> std::function<void(TScanOptions &, const TScanSettingValue &)> Option(T TScanOptions::*field)
{
    return [field](TScanOptions &options, const TScanSettingValue &value) { options.*field = std::get<T>(value); };
}

TScanSetting Setting(const QString &name, const TScanSettingValue &storeDefault,
                     const std::optional<TScanSettingValue> &pageDefault)
{
    TScanSetting setting;
    setting.Name = name;
    setting.StoreDefault = storeDefault;
    setting.PageDefault = pageDefault;
    return setting;
}

TScanSetting Folder(const QString &name, QString TPreset::*field, QString TScanOptions::*option, int side)
{
    TScanSetting setting = Setting(name, QString(), std::nullopt);
    // The tree's folder, not the path box's text: a half-typed path is not a folder.
    setting.FromControls = [side](const TControls &controls) {
        return TScanSettingValue((side == 1 ? controls.JamShellTree1 : controls.JamShellTree2)->SelectedFolder());
    };
    // The tree follows its path box, and only to a folder that exists: a folder that is gone
    // leaves the tree where it was.
    setting.ToControls = [side](const TControls &controls, const TScanSettingValue &value) {
        TScanSettingsTable::ShowFolder(controls, side, std::get<QString>(value));
    };
    KeptInPreset(setting, field);
    setting.ToOptions = [option](TScanOptions &options, const TScanSettingValue &value) {
        options.*option = RootOf(std::get<QString>(value));
    };
    return setting;
}

TScanSetting Switch(const QString &name, bool storeDefault, bool pageDefault, QCheckBox *TControls::*box,
                    bool TPreset::*field, bool TScanOptions::*option)
{
    TScanSetting setting = Setting(name, storeDefault, pageDefault);
    setting.FromControls = [box](const TControls &controls) { return TScanSettingValue((controls.*box)->isChecked()); };
    setting.ToControls = [box](const TControls &controls, const TScanSettingValue &value) {
        (controls.*box)->setChecked(std::get<bool>(value));
    };
    KeptInPreset(setting, field);
    if (option)
        setting.ToOptions = Option(option);
    return setting;
}

TScanSetting Size(const QString &name, TLabeledFloatSpinEdit *TControls::*edit, float TPreset::*field,
                  float TScanOptions::*option)
{
    TScanSetting setting = Setting(name, 0.0f, 0.0f);
    setting.FromControls = [edit](const TControls &controls) {
        return TScanSettingValue(float((controls.*edit)->Value()));
    };
    setting.ToControls = [edit](const TControls &controls, const TScanSettingValue &value) {
        (controls.*edit)->SetValue(std::get<float>(value));
    };
    KeptInPreset(setting, field);
    setting.ToOptions = Option(option);
    return setting;
}

TScanSetting Unit(const QString &name, std::array<QRadioButton * TControls::*, 3> buttons, ByteLen TPreset::*field,
                  float TScanOptions::*factor)
{
    TScanSetting setting = Setting(name, qint32(blByte), qint32(blKB));
    setting.FromControls = [buttons](const TControls &controls) {
        return TScanSettingValue(qint32(TScanSettingsTable::UnitOf(controls.*buttons[0], controls.*buttons[1])));
    };
    setting.ToControls = [buttons](const TControls &controls, const TScanSettingValue &value) {
        TScanSettingsTable::CheckUnit(ByteLen(std::get<qint32>(value)), controls.*buttons[0], controls.*buttons[1],
                                      controls.*buttons[2]);
    };
    UnitKeptInPreset(setting, field);
    setting.ToOptions = [factor](TScanOptions &options, const TScanSettingValue &value) {
        options.*factor = TScanSettingsTable::FactorOf(ByteLen(std::get<qint32>(value)));
    };
    return setting;
}

TScanSetting TimeAdjustment(const QString &name, TTimeAdjustEdit *TControls::*edit, qint32 TPreset::*field,
                            qint32 TScanOptions::*option)
{
    TScanSetting setting = Setting(name, qint32(0), qint32(0));
    setting.FromControls = [edit](const TControls &controls) {
        return TScanSettingValue(qint32((controls.*edit)->Value()));
    };
    setting.ToControls = [edit](const TControls &controls, const TScanSettingValue &value) {
        (controls.*edit)->SetValue(std::get<qint32>(value));
    };
    KeptInPreset(setting, field);
    setting.ToOptions = Option(option);
    return setting;
}

std::vector<TScanSetting> BuildSettings()
{
    std::vector<TScanSetting> settings;
    settings.push_back(Folder(u"srcPath"_s, &TPreset::srcPath, &TScanOptions::srcPath, 1));
    settings.push_back(Folder(u"dstPath"_s, &TPreset::dstPath, &TScanOptions::dstPath, 2));

    TScanSetting filter = Setting(u"Filter"_s, QString(), u"*"_s);
    filter.FromControls = [](const TControls &controls) { return TScanSettingValue(controls.LabeledEdit1->text()); };
    filter.ToControls = [](const TControls &controls, const TScanSettingValue &value) {
        controls.LabeledEdit1->setText(std::get<QString>(value));
    };
    KeptInPreset(filter, &TPreset::Filter);
    filter.ToOptions = Option(&TScanOptions::Filter);
    settings.push_back(filter);

    settings.push_back(Switch(u"RevFilterLogic"_s, false, false, &TControls::CheckBox4, &TPreset::RevFilterLogic,
                              &TScanOptions::RevFilterLogic));
    settings.push_back(
        Size(u"MinFileSize"_s, &TControls::SpinEdit3, &TPreset::MinFileSize, &TScanOptions::MinFileSize));
    settings.push_back(Unit(u"MinSizeMult"_s,
                            {&TControls::RadioButton1, &TControls::RadioButton2, &TControls::RadioButton3},
                            &TPreset::MinSizeMult, &TScanOptions::MinSizeFactor));
    settings.push_back(
        Size(u"MaxFileSize"_s, &TControls::SpinEdit4, &TPreset::MaxFileSize, &TScanOptions::MaxFileSize));
    settings.push_back(Unit(u"MaxSizeMult"_s,
                            {&TControls::RadioButton4, &TControls::RadioButton5, &TControls::RadioButton6},
                            &TPreset::MaxSizeMult, &TScanOptions::MaxSizeFactor));
    // Hidden folders only change what the two trees show; whether a run walks them follows
    // IncHiddenFiles.
    settings.push_back(
        Switch(u"IncHiddenFldr"_s, false, false, &TControls::CheckBox1, &TPreset::IncHiddenFldr, nullptr));
    settings.push_back(Switch(u"IncHiddenFiles"_s, false, false, &TControls::CheckBox2, &TPreset::IncHiddenFiles,
                              &TScanOptions::IncHiddenFiles));
    settings.push_back(Switch(u"DupByContent"_s, true, true, &TControls::CheckBox3, &TPreset::DupByContent,
                              &TScanOptions::DupByContent));
    settings.push_back(Switch(u"DoSubFolders"_s, true, true, &TControls::CheckBox8, &TPreset::DoSubFolders,
                              &TScanOptions::DoSubFolders));
    settings.push_back(
        TimeAdjustment(u"srcTimeZ"_s, &TControls::SpinEdit1, &TPreset::srcTimeZ, &TScanOptions::srcTimeZ));
    settings.push_back(
        TimeAdjustment(u"dstTimeZ"_s, &TControls::SpinEdit2, &TPreset::dstTimeZ, &TScanOptions::dstTimeZ));

    // The margin is whole seconds: the edit's value truncated toward zero.
    TScanSetting margin = Setting(u"MrgErrSec"_s, qint32(0), qint32(0));
    margin.FromControls = [](const TControls &controls) {
        return TScanSettingValue(qint32(std::trunc(controls.SpinEdit5->Value())));
    };
    margin.ToControls = [](const TControls &controls, const TScanSettingValue &value) {
        controls.SpinEdit5->SetValue(std::get<qint32>(value));
    };
    KeptInPreset(margin, &TPreset::MrgErrSec);
    margin.ToOptions = Option(&TScanOptions::MrgErrSec);
    settings.push_back(margin);

    // Not a setting of the scan but of the copies made from its lists.
    TScanSetting keep = Switch(u"KeepReplaced"_s, true, true, &TControls::CheckBox9, &TPreset::KeepReplaced, nullptr);
    keep.ToCopyOptions = [](TCopyOptions &options, const TScanSettingValue &value) {
        options.KeepReplaced = std::get<bool>(value);
    };
    settings.push_back(keep);
    return settings;
}

TScanSettingValue ReadValue(const QString &path, const TScanSettingValue &defaultValue)
{
    return std::visit(
        [&path](const auto &value) -> TScanSettingValue {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, QString>)
                return ReadString(path, value);
            else if constexpr (std::is_same_v<T, bool>)
                return ReadBool(path, value);
            else if constexpr (std::is_same_v<T, float>)
                return ReadFloat(path, value);
            else
                return ReadInteger(path, value);
        },
        defaultValue);
}

void WriteValue(const QString &path, const TScanSettingValue &value)
{
    std::visit(
        [&path](const auto &v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, QString>)
                WriteString(path, v);
            else if constexpr (std::is_same_v<T, bool>)
                WriteBool(path, v);
            else if constexpr (std::is_same_v<T, float>)
                WriteFloat(path, v);
            else
                WriteInteger(path, v);
        },
        value);
}

} // namespace

const std::vector<TScanSetting> &TScanSettingsTable::Settings()
{
    static const std::vector<TScanSetting> settings = BuildSettings();
    return settings;
}

void TScanSettingsTable::ControlsToOptions(const TScanSettingControls &controls, TScanOptions &options)
{
    for (const TScanSetting &setting : Settings()) {
        if (setting.ToOptions)
            setting.ToOptions(options, setting.FromControls(controls));
    }
}

TCopyOptions TScanSettingsTable::ControlsToCopyOptions(const TScanSettingControls &controls)
{
    TCopyOptions options;
    for (const TScanSetting &setting : Settings()) {
        if (setting.ToCopyOptions)
            setting.ToCopyOptions(options, setting.FromControls(controls));
    }
    return options;
}

void TScanSettingsTable::ControlsToPreset(const TScanSettingControls &controls, TPreset &preset)
{
    for (const TScanSetting &setting : Settings())
        setting.ToPreset(preset, setting.FromControls(controls));
}

void TScanSettingsTable::PresetToControls(const TPreset &preset, const TScanSettingControls &controls)
{
    for (const TScanSetting &setting : Settings())
        setting.ToControls(controls, setting.FromPreset(preset));
}

void TScanSettingsTable::ShowPageDefaults(const TScanSettingControls &controls)
{
    for (const TScanSetting &setting : Settings()) {
        if (setting.PageDefault)
            setting.ToControls(controls, *setting.PageDefault);
    }
}

TPreset TScanSettingsTable::StoreDefaults(const QString &title)
{
    TPreset preset;
    preset.Title = title;
    for (const TScanSetting &setting : Settings())
        setting.ToPreset(preset, setting.StoreDefault);
    return preset;
}

TPreset TScanSettingsTable::ReadPreset(const QString &key, const QString &title)
{
    TPreset preset;
    preset.Title = title;
    for (const TScanSetting &setting : Settings())
        setting.ToPreset(preset, ReadValue(key + setting.Name, setting.StoreDefault));
    return preset;
}

void TScanSettingsTable::WritePreset(const QString &key, const TPreset &preset)
{
    for (const TScanSetting &setting : Settings())
        WriteValue(key + setting.Name, setting.FromPreset(preset));
}

void TScanSettingsTable::ShowFolder(const TScanSettingControls &controls, int side, const QString &folder)
{
    (side == 1 ? controls.JamPathEdit1 : controls.JamPathEdit2)->SetPath(folder);
    controls.JamPathEditChange(side);
}

ByteLen TScanSettingsTable::UnitOf(const QRadioButton *byte, const QRadioButton *kb)
{
    if (byte->isChecked())
        return blByte;
    return kb->isChecked() ? blKB : blMB;
}

void TScanSettingsTable::CheckUnit(ByteLen unit, QRadioButton *byte, QRadioButton *kb, QRadioButton *mb)
{
    if (unit == blByte)
        byte->setChecked(true);
    else if (unit == blKB)
        kb->setChecked(true);
    else
        mb->setChecked(true);
}

float TScanSettingsTable::FactorOf(ByteLen unit)
{
    if (unit == blByte)
        return 1;
    return unit == blKB ? 1024 : 1048576;
}
