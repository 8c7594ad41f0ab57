#pragma once

#include <QString>
#include <QtGlobal>

// The eight result lists, numbered as the window shows them side by side: odd numbers hold
// source files, even numbers destination files, and lists 3 to 8 hold pairs.
enum TResultList : int {
    rlMissingInDestination = 1, // source files the destination lacks
    rlMissingInSource = 2,      // destination files the source lacks
    rlNewerInSource = 3,
    rlNewerInDestination = 4,
    rlDuplicatesInSource = 5,
    rlDuplicatesInDestination = 6,
    rlConflictsInSource = 7,
    rlConflictsInDestination = 8,
};
constexpr int ResultListCount = 8;
// Whether a list holds source files (its counterparts, if any, are in the destination).
constexpr bool IsSourceList(int list)
{
    return list % 2 == 1;
}

// One file a run puts into a list, with the figures the comparison used: the file's own
// size and time and, for a pair (lists 3 to 8), its counterpart's and the time difference
// after the adjustments. Lists 1 and 2 have no counterpart.
struct TFinding
{
    int List = 0; // a TResultList
    QString Path;
    qint64 Size = 0;
    qint64 MTimeSec = 0; // whole UTC seconds

    bool HasCounterpart = false;
    QString CounterpartPath;
    qint64 CounterpartSize = 0; // 0 for a folder found as the counterpart
    qint64 CounterpartMTimeSec = 0;
    // Seconds by which this file is newer than its counterpart, with both adjustments
    // applied: the difference the pair was judged by, seen from this file's side.
    qint64 Difference = 0;

    // The difference as the judge takes it: positive when the source is the newer.
    qint64 SourceMinusDestination() const { return IsSourceList(List) ? Difference : -Difference; }
};
