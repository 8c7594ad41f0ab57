#pragma once

#include <QLocale>
#include <QString>

#include <memory>

class QTranslator;

// Qt's own translations (the standard buttons Yes, No, Cancel, the text boxes' context
// menus, the file dialogs) for the language of the program's texts, installed in the
// application and switched together with the language file. A language file is known
// by its name ("Deutsch", "Français"); a name without a locale, or a locale whose
// translations are not installed, leaves Qt's built-in English.
class TQtTranslations
{
public:
    TQtTranslations();
    ~TQtTranslations();
    TQtTranslations(const TQtTranslations &) = delete;
    TQtTranslations &operator=(const TQtTranslations &) = delete;

    // The language a language file's name stands for; QLocale::AnyLanguage when none.
    static QLocale::Language LanguageOfName(const QString &name);
    // Where Qt's translations are looked for: Qt's own folder unless set otherwise.
    void SetFolder(const QString &folder) { FFolder = folder; }

    // Installs the translations for that language file's name and removes the ones
    // before; true when some are installed now.
    bool Use(const QString &languageName);
    // The language installed now; QLocale::AnyLanguage when Qt speaks its built-in English.
    QLocale::Language Installed() const { return FInstalled; }

private:
    QString FFolder;
    std::unique_ptr<QTranslator> FTranslator;
    QLocale::Language FInstalled = QLocale::AnyLanguage;
};
