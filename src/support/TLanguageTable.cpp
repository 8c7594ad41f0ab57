#include "support/TLanguageTable.h"

#include "support/ProgramStore.h"
#include "support/TmxStorage.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString DecodeWith(QStringConverter::Encoding encoding, QByteArrayView bytes)
{
    // A second mark after the one that chose the encoding is text, as any other character.
    QStringDecoder decoder(encoding, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

} // namespace

QString TLanguageTable::Decode(const QByteArray &Bytes)
{
    const QByteArrayView all(Bytes);
    QString text;
    if (all.startsWith("\xEF\xBB\xBF")) {
        text = DecodeWith(QStringConverter::Utf8, all.sliced(3));
    } else if (all.startsWith("\xFF\xFE")) {
        text = DecodeWith(QStringConverter::Utf16LE, all.sliced(2));
    } else if (all.startsWith("\xFE\xFF")) {
        text = DecodeWith(QStringConverter::Utf16BE, all.sliced(2));
    } else {
        // Linux has no ANSI code page: files without a mark are UTF-8, and the older
        // single-byte files that are not valid UTF-8 are read as Latin-1.
        QStringDecoder utf8(QStringConverter::Utf8,
                            QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        text = utf8.decode(all);
        if (utf8.hasError())
            text = QString::fromLatin1(all);
    }
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text.truncate(nul);
    return text;
}

QStringList TLanguageTable::SplitLines(QStringView Text)
{
    QStringList lines;
    qsizetype start = 0;
    qsizetype i = 0;
    const qsizetype n = Text.size();
    while (i < n) {
        const QChar c = Text[i];
        if (c != u'\r' && c != u'\n') {
            ++i;
            continue;
        }
        lines.append(Text.sliced(start, std::min(i - start, qsizetype(LongestLine))).toString());
        if (c == u'\r' && i + 1 < n && Text[i + 1] == u'\n')
            ++i;
        start = ++i;
    }
    if (start < n)
        lines.append(Text.sliced(start, std::min(n - start, qsizetype(LongestLine))).toString());
    return lines;
}

TLanguageTable TLanguageTable::FromBytes(const QByteArray &Bytes)
{
    return TLanguageTable(SplitLines(Decode(Bytes)));
}

TLanguageTable TLanguageTable::FromStream(QIODevice &Stream)
{
    if (!Stream.isSequential())
        Stream.seek(0);
    return FromBytes(Stream.readAll());
}

std::optional<TLanguageTable> TLanguageTable::FromFile(const QString &Path)
{
    // Opened without blocking and checked after opening: a FIFO or device that took
    // the place of a language file must not hang the window.
    const int fd = ::open(QFile::encodeName(Path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > LargestFile) {
        ::close(fd);
        return std::nullopt;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return FromBytes(bytes);
}

TLanguageTable TLanguageTable::BuiltInEnglish(TmxStorage &mx)
{
    TmxStoredItem *item = mx.ItemByName(u"EN"_s);
    if (!item)
        return {};
    return FromStream(*item->AsStream());
}

TLanguageTable TLanguageTable::BuiltInEnglish()
{
    // Read once per process; the table is immutable and shared between copies.
    static const TLanguageTable english = [] {
        TmxStorage mx;
        LoadProgramStore(mx);
        return BuiltInEnglish(mx);
    }();
    return english;
}

TLanguageTable TLanguageTable::Load(const QStringList &Files, int Index, TmxStorage &mx)
{
    if (Index >= 0 && Index < Files.size()) {
        if (std::optional<TLanguageTable> table = FromFile(Files.at(Index)))
            return *std::move(table);
    }
    return BuiltInEnglish(mx);
}
