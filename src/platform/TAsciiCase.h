#pragma once

#include <QStringView>

// Names compared as the settings store compares its keys and values: the letters A to Z
// and a to z alike, every other character exactly (no locale, so that a name matches the
// same names on every machine).
class TAsciiCase
{
public:
    // a to z as A to Z; every other character as it is.
    static constexpr char16_t Fold(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c; }
    // Equal but for the case of ASCII letters.
    static bool Same(QStringView a, QStringView b);
};
