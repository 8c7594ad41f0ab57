#include "window/TfrmMain.h"

#include "controls/TLabeledFloatSpinEdit.h"
#include "registry/RegistryUtils.h"
#include "support/EDirMonError.h"
#include "support/ProgramStore.h"
#include "support/TDirMon.h"
#include "support/TLanguageFileList.h"

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
    Label15->setText(Text(0));
    SetPageCaption(PageControl2, TabSheet5, Text(2));
    Label1->setText(Text(3));
    Label2->setText(Text(4));
    Label3->setText(Text(5));
    Label4->setText(Text(5));
    // Each time adjustment box stays right beside its caption, whatever the caption's length.
    FitTimeLabels();
    GroupBox1->setTitle(Text(7));
    Button4->setText(Text(8));
    Button5->setText(Text(9));
    GroupBox2->setTitle(Text(16));
    LabeledEdit1Label->setText(Text(17));
    CheckBox4->setText(Text(18));
    GroupBox3->setTitle(Text(19));
    GroupBox4->setTitle(Text(20));
    RadioButton1->setText(Text(21));
    RadioButton4->setText(Text(21));
    RadioButton2->setText(Text(22));
    RadioButton5->setText(Text(22));
    RadioButton3->setText(Text(23));
    RadioButton6->setText(Text(23));
    CheckBox1->setText(Text(25));
    CheckBox2->setText(Text(26));
    CheckBox3->setText(Text(27));
    CheckBox8->setText(Text(28));
    Button1->setText(Text(30));
    Button2->setText(Text(31));
    Button3->setText(Text(32));
    SetPageCaption(PageControl2, TabSheet6, Text(34));
    SetPageCaption(PageControl1, TabSheet1, Text(35));
    Label13->setText(Text(36));
    Label5->setText(Text(37));
    SetPageCaption(PageControl1, TabSheet2, Text(39));
    Label6->setText(Text(40));
    Label7->setText(Text(41));
    SetPageCaption(PageControl1, TabSheet3, Text(43));
    Label8->setText(Text(44));
    Label9->setText(Text(45));
    SetPageCaption(PageControl1, TabSheet4, Text(47));
    Label10->setText(Text(48));
    Label11->setText(Text(49));
    ApplyNotComparedTexts();
    SetPageCaption(PageControl2, TabSheet7, Text(51));
    PngBitBtn10->setText(Text(94));
    // Line 95 stays unused: the margin's caption keeps its built text in every language.
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
