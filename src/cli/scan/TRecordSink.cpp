#include "cli/scan/TRecordSink.h"

#include "platform/TNativeName.h"

#include <vector>

namespace {

// A JSON string of UTF-8 bytes: quotes, backslashes and control characters escaped.
void AppendJsonString(QByteArray &out, const QByteArray &utf8)
{
    static const char hex[] = "0123456789abcdef";
    out.append('"');
    for (const char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out.append('\\');
            out.append(c);
        } else if (b < 0x20) {
            out.append("\\u00");
            out.append(hex[b >> 4]);
            out.append(hex[b & 15]);
        } else {
            out.append(c);
        }
    }
    out.append('"');
}

bool IsUtf8(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

} // namespace

QByteArray TRecordSink::OneLine(const QString &text)
{
    static const char hex[] = "0123456789ABCDEF";
    const QByteArray bytes = TNativeName::Encode(text);
    QByteArray line;
    line.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) {
            line.append("\\x");
            line.append(hex[b >> 4]);
            line.append(hex[b & 15]);
        } else {
            line.append(c);
        }
    }
    return line;
}

TRecordSink::TRecordSink(FILE *records, FILE *status, bool nullTerminated, TFormat format)
    : FFormat(format)
    , FRecords(records)
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
    WriteLine(FStatus, OneLine(text) + '\n');
}

void TRecordSink::WriteLine(FILE *stream, const QByteArray &line)
{
    if (FLineWriter) {
        FLineWriter(stream, line);
        return;
    }
    std::fwrite(line.constData(), 1, size_t(line.size()), stream);
    std::fflush(stream);
}

void TRecordSink::AddToList(int list, const QString &path)
{
    TFinding finding;
    finding.List = list;
    finding.Path = path;
    AddFinding(finding);
}

QString TRecordSink::Unprintable(const QString &path) const
{
    switch (FFormat) {
    case rfList:
    case rfTsv:
        if (FEnd == '\n' && path.contains(u'\n'))
            return QStringLiteral("the name holds a line break, records with it need --null");
        if (FFormat == rfTsv && path.contains(u'\t'))
            return QStringLiteral("the name holds a TAB, records with it need --format json");
        break;
    case rfJson:
        if (!IsUtf8(TNativeName::Encode(path)))
            return QStringLiteral("the name is not UTF-8, a JSON record cannot hold it");
        break;
    }
    return {};
}

void TRecordSink::AddFinding(const TFinding &finding)
{
    // The plain records never show the counterpart, so only its own path counts there.
    const bool both = FFormat != rfList && finding.HasCounterpart;
    for (const QString &path : {finding.Path, both ? finding.CounterpartPath : QString()}) {
        const QString why = Unprintable(path);
        if (!why.isEmpty()) {
            NotCompared(path, why);
            return;
        }
    }
    if (FFormat == rfList) {
        FBuffer.append(char('0' + finding.List));
        FBuffer.append('\t');
        FBuffer.append(TNativeName::Encode(finding.Path));
        EndRecord();
        return;
    }
    // The same fields in both formats; a record without a counterpart leaves its fields
    // empty in tsv and out in json.
    struct TField
    {
        const char *Key;
        QByteArray Value;
        bool IsText;
    };
    std::vector<TField> fields{{"list", QByteArray::number(finding.List), false},
                               {"path", TNativeName::Encode(finding.Path), true},
                               {"size", QByteArray::number(finding.Size), false},
                               {"mtime", QByteArray::number(finding.MTimeSec), false}};
    if (finding.HasCounterpart) {
        fields.push_back({"counterpart_path", TNativeName::Encode(finding.CounterpartPath), true});
        fields.push_back({"counterpart_size", QByteArray::number(finding.CounterpartSize), false});
        fields.push_back({"counterpart_mtime", QByteArray::number(finding.CounterpartMTimeSec), false});
        fields.push_back({"difference", QByteArray::number(finding.Difference), false});
    }
    if (FFormat == rfTsv) {
        for (size_t i = 0; i < fields.size(); ++i) {
            if (i > 0)
                FBuffer.append('\t');
            FBuffer.append(fields[i].Value);
        }
        if (!finding.HasCounterpart)
            FBuffer.append("\t\t\t\t");
    } else {
        for (size_t i = 0; i < fields.size(); ++i) {
            FBuffer.append(i == 0 ? "{\"" : ",\"");
            FBuffer.append(fields[i].Key);
            FBuffer.append("\":");
            if (fields[i].IsText)
                AppendJsonString(FBuffer, fields[i].Value);
            else
                FBuffer.append(fields[i].Value);
        }
        FBuffer.append('}');
    }
    EndRecord();
}

void TRecordSink::EndRecord()
{
    FBuffer.append(FEnd);
    if (FBuffer.size() >= (1 << 16) - 4096)
        Flush();
}

void TRecordSink::NotCompared(const QString &path, const QString &reason)
{
    ++FNotCompared;
    WriteLeftOut("not compared: ", path, reason);
}

void TRecordSink::Skipped(const QString &path, const QString &reason)
{
    WriteLeftOut("skipped: ", path, reason);
}

void TRecordSink::WriteLeftOut(const char *prefix, const QString &path, const QString &reason)
{
    Flush();
    WriteLine(stderr, prefix + OneLine(reason) + ": " + OneLine(path) + '\n');
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
