#include "registry/RegistryUtils.h"

#include "platform/TSettingsHive.h"
#include "registry/ERegistryError.h"

#include <QtEndian>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

std::unique_ptr<TSettingsHive> gHive;
QString gRootPath = DefaultRootPath();

struct TEntry
{
    QString Key;
    QString Name;
};

TEntry Resolve(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'\\');
    if (slash < 0)
        return {gRootPath, path};
    return {gRootPath + u'\\' + path.left(slash), path.mid(slash + 1)};
}

[[noreturn]] void RaiseInvalidType(const TEntry &entry)
{
    throw ERegistryError(u"Invalid data type for '"_s + entry.Name + u"'"_s);
}

// The store's message, followed by the reason when the store knows it.
[[noreturn]] void RaiseSetFailed(const TEntry &entry, const QString &reason)
{
    const QString message = u"Failed to set data for '"_s + entry.Name + u"'"_s;
    throw ERegistryError(reason.isEmpty() ? message : message + u": "_s + reason);
}

QByteArray EncodeString(const QString &text)
{
    QByteArray bytes((text.size() + 1) * 2, '\0');
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text.at(i).unicode(), bytes.data() + 2 * i);
    return bytes;
}

QString DecodeString(const QByteArray &bytes)
{
    QString text;
    const qsizetype units = bytes.size() / 2;
    text.reserve(units);
    for (qsizetype i = 0; i < units; ++i) {
        const quint16 unit = qFromLittleEndian<quint16>(bytes.constData() + 2 * i);
        if (unit == 0)
            break;
        text.append(QChar(unit));
    }
    return text;
}

QByteArray EncodeDword(qint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian<qint32>(value, bytes.data());
    return bytes;
}

std::optional<qint32> DecodeDword(const TSettingsHive::TValue &value)
{
    if (value.Kind != rkDword || value.Data.size() != 4)
        return std::nullopt;
    return qFromLittleEndian<qint32>(value.Data.constData());
}

QByteArray EncodeFloat(float value)
{
    const double wide = value;
    quint64 bits;
    std::memcpy(&bits, &wide, sizeof bits);
    QByteArray bytes(8, '\0');
    qToLittleEndian<quint64>(bits, bytes.data());
    return bytes;
}

std::optional<float> DecodeFloat(const TSettingsHive::TValue &value)
{
    if (value.Kind != rkBinary || value.Data.size() != 8)
        return std::nullopt;
    const quint64 bits = qFromLittleEndian<quint64>(value.Data.constData());
    double wide;
    std::memcpy(&wide, &bits, sizeof wide);
    // A double beyond the range of a float becomes an infinity, as the hardware would round
    // it; the conversion itself would be undefined.
    if (std::isfinite(wide) && std::fabs(wide) > double(std::numeric_limits<float>::max()))
        return std::copysign(std::numeric_limits<float>::infinity(), float(wide > 0 ? 1 : -1));
    return float(wide);
}

// The value at the entry, written with its default first when it is missing. Nothing when it
// cannot be read, or when the default cannot be written: a store that cannot be written still
// lets the program start with its defaults.
std::optional<TSettingsHive::TValue> ReadOrAddDefault(const TEntry &entry, quint32 kind, const QByteArray &defaultData)
{
    TSettingsHive &hive = SettingsHive();
    TSettingsHive::TValue value;
    TSettingsHive::TLookup lookup = hive.QueryValue(entry.Key, entry.Name, &value);
    if (lookup == TSettingsHive::lkMissing) {
        if (!hive.AddValue(entry.Key, entry.Name, kind, defaultData))
            return std::nullopt;
        lookup = hive.QueryValue(entry.Key, entry.Name, &value);
    }
    if (lookup != TSettingsHive::lkFound)
        return std::nullopt;
    return value;
}

void Write(const QString &path, quint32 kind, const QByteArray &data)
{
    const TEntry entry = Resolve(path);
    if (!SettingsHive().SetValue(entry.Key, entry.Name, kind, data))
        RaiseSetFailed(entry, SettingsHive().LastError());
}

} // namespace

void OpenSettingsHive(const QString &filePath)
{
    gHive = std::make_unique<TSettingsHive>(filePath);
}

void CloseSettingsHive()
{
    gHive.reset();
}

TSettingsHive &SettingsHive()
{
    if (!gHive)
        gHive = std::make_unique<TSettingsHive>(TSettingsHive::DefaultFilePath());
    return *gHive;
}

QString TakeSettingsRecoveryNotice()
{
    return SettingsHive().TakeRecoveryNotice();
}

QString DefaultRootPath()
{
    return u"\\Software\\Orvane Studio\\Foldermate"_s;
}

QString RootPath()
{
    return gRootPath;
}

void SetRootPath(const QString &rootPath)
{
    gRootPath = rootPath;
}

QString ReadString(const QString &path, const QString &defaultValue)
{
    const TEntry entry = Resolve(path);
    const auto value = ReadOrAddDefault(entry, rkSz, EncodeString(defaultValue));
    if (!value)
        return defaultValue;
    if (value->Data.isEmpty())
        return QString();
    if (value->Kind != rkSz && value->Kind != rkExpandSz)
        RaiseInvalidType(entry);
    return DecodeString(value->Data);
}

qint32 ReadInteger(const QString &path, qint32 defaultValue)
{
    const TEntry entry = Resolve(path);
    const auto value = ReadOrAddDefault(entry, rkDword, EncodeDword(defaultValue));
    const auto number = value ? DecodeDword(*value) : std::nullopt;
    return number.value_or(defaultValue);
}

bool ReadBool(const QString &path, bool defaultValue)
{
    const TEntry entry = Resolve(path);
    const auto value = ReadOrAddDefault(entry, rkDword, EncodeDword(defaultValue ? 1 : 0));
    const auto number = value ? DecodeDword(*value) : std::nullopt;
    return number ? *number != 0 : defaultValue;
}

float ReadFloat(const QString &path, float defaultValue)
{
    const TEntry entry = Resolve(path);
    const auto value = ReadOrAddDefault(entry, rkBinary, EncodeFloat(defaultValue));
    const auto number = value ? DecodeFloat(*value) : std::nullopt;
    return number.value_or(defaultValue);
}

int ReadBinary(const QString &path, void *buffer, int bufferSize)
{
    const TEntry entry = Resolve(path);
    TSettingsHive &hive = SettingsHive();
    TSettingsHive::TValue value;
    const TSettingsHive::TLookup lookup = hive.QueryValue(entry.Key, entry.Name, &value);
    if (lookup == TSettingsHive::lkMissing)
        hive.CreateKey(entry.Key); // every value operation leaves its key behind
    if (lookup != TSettingsHive::lkFound)
        return 0;
    const bool textOrNumber = value.Kind == rkSz || value.Kind == rkExpandSz || value.Kind == rkDword;
    if (textOrNumber || value.Data.size() > qMax(bufferSize, 0))
        RaiseInvalidType(entry);
    if (!value.Data.isEmpty())
        std::memcpy(buffer, value.Data.constData(), size_t(value.Data.size()));
    return int(value.Data.size());
}

void WriteString(const QString &path, const QString &text)
{
    Write(path, rkSz, EncodeString(text));
}

void WriteInteger(const QString &path, qint32 value)
{
    Write(path, rkDword, EncodeDword(value));
}

void WriteBool(const QString &path, bool value)
{
    Write(path, rkDword, EncodeDword(value ? 1 : 0));
}

void WriteFloat(const QString &path, float value)
{
    Write(path, rkBinary, EncodeFloat(value));
}

void WriteBinary(const QString &path, const void *data, int size)
{
    const QByteArray bytes = size > 0 ? QByteArray(static_cast<const char *>(data), size) : QByteArray();
    Write(path, rkBinary, bytes);
}

void ListSubkeys(const QString &keyPath, QStringList &list)
{
    list.clear();
    if (const auto names = SettingsHive().SubkeyNames(gRootPath + u'\\' + keyPath))
        list = *names;
}

bool DeleteEntry(const QString &path)
{
    const TEntry entry = Resolve(path);
    TSettingsHive &hive = SettingsHive();
    hive.CreateKey(entry.Key);
    hive.DeleteValue(entry.Key, entry.Name);
    // "Presets\" names no subkey: without this the key path would collapse onto the parent
    // and the whole parent would go.
    if (entry.Name.isEmpty())
        return false;
    return hive.DeleteKeyTree(entry.Key + u'\\' + entry.Name);
}
