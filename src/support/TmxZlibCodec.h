#pragma once

#include <QByteArray>

class QIODevice;

// The compressed form of a stored item: one zlib stream (window bits 15, memory
// level 8, default strategy) whose inflated content is the original size as a
// 32-bit little-endian signed integer followed by exactly that many bytes.
// Keeping the size inside the stream means a damaged header cannot lie about it
// without the stream's checksum failing too.
class TmxZlibCodec
{
public:
    // Compresses Size bytes read from Source at the given zlib level (-1, 1 or 9).
    // Raises EmxStorageError when Source delivers fewer bytes than Size.
    static QByteArray Deflate(QIODevice &Source, qint32 Size, int Level);
    static QByteArray Deflate(const QByteArray &Content, int Level);

    // Gives back the original bytes. Every kind of damage (not a zlib stream, a
    // stream cut short, a checksum mismatch, a missing or negative size field, a
    // size larger than the content) raises EmxStorageError; nothing is read or
    // written outside the buffers.
    static QByteArray Inflate(const QByteArray &Data);
};
