#pragma once

#include <QStringList>

#include <optional>

class QIODevice;
class TmxStorage;

// The texts of one language, one per line of its language file, read by line
// number from 0. A language file is one text per line: a byte-order mark picks
// UTF-8, UTF-16 LE or UTF-16 BE; without one the bytes are UTF-8, or Latin-1 where
// they are not valid UTF-8. Lines end at CR LF, CR or LF; a break after the last
// line adds no line; a U+0000 ends the text.
class TLanguageTable
{
public:
    // No language file comes near these: a larger file is something else that happens to
    // end in ".txt" and is not read; a longer line is cut, as no caption or message has
    // room for more and laying it out would hold the window up.
    static constexpr qint64 LargestFile = 4 * 1024 * 1024;
    static constexpr int LongestLine = 4096;

    TLanguageTable() = default;
    explicit TLanguageTable(QStringList Lines)
        : FLines(std::move(Lines))
    {}

    // Line N; a line the file does not have reads as an empty text.
    QString text(int N) const { return N >= 0 && N < FLines.size() ? FLines.at(N) : QString(); }
    int Count() const { return static_cast<int>(FLines.size()); }
    const QStringList &Lines() const { return FLines; }

    static QString Decode(const QByteArray &Bytes);
    static QStringList SplitLines(QStringView Text);
    static TLanguageTable FromBytes(const QByteArray &Bytes);
    // The whole of Stream, from its start.
    static TLanguageTable FromStream(QIODevice &Stream);
    // Nothing when the file is missing, not a regular file, or cannot be read.
    static std::optional<TLanguageTable> FromFile(const QString &Path);

    // The built-in English file: the item "EN" of the given store, read uncompressed.
    static TLanguageTable BuiltInEnglish(TmxStorage &mx);
    // The same from the store packed into the program; needs no window.
    static TLanguageTable BuiltInEnglish();

    // The language file at Index of Files, or the built-in English file of mx when
    // the index designates no file or the file cannot be used.
    static TLanguageTable Load(const QStringList &Files, int Index, TmxStorage &mx);

private:
    QStringList FLines;
};
