// foldermate-settings: the stored settings for people and scripts. Every command goes through
// the program's own store functions, so a read here writes its default exactly as the program
// would, and a value of the wrong kind is refused with the program's message.

#include "cli/settings/TSettingsExport.h"
#include "platform/EMessageError.h"
#include "platform/TSettingsHive.h"
#include "registry/ERegistryError.h"
#include "registry/RegistryUtils.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <QStringDecoder>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitStoreError = 1;
constexpr int kExitUsage = 2;
// A buffer size beyond anything the program stores; it keeps a mistyped SIZE from asking for
// gigabytes.
constexpr qint64 kMaxBinarySize = 64 * 1024 * 1024;

// A mistake in the command line; its message is one line.
class EUsageError : public EMessageError
{
public:
    using EMessageError::EMessageError;
};

enum TValueKind { vkString, vkInteger, vkBool, vkFloat, vkBinary };

void Print(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

TValueKind ParseKind(const QString &text)
{
    if (text == u"string"_s)
        return vkString;
    if (text == u"integer"_s)
        return vkInteger;
    if (text == u"bool"_s)
        return vkBool;
    if (text == u"float"_s)
        return vkFloat;
    if (text == u"binary"_s)
        return vkBinary;
    throw EUsageError(u"unknown kind '"_s + text + u"' (string, integer, bool, float or binary)"_s);
}

// Decimal digits with an optional minus sign and nothing else: no blanks, no "+", no "0x".
template <typename T> std::optional<T> StrictNumber(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    const char *end = bytes.constData() + bytes.size();
    T value = 0;
    const auto [ptr, ec] = std::from_chars(bytes.constData(), end, value, 10);
    if (bytes.isEmpty() || ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

qint32 ParseInteger(const QString &text)
{
    const auto value = StrictNumber<qint32>(text);
    if (!value)
        throw EUsageError(u"not a 32-bit integer: '"_s + text + u"'"_s);
    return *value;
}

bool ParseBool(const QString &text)
{
    const QString lower = text.toLower();
    if (lower == u"true"_s || lower == u"1"_s)
        return true;
    if (lower == u"false"_s || lower == u"0"_s)
        return false;
    throw EUsageError(u"not a bool (true or false): '"_s + text + u"'"_s);
}

float ParseFloat(const QString &text)
{
    // Parsed straight to single precision, so the value is rounded once.
    const QByteArray bytes = text.toUtf8();
    float value = 0;
    const char *end = bytes.constData() + bytes.size();
    const auto [ptr, ec] = std::from_chars(bytes.constData(), end, value);
    if (ec != std::errc() || ptr != end || bytes.isEmpty())
        throw EUsageError(u"not a float: '"_s + text + u"'"_s);
    // A size limit or a margin of "nan" or "inf" is no setting the window could have made.
    if (!std::isfinite(value))
        throw EUsageError(u"not a finite float: '"_s + text + u"'"_s);
    return value;
}

QString FloatText(float value)
{
    // The shortest text that reads back as the same float.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

QByteArray ParseHex(const QString &text)
{
    static const QString digits = u"0123456789abcdefABCDEF"_s;
    bool ok = text.size() % 2 == 0;
    for (qsizetype i = 0; ok && i < text.size(); ++i)
        ok = digits.contains(text.at(i));
    if (!ok)
        throw EUsageError(u"not hex bytes: '"_s + text + u"'"_s);
    return QByteArray::fromHex(text.toLatin1());
}

int ParseSize(const QString &text)
{
    const qint64 size = StrictNumber<qint64>(text).value_or(-1);
    if (size < 0 || size > kMaxBinarySize)
        throw EUsageError(u"SIZE must be a number of bytes from 0 to "_s + QString::number(kMaxBinarySize) + u": '"_s
                          + text + u"'"_s);
    return int(size);
}

// The bytes of an argument that is not UTF-8, with every byte outside printable ASCII as \xNN.
QString ShownBytes(const QByteArray &bytes)
{
    QString text;
    for (const char c : bytes) {
        const uchar u = uchar(c);
        if (u >= 0x20 && u < 0x7f)
            text += QLatin1Char(c);
        else
            text += u"\\x"_s + QString::number(u, 16).rightJustified(2, u'0');
    }
    return text;
}

// Names and values reach the store as text: an argument that is not UTF-8 would be stored with
// its broken bytes replaced, so it is refused before anything is read or written.
void ExpectUtf8(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray bytes(argv[i]);
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = decoder(bytes);
        if (decoder.hasError())
            throw EUsageError(u"argument %1 is not valid UTF-8: '%2'"_s.arg(i).arg(ShownBytes(bytes)));
    }
}

void ExpectArguments(const QStringList &args, qsizetype least, qsizetype most, const QString &usage)
{
    if (args.size() >= least && args.size() <= most)
        return;
    for (const QString &arg : args) {
        if (arg.startsWith(u"--"_s))
            throw EUsageError(u"options go before the command: foldermate-settings [--root ROOT] "_s + usage);
    }
    throw EUsageError(u"usage: foldermate-settings [--root ROOT] "_s + usage);
}

// The key path of a root-relative key, from the top of the hive.
QString KeyBelowRoot(const QString &key)
{
    return RootPath() + u'\\' + key;
}

int CannotOpen()
{
    Print(stderr,
          u"foldermate-settings: the settings file '"_s + SettingsHive().FilePath() + u"' cannot be opened\n"_s);
    return kExitStoreError;
}

int RunExport(const QStringList &args)
{
    // "--all" is the export's own switch and follows the command.
    const bool all = args.size() == 1 && args.first() == u"--all"_s;
    if (!all && args.contains(u"--all"_s))
        throw EUsageError(u"usage: foldermate-settings [--root ROOT] export [KEY | --all]"_s);
    if (!all)
        ExpectArguments(args, 0, 1, u"export [KEY | --all]"_s);
    // Like every other command, export works below the root: the root itself unless a KEY
    // below it is named; the whole store only when asked for.
    const QString key = all ? QString() : args.isEmpty() ? RootPath() : KeyBelowRoot(args.first());
    const QString text = TSettingsExport(SettingsHive()).Export(key);
    // An empty export of a store that could not even be opened is no export.
    if (!SettingsHive().IsOpen())
        return CannotOpen();
    Print(stdout, text);
    return kExitOk;
}

int RunGet(const QStringList &args)
{
    ExpectArguments(args, 3, 3, u"get KIND PATH DEFAULT (get binary PATH SIZE)"_s);
    const QString &path = args.at(1);
    const QString &argument = args.at(2);
    QString text;
    switch (ParseKind(args.at(0))) {
    case vkString:
        text = ReadString(path, argument);
        break;
    case vkInteger:
        text = QString::number(ReadInteger(path, ParseInteger(argument)));
        break;
    case vkBool:
        text = ReadBool(path, ParseBool(argument)) ? u"true"_s : u"false"_s;
        break;
    case vkFloat:
        text = FloatText(ReadFloat(path, ParseFloat(argument)));
        break;
    case vkBinary: {
        QByteArray buffer(ParseSize(argument), '\0');
        const int size = ReadBinary(path, buffer.data(), int(buffer.size()));
        text = QString::fromLatin1(buffer.left(size).toHex());
        break;
    }
    }
    Print(stdout, text + u'\n');
    return kExitOk;
}

int RunSet(const QStringList &args)
{
    ExpectArguments(args, 3, 3, u"set KIND PATH VALUE"_s);
    const QString &path = args.at(1);
    const QString &value = args.at(2);
    switch (ParseKind(args.at(0))) {
    case vkString:
        WriteString(path, value);
        break;
    case vkInteger:
        WriteInteger(path, ParseInteger(value));
        break;
    case vkBool:
        WriteBool(path, ParseBool(value));
        break;
    case vkFloat:
        WriteFloat(path, ParseFloat(value));
        break;
    case vkBinary: {
        const QByteArray bytes = ParseHex(value);
        WriteBinary(path, bytes.constData(), int(bytes.size()));
        break;
    }
    }
    return kExitOk;
}

int RunList(const QStringList &args)
{
    ExpectArguments(args, 0, 1, u"list [KEY]"_s);
    QStringList names;
    ListSubkeys(args.isEmpty() ? QString() : args.first(), names);
    if (!SettingsHive().IsOpen())
        return CannotOpen();
    for (const QString &name : std::as_const(names))
        Print(stdout, name + u'\n');
    return kExitOk;
}

int RunDelete(const QStringList &args)
{
    ExpectArguments(args, 1, 1, u"delete PATH"_s);
    const bool deleted = DeleteEntry(args.first());
    // "false" means nothing was there; a store that refused the delete is an error.
    const QString refused = SettingsHive().LastError();
    if (!deleted && !refused.isEmpty()) {
        Print(stderr, u"Failed to delete '"_s + args.first() + u"': "_s + refused + u'\n');
        return kExitStoreError;
    }
    Print(stdout, deleted ? u"true\n"_s : u"false\n"_s);
    return kExitOk;
}

int Run(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Shows and changes the settings that Foldermate stores.\n\n"
        "Commands:\n"
        "  export [KEY]            the root, or KEY below it, with everything below, as text\n"
        "  export --all            the whole store, every root, as text\n"
        "  get KIND PATH DEFAULT   reads a value, writing DEFAULT first when it is missing;\n"
        "                          KIND is string, integer, bool or float\n"
        "  get binary PATH SIZE    reads a binary value of at most SIZE bytes, shown as hex\n"
        "  set KIND PATH VALUE     writes a value; KIND as above or binary (VALUE as hex)\n"
        "  list [KEY]              names the subkeys of KEY, one a line\n"
        "  delete PATH             deletes the value PATH and the key PATH with everything below it;\n"
        "                          prints whether a key was deleted\n\n"
        "KEY and PATH are relative to the root, with \"\\\" between keys: Presets\\Work\\srcPath.\n"
        "Options go before the command, so that values such as -5 are taken as values."_s);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption root(u"root"_s, u"Key that paths are relative to (default: %1)."_s.arg(DefaultRootPath()),
                                  u"ROOT"_s);
    parser.addOption(root);
    parser.addPositionalArgument(u"command"_s, u"export, get, set, list or delete."_s, u"COMMAND [ARGUMENTS...]"_s);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);

    if (!parser.parse(app.arguments()))
        throw EUsageError(parser.errorText());
    if (parser.isSet(help))
        parser.showHelp(kExitOk);

    QStringList args = parser.positionalArguments();
    if (args.isEmpty())
        throw EUsageError(u"missing command (export, get, set, list or delete; see --help)"_s);
    const QString command = args.takeFirst();
    if (parser.isSet(root))
        SetRootPath(parser.value(root));

    using TCommand = int (*)(const QStringList &);
    TCommand run = nullptr;
    if (command == u"export"_s)
        run = RunExport;
    else if (command == u"get"_s)
        run = RunGet;
    else if (command == u"set"_s)
        run = RunSet;
    else if (command == u"list"_s)
        run = RunList;
    else if (command == u"delete"_s)
        run = RunDelete;
    else
        throw EUsageError(u"unknown command '"_s + command + u"' (export, get, set, list or delete)"_s);

    const QString moved = TakeSettingsRecoveryNotice();
    if (!moved.isEmpty())
        Print(stderr, u"foldermate-settings: the settings file was damaged; it was moved to '"_s + moved
                          + u"' and the settings start empty\n"_s);
    return run(args);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"foldermate-settings"_s);
    try {
        ExpectUtf8(argc, argv);
        return Run(app);
    } catch (const EUsageError &error) {
        Print(stderr, u"foldermate-settings: "_s + error.Message() + u'\n');
        return kExitUsage;
    } catch (const ERegistryError &error) {
        Print(stderr, error.Message() + u'\n');
        return kExitStoreError;
    }
}
