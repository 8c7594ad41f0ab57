#pragma once

#include "compare/TCompareControl.h"

#include <QByteArray>
#include <QtGlobal>

// One side of a pair as read from disk: the file is opened once, so that what the pair is
// judged by (its size, its time, its first block, its bytes) all come from one file even
// when its name is replaced meanwhile. FIFOs and devices are never opened for reading,
// except the null device, which is an empty side.
class TCompareFile
{
public:
    enum TError {
        ceNone,
        ceOpen,     // missing, no permission, or not a regular file (Errno says which)
        ceRead,     // failed part way
        ceTooLarge, // larger than this process can hold
        ceCancelled,
    };

    TCompareFile() = default;
    ~TCompareFile();
    TCompareFile(const TCompareFile &) = delete;
    TCompareFile &operator=(const TCompareFile &) = delete;

    bool Open(const QByteArray &path);
    TError Error() const { return FError; }
    int Errno() const { return FErrno; }
    const QByteArray &Path() const { return FPath; }
    qint64 Size() const { return FSize; }
    qint64 ModifiedSeconds() const { return FMtimeSec; }
    qint64 ModifiedNanoseconds() const { return FMtimeNsec; }

    // Up to `length` bytes from `offset` (fewer at the end of the file); empty on error.
    QByteArray ReadAt(qint64 offset, qint64 length);
    // The whole file, read to its end (it may have grown since Open), with `spare` bytes of
    // capacity left over for the caller to append. Reports progress from `from` to `to`.
    bool ReadAll(QByteArray *out, qsizetype spare, const TCompareControl &control, int from, int to);

private:
    void Fail(TError error, int err);

    QByteArray FPath;
    int FFd = -1;
    TError FError = ceNone;
    int FErrno = 0;
    qint64 FSize = 0;
    qint64 FMtimeSec = 0;
    qint64 FMtimeNsec = 0;
};
