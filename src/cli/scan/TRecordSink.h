#pragma once

#include "engine/TScanSink.h"

#include <QByteArray>

#include <cstdio>

// Prints each finding as one record: the list number, a TAB and the path as the
// file system spells it, ended by a newline or a NUL. Status texts go to another
// stream, one per line, when asked for; entries not compared always go to stderr.
class TRecordSink final : public TScanSink
{
public:
    TRecordSink(FILE *records, FILE *status, bool nullTerminated);
    ~TRecordSink() override;

    void ShowStatus(const QString &text) override;
    void AddToList(int list, const QString &path) override;
    // One line on the status stream (stderr): "not compared: REASON: PATH".
    void NotCompared(const QString &path, const QString &reason) override;
    int NotComparedCount() const { return FNotCompared; }
    // Writes out what is buffered; false when the stream refused it.
    bool Flush();

private:
    FILE *FRecords;
    FILE *FStatus; // nullptr: status texts are not shown
    char FEnd;
    QByteArray FBuffer;
    bool FFailed = false;
    int FNotCompared = 0;
};
