#include "window/TfrmMain.h"

#include "controls/TLabeledFloatSpinEdit.h"
#include "support/EDirMonError.h"
#include "support/ProgramStore.h"
#include "support/TDirMon.h"
#include "support/TLanguageFileList.h"
#include "window/RegistryUtils.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

// The help document of a language that has none of its own.
const QString FallbackHelp = u"English"_s;

void SetPageCaption(QTabWidget *pages, QWidget *page, const QString &caption)
{
    pages->setTabText(pages->indexOf(page), caption);
}

} // namespace

void TfrmMain::RefreshLanguageList()
{
    FLanguageFiles = TLanguageFileList::Find(TLanguageFileList::LanguageFolder(FProgramFolder));
    ComboBox2->clear();
    ComboBox2->addItems(TLanguageFileList::DisplayNames(FLanguageFiles));
    ComboBox2->setCurrentIndex(LangIndex >= 0 && LangIndex < ComboBox2->count() ? LangIndex : -1);
}

void TfrmMain::ChooseStartLanguage()
{
    RefreshLanguageList();
    LangIndex = TLanguageFileList::IndexOfLanguage(TLanguageFileList::DisplayNames(FLanguageFiles),
                                                   FDefaultLanguage);
    LangIndex = ReadInteger(u"LangID"_s, LangIndex);
}

void TfrmMain::LoadLanguage(int index)
{
    LangIndex = index;
    TLanguageTable table = TLanguageTable::Load(FLanguageFiles, index, *FMx);
    // A file that ends early takes the rest of its texts from the built-in English file,
    // so that no button or message is left without a caption.
    const TLanguageTable english = TLanguageTable::BuiltInEnglish(*FMx);
    if (table.Count() < english.Count())
        table = TLanguageTable(table.Lines() + english.Lines().mid(table.Count()));
    SetLanguage(table);
    ApplyTexts();
    // The lists' status texts and button captions are rebuilt from the new texts.
    RefreshAllLists();
}

void TfrmMain::ApplyTexts()
{
    Label15->setText(Text(tlSelectLanguage));
    SetPageCaption(PageControl2, TabSheet5, Text(tlSettingsPage));
    Label1->setText(Text(tlSelectSource));
    Label2->setText(Text(tlSelectDestination));
    Label3->setText(Text(tlTimeAdjustment));
    Label4->setText(Text(tlTimeAdjustment));
    // Each time adjustment box stays right beside its caption, whatever the caption's length.
    FitTimeLabels();
    GroupBox1->setTitle(Text(tlPresets));
    Button4->setText(Text(tlAddPreset));
    Button5->setText(Text(tlRemovePreset));
    GroupBox2->setTitle(Text(tlFileFilters));
    LabeledEdit1Label->setText(Text(tlWildcards));
    CheckBox4->setText(Text(tlReverseFilter));
    GroupBox3->setTitle(Text(tlMinimumSize));
    GroupBox4->setTitle(Text(tlMaximumSize));
    RadioButton1->setText(Text(tlBytes));
    RadioButton4->setText(Text(tlBytes));
    RadioButton2->setText(Text(tlKilobytes));
    RadioButton5->setText(Text(tlKilobytes));
    RadioButton3->setText(Text(tlMegabytes));
    RadioButton6->setText(Text(tlMegabytes));
    CheckBox1->setText(Text(tlHiddenFolders));
    CheckBox2->setText(Text(tlHiddenFiles));
    CheckBox3->setText(Text(tlDuplicatesByContent));
    CheckBox8->setText(Text(tlSubFolders));
    Button1->setText(Text(tlStartButton));
    Button2->setText(Text(tlStopButton));
    Button3->setText(Text(tlExitButton));
    SetPageCaption(PageControl2, TabSheet6, Text(tlResultsPage));
    SetPageCaption(PageControl1, TabSheet1, Text(tlMissingPage));
    Label13->setText(Text(tlMissingInDestination));
    Label5->setText(Text(tlMissingInSource));
    SetPageCaption(PageControl1, TabSheet2, Text(tlNewerPage));
    Label6->setText(Text(tlNewerInSource));
    Label7->setText(Text(tlNewerInDestination));
    SetPageCaption(PageControl1, TabSheet3, Text(tlDuplicatePage));
    Label8->setText(Text(tlDuplicatesInSource));
    Label9->setText(Text(tlDuplicatesInDestination));
    SetPageCaption(PageControl1, TabSheet4, Text(tlConflictPage));
    Label10->setText(Text(tlConflictsInSource));
    Label11->setText(Text(tlConflictsInDestination));
    SetPageCaption(PageControl2, TabSheet7, Text(tlInfoPage));
    PngBitBtn10->setText(Text(tlHelpButton));
    // tlMarginCaption stays unused: the margin's caption keeps its built text in every language.
}

void TfrmMain::ComboBox2Change()
{
    LoadLanguage(ComboBox2->currentIndex());
}

void TfrmMain::LangFileChanged(TDirMon *, const QString &)
{
    ScheduleLanguageReload();
}

void TfrmMain::LangFileRenamed(TDirMon *, const QString &, const QString &)
{
    ScheduleLanguageReload();
}

void TfrmMain::StartLanguageWatch()
{
    // The folder "Lang" may be missing, or be removed and put back while the program runs:
    // its parent is watched for folders coming and going, so that watching "Lang" resumes
    // whenever it is there again.
    if (!FLangParentMonitor) {
        FLangParentMonitor = new TDirMon(this);
        FLangParentMonitor->SetWatchFilters({nfDIR_NAME});
        FLangParentMonitor->SetWatchSubtree(false);
        const auto changed = [this](TDirMon *, const QString &name) { LangFolderChanged(name); };
        FLangParentMonitor->OnCreated = changed;
        FLangParentMonitor->OnDeleted = changed;
        FLangParentMonitor->OnRenamed = [this](TDirMon *, const QString &from, const QString &to) {
            LangFolderChanged(from);
            LangFolderChanged(to);
        };
        const QString folder = QDir::cleanPath(TLanguageFileList::LanguageFolder(FProgramFolder));
        FLangParentMonitor->SetPath(QFileInfo(folder).absolutePath());
        try {
            FLangParentMonitor->SetActive(true);
        } catch (const EDirMonError &) {
            // A program folder that cannot be watched: "Lang" is watched while it stays.
        }
    }
    FLangMonitor->SetActive(false);
    FLangMonitor->SetPath(TLanguageFileList::LanguageFolder(FProgramFolder));
    try {
        FLangMonitor->SetActive(true);
    } catch (const EDirMonError &) {
        // No language folder: the built-in English texts serve, and there is nothing to
        // watch or to tell the user about.
    }
}

void TfrmMain::LangFolderChanged(const QString &name)
{
    if (name != QDir(TLanguageFileList::LanguageFolder(FProgramFolder)).dirName() || !FLangMonitor)
        return;
    // Gone, back, or another folder moved in under its name: watch whatever is there now,
    // and read the list afresh, since files may have arrived before the watch did.
    StartLanguageWatch();
    ScheduleLanguageReload();
}

// Copying one file into the folder reports its creation and several writes in one batch;
// the list is rebuilt and the language reloaded once, right after the batch.
void TfrmMain::ScheduleLanguageReload()
{
    if (FLanguageReloadDue)
        return;
    FLanguageReloadDue = true;
    QTimer::singleShot(0, this, [this] {
        FLanguageReloadDue = false;
        RefreshLanguageList();
        LoadLanguage(LangIndex);
    });
}

QUrl TfrmMain::HelpDocument() const
{
    const QString folder = FProgramFolder + u"/Help/"_s;
    QString name = FallbackHelp;
    if (LangIndex >= 0 && LangIndex < FLanguageFiles.size())
        name = TLanguageFileList::DisplayName(FLanguageFiles.at(LangIndex));
    // A language file dropped in without a help document of its own gets the English one.
    if (!QFileInfo::exists(folder + name + u".rtf"_s))
        name = FallbackHelp;
    const QString path = folder + name + u".rtf"_s;
    return QFileInfo::exists(path) ? QUrl::fromLocalFile(path) : QUrl();
}

void TfrmMain::PngBitBtn10Click()
{
    const QUrl document = HelpDocument();
    if (document.isValid())
        QDesktopServices::openUrl(document);
}

void TfrmMain::Image2Click()
{
    const QString target = ReadProductText(*FMx, 13);
    if (!target.isEmpty())
        QDesktopServices::openUrl(ProductTextUrl(target, FProgramFolder));
}
