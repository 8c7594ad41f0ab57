#include "support/DefaultLanguageName.h"

using namespace Qt::StringLiterals;

int PrimaryLanguageId(QLocale::Language Language)
{
    switch (Language) {
    case QLocale::Chinese:
        return 4;
    case QLocale::Czech:
        return 5;
    case QLocale::Danish:
        return 6;
    case QLocale::German:
        return 7;
    case QLocale::Spanish:
        return 10;
    case QLocale::French:
        return 12;
    case QLocale::Italian:
        return 16;
    case QLocale::Japanese:
        return 17;
    case QLocale::Korean:
        return 18;
    case QLocale::Dutch:
        return 19;
    case QLocale::Portuguese:
        return 22;
    case QLocale::Turkish:
        return 31;
    default:
        return 0;
    }
}

QString LanguageNameForPrimaryId(int PrimaryId)
{
    switch (PrimaryId) {
    case 4:
        return u"中国的"_s;
    case 5:
        return u"Český"_s;
    case 6:
        return u"Dansk"_s;
    case 7:
        return u"Deutsch"_s;
    case 10:
        return u"Español"_s;
    case 12:
        return u"Français"_s;
    case 16:
        return u"Italiano"_s;
    case 17:
        return u"日本人"_s;
    case 18:
        return u"한국의"_s;
    case 19:
        return u"Nederlands"_s;
    case 22:
        return u"Português"_s;
    case 31:
        return u"Türk"_s;
    default:
        return u"English"_s;
    }
}

QString DefaultLanguageName(const QLocale &Locale)
{
    return LanguageNameForPrimaryId(PrimaryLanguageId(Locale.language()));
}

QString DefaultLanguageName()
{
    return DefaultLanguageName(QLocale::system());
}
