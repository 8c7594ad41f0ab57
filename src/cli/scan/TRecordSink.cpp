#include "cli/scan/TRecordSink.h"

#include "platform/TNativeName.h"

TRecordSink::TRecordSink(FILE *records, FILE *status, bool nullTerminated)
    : FRecords(records)
    , FStatus(status)
    , FEnd(nullTerminated ? '\0' : '\n')
{
    FBuffer.reserve(1 << 16);
}

TRecordSink::~TRecordSink()
{
    Flush();
}

void TRecordSink::ShowStatus(const QString &text)
{
    if (!FStatus)
        return;
    // Status lines and records go to different streams; keep them in order for a
    // reader that merges the two.
    Flush();
    const QByteArray line = TNativeName::Encode(text) + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), FStatus);
    std::fflush(FStatus);
}

void TRecordSink::AddToList(int list, const QString &path)
{
    FBuffer.append(char('0' + list));
    FBuffer.append('\t');
    FBuffer.append(TNativeName::Encode(path));
    FBuffer.append(FEnd);
    if (FBuffer.size() >= (1 << 16) - 4096)
        Flush();
}

void TRecordSink::NotCompared(const QString &path, const QString &reason)
{
    ++FNotCompared;
    Flush();
    const QByteArray line = "not compared: " + TNativeName::Encode(reason) + ": " + TNativeName::Encode(path) + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

bool TRecordSink::Flush()
{
    if (!FBuffer.isEmpty()) {
        if (std::fwrite(FBuffer.constData(), 1, size_t(FBuffer.size()), FRecords) != size_t(FBuffer.size()))
            FFailed = true;
        FBuffer.clear();
    }
    if (std::fflush(FRecords) != 0)
        FFailed = true;
    return !FFailed;
}
