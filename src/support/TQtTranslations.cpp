#include "support/TQtTranslations.h"

#include "support/DefaultLanguageName.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

using namespace Qt::StringLiterals;

TQtTranslations::TQtTranslations()
    : FFolder(QLibraryInfo::path(QLibraryInfo::TranslationsPath))
{}

TQtTranslations::~TQtTranslations()
{
    if (FTranslator)
        QCoreApplication::removeTranslator(FTranslator.get());
}

QLocale::Language TQtTranslations::LanguageOfName(const QString &name)
{
    if (name.isEmpty())
        return QLocale::AnyLanguage;
    for (int value = QLocale::C + 1; value <= QLocale::LastLanguage; ++value) {
        const auto language = QLocale::Language(value);
        const int id = PrimaryLanguageId(language);
        // The names the program gives its translations first, then the language's own
        // name for itself ("español", "polski"), then its English name.
        if (id != 0 && LanguageNameForPrimaryId(id).compare(name, Qt::CaseInsensitive) == 0)
            return language;
    }
    for (int value = QLocale::C + 1; value <= QLocale::LastLanguage; ++value) {
        const auto language = QLocale::Language(value);
        const QLocale locale(language);
        if (locale.language() != language)
            continue;
        if (locale.nativeLanguageName().compare(name, Qt::CaseInsensitive) == 0
            || QLocale::languageToString(language).compare(name, Qt::CaseInsensitive) == 0)
            return language;
    }
    return QLocale::AnyLanguage;
}

bool TQtTranslations::Use(const QString &languageName)
{
    const QLocale::Language language = LanguageOfName(languageName);
    if (language == FInstalled && (FTranslator || language == QLocale::AnyLanguage))
        return FTranslator != nullptr;
    if (FTranslator) {
        QCoreApplication::removeTranslator(FTranslator.get());
        FTranslator.reset();
    }
    FInstalled = QLocale::AnyLanguage;
    if (language == QLocale::AnyLanguage || language == QLocale::English)
        return false;
    auto translator = std::make_unique<QTranslator>();
    // "qt_xx" gathers the modules' files where a distribution ships them; "qtbase_xx"
    // alone holds what a Widgets program shows.
    const QLocale locale(language);
    if (!translator->load(locale, u"qt"_s, u"_"_s, FFolder) && !translator->load(locale, u"qtbase"_s, u"_"_s, FFolder))
        return false;
    QCoreApplication::installTranslator(translator.get());
    FTranslator = std::move(translator);
    FInstalled = language;
    return true;
}
