#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QUrl;
class TDirMon;
class THelpWindow;
class TLanguageTable;
class TPartHost;
class TQtTranslations;
class TmxStorage;

// The info page and what it offers: the language list (the files in "Lang", watched so
// that a new or changed file takes effect at once), Help (the user guide of the language
// in use in the help window), the version and the logo.
class TLanguageAndHelp : public QObject
{
    Q_OBJECT

public:
    // What the window does with a language just loaded: take its texts, and apply them to
    // every control once Qt's own texts have followed.
    struct TWindowSide
    {
        std::function<void(const TLanguageTable &table)> SetLanguage;
        std::function<void()> ApplyLanguage;
    };

    // Adds the info page to pages. programFolder holds "Lang" and "Help"; defaultLanguage
    // is the language file's name chosen while the user has chosen none.
    TLanguageAndHelp(TPartHost &host, TWindowSide window, QTabWidget *pages, TmxStorage &programStore,
                     const QString &programFolder, const QString &defaultLanguage, QObject *parent);
    ~TLanguageAndHelp() override;

    QString ProgramFolder() const { return FProgramFolder; }
    const QStringList &LanguageFiles() const { return FLanguageFiles; }
    // The position in LanguageFiles() of the language in use, or -1; it is stored as such.
    int LanguageIndex() const { return LangIndex; }
    // The name of the language in use: its file's name, "English" for the built-in texts.
    QString LanguageName() const;

    // The language the window would start with, for a window of the program shown without
    // the main window.
    static TLanguageTable StoredLanguage(const QString &programFolder, const QString &defaultLanguage,
                                         TmxStorage &programStore);
    // The stored or the locale's language, before the window is shown.
    void ChooseStartLanguage();
    void RefreshLanguageList();
    // Makes the file at that index of LanguageFiles() the texts in use (the built-in English
    // texts when there is none) and applies them to every control.
    void LoadLanguage(int index);
    // The first show: the list shows the language in use, which is loaded.
    void ShowStartLanguage();
    void ComboBox2Change();
    // The language folder's watch: created with the window, started at the first show.
    void StartLanguageWatch();
    void StopLanguageWatch();
    void LangFileChanged(TDirMon *Sender, const QString &FileName);
    void LangFileRenamed(TDirMon *Sender, const QString &fromFileName, const QString &toFileName);
    TDirMon *LangMonitor() const { return FLangMonitor; }

    // The help document of the language in use; empty when there is none to open.
    QUrl HelpDocument() const;
    // The user guide of the language in use (the English one where it has none), as
    // shown in the help window; empty when there is none.
    QString HelpPage() const;
    void PngBitBtn10Click(); // Help: the guide in the help window
    THelpWindow *HelpWindow() const;
    void Image2Click(); // the logo

    // The command that compares two files instead of the built-in view ("meld %1 %2");
    // empty: the built-in view. Stored as the user edits it.
    QString CompareWith() const;
    void SetCompareWith(const QString &command);
    QComboBox *CompareWithBox() const { return ComboBox3; }

    // The texts that are no captions: the version, the help window.
    void ApplyTexts();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString HelpFile(const QString &extension) const;
    void ScheduleLanguageReload();
    void LangFolderChanged(const QString &name);

    TPartHost &FHost;
    TWindowSide FWindow;
    TmxStorage &FMx;
    QString FProgramFolder;
    QString FDefaultLanguage;
    QStringList FLanguageFiles;
    int LangIndex = 0;
    bool FLanguageReloadDue = false;
    TDirMon *FLangMonitor = nullptr;       // a child of this part
    TDirMon *FLangParentMonitor = nullptr; // the program folder, for "Lang" itself; a child too
    std::unique_ptr<TQtTranslations> FQtTranslations;
    QPointer<THelpWindow> FHelpWindow;
    QWidget *FWindowWidget = nullptr; // the parent of the help window

    // The info page's controls.
    QWidget *TabSheet7 = nullptr;
    QLabel *Label15 = nullptr;
    QComboBox *ComboBox2 = nullptr;
    QPushButton *PngBitBtn10 = nullptr; // Help
    QLabel *Label16 = nullptr;          // version
    QLabel *Image2 = nullptr;           // logo
    QLabel *Label17 = nullptr;          // compare with
    QComboBox *ComboBox3 = nullptr;     // compare with: the command, or empty
};
