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
