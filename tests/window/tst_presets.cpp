// Presets through the window: the Add and Remove flows with their questions, a preset
// coming back into every control, and the one-time import of the older program's presets.

#include "TWindowFixture.h"

#include "controls/TLabeledFloatSpinEdit.h"
#include "controls/TTimeAdjustEdit.h"
#include "platform/TSettingsHive.h"
#include "registry/ERegistryError.h"
#include "registry/RegistryUtils.h"
#include "shell/TJamPathEdit.h"
#include "shell/TJamShellTree.h"
#include "window/TPresetsGroup.h"
#include "window/TScanSettingsTable.h"
#include "window/TfrmMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString OldRoot = u"\\Software\\Orvane Studio\\Foldermate Pro"_s;

QStringList StoredTitles()
{
    QStringList titles;
    ListSubkeys(u"Presets"_s, titles);
    return titles;
}

QStringList ListedTitles(const QComboBox *box)
{
    QStringList titles;
    for (int row = 0; row < box->count(); ++row)
        titles.append(box->itemText(row));
    return titles;
}

// Writes into the older program's settings and returns to ours.
template <typename F> void InOldRoot(F write)
{
    const QString kept = RootPath();
    SetRootPath(OldRoot);
    write();
    SetRootPath(kept);
}

} // namespace

class tst_Presets : public QObject, TWindowFixture
{
    Q_OBJECT

private:
    QString Folder(const QString &name) const
    {
        const QString path = FProgram->filePath(name);
        QDir().mkpath(path);
        return path;
    }

    QComboBox *PresetList() const { return Find<QComboBox>(*FWindow, "ComboBox1"); }

    // As the user picks an entry from the list.
    void Choose(const QString &title)
    {
        const int row = PresetList()->findText(title);
        QVERIFY(row >= 0);
        PresetList()->setCurrentIndex(row);
        Q_EMIT PresetList()->activated(row);
    }

    void Add(const QString &answer)
    {
        FPrompts.InputAnswer = answer;
        FWindow->PresetsGroup().Button4Click();
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(SetUpProgram());
        NewWindow();
    }

    void cleanup() { TearDownProgram(); }

    void emptyStoreShowsNothingToRemove()
    {
        QCOMPARE(PresetList()->count(), 0);
        QCOMPARE(PresetList()->currentIndex(), -1);
        QVERIFY(!Find<QPushButton>(*FWindow, "Button5")->isEnabled());
    }

    void addStoresUnderTheEnteredTitle_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("stored");
        QTest::newRow("proposed") << QString() << u"Untitled"_s;
        QTest::newRow("backslash") << u"a\\b"_s << u"a_b"_s;
        QTest::newRow("blanks kept") << u" x "_s << u" x "_s;
    }

    void addStoresUnderTheEnteredTitle()
    {
        QFETCH(QString, answer);
        QFETCH(QString, stored);
        Add(answer);
        QCOMPARE(FPrompts.Asked, QStringList{u"input: Enter title for new preset:"_s});
        QCOMPARE(StoredTitles(), QStringList{stored});
        QCOMPARE(PresetList()->currentText(), stored);
        QVERIFY(Find<QPushButton>(*FWindow, "Button5")->isEnabled());
    }

    void addCancelledChangesNothing()
    {
        FPrompts.InputAccepted = false;
        Add(u"Work"_s);
        QCOMPARE(StoredTitles(), QStringList());
        QCOMPARE(PresetList()->count(), 0);
    }

    void overwriteAsksFirst_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("filter");
        QTest::newRow("proposed, yes") << QString() << true << u"*.new"_s;
        QTest::newRow("proposed, no") << QString() << false << u"*.old"_s;
        QTest::newRow("other case, yes") << u"WORK"_s << true << u"*.new"_s;
        QTest::newRow("other case, no") << u"WORK"_s << false << u"*.old"_s;
    }

    void overwriteAsksFirst()
    {
        QFETCH(QString, answer);
        QFETCH(bool, yes);
        QFETCH(QString, filter);
        Find<QLineEdit>(*FWindow, "LabeledEdit1")->setText(u"*.old"_s);
        Add(u"Work"_s);
        Add(u"Other"_s);
        Choose(u"Work"_s);
        Find<QLineEdit>(*FWindow, "LabeledEdit1")->setText(u"*.new"_s);
        FPrompts = TScriptedPrompts();
        FPrompts.ConfirmAnswer = yes;

        Add(answer);

        QCOMPARE(FPrompts.Asked, (QStringList{u"input: Enter title for new preset:"_s,
                                              u"confirm: Preset already exist. Overwrite?"_s}));
        QCOMPARE(ListedTitles(PresetList()), (QStringList{u"Other"_s, u"Work"_s}));
        QCOMPARE(StoredTitles(), (QStringList{u"Other"_s, u"Work"_s}));
        QCOMPARE(ReadString(u"Presets\\Work\\Filter"_s, QString()), filter);
    }

    void listIsSortedWithoutCase()
    {
        for (const QString &title : {u"beta"_s, u"Alpha"_s, u"gamma"_s, u"Delta"_s})
            Add(title);
        QCOMPARE(ListedTitles(PresetList()), (QStringList{u"Alpha"_s, u"beta"_s, u"Delta"_s, u"gamma"_s}));
        NewWindow();
        QCOMPARE(ListedTitles(PresetList()), (QStringList{u"Alpha"_s, u"beta"_s, u"Delta"_s, u"gamma"_s}));
        QCOMPARE(PresetList()->currentIndex(), -1);
    }

    // Every setting, set on the page, goes into a run's options and into a preset, and comes
    // back from the store into the same control. The rows give each switch a different
    // pattern, and the two sides of each pair different values, so that a setting taken
    // from another control fails.
    void everySettingGoesIntoTheRunAndThePreset_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QList<bool>>("switches"); // CheckBox4, CheckBox2, CheckBox3, CheckBox8, CheckBox1, CheckBox9
        QTest::addColumn<double>("minimum");
        QTest::addColumn<int>("minUnit"); // 0 Bytes, 1 KB, 2 MB
        QTest::addColumn<double>("maximum");
        QTest::addColumn<int>("maxUnit");
        QTest::addColumn<int>("srcZ");
        QTest::addColumn<int>("dstZ");
        QTest::addColumn<int>("margin");
        QTest::newRow("a") << u"*.txt;*.doc"_s << QList<bool>{true, true, false, false, true, false} << 1.5 << 0 << 20.0
                           << 2 << -3600 << 7200 << 2;
        QTest::newRow("b") << u"a*"_s << QList<bool>{false, true, true, false, false, true} << 2.0 << 0 << 7.0 << 1
                           << 9999 << -9999 << 86400;
        QTest::newRow("c") << u"*.log"_s << QList<bool>{true, false, true, true, false, false} << 0.25 << 2 << 30.0 << 2
                           << 1 << 0 << 59;
    }

    void everySettingGoesIntoTheRunAndThePreset()
    {
        QFETCH(QString, filter);
        QFETCH(QList<bool>, switches);
        QFETCH(double, minimum);
        QFETCH(int, minUnit);
        QFETCH(double, maximum);
        QFETCH(int, maxUnit);
        QFETCH(int, srcZ);
        QFETCH(int, dstZ);
        QFETCH(int, margin);
        const QString src = Folder(u"src"_s);
        const QString dst = Folder(u"dst"_s);
        const float factors[] = {1, 1024, 1048576};
        TfrmMain &w = *FWindow;
        const auto minUnits = FindAll<QRadioButton>(w, {"RadioButton1", "RadioButton2", "RadioButton3"});
        const auto maxUnits = FindAll<QRadioButton>(w, {"RadioButton4", "RadioButton5", "RadioButton6"});
        const auto boxes =
            FindAll<QCheckBox>(w, {"CheckBox4", "CheckBox2", "CheckBox3", "CheckBox8", "CheckBox1", "CheckBox9"});
        Find<TJamShellTree>(w, "JamShellTree1")->SetSelectedFolder(src);
        Find<TJamShellTree>(w, "JamShellTree2")->SetSelectedFolder(dst);
        Find<QLineEdit>(w, "LabeledEdit1")->setText(filter);
        for (int i = 0; i < 6; ++i)
            boxes[i]->setChecked(switches[i]);
        Find<TLabeledFloatSpinEdit>(w, "SpinEdit3")->SetValue(minimum);
        minUnits[minUnit]->setChecked(true);
        Find<TLabeledFloatSpinEdit>(w, "SpinEdit4")->SetValue(maximum);
        maxUnits[maxUnit]->setChecked(true);
        Find<TTimeAdjustEdit>(w, "SpinEdit1")->SetValue(srcZ);
        Find<TTimeAdjustEdit>(w, "SpinEdit2")->SetValue(dstZ);
        Find<TLabeledFloatSpinEdit>(w, "SpinEdit5")->SetValue(margin);

        QSignalSpy done(&w, &TfrmMain::ScanCompleted);
        w.Start();
        const TScanOptions &o = w.LastScanOptions();
        QCOMPARE(o.srcPath, src + u'/');
        QCOMPARE(o.dstPath, dst + u'/');
        QCOMPARE(o.Filter, filter);
        QCOMPARE(o.RevFilterLogic, switches[0]);
        QCOMPARE(o.IncHiddenFiles, switches[1]);
        QCOMPARE(o.DupByContent, switches[2]);
        QCOMPARE(o.DoSubFolders, switches[3]);
        QCOMPARE(o.MinFileSize, float(minimum));
        QCOMPARE(o.MinSizeFactor, factors[minUnit]);
        QCOMPARE(o.MaxFileSize, float(maximum));
        QCOMPARE(o.MaxSizeFactor, factors[maxUnit]);
        QCOMPARE(o.srcTimeZ, srcZ);
        QCOMPARE(o.dstTimeZ, dstZ);
        QCOMPARE(o.MrgErrSec, margin);
        // Not a scan option: the copies from the lists take it.
        TScanSettingControls keepBox;
        keepBox.CheckBox9 = boxes[5];
        QCOMPARE(TScanSettingsTable::ControlsToCopyOptions(keepBox).KeepReplaced, switches[5]);
        QVERIFY(done.wait(20000));

        Add(u"Everything"_s);
        // Stored under the names, letter for letter, and in the kinds presets have always
        // had; a value of another kind is refused by the typed read.
        QCOMPARE(SettingsHive().ValueNames(RootPath() + u"\\Presets\\Everything"_s).value_or(QStringList()),
                 (QStringList{u"DoSubFolders"_s, u"dstPath"_s, u"dstTimeZ"_s, u"DupByContent"_s, u"Filter"_s,
                              u"IncHiddenFiles"_s, u"IncHiddenFldr"_s, u"KeepReplaced"_s, u"MaxFileSize"_s,
                              u"MaxSizeMult"_s, u"MinFileSize"_s, u"MinSizeMult"_s, u"MrgErrSec"_s, u"RevFilterLogic"_s,
                              u"srcPath"_s, u"srcTimeZ"_s}));
        const QString key = u"Presets\\Everything\\"_s;
        QCOMPARE(ReadString(key + u"srcPath"_s, QString()), src);
        QCOMPARE(ReadString(key + u"dstPath"_s, QString()), dst);
        QCOMPARE(ReadString(key + u"Filter"_s, QString()), filter);
        QCOMPARE(ReadBool(key + u"RevFilterLogic"_s, false), switches[0]);
        QCOMPARE(ReadFloat(key + u"MinFileSize"_s, 0), float(minimum));
        QCOMPARE(ReadInteger(key + u"MinSizeMult"_s, -1), minUnit);
        QCOMPARE(ReadFloat(key + u"MaxFileSize"_s, 0), float(maximum));
        QCOMPARE(ReadInteger(key + u"MaxSizeMult"_s, -1), maxUnit);
        QCOMPARE(ReadBool(key + u"IncHiddenFldr"_s, false), switches[4]);
        QCOMPARE(ReadBool(key + u"IncHiddenFiles"_s, false), switches[1]);
        QCOMPARE(ReadBool(key + u"DupByContent"_s, true), switches[2]);
        QCOMPARE(ReadBool(key + u"DoSubFolders"_s, true), switches[3]);
        QCOMPARE(ReadBool(key + u"KeepReplaced"_s, true), switches[5]);
        QCOMPARE(ReadInteger(key + u"srcTimeZ"_s, 0), srcZ);
        QCOMPARE(ReadInteger(key + u"dstTimeZ"_s, 0), dstZ);
        QCOMPARE(ReadInteger(key + u"MrgErrSec"_s, 0), margin);

        NewWindow();
        Choose(u"Everything"_s);
        TfrmMain &v = *FWindow;
        QCOMPARE(Find<TJamShellTree>(v, "JamShellTree1")->SelectedFolder(), src);
        QCOMPARE(Find<TJamShellTree>(v, "JamShellTree2")->SelectedFolder(), dst);
        QCOMPARE(Find<QLineEdit>(v, "LabeledEdit1")->text(), filter);
        const auto shown =
            FindAll<QCheckBox>(v, {"CheckBox4", "CheckBox2", "CheckBox3", "CheckBox8", "CheckBox1", "CheckBox9"});
        for (int i = 0; i < 6; ++i)
            QCOMPARE(shown[i]->isChecked(), switches[i]);
        QCOMPARE(Find<TLabeledFloatSpinEdit>(v, "SpinEdit3")->Value(), minimum);
        QVERIFY(FindAll<QRadioButton>(v, {"RadioButton1", "RadioButton2", "RadioButton3"})[minUnit]->isChecked());
        QCOMPARE(Find<TLabeledFloatSpinEdit>(v, "SpinEdit4")->Value(), maximum);
        QVERIFY(FindAll<QRadioButton>(v, {"RadioButton4", "RadioButton5", "RadioButton6"})[maxUnit]->isChecked());
        QCOMPARE(Find<TTimeAdjustEdit>(v, "SpinEdit1")->Value(), srcZ);
        QCOMPARE(Find<TTimeAdjustEdit>(v, "SpinEdit2")->Value(), dstZ);
        QCOMPARE(Find<TLabeledFloatSpinEdit>(v, "SpinEdit5")->Value(), double(margin));
        // Both folders chosen: Start and Add are available at once.
        QVERIFY(Find<QPushButton>(v, "Button1")->isEnabled());
        QVERIFY(Find<QPushButton>(v, "Button5")->isEnabled());
    }

    // What the page shows before anything is chosen, and what a run takes from it.
    void theSettingsPageStartsWithItsDefaults()
    {
        TfrmMain &w = *FWindow;
        QCOMPARE(Find<QLineEdit>(w, "LabeledEdit1")->text(), u"*"_s);
        QVERIFY(!Find<QCheckBox>(w, "CheckBox4")->isChecked());
        QCOMPARE(Find<TLabeledFloatSpinEdit>(w, "SpinEdit3")->text(), u"0"_s);
        QVERIFY(Find<QRadioButton>(w, "RadioButton2")->isChecked());
        QCOMPARE(Find<TLabeledFloatSpinEdit>(w, "SpinEdit4")->text(), u"0"_s);
        QVERIFY(Find<QRadioButton>(w, "RadioButton5")->isChecked());
        QVERIFY(!Find<QCheckBox>(w, "CheckBox1")->isChecked());
        QVERIFY(!Find<QCheckBox>(w, "CheckBox2")->isChecked());
        QVERIFY(Find<QCheckBox>(w, "CheckBox3")->isChecked());
        QVERIFY(Find<QCheckBox>(w, "CheckBox8")->isChecked());
        QVERIFY(Find<QCheckBox>(w, "CheckBox9")->isChecked());
        QCOMPARE(Find<TTimeAdjustEdit>(w, "SpinEdit1")->Value(), 0);
        QCOMPARE(Find<TTimeAdjustEdit>(w, "SpinEdit2")->Value(), 0);
        QCOMPARE(Find<TLabeledFloatSpinEdit>(w, "SpinEdit5")->text(), u"0"_s);

        Find<TJamShellTree>(w, "JamShellTree1")->SetSelectedFolder(Folder(u"src"_s));
        Find<TJamShellTree>(w, "JamShellTree2")->SetSelectedFolder(Folder(u"dst"_s));
        QSignalSpy done(&w, &TfrmMain::ScanCompleted);
        w.Start();
        const TScanOptions &o = w.LastScanOptions();
        QCOMPARE(o.Filter, u"*"_s);
        QVERIFY(!o.RevFilterLogic);
        QCOMPARE(o.MinFileSize, 0.0f);
        QCOMPARE(o.MinSizeFactor, 1024.0f);
        QCOMPARE(o.MaxFileSize, 0.0f);
        QCOMPARE(o.MaxSizeFactor, 1024.0f);
        QVERIFY(!o.IncHiddenFiles);
        QVERIFY(o.DupByContent);
        QVERIFY(o.DoSubFolders);
        QCOMPARE(o.srcTimeZ, 0);
        QCOMPARE(o.dstTimeZ, 0);
        QCOMPARE(o.MrgErrSec, 0);
        QVERIFY(done.wait(20000));
    }

    void presetWithAMissingFolderLeavesTheTree()
    {
        const QString here = Folder(u"here"_s);
        WriteString(u"Presets\\Gone\\srcPath"_s, FProgram->filePath(u"gone"_s));
        NewWindow();
        Find<TJamShellTree>(*FWindow, "JamShellTree1")->SetSelectedFolder(here);
        Choose(u"Gone"_s);
        QCOMPARE(Find<TJamShellTree>(*FWindow, "JamShellTree1")->SelectedFolder(), here);
    }

    void damagedPresetDoesNotStopTheStart()
    {
        WriteString(u"Presets\\A\\srcPath"_s, u"/a"_s);
        // Not a text: the store refuses to read it as one.
        WriteInteger(u"Presets\\B\\srcPath"_s, 5);
        WriteString(u"Presets\\C\\srcPath"_s, u"/c"_s);
        NewWindow();
        QCOMPARE(ListedTitles(PresetList()), QStringList{u"A"_s});
        QTRY_COMPARE(FPrompts.Asked.size(), 1);
        QVERIFY(FPrompts.Asked.first().startsWith(u"error: "_s));
        // Nothing is chosen, the controls hold their defaults, and there is nothing to remove.
        QCOMPARE(PresetList()->currentIndex(), -1);
        QCOMPARE(PresetList()->currentText(), QString());
        QCOMPARE(Find<TJamPathEdit>(*FWindow, "JamPathEdit1")->text(), QString());
        QVERIFY(!Find<QPushButton>(*FWindow, "Button5")->isEnabled());

        // Add proposes a new title and leaves the good preset as it was.
        FPrompts = TScriptedPrompts();
        FWindow->PresetsGroup().Button4Click();
        QCOMPARE(FPrompts.Asked, QStringList{u"input: Enter title for new preset:"_s});
        QCOMPARE(PresetList()->currentText(), u"Untitled"_s);
        QCOMPARE(ReadString(u"Presets\\A\\srcPath"_s, QString()), u"/a"_s);
    }

    void removeChoosesTheNeighbour()
    {
        for (const QString &title : {u"A"_s, u"B"_s, u"C"_s})
            Add(title);
        Choose(u"C"_s);
        FPrompts = TScriptedPrompts();
        FWindow->PresetsGroup().Button5Click();
        QCOMPARE(FPrompts.Asked, QStringList{u"confirm: Remove the current preset?"_s});
        QCOMPARE(PresetList()->currentText(), u"B"_s);
        QCOMPARE(StoredTitles(), (QStringList{u"A"_s, u"B"_s}));

        Choose(u"A"_s);
        FWindow->PresetsGroup().Button5Click();
        QCOMPARE(PresetList()->currentText(), u"B"_s);

        FPrompts.ConfirmAnswer = false;
        FWindow->PresetsGroup().Button5Click();
        QCOMPARE(StoredTitles(), QStringList{u"B"_s});

        FPrompts.ConfirmAnswer = true;
        FWindow->PresetsGroup().Button5Click();
        QCOMPARE(StoredTitles(), QStringList());
        QCOMPARE(PresetList()->currentIndex(), -1);
        QVERIFY(!Find<QPushButton>(*FWindow, "Button5")->isEnabled());
    }

    void importTakesTheOlderPresetsOnce()
    {
        InOldRoot([] {
            WriteInteger(u"Presets\\Count"_s, 10);
            WriteString(u"Presets\\0001\\Caption"_s, u"Docs"_s);
            WriteString(u"Presets\\0001\\SrcPath"_s, u"/data/a"_s);
            WriteString(u"Presets\\0001\\DstPath"_s, u"/data/b"_s);
            WriteString(u"Presets\\0001\\InclFilters"_s, u"*.doc"_s);
            WriteString(u"Presets\\0001\\ExclFilters"_s, u"*.tmp"_s);
            WriteString(u"Presets\\0002\\Caption"_s, u"No\\temp"_s);
            WriteString(u"Presets\\0002\\ExclFilters"_s, u"*.tmp"_s);
            WriteBool(u"Presets\\0002\\DoHidden"_s, true);
            WriteBool(u"Presets\\0002\\ByContent"_s, false);
            WriteBool(u"Presets\\0002\\DoSubs"_s, false);
            WriteString(u"Presets\\0003\\Caption"_s, QString());
            WriteString(u"Presets\\0003\\SrcPath"_s, u"/skipped"_s);
            WriteString(u"Presets\\000A\\Caption"_s, u"Ten"_s);
        });

        FWindow->PresetsGroup().ImportOldPresets();

        QCOMPARE(RootPath(), DefaultRootPath());
        QVERIFY(!ReadBool(u"FirstPass"_s, true));
        QCOMPARE(StoredTitles(), (QStringList{u"Docs"_s, u"No_temp"_s, u"Ten"_s}));
        QCOMPARE(ListedTitles(PresetList()), (QStringList{u"Docs"_s, u"No_temp"_s, u"Ten"_s}));
        QCOMPARE(PresetList()->currentIndex(), -1);

        QCOMPARE(ReadString(u"Presets\\Docs\\srcPath"_s, QString()), u"/data/a"_s);
        QCOMPARE(ReadString(u"Presets\\Docs\\dstPath"_s, QString()), u"/data/b"_s);
        QCOMPARE(ReadString(u"Presets\\Docs\\Filter"_s, QString()), u"*.doc"_s);
        QCOMPARE(ReadBool(u"Presets\\Docs\\RevFilterLogic"_s, true), false);
        QCOMPARE(ReadBool(u"Presets\\Docs\\DupByContent"_s, false), true);
        QCOMPARE(ReadString(u"Presets\\No_temp\\Filter"_s, QString()), u"*.tmp"_s);
        QCOMPARE(ReadBool(u"Presets\\No_temp\\RevFilterLogic"_s, false), true);
        QCOMPARE(ReadBool(u"Presets\\No_temp\\IncHiddenFldr"_s, false), true);
        QCOMPARE(ReadBool(u"Presets\\No_temp\\IncHiddenFiles"_s, false), true);
        QCOMPARE(ReadBool(u"Presets\\No_temp\\DupByContent"_s, true), false);
        QCOMPARE(ReadBool(u"Presets\\No_temp\\DoSubFolders"_s, true), false);
        QCOMPARE(ReadInteger(u"Presets\\Ten\\MinSizeMult"_s, -1), qint32(blByte));

        // Only once: a preset removed since does not come back.
        DeleteEntry(u"Presets\\Ten"_s);
        FWindow->PresetsGroup().ImportOldPresets();
        QCOMPARE(StoredTitles(), (QStringList{u"Docs"_s, u"No_temp"_s}));
    }

    void importWithoutACountImportsNothing()
    {
        InOldRoot([] { WriteString(u"Presets\\0001\\Caption"_s, u"Docs"_s); });
        FWindow->PresetsGroup().ImportOldPresets();
        QCOMPARE(StoredTitles(), QStringList());
        QVERIFY(!ReadBool(u"FirstPass"_s, true));
        QCOMPARE(RootPath(), DefaultRootPath());
    }

    void importErrorRestoresTheRoot()
    {
        InOldRoot([] {
            WriteInteger(u"Presets\\Count"_s, 3);
            WriteString(u"Presets\\0001\\Caption"_s, u"First"_s);
            // Not a text: the store refuses to read it as one.
            WriteInteger(u"Presets\\0002\\Caption"_s, 7);
            WriteString(u"Presets\\0003\\Caption"_s, u"Third"_s);
        });
        QVERIFY_THROWS_EXCEPTION(ERegistryError, FWindow->PresetsGroup().ImportOldPresets());
        QCOMPARE(RootPath(), DefaultRootPath());
        QVERIFY(!ReadBool(u"FirstPass"_s, true));
        QCOMPARE(StoredTitles(), QStringList{u"First"_s});
    }
};

QTEST_MAIN(tst_Presets)
#include "tst_presets.moc"
