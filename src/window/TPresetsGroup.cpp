#include "window/TPresetsGroup.h"

#include "platform/TAsciiCase.h"
#include "registry/RegistryUtils.h"
#include "window/TPartHost.h"
#include "window/TPrompts.h"
#include "window/TScanSettingsTable.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScopeGuard>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Where the program kept its presets before it was renamed; read once, at the first start.
const QString OldRootPath = u"\\Software\\Orvane Studio\\Foldermate Pro"_s;

QString PresetKey(const QString &title)
{
    return u"Presets\\"_s + title + u'\\';
}

QString WithoutBackslashes(QString title)
{
    return title.replace(u'\\', u'_');
}

// Without the leading and trailing blanks and control characters.
QString TrimmedTitle(const QString &title)
{
    qsizetype first = 0;
    qsizetype last = title.size();
    while (first < last && title.at(first).unicode() <= 32)
        ++first;
    while (last > first && title.at(last - 1).unicode() <= 32)
        --last;
    return title.mid(first, last - first);
}

// The older program numbered its presets from 1, each below a key of at least four
// upper-case hexadecimal digits.
QString OldPresetName(qint32 index)
{
    return QString::number(index, 16).toUpper().rightJustified(4, u'0');
}

} // namespace

TPresetsGroup::TPresetsGroup(TPartHost &host, std::function<TScanSettingControls()> settingControls, QObject *parent)
    : QObject(parent)
    , FHost(host)
    , FSettingControls(std::move(settingControls))
{
    GroupBox1 = new QGroupBox;
    GroupBox1->setObjectName(u"GroupBox1"_s);
    FHost.ApplyCaption(GroupBox1);
    auto *presetRow = new QHBoxLayout(GroupBox1);
    presetRow->setContentsMargins(8, 4, 8, 6);
    ComboBox1 = new QComboBox(GroupBox1);
    ComboBox1->setObjectName(u"ComboBox1"_s);
    ComboBox1->setMaxVisibleItems(32);
    Button4 = new QPushButton(GroupBox1);
    Button4->setObjectName(u"Button4"_s);
    FHost.ApplyCaption(Button4);
    Button5 = new QPushButton(GroupBox1);
    Button5->setObjectName(u"Button5"_s);
    FHost.ApplyCaption(Button5);
    presetRow->addWidget(ComboBox1, 1);
    presetRow->addWidget(Button4);
    presetRow->addWidget(Button5);

    connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this] { FHost.UpdateRunControls(); });
    connect(ComboBox1, &QComboBox::activated, this, &TPresetsGroup::ComboBox1Change);
    connect(Button4, &QPushButton::clicked, this, &TPresetsGroup::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TPresetsGroup::Button5Click);
}

std::vector<QWidget *> TPresetsGroup::TabOrder() const
{
    return {ComboBox1, Button4, Button5};
}

void TPresetsGroup::UpdateButtons(bool mayAdd)
{
    Button4->setEnabled(mayAdd);
    Button5->setEnabled(ComboBox1->currentIndex() >= 0);
}

int TPresetsGroup::AddPresetTitle(const QString &title)
{
    // Sorted without regard to case, as the user reads the list.
    int row = 0;
    while (row < ComboBox1->count()
           && QString::localeAwareCompare(ComboBox1->itemText(row).toCaseFolded(), title.toCaseFolded()) <= 0)
        ++row;
    ComboBox1->insertItem(row, title);
    return row;
}

int TPresetsGroup::ListedPreset(const QString &title) const
{
    for (int row = 0; row < ComboBox1->count(); ++row) {
        // Titles are matched as the store matches its keys.
        if (TAsciiCase::Same(ComboBox1->itemText(row), title))
            return row;
    }
    return -1;
}

void TPresetsGroup::LoadPresetList()
{
    // Adding to an empty list chooses its first entry; after a load nothing is chosen, also
    // when a damaged preset ends the load early: a preset shown as chosen while the controls
    // hold something else would be overwritten by the next Add.
    const auto nothingChosen = qScopeGuard([this] { ComboBox1->setCurrentIndex(-1); });
    ComboBox1->clear();
    FPresets.clear();
    QStringList titles;
    ListSubkeys(u"Presets"_s, titles);
    for (const QString &title : titles) {
        FPresets.push_back(TScanSettingsTable::ReadPreset(PresetKey(title), title));
        AddPresetTitle(title);
    }
}

void TPresetsGroup::SavePreset()
{
    const QString title = ComboBox1->currentText();
    if (title.isEmpty())
        return;
    auto entry = std::find_if(FPresets.begin(), FPresets.end(),
                              [&title](const TPreset &preset) { return TAsciiCase::Same(preset.Title, title); });
    if (entry == FPresets.end())
        entry = FPresets.insert(FPresets.end(), TPreset());
    TPreset &preset = *entry;
    preset.Title = title;
    TScanSettingsTable::ControlsToPreset(FSettingControls(), preset);
    TScanSettingsTable::WritePreset(PresetKey(title), preset);
}

void TPresetsGroup::ApplyPreset()
{
    const QString title = ComboBox1->currentText();
    const auto entry = std::find_if(FPresets.begin(), FPresets.end(),
                                    [&title](const TPreset &preset) { return TAsciiCase::Same(preset.Title, title); });
    if (title.isEmpty() || entry == FPresets.end())
        return;
    TScanSettingsTable::PresetToControls(*entry, FSettingControls());
}

void TPresetsGroup::ComboBox1Change()
{
    ApplyPreset();
    FHost.UpdateRunControls();
}

void TPresetsGroup::Button4Click()
{
    QString proposed = TrimmedTitle(ComboBox1->currentText());
    if (proposed.isEmpty())
        proposed = FHost.Text(tlUntitledPreset);
    bool ok = false;
    QString title =
        FHost.Prompts().InputText(FHost.Text(tlAddPresetTitle), FHost.Text(tlAddPresetPrompt), proposed, &ok);
    if (!ok || title.isEmpty())
        return;
    // The title is a key name in the store, where a backslash separates keys.
    title = WithoutBackslashes(title);

    // A title the list already shows, in any letter case, replaces that preset, and only
    // after the user agreed. The preset keeps the spelling it is stored under.
    const int listed = ListedPreset(title);
    if (listed >= 0) {
        if (!FHost.Prompts().Confirm(FHost.Text(tlOverwritePreset)))
            return;
        title = ComboBox1->itemText(listed);
        ComboBox1->removeItem(listed);
    }
    ComboBox1->setCurrentIndex(AddPresetTitle(title));
    FHost.UpdateRunControls();
    SavePreset();
}

void TPresetsGroup::Button5Click()
{
    const int chosen = ComboBox1->currentIndex();
    if (chosen < 0 || !FHost.Prompts().Confirm(FHost.Text(tlRemovePresetQuestion)))
        return;
    DeleteEntry(u"Presets\\"_s + ComboBox1->currentText());
    ComboBox1->removeItem(chosen);
    ComboBox1->setCurrentIndex(-1);
    // The entry that took its place, or the one before it when the last was removed.
    ComboBox1->setCurrentIndex(chosen < ComboBox1->count() ? chosen : chosen - 1);
    ComboBox1Change();
}

void TPresetsGroup::ImportOldPresets()
{
    if (!ReadBool(u"FirstPass"_s, true))
        return;
    // Tried once only, even when it fails.
    WriteBool(u"FirstPass"_s, false);

    const QString kept = RootPath();
    auto restoreRoot = qScopeGuard([&kept] { SetRootPath(kept); });
    SetRootPath(OldRootPath);
    const qint32 count = ReadInteger(u"Presets\\Count"_s, 0);

    // Only the numbered keys that exist are read: a damaged count cannot make the import
    // run for ages, nor fill the old settings with empty presets.
    QStringList keys;
    ListSubkeys(u"Presets"_s, keys);
    std::vector<qint32> indices;
    for (const QString &key : keys) {
        bool number = false;
        const qint32 index = qint32(key.toUInt(&number, 16));
        if (number && index >= 1 && index <= count && TAsciiCase::Same(key, OldPresetName(index)))
            indices.push_back(index);
    }
    std::sort(indices.begin(), indices.end());

    for (const qint32 index : indices) {
        const QString key = u"Presets\\"_s + OldPresetName(index) + u'\\';
        const QString caption = ReadString(key + u"Caption"_s, QString());
        if (caption.isEmpty())
            continue;
        TPreset preset = TScanSettingsTable::StoreDefaults(WithoutBackslashes(caption));
        preset.srcPath = ReadString(key + u"SrcPath"_s, QString());
        preset.dstPath = ReadString(key + u"DstPath"_s, QString());
        preset.Filter = ReadString(key + u"InclFilters"_s, QString());
        const QString excluded = ReadString(key + u"ExclFilters"_s, QString());
        // The older program kept two filters; ours has one with a reverse switch, which
        // can carry the exclusions only when there is nothing to include.
        if (preset.Filter.isEmpty() && !excluded.isEmpty()) {
            preset.RevFilterLogic = true;
            preset.Filter = excluded;
        }
        preset.IncHiddenFldr = ReadBool(key + u"DoHidden"_s, false);
        preset.IncHiddenFiles = preset.IncHiddenFldr;
        preset.DupByContent = ReadBool(key + u"ByContent"_s, true);
        preset.DoSubFolders = ReadBool(key + u"DoSubs"_s, true);
        FPresets.push_back(preset);

        SetRootPath(kept);
        TScanSettingsTable::WritePreset(PresetKey(preset.Title), preset);
        SetRootPath(OldRootPath);
    }
    SetRootPath(kept);
    LoadPresetList();
}
