#pragma once

#include "window/TPreset.h"

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class QComboBox;
class QGroupBox;
class QPushButton;
class QWidget;
class TPartHost;
struct TScanSettingControls;

// The presets group of the settings page: the stored presets by title, with Add and
// Remove. Choosing a preset shows its settings on the page; Add stores what the page shows.
class TPresetsGroup : public QObject
{
    Q_OBJECT

public:
    // settingControls: the page's controls that show the settings a preset keeps.
    TPresetsGroup(TPartHost &host, std::function<TScanSettingControls()> settingControls, QObject *parent);

    // The group as built, for the settings page to place.
    QGroupBox *Group() const { return GroupBox1; }
    // Its controls in the order Tab takes them.
    std::vector<QWidget *> TabOrder() const;
    // Add follows Start: what cannot be scanned is not worth keeping. Remove needs a choice.
    void UpdateButtons(bool mayAdd);

    // The table of stored presets and the list that shows them.
    void LoadPresetList();
    void SavePreset();
    void ApplyPreset();
    void ComboBox1Change(); // the user chose a preset
    void Button4Click();    // Add
    void Button5Click();    // Remove
    // Once, at the first start: the presets of the program's older settings.
    void ImportOldPresets();
    const std::vector<TPreset> &Presets() const { return FPresets; }

private:
    int AddPresetTitle(const QString &title);
    int ListedPreset(const QString &title) const;

    TPartHost &FHost;
    std::function<TScanSettingControls()> FSettingControls;
    QGroupBox *GroupBox1 = nullptr;
    QComboBox *ComboBox1 = nullptr;
    QPushButton *Button4 = nullptr;
    QPushButton *Button5 = nullptr;
    std::vector<TPreset> FPresets;
};
