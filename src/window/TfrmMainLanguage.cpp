#include "window/TfrmMain.h"

#include "window/TAccelerators.h"

#include "controls/TLabeledFloatSpinEdit.h"
#include "registry/RegistryUtils.h"
#include "results/TJamFileList.h"
#include "results/TResultListModel.h"
#include "shell/TJamPathEdit.h"
#include "shell/TJamShellTree.h"
#include "support/EDirMonError.h"
#include "support/ProgramStore.h"
#include "support/TDirMon.h"
#include "support/TLanguageFileList.h"
#include "support/TQtTranslations.h"
#include "window/TApplication.h"
#include "window/THelpWindow.h"
#include "window/TPrompts.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

// The help document of a language that has none of its own.
const QString FallbackHelp = u"English"_s;

// A page's caption is its tab's text in the tab control that holds it.
void SetPageCaption(QWidget *page, const QString &caption)
{
    for (QWidget *parent = page->parentWidget(); parent; parent = parent->parentWidget()) {
        if (auto *pages = qobject_cast<QTabWidget *>(parent)) {
            pages->setTabText(pages->indexOf(page), caption);
            return;
        }
    }
}

void SetCaption(QWidget *control, const QString &caption)
{
    if (auto *group = qobject_cast<QGroupBox *>(control))
        group->setTitle(caption);
    else if (auto *button = qobject_cast<QAbstractButton *>(control))
        button->setText(caption);
    else if (auto *label = qobject_cast<QLabel *>(control))
        label->setText(caption);
    else
        SetPageCaption(control, caption);
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
    LangIndex = TLanguageFileList::IndexOfLanguage(TLanguageFileList::DisplayNames(FLanguageFiles), FDefaultLanguage);
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
    // Qt's own texts (Yes, No, Cancel...) follow before the program's, so that whatever is
    // built in between already speaks the new language.
    FQtTranslations->Use(LanguageName());
    ApplyTexts();
    // The lists' status texts and button captions are rebuilt from the new texts.
    RefreshAllLists();
    // Keys follow the captions of the new language.
    TAccelerators::Assign(*this);
}

std::span<const TfrmMain::TCaption> TfrmMain::Captions()
{
    static constexpr TCaption captions[] = {
        {u"Label15", tlSelectLanguage},
        {u"TabSheet5", tlSettingsPage},
        {u"Label1", tlSelectSource},
        {u"Label2", tlSelectDestination},
        {u"Label3", tlTimeAdjustment},
        {u"Label4", tlTimeAdjustment},
        {u"GroupBox1", tlPresets},
        {u"Button4", tlAddPreset},
        {u"Button5", tlRemovePreset},
        {u"GroupBox2", tlFileFilters},
        {u"LabeledEdit1Label", tlWildcards},
        {u"CheckBox4", tlReverseFilter},
        {u"GroupBox3", tlMinimumSize},
        {u"GroupBox4", tlMaximumSize},
        {u"RadioButton1", tlBytes},
        {u"RadioButton4", tlBytes},
        {u"RadioButton2", tlKilobytes},
        {u"RadioButton5", tlKilobytes},
        {u"RadioButton3", tlMegabytes},
        {u"RadioButton6", tlMegabytes},
        {u"CheckBox1", tlHiddenFolders},
        {u"CheckBox2", tlHiddenFiles},
        {u"CheckBox3", tlDuplicatesByContent},
        {u"CheckBox8", tlSubFolders},
        {u"CheckBox9", tlKeepReplaced},
        {u"Button1", tlStartButton},
        {u"Button2", tlStopButton},
        {u"Button3", tlExitButton},
        {u"TabSheet6", tlResultsPage},
        {u"TabSheet1", tlMissingPage},
        {u"Label13", tlMissingInDestination},
        {u"Label5", tlMissingInSource},
        {u"TabSheet2", tlNewerPage},
        {u"Label6", tlNewerInSource},
        {u"Label7", tlNewerInDestination},
        {u"TabSheet3", tlDuplicatePage},
        {u"Label8", tlDuplicatesInSource},
        {u"Label9", tlDuplicatesInDestination},
        {u"TabSheet4", tlConflictPage},
        {u"Label10", tlConflictsInSource},
        {u"Label11", tlConflictsInDestination},
        {u"TabSheet7", tlInfoPage},
        {u"PngBitBtn10", tlHelpButton},
        {u"ShiftButton", tlShiftButton},
        {u"ShiftDismiss", tlShiftDismiss},
        // tlMarginCaption stays unused: the margin's caption keeps its built text in every language.
    };
    return captions;
}

void TfrmMain::ApplyCaption(QWidget *control) const
{
    const QString name = control->objectName();
    for (const TCaption &caption : Captions()) {
        if (name == caption.Control) {
            SetCaption(control, Text(caption.Line));
            return;
        }
    }
    Q_ASSERT_X(false, "TfrmMain::ApplyCaption", "a control without a line in Captions()");
}

void TfrmMain::ApplyTexts()
{
    for (const TCaption &caption : Captions()) {
        QWidget *control = findChild<QWidget *>(QString::fromUtf16(caption.Control));
        Q_ASSERT(control);
        SetCaption(control, Text(caption.Line));
    }
    // Each time adjustment box stays right beside its caption, whatever the caption's length.
    FitTimeLabels();
    ApplyNotComparedTexts();
    ApplyTimeShiftTexts();
    ApplyOtherTexts();
}

void TfrmMain::ApplyOtherTexts()
{
    for (TJamFileList *list : FLists)
        // A copy of the texts: the lists repaint while the window is being destroyed.
        list->ListModel()->SetTexts([texts = FLanguage](int line) { return texts.text(line); });
    for (TJamShellTree *tree : {JamShellTree1, JamShellTree2})
        tree->SetPlaceTips(Text(tlHomeFolderTip), Text(tlFileSystemTip), Text(tlVolumesTip));
    for (int side : {1, 2})
        JamShellTreeMissingChange(side);
    // The box shows hidden folders in the trees; what a scan walks is the next box's.
    CheckBox1->setToolTip(Text(tlHiddenFoldersTip));
    Label16->setText(Text(tlVersion).arg(QStringLiteral(FM_VERSION)));
    if (auto *application = qobject_cast<TApplication *>(QCoreApplication::instance()))
        application->SetUnexpectedErrorText(Text(tlUnexpectedError));
    if (FHelpWindow) {
        FHelpWindow->SetTexts(Text(tlHelpButton), Text(tlFindLabel), Text(tlNotFound));
        const QString page = HelpPage();
        if (!page.isEmpty() && page != FHelpWindow->Page())
            FHelpWindow->Open(page);
    }
    // The reason why Start is greyed is worded in the new language.
    UpdateRunControls();
}

QString TfrmMain::LanguageName() const
{
    if (LangIndex >= 0 && LangIndex < FLanguageFiles.size())
        return TLanguageFileList::DisplayName(FLanguageFiles.at(LangIndex));
    return FallbackHelp;
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

QString TfrmMain::HelpFile(const QString &extension) const
{
    const QString folder = FProgramFolder + u"/Help/"_s;
    QString path = folder + LanguageName() + extension;
    // A language file dropped in without a help document of its own gets the English one.
    if (!QFileInfo(path).isFile())
        path = folder + FallbackHelp + extension;
    return QFileInfo(path).isFile() ? path : QString();
}

QUrl TfrmMain::HelpDocument() const
{
    const QString path = HelpFile(u".rtf"_s);
    return path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path);
}

THelpWindow *TfrmMain::HelpWindow() const
{
    return FHelpWindow;
}

QString TfrmMain::HelpPage() const
{
    return HelpFile(u".html"_s);
}

// The guide opens in the program's own window: many desktops have nothing that opens the
// RTF documents, which stay shipped beside the guides for those who want them.
void TfrmMain::PngBitBtn10Click()
{
    const QString page = HelpPage();
    if (page.isEmpty()) {
        Prompts().Error(Text(tlNoHelp).arg(QDir::toNativeSeparators(FProgramFolder + u"/Help"_s)));
        return;
    }
    if (!FHelpWindow) {
        FHelpWindow = new THelpWindow(this);
        FHelpWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    FHelpWindow->SetTexts(Text(tlHelpButton), Text(tlFindLabel), Text(tlNotFound));
    if (FHelpWindow->Page() != page && !FHelpWindow->Open(page)) {
        Prompts().Error(Text(tlNoHelp).arg(QDir::toNativeSeparators(FProgramFolder + u"/Help"_s)));
        return;
    }
    FHelpWindow->show();
    FHelpWindow->raise();
    FHelpWindow->activateWindow();
}

void TfrmMain::Image2Click()
{
    const QString target = ReadProductText(*FMx, 13);
    if (!target.isEmpty())
        QDesktopServices::openUrl(ProductTextUrl(target, FProgramFolder));
}
