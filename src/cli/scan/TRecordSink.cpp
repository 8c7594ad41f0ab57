#include "cli/scan/TRecordSink.h"

#include "platform/TNativeName.h"

namespace {

// A line break in a name would end the line early and make the rest read as a line of
// its own (a forged record); it is shown as \x0A like other bytes that are not text.
QByteArray OneLine(const QString &path)
{
    QByteArray bytes = TNativeName::Encode(path);
    bytes.replace('\n', "\\x0A");
    return bytes;
}

} // namespace

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
    const QByteArray line = OneLine(text) + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), FStatus);
    std::fflush(FStatus);
}

void TRecordSink::AddToList(int list, const QString &path)
{
    if (FEnd == '\n' && path.contains(u'\n')) {
        NotCompared(path, QStringLiteral("the name holds a line break, records with it need --null"));
        return;
    }
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
    const QByteArray line = "not compared: " + TNativeName::Encode(reason) + ": " + OneLine(path) + '\n';
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
