#pragma once

#include "engine/TScanSink.h"

#include <QByteArray>

#include <cstdio>
#include <functional>

// Prints each finding as one record, ended by a newline or a NUL:
// - rfList: the list number, a TAB and the path as the file system spells it;
// - rfTsv: TAB-separated list, path, size, mtime and, for a pair, the counterpart's path,
//   size, mtime and the difference in seconds (empty fields where there is no counterpart);
// - rfJson: one JSON object with the same figures under their names.
// Times are whole UTC seconds since 1970. A path that a format cannot hold unchanged (a
// line break in a line, a TAB in a TSV field, bytes that are not UTF-8 in JSON) is not
// printed as a record but reported like an entry not compared, so that no record names
// another file. Status texts go to another stream, one per line, when asked for; entries
// not compared always go to stderr.
class TRecordSink final : public TScanSink
{
public:
    enum TFormat { rfList, rfTsv, rfJson };

    TRecordSink(FILE *records, FILE *status, bool nullTerminated, TFormat format = rfList);
    ~TRecordSink() override;

    void ShowStatus(const QString &text) override;
    void AddToList(int list, const QString &path) override;
    void AddFinding(const TFinding &finding) override;
    // One line on stderr: "not compared: REASON: PATH".
    void NotCompared(const QString &path, const QString &reason) override;
    // One line on stderr: "skipped: REASON: PATH"; not counted, since it hides nothing.
    void Skipped(const QString &path, const QString &reason) override;
    int NotComparedCount() const { return FNotCompared; }
    // The text as one line of bytes: control characters (a line break in a name would
    // start a forged line) shown as \xHH, like other bytes that are not text.
    static QByteArray OneLine(const QString &text);
    // Writes out what is buffered; false when the stream refused it.
    bool Flush();
    // Writes each line meant for the status stream or stderr (a whole line with its end);
    // by default straight to the stream.
    using TLineWriter = std::function<void(FILE *stream, const QByteArray &line)>;
    void SetLineWriter(TLineWriter writer) { FLineWriter = std::move(writer); }

private:
    // Why a record cannot hold the path, or an empty text.
    QString Unprintable(const QString &path) const;
    void EndRecord();
    void WriteLeftOut(const char *prefix, const QString &path, const QString &reason);
    void WriteLine(FILE *stream, const QByteArray &line);

    TFormat FFormat;
    FILE *FRecords;
    FILE *FStatus; // nullptr: status texts are not shown
    char FEnd;
    QByteArray FBuffer;
    bool FFailed = false;
    int FNotCompared = 0;
    TLineWriter FLineWriter;
};
