#pragma once

#include "engine/TFinding.h"
#include "support/TTextLine.h"

#include <array>

// Everything that differs from one result list to the next, in one row per list: the
// controls around it, which of the file actions it offers, and where its rows go when an
// action has handled their files. The window builds the lists from it, the status texts
// word their buttons from it, and the actions act by it.
struct TResultListRow
{
    TResultList List;
    // The object names of the heading above the list and of the status bar below it.
    const char16_t *Heading;
    TTextLine HeadingLine;
    const char16_t *StatusBar;
    // The copy or update button and the delete button; nullptr where the list has none.
    const char16_t *CopyButton;
    const char16_t *DeleteButton;
    // The delete button stands left of the copy button.
    bool DeleteFirst;
    // The copy button's "selected" caption; its "all" and plain captions follow it.
    TTextLine CopyCaptionLine;
    // A copied file and its new counterpart are a duplicate pair: where each side's row goes.
    TResultList CopiedSameSide;
    TResultList CopiedOtherSide;
    // A deleted file's counterpart: the list that may hold it, and the list it moves to
    // now that it is alone (0: it stays where it is).
    int PairList;
    int OrphanList;
};

inline constexpr std::array<TResultListRow, ResultListCount> ResultListTable{{
    {rlMissingInDestination, u"Label13", tlMissingInDestination, u"StatusBar6", u"PngBitBtn9", u"PngBitBtn14", true,
     tlCopySelectedToDestination, rlDuplicatesInSource, rlDuplicatesInDestination, rlMissingInSource, 0},
    {rlMissingInSource, u"Label5", tlMissingInSource, u"StatusBar2", u"PngBitBtn1", u"PngBitBtn15", false,
     tlCopySelectedToSource, rlDuplicatesInDestination, rlDuplicatesInSource, rlMissingInDestination, 0},
    {rlNewerInSource, u"Label6", tlNewerInSource, u"StatusBar7", u"PngBitBtn2", nullptr, false,
     tlUpdateSelectedInDestination, rlDuplicatesInSource, rlDuplicatesInDestination, 0, 0},
    {rlNewerInDestination, u"Label7", tlNewerInDestination, u"StatusBar8", u"PngBitBtn12", nullptr, false,
     tlUpdateSelectedInSource, rlDuplicatesInDestination, rlDuplicatesInSource, 0, 0},
    {rlDuplicatesInSource, u"Label8", tlDuplicatesInSource, u"StatusBar3", nullptr, u"PngBitBtn3", false, TTextLine(0),
     rlDuplicatesInSource, rlDuplicatesInDestination, rlDuplicatesInDestination, rlMissingInSource},
    {rlDuplicatesInDestination, u"Label9", tlDuplicatesInDestination, u"StatusBar4", nullptr, u"PngBitBtn5", false,
     TTextLine(0), rlDuplicatesInDestination, rlDuplicatesInSource, rlDuplicatesInSource, rlMissingInDestination},
    {rlConflictsInSource, u"Label10", tlConflictsInSource, u"StatusBar5", u"PngBitBtn6", u"PngBitBtn11", true,
     tlCopySelectedToDestination, rlDuplicatesInSource, rlDuplicatesInDestination, rlConflictsInDestination,
     rlMissingInSource},
    {rlConflictsInDestination, u"Label11", tlConflictsInDestination, u"StatusBar9", u"PngBitBtn8", u"PngBitBtn13",
     false, tlCopySelectedToSource, rlDuplicatesInDestination, rlDuplicatesInSource, rlConflictsInSource,
     rlMissingInDestination},
}};

// The row of list 1 to 8.
constexpr const TResultListRow &ResultListRow(int list)
{
    return ResultListTable[std::size_t(list - 1)];
}

// The row numbers match the lists'.
static_assert([] {
    for (int list = 1; list <= ResultListCount; ++list) {
        if (ResultListRow(list).List != list)
            return false;
    }
    return true;
}());
