#include "window/TLanguageAndHelp.h"

#include "pairview/TCompareCommand.h"
#include "registry/RegistryUtils.h"
#include "support/EDirMonError.h"
#include "support/ProgramStore.h"
#include "support/TDirMon.h"
#include "support/TLanguageFileList.h"
#include "support/TLanguageTable.h"
#include "support/TQtTranslations.h"
#include "support/TmxStorage.h"
#include "window/THelpWindow.h"
#include "window/TPartHost.h"
#include "window/TPrompts.h"
#include "window/TfrmMain.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

// The help document of a language that has none of its own.
const QString FallbackHelp = u"English"_s;

QPixmap LogoPixmap(const QString &title)
{
    QPixmap pixmap(220, 64);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawPixmap(0, 8, TfrmMain::ProgramIcon().pixmap(48, 48));
    QFont font = painter.font();
    font.setPointSize(16);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(0x2e, 0x6d, 0xb4));
    painter.drawText(QRectF(58, 0, 162, 64), Qt::AlignVCenter | Qt::AlignLeft, title);
    return pixmap;
}

} // namespace

TLanguageAndHelp::TLanguageAndHelp(TPartHost &host, TWindowSide window, QTabWidget *pages, TmxStorage &programStore,
                                   const QString &programFolder, const QString &defaultLanguage, QObject *parent)
    : QObject(parent)
    , FHost(host)
    , FWindow(std::move(window))
    , FMx(programStore)
    , FProgramFolder(programFolder)
    , FDefaultLanguage(defaultLanguage)
    , FQtTranslations(std::make_unique<TQtTranslations>())
    , FWindowWidget(pages->window())
{
    TabSheet7 = new QWidget;
    TabSheet7->setObjectName(u"TabSheet7"_s);
    pages->addTab(TabSheet7, QString());
    FHost.ApplyCaption(TabSheet7);
    auto *grid = new QGridLayout(TabSheet7);
    grid->setContentsMargins(24, 24, 24, 24);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(10);

    Image2 = new QLabel(TabSheet7);
    Image2->setObjectName(u"Image2"_s);
    Image2->setPixmap(LogoPixmap(FWindowWidget->windowTitle()));
    Image2->setCursor(Qt::PointingHandCursor);
    Image2->installEventFilter(this);
    grid->addWidget(Image2, 0, 0, 1, 3);

    Label15 = new QLabel(TabSheet7);
    Label15->setObjectName(u"Label15"_s);
    FHost.ApplyCaption(Label15);
    ComboBox2 = new QComboBox(TabSheet7);
    ComboBox2->setObjectName(u"ComboBox2"_s);
    ComboBox2->setMinimumWidth(180);
    Label15->setBuddy(ComboBox2);
    grid->addWidget(Label15, 1, 0);
    grid->addWidget(ComboBox2, 1, 1);

    PngBitBtn10 = new QPushButton(TabSheet7);
    PngBitBtn10->setObjectName(u"PngBitBtn10"_s);
    FHost.ApplyCaption(PngBitBtn10);
    grid->addWidget(PngBitBtn10, 2, 0);

    // The compare program: the installed ones offered, any command taken.
    Label17 = new QLabel(TabSheet7);
    Label17->setObjectName(u"Label17"_s);
    FHost.ApplyCaption(Label17);
    ComboBox3 = new QComboBox(TabSheet7);
    ComboBox3->setObjectName(u"ComboBox3"_s);
    ComboBox3->setEditable(true);
    ComboBox3->setInsertPolicy(QComboBox::NoInsert);
    ComboBox3->setMinimumWidth(260);
    ComboBox3->addItem(QString());
    ComboBox3->addItems(TCompareCommand::Installed());
    ComboBox3->setCurrentText(ReadString(u"CompareWith"_s, QString()));
    Label17->setBuddy(ComboBox3);
    grid->addWidget(Label17, 3, 0);
    grid->addWidget(ComboBox3, 3, 1);
    connect(ComboBox3, &QComboBox::currentTextChanged, this,
            [](const QString &text) { WriteString(u"CompareWith"_s, text.trimmed()); });

    Label16 = new QLabel(FHost.Text(tlVersion).arg(QStringLiteral(FM_VERSION)), TabSheet7);
    Label16->setObjectName(u"Label16"_s);
    grid->addWidget(Label16, 4, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(5, 1);

    // Picking the language in use again reloads it, as after editing its file.
    connect(ComboBox2, &QComboBox::activated, this, &TLanguageAndHelp::ComboBox2Change);
    connect(PngBitBtn10, &QPushButton::clicked, this, &TLanguageAndHelp::PngBitBtn10Click);

    // Watching starts at the first show; a new or changed file in "Lang" then takes
    // effect at once.
    FLangMonitor = new TDirMon(this);
    FLangMonitor->SetWatchFilters({nfFILE_NAME, nfLAST_WRITE});
    FLangMonitor->SetWatchSubtree(false);
    const auto changed = [this](TDirMon *sender, const QString &fileName) { LangFileChanged(sender, fileName); };
    FLangMonitor->OnCreated = changed;
    FLangMonitor->OnDeleted = changed;
    FLangMonitor->OnModified = changed;
    FLangMonitor->OnRenamed = [this](TDirMon *sender, const QString &from, const QString &to) {
        LangFileRenamed(sender, from, to);
    };
}

TLanguageAndHelp::~TLanguageAndHelp()
{
    StopLanguageWatch();
}

void TLanguageAndHelp::StopLanguageWatch()
{
    delete FLangParentMonitor;
    FLangParentMonitor = nullptr;
    delete FLangMonitor;
    FLangMonitor = nullptr;
}

bool TLanguageAndHelp::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Image2 && event->type() == QEvent::MouseButtonRelease)
        Image2Click();
    return QObject::eventFilter(watched, event);
}

void TLanguageAndHelp::ShowStartLanguage()
{
    ComboBox2->setCurrentIndex(LangIndex >= 0 && LangIndex < ComboBox2->count() ? LangIndex : -1);
    LoadLanguage(LangIndex);
}

void TLanguageAndHelp::ApplyTexts()
{
    Label16->setText(FHost.Text(tlVersion).arg(QStringLiteral(FM_VERSION)));
    if (FHelpWindow) {
        FHelpWindow->SetTexts(FHost.Text(tlHelpButton), FHost.Text(tlFindLabel), FHost.Text(tlNotFound));
        const QString page = HelpPage();
        if (!page.isEmpty() && page != FHelpWindow->Page())
            FHelpWindow->Open(page);
    }
}

void TLanguageAndHelp::RefreshLanguageList()
{
    FLanguageFiles = TLanguageFileList::Find(TLanguageFileList::LanguageFolder(FProgramFolder));
    ComboBox2->clear();
    ComboBox2->addItems(TLanguageFileList::DisplayNames(FLanguageFiles));
    ComboBox2->setCurrentIndex(LangIndex >= 0 && LangIndex < ComboBox2->count() ? LangIndex : -1);
}

TLanguageTable TLanguageAndHelp::StoredLanguage(const QString &programFolder, const QString &defaultLanguage,
                                                TmxStorage &programStore)
{
    const QStringList files = TLanguageFileList::Find(TLanguageFileList::LanguageFolder(programFolder));
    const int index = ReadInteger(
        u"LangID"_s, TLanguageFileList::IndexOfLanguage(TLanguageFileList::DisplayNames(files), defaultLanguage));
    return TLanguageTable::Load(files, index, programStore);
}

QString TLanguageAndHelp::CompareWith() const
{
    return ComboBox3->currentText().trimmed();
}

void TLanguageAndHelp::SetCompareWith(const QString &command)
{
    ComboBox3->setCurrentText(command);
}

void TLanguageAndHelp::ChooseStartLanguage()
{
    RefreshLanguageList();
    LangIndex = TLanguageFileList::IndexOfLanguage(TLanguageFileList::DisplayNames(FLanguageFiles), FDefaultLanguage);
    LangIndex = ReadInteger(u"LangID"_s, LangIndex);
}

void TLanguageAndHelp::LoadLanguage(int index)
{
    LangIndex = index;
    TLanguageTable table = TLanguageTable::Load(FLanguageFiles, index, FMx);
    // A file that ends early takes the rest of its texts from the built-in English file,
    // so that no button or message is left without a caption.
    const TLanguageTable english = TLanguageTable::BuiltInEnglish(FMx);
    if (table.Count() < english.Count())
        table = TLanguageTable(table.Lines() + english.Lines().mid(table.Count()));
    FWindow.SetLanguage(table);
    // Qt's own texts (Yes, No, Cancel...) follow before the program's, so that whatever is
    // built in between already speaks the new language.
    FQtTranslations->Use(LanguageName());
    FWindow.ApplyLanguage();
}

QString TLanguageAndHelp::LanguageName() const
{
    if (LangIndex >= 0 && LangIndex < FLanguageFiles.size())
        return TLanguageFileList::DisplayName(FLanguageFiles.at(LangIndex));
    return FallbackHelp;
}

void TLanguageAndHelp::ComboBox2Change()
{
    LoadLanguage(ComboBox2->currentIndex());
}

void TLanguageAndHelp::LangFileChanged(TDirMon *, const QString &)
{
    ScheduleLanguageReload();
}

void TLanguageAndHelp::LangFileRenamed(TDirMon *, const QString &, const QString &)
{
    ScheduleLanguageReload();
}

void TLanguageAndHelp::StartLanguageWatch()
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

void TLanguageAndHelp::LangFolderChanged(const QString &name)
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
void TLanguageAndHelp::ScheduleLanguageReload()
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

QString TLanguageAndHelp::HelpFile(const QString &extension) const
{
    const QString folder = FProgramFolder + u"/Help/"_s;
    QString path = folder + LanguageName() + extension;
    // A language file dropped in without a help document of its own gets the English one.
    if (!QFileInfo(path).isFile())
        path = folder + FallbackHelp + extension;
    return QFileInfo(path).isFile() ? path : QString();
}

QUrl TLanguageAndHelp::HelpDocument() const
{
    const QString path = HelpFile(u".rtf"_s);
    return path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path);
}

THelpWindow *TLanguageAndHelp::HelpWindow() const
{
    return FHelpWindow;
}

QString TLanguageAndHelp::HelpPage() const
{
    return HelpFile(u".html"_s);
}

// The guide opens in the program's own window: many desktops have nothing that opens the
// RTF documents, which stay shipped beside the guides for those who want them.
void TLanguageAndHelp::PngBitBtn10Click()
{
    // A language that ships its guide only as a document of its own gets that document,
    // from the desktop's program for it, rather than the English guide.
    const QString own = FProgramFolder + u"/Help/"_s + LanguageName();
    if (!QFileInfo(own + u".html"_s).isFile() && QFileInfo(own + u".rtf"_s).isFile()) {
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(own + u".rtf"_s)))
            FHost.Prompts().Error(FHost.Text(tlCannotOpen).arg(QDir::toNativeSeparators(own + u".rtf"_s)));
        return;
    }
    const QString page = HelpPage();
    if (page.isEmpty()) {
        FHost.Prompts().Error(FHost.Text(tlNoHelp).arg(QDir::toNativeSeparators(FProgramFolder + u"/Help"_s)));
        return;
    }
    if (!FHelpWindow) {
        FHelpWindow = new THelpWindow(FWindowWidget);
        FHelpWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    FHelpWindow->SetTexts(FHost.Text(tlHelpButton), FHost.Text(tlFindLabel), FHost.Text(tlNotFound));
    if (FHelpWindow->Page() != page && !FHelpWindow->Open(page)) {
        FHost.Prompts().Error(FHost.Text(tlNoHelp).arg(QDir::toNativeSeparators(FProgramFolder + u"/Help"_s)));
        return;
    }
    FHelpWindow->show();
    FHelpWindow->raise();
    FHelpWindow->activateWindow();
}

void TLanguageAndHelp::Image2Click()
{
    const QString target = ReadProductText(FMx, 13);
    if (!target.isEmpty())
        QDesktopServices::openUrl(ProductTextUrl(target, FProgramFolder));
}
