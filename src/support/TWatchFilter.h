#pragma once

#include <QtGlobal>

#include <initializer_list>

// The kinds of change a directory monitor reports.
enum TWatchFilter : quint8 {
    nfFILE_NAME,   // files created, deleted, renamed
    nfDIR_NAME,    // folders created, deleted, renamed
    nfATTRIBUTES,  // mode, owner, times set
    nfSIZE,        // content grown or cut
    nfLAST_WRITE,  // content written
    nfLAST_ACCESS, // content read
    nfCREATION,    // times set (a file's creation time cannot be set here; its nearest kin)
    nfSECURITY,    // mode and owner
};

// A set of TWatchFilter, bit k for the k-th member.
class TWatchFilters
{
public:
    constexpr TWatchFilters() = default;
    constexpr TWatchFilters(std::initializer_list<TWatchFilter> Members)
    {
        for (TWatchFilter m : Members)
            FBits = static_cast<quint8>(FBits | 1u << m);
    }
    static constexpr TWatchFilters FromBits(quint8 Bits)
    {
        TWatchFilters set;
        set.FBits = Bits;
        return set;
    }
    // nfFILE_NAME, nfDIR_NAME, nfLAST_WRITE and nfCREATION.
    static constexpr TWatchFilters Default() { return FromBits(0x53); }

    constexpr quint8 Bits() const { return FBits; }
    constexpr bool Contains(TWatchFilter Member) const { return FBits & (1u << Member); }
    constexpr bool IsEmpty() const { return FBits == 0; }
    constexpr bool operator==(const TWatchFilters &) const = default;

    // The inotify events that carry these kinds of change; 0 for the empty set.
    quint32 InotifyMask() const;

private:
    quint8 FBits = 0;
};
