#include "support/TmxZlibCodec.h"

#include "support/EmxStorageError.h"

#include <QIODevice>

#include <zlib.h>

#include <algorithm>
#include <array>
#include <climits>

using namespace Qt::StringLiterals;

namespace {

constexpr int kWindowBits = 15;
constexpr int kMemLevel = 8;
constexpr qsizetype kChunk = 64 * 1024;

QString ZlibText(const z_stream &zs, int code)
{
    if (zs.msg)
        return QString::fromLatin1(zs.msg);
    return QString::fromLatin1(zError(code));
}

// Frees the zlib state whichever way Inflate leaves.
struct TInflateGuard
{
    z_stream *Stream;
    ~TInflateGuard() { inflateEnd(Stream); }
};

class TDeflater
{
public:
    explicit TDeflater(int level)
    {
        const int rc = deflateInit2(&FStream, level, Z_DEFLATED, kWindowBits, kMemLevel, Z_DEFAULT_STRATEGY);
        if (rc != Z_OK)
            throw EmxStorageError(u"Cannot start compressing a stored item: %1"_s.arg(ZlibText(FStream, rc)));
        FReady = true;
    }
    ~TDeflater()
    {
        if (FReady)
            deflateEnd(&FStream);
    }
    TDeflater(const TDeflater &) = delete;
    TDeflater &operator=(const TDeflater &) = delete;

    void Write(const char *data, qsizetype length) { Pump(data, length, Z_NO_FLUSH); }
    QByteArray Finish()
    {
        Pump(nullptr, 0, Z_FINISH);
        return std::move(FOut);
    }

private:
    void Pump(const char *data, qsizetype length, int flush)
    {
        FStream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data));
        FStream.avail_in = static_cast<uInt>(length);
        std::array<char, kChunk> chunk;
        for (;;) {
            FStream.next_out = reinterpret_cast<Bytef *>(chunk.data());
            FStream.avail_out = static_cast<uInt>(chunk.size());
            const int rc = deflate(&FStream, flush);
            if (rc == Z_STREAM_ERROR)
                throw EmxStorageError(u"Cannot compress a stored item: %1"_s.arg(ZlibText(FStream, rc)));
            FOut.append(chunk.data(), chunk.size() - FStream.avail_out);
            if (flush == Z_FINISH ? rc == Z_STREAM_END : FStream.avail_out != 0)
                return;
        }
    }

    z_stream FStream{};
    bool FReady = false;
    QByteArray FOut;
};

QByteArray SizeField(qint32 size)
{
    const quint32 u = static_cast<quint32>(size);
    QByteArray field(4, Qt::Uninitialized);
    field[0] = static_cast<char>(u & 0xff);
    field[1] = static_cast<char>((u >> 8) & 0xff);
    field[2] = static_cast<char>((u >> 16) & 0xff);
    field[3] = static_cast<char>((u >> 24) & 0xff);
    return field;
}

} // namespace

QByteArray TmxZlibCodec::Deflate(QIODevice &Source, qint32 Size, int Level)
{
    TDeflater deflater(Level);
    const QByteArray field = SizeField(Size);
    deflater.Write(field.constData(), field.size());
    std::array<char, kChunk> buffer;
    qint64 remaining = Size;
    while (remaining > 0) {
        const qint64 got = Source.read(buffer.data(), std::min<qint64>(remaining, buffer.size()));
        if (got <= 0)
            throw EmxStorageError(
                u"The source of a stored item ended after %1 of its %2 bytes."_s.arg(Size - remaining).arg(Size));
        deflater.Write(buffer.data(), got);
        remaining -= got;
    }
    return deflater.Finish();
}

QByteArray TmxZlibCodec::Deflate(const QByteArray &Content, int Level)
{
    if (Content.size() > INT_MAX)
        throw EmxStorageError(u"A stored item can hold at most 2,147,483,647 bytes."_s);
    TDeflater deflater(Level);
    const QByteArray field = SizeField(static_cast<qint32>(Content.size()));
    deflater.Write(field.constData(), field.size());
    for (qsizetype at = 0; at < Content.size(); at += kChunk)
        deflater.Write(Content.constData() + at, std::min(kChunk, Content.size() - at));
    return deflater.Finish();
}

QByteArray TmxZlibCodec::Inflate(const QByteArray &Data)
{
    if (static_cast<quint64>(Data.size()) > UINT_MAX)
        throw EmxStorageError(u"The stored data of an item is too large to read."_s);
    z_stream zs{};
    const int initRc = inflateInit2(&zs, kWindowBits);
    if (initRc != Z_OK)
        throw EmxStorageError(u"Cannot start reading a stored item: %1"_s.arg(ZlibText(zs, initRc)));
    const TInflateGuard guard{&zs};

    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(Data.constData()));
    zs.avail_in = static_cast<uInt>(Data.size());

    std::array<char, 4> field{};
    qsizetype fieldFilled = 0;
    qint64 wanted = -1; // the original size, once its four bytes have come out
    QByteArray content;
    std::array<char, kChunk> chunk;
    int rc = Z_OK;
    do {
        zs.next_out = reinterpret_cast<Bytef *>(chunk.data());
        zs.avail_out = static_cast<uInt>(chunk.size());
        rc = inflate(&zs, Z_NO_FLUSH);
        switch (rc) {
        case Z_OK:
        case Z_STREAM_END:
            break;
        case Z_BUF_ERROR:
            throw EmxStorageError(u"The stored data of an item is cut short: its zlib stream does not end."_s);
        case Z_MEM_ERROR:
            throw EmxStorageError(u"Not enough memory to read a stored item."_s);
        default:
            throw EmxStorageError(u"The stored data of an item is not a valid zlib stream: %1"_s.arg(ZlibText(zs, rc)));
        }
        const char *out = chunk.data();
        qsizetype produced = static_cast<qsizetype>(chunk.size() - zs.avail_out);
        while (fieldFilled < 4 && produced > 0) {
            field[fieldFilled++] = *out++;
            --produced;
        }
        if (fieldFilled == 4 && wanted < 0) {
            const quint32 u = static_cast<quint8>(field[0]) | static_cast<quint8>(field[1]) << 8
                              | static_cast<quint8>(field[2]) << 16
                              | static_cast<quint32>(static_cast<quint8>(field[3])) << 24;
            const qint32 size = static_cast<qint32>(u);
            if (size < 0)
                throw EmxStorageError(u"The stored data of an item gives a negative size (%1)."_s.arg(size));
            wanted = size;
        }
        // Content past the recorded size is not part of the file: skip it, so that a
        // size field smaller than the content can never make the result grow.
        if (wanted >= 0 && produced > 0) {
            const qsizetype take = static_cast<qsizetype>(std::min<qint64>(produced, wanted - content.size()));
            if (take > 0)
                content.append(out, take);
        }
    } while (rc != Z_STREAM_END);

    if (wanted < 0)
        throw EmxStorageError(u"The stored data of an item holds no size field."_s);
    if (content.size() < wanted)
        throw EmxStorageError(
            u"The stored data of an item gives a size of %1 bytes but holds only %2."_s.arg(wanted).arg(
                content.size()));
    return content;
}
