#pragma once

#include <QByteArray>

#include <atomic>

// Byte-by-byte comparison of two files of equal size.
class TContentComparer
{
public:
    static constexpr qint64 BlockSize = 16384;

    enum TResult {
        crSame,
        crDifferent,
        crSourceUnreadable, // cannot be opened or read to the end, or not a regular file
        crDestinationUnreadable,
    };

    // Compares two files of any path length byte by byte, up to the first block that
    // differs. Files of different sizes differ. Anything that is not a regular file (a FIFO
    // is never opened for a blocking read) counts as unreadable.
    // A comparison given up at a cancel request reads as crDifferent; whoever cancels it
    // throws the answer away.
    static TResult Compare(const QByteArray &sourcePath, const QByteArray &destinationPath,
                           const std::atomic<bool> *cancel = nullptr);
    // Compare() == crSame.
    static bool SameContent(const QByteArray &sourcePath, const QByteArray &destinationPath)
    {
        return Compare(sourcePath, destinationPath) == crSame;
    }
};
