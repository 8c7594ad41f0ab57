#pragma once

#include <QByteArray>

// Byte-by-byte comparison of two files of equal size.
class TContentComparer
{
public:
    static constexpr qint64 BlockSize = 16384;

    // True when both are regular files of the same size with the same bytes. A file
    // that cannot be opened or read, a short read, or anything that is not a regular
    // file (a FIFO is never opened for a blocking read) gives false. Stops at the first
    // block that differs.
    static bool SameContent(const QByteArray &sourcePath, const QByteArray &destinationPath);
};
