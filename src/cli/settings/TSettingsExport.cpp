#include "cli/settings/TSettingsExport.h"

#include "platform/TSettingsHive.h"

#include <QtEndian>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Control characters and unpaired surrogates as \uXXXX; in quoted texts also the backslash and
// the quote, which key paths need unescaped.
QString Escaped(const QString &text, bool quoted = true)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (quoted && u == u'\\')
            out += u"\\\\"_s;
        else if (quoted && u == u'"')
            out += u"\\\""_s;
        else if (u == u'\n')
            out += u"\\n"_s;
        else if (u == u'\r')
            out += u"\\r"_s;
        else if (u == u'\t')
            out += u"\\t"_s;
        else if (u < 0x20 || u == 0x7f
                 || (c.isSurrogate() && !(c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                     && !(c.isLowSurrogate() && i > 0 && text.at(i - 1).isHighSurrogate())))
            out += u"\\u"_s + QString::number(u, 16).rightJustified(4, u'0');
        else
            out += c;
    }
    return out;
}

QString Quoted(const QString &text)
{
    return u'"' + Escaped(text) + u'"';
}

QString Hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex());
}

QString KindName(quint32 kind)
{
    switch (kind) {
    case rkNone:
        return u"REG_NONE"_s;
    case rkSz:
        return u"REG_SZ"_s;
    case rkExpandSz:
        return u"REG_EXPAND_SZ"_s;
    case rkBinary:
        return u"REG_BINARY"_s;
    case rkDword:
        return u"REG_DWORD"_s;
    }
    return u"REG_TYPE_"_s + QString::number(kind);
}

// The stored text without its terminating NUL; a NUL inside stays visible as \u0000.
QString StoredText(const QByteArray &bytes)
{
    QString text;
    const qsizetype units = bytes.size() / 2;
    for (qsizetype i = 0; i < units; ++i)
        text.append(QChar(qFromLittleEndian<quint16>(bytes.constData() + 2 * i)));
    if (text.endsWith(QChar(0)))
        text.chop(1);
    return text;
}

} // namespace

QString TSettingsExport::Export(const QString &keyPath)
{
    // The heading shows each key in the case it was created in, whatever case the caller used.
    QString display;
    QString walked;
    for (const QString &name : keyPath.split(u'\\', Qt::SkipEmptyParts)) {
        const auto subkeys = FHive.SubkeyNames(walked);
        if (!subkeys)
            return QString();
        const auto found = std::find_if(subkeys->cbegin(), subkeys->cend(), [&name](const QString &s) {
            return !TSettingsHive::NameLess(s, name) && !TSettingsHive::NameLess(name, s);
        });
        if (found == subkeys->cend())
            return QString();
        walked += u'\\' + *found;
        display += u'\\' + *found;
    }
    if (!FHive.KeyExists(walked))
        return QString();
    QString out;
    // The top of the hive holds only keys; it gets a section of its own only if something has
    // put values there.
    ExportKey(display, walked, !display.isEmpty(), out);
    return out;
}

void TSettingsExport::ExportKey(const QString &displayPath, const QString &keyPath, bool withEmptySection, QString &out)
{
    const QStringList values = FHive.ValueNames(keyPath).value_or(QStringList());
    if (withEmptySection || !values.isEmpty()) {
        out += u'[' + Escaped(displayPath.isEmpty() ? u"\\"_s : displayPath, false) + u"]\n"_s;
        for (const QString &name : values)
            out += Quoted(name) + u" = "_s + ValueText(keyPath, name) + u'\n';
    }
    for (const QString &subkey : FHive.SubkeyNames(keyPath).value_or(QStringList()))
        ExportKey(displayPath + u'\\' + subkey, keyPath + u'\\' + subkey, true, out);
}

QString TSettingsExport::ValueText(const QString &keyPath, const QString &name)
{
    TSettingsHive::TValue value;
    if (FHive.QueryValue(keyPath, name, &value) != TSettingsHive::lkFound)
        return u"(unreadable)"_s;
    const QString kind = KindName(value.Kind);
    switch (value.Kind) {
    case rkSz:
    case rkExpandSz:
        if (value.Data.size() % 2 == 0)
            return kind + u' ' + Quoted(StoredText(value.Data));
        break;
    case rkDword:
        if (value.Data.size() == 4)
            return kind + u' ' + QString::number(qFromLittleEndian<qint32>(value.Data.constData()));
        break;
    case rkBinary:
        return value.Data.isEmpty() ? kind : kind + u' ' + Hex(value.Data);
    }
    return kind + u" hex:"_s + Hex(value.Data);
}
