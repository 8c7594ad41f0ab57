#include "platform/TNativeName.h"

#include <QFile>

bool TNativeName::Decode(const char *bytes, qsizetype length, QString *out)
{
    bool ascii = true;
    for (qsizetype i = 0; i < length; ++i) {
        if (static_cast<unsigned char>(bytes[i]) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        *out = QString::fromLatin1(bytes, length);
        return true;
    }
    const QByteArray raw = QByteArray::fromRawData(bytes, length);
    *out = QFile::decodeName(raw);
    return QFile::encodeName(*out) == raw;
}

QByteArray TNativeName::Encode(const QString &text)
{
    return QFile::encodeName(text);
}

QString TNativeName::Escaped(QByteArrayView bytes)
{
    QString out;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        // The length of a well-formed UTF-8 sequence starting here, or 0.
        qsizetype len = 0;
        if (b < 0x80)
            len = 1;
        else if (b >= 0xC2 && b <= 0xDF)
            len = 2;
        else if (b >= 0xE0 && b <= 0xEF)
            len = 3;
        else if (b >= 0xF0 && b <= 0xF4)
            len = 4;
        if (len > 1) {
            QString piece;
            if (i + len <= n && TNativeName::Decode(bytes.data() + i, len, &piece)
                && !piece.contains(QChar::ReplacementCharacter)) {
                out += piece;
                i += len;
                continue;
            }
            len = 0;
        }
        if (len == 1) {
            out += QLatin1Char(char(b));
            ++i;
            continue;
        }
        static const char hex[] = "0123456789ABCDEF";
        out += QLatin1String("\\x");
        out += QLatin1Char(hex[b >> 4]);
        out += QLatin1Char(hex[b & 15]);
        ++i;
    }
    return out;
}
