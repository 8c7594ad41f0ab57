#pragma once

#include <QtGlobal>

#include <optional>

// How a copy is made, handed to each copy and to each batch of copies by its caller,
// which fills it from the user's settings. A copy's options belong to that copy alone:
// nothing of them is left on the file operations for the next one.
struct TCopyOptions
{
    // A copy that replaces a file first gives the old file to the trash, with the trash's
    // restore information, so that it can be restored. Where the trash refuses, the copy
    // ends with orTrashRefused and both files are left as they were. Off: the old file is
    // simply replaced.
    bool KeepReplaced = false;
    // The copy is to make a file the target did not have (one listed as missing there): a
    // file found under the target's name, one that appeared after the user chose the copy,
    // is left alone and the copy fails with rsTargetAppeared.
    bool NewOnly = false;
    // The target as the user saw it when choosing the copy (the older file of a pair): a
    // file found there with another size or modification time has changed since, and is
    // left alone (the copy fails with rsTargetChanged). Unset: whatever is there is replaced.
    struct TSeen
    {
        qint64 Size = 0;
        qint64 MTimeSec = 0; // whole UTC seconds
    };
    std::optional<TSeen> TargetSeen = std::nullopt;
};
