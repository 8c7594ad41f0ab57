#pragma once

#include <QByteArray>
#include <QList>
#include <QtEndian>
#include <QtGlobal>

#include <array>
#include <cstring>

// Identifies one detail column of a result list. The stored column layouts are plain
// arrays of these 20-byte records: a GUID of 16 bytes in the Windows layout (a 32-bit,
// a 16-bit and a 16-bit field little-endian, then 8 bytes) followed by the property
// number as a 32-bit little-endian value. The byte form is what the settings store keeps,
// so it must never change for a column that has been offered once.
struct SHCOLUMNID
{
    static constexpr int StoredSize = 20;

    std::array<quint8, 16> fmtid{};
    quint32 pid = 0;

    static constexpr SHCOLUMNID FromGuid(quint32 data1, quint16 data2, quint16 data3, std::array<quint8, 8> data4,
                                         quint32 pid)
    {
        SHCOLUMNID id;
        for (int i = 0; i < 4; ++i)
            id.fmtid[i] = quint8(data1 >> (8 * i));
        for (int i = 0; i < 2; ++i) {
            id.fmtid[4 + i] = quint8(data2 >> (8 * i));
            id.fmtid[6 + i] = quint8(data3 >> (8 * i));
        }
        for (int i = 0; i < 8; ++i)
            id.fmtid[8 + i] = data4[i];
        id.pid = pid;
        return id;
    }

    // Reads one record from StoredSize bytes.
    static SHCOLUMNID FromBytes(const char *bytes)
    {
        SHCOLUMNID id;
        std::memcpy(id.fmtid.data(), bytes, 16);
        id.pid = qFromLittleEndian<quint32>(bytes + 16);
        return id;
    }

    void AppendTo(QByteArray &out) const
    {
        out.append(reinterpret_cast<const char *>(fmtid.data()), 16);
        char pidBytes[4];
        qToLittleEndian<quint32>(pid, pidBytes);
        out.append(pidBytes, 4);
    }

    static QByteArray ToBytes(const QList<SHCOLUMNID> &ids)
    {
        QByteArray out;
        out.reserve(ids.size() * StoredSize);
        for (const SHCOLUMNID &id : ids)
            id.AppendTo(out);
        return out;
    }

    // Whole records only; a trailing partial record is dropped.
    static QList<SHCOLUMNID> FromByteArray(const QByteArray &bytes)
    {
        QList<SHCOLUMNID> ids;
        for (qsizetype at = 0; at + StoredSize <= bytes.size(); at += StoredSize)
            ids.append(FromBytes(bytes.constData() + at));
        return ids;
    }

    friend constexpr bool operator==(const SHCOLUMNID &, const SHCOLUMNID &) = default;
};
