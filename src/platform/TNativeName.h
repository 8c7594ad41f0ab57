#pragma once

#include <QString>

// File names on Linux are bytes; the program works with text. A name whose bytes
// do not come back unchanged from decode-then-encode could make an action address
// another file than the one listed, so such names are refused.
class TNativeName
{
public:
    // Decodes the name; false when it does not survive the round trip.
    static bool Decode(const char *bytes, qsizetype length, QString *out);
    static QByteArray Encode(const QString &text);
    // The name for showing only: what decodes as UTF-8 as text, every other byte as
    // "\xHH". Never used to address a file.
    static QString Escaped(QByteArrayView bytes);
};
