#pragma once

#include <QLocale>
#include <QString>

// The language the program starts in when the user has not chosen one: the user's
// locale reduced to its primary language id, then to the name of the language file
// that a translation for that language carries. QLocale::system() follows LANGUAGE,
// LC_ALL, LC_MESSAGES and LANG.

// The primary language id (the low 8 bits of a language id) of a language; 0 for
// languages without a translation name, and for the C/POSIX locale.
int PrimaryLanguageId(QLocale::Language Language);
// "Deutsch" for 7, "Français" for 12, ...; "English" for any id without a name.
QString LanguageNameForPrimaryId(int PrimaryId);
QString DefaultLanguageName(const QLocale &Locale);
QString DefaultLanguageName();
