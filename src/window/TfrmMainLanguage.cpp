#include "window/TfrmMain.h"

#include "window/TAccelerators.h"

#include "results/TResultListTable.h"
#include "window/TApplication.h"
#include "window/TLanguageAndHelp.h"
#include "window/TResultsPage.h"
#include "window/TSettingsPage.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>

#include <vector>

using namespace Qt::StringLiterals;

namespace {

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

std::span<const TfrmMain::TCaption> TfrmMain::Captions()
{
    static const std::vector<TCaption> captions = [] {
        std::vector<TCaption> all = {
            {u"Label15", tlSelectLanguage},  {u"Label17", tlCompareWith},       {u"TabSheet5", tlSettingsPage},
            {u"Label1", tlSelectSource},     {u"Label2", tlSelectDestination},  {u"Label3", tlTimeAdjustment},
            {u"Label4", tlTimeAdjustment},   {u"GroupBox1", tlPresets},         {u"Button4", tlAddPreset},
            {u"Button5", tlRemovePreset},    {u"GroupBox2", tlFileFilters},     {u"LabeledEdit1Label", tlWildcards},
            {u"CheckBox4", tlReverseFilter}, {u"GroupBox3", tlMinimumSize},     {u"GroupBox4", tlMaximumSize},
            {u"RadioButton1", tlBytes},      {u"RadioButton4", tlBytes},        {u"RadioButton2", tlKilobytes},
            {u"RadioButton5", tlKilobytes},  {u"RadioButton3", tlMegabytes},    {u"RadioButton6", tlMegabytes},
            {u"CheckBox1", tlHiddenFolders}, {u"CheckBox2", tlHiddenFiles},     {u"CheckBox3", tlDuplicatesByContent},
            {u"CheckBox8", tlSubFolders},    {u"CheckBox9", tlKeepReplaced},    {u"Button1", tlStartButton},
            {u"Button2", tlStopButton},      {u"Button3", tlExitButton},        {u"TabSheet6", tlResultsPage},
            {u"TabSheet1", tlMissingPage},   {u"TabSheet2", tlNewerPage},       {u"TabSheet3", tlDuplicatePage},
            {u"TabSheet4", tlConflictPage},  {u"TabSheet7", tlInfoPage},        {u"PngBitBtn10", tlHelpButton},
            {u"ShiftButton", tlShiftButton}, {u"ShiftDismiss", tlShiftDismiss},
            // tlMarginCaption stays unused: the margin's caption keeps its built text in every language.
        };
        // The headings above the result lists.
        for (const TResultListRow &row : ResultListTable)
            all.push_back({row.Heading, row.HeadingLine});
        return all;
    }();
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

void TfrmMain::ApplyLanguage()
{
    ApplyTexts();
    // The lists' status texts and button captions are rebuilt from the new texts.
    FResults->RefreshAllLists();
    // Keys follow the captions of the new language.
    TAccelerators::Assign(*this);
}

void TfrmMain::ApplyTexts()
{
    for (const TCaption &caption : Captions()) {
        QWidget *control = findChild<QWidget *>(QString::fromUtf16(caption.Control));
        Q_ASSERT(control);
        SetCaption(control, Text(caption.Line));
    }
    // The texts that are no captions: tooltips, the lists' column titles, the version,
    // the help window.
    FSettings->ApplyTexts();
    FResults->ApplyTexts();
    FLanguageAndHelp->ApplyTexts();
    ApplyTimeShiftTexts();
    if (auto *application = qobject_cast<TApplication *>(QCoreApplication::instance()))
        application->SetUnexpectedErrorText(Text(tlUnexpectedError));
    // The reason why Start is greyed is worded in the new language.
    UpdateRunControls();
}
