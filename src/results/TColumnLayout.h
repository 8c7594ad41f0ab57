#pragma once

#include <QString>

#include <array>

class TJamFileList;

// The stored column layouts of the eight result lists: which columns a list shows, in
// which order, and how wide, kept in the settings store under "Columns\" with the list's
// stored name ("fl1" ... "fl8").
//
// A list restores its layout once, when it first sets up its columns; it saves it when the
// window closes. A stored layout that cannot be used leaves the list with its default
// columns, without a message: the layout is a convenience, never a reason to fail.
class TColumnLayout
{
public:
    static constexpr int ListCount = 8;

    // "fl1" for list 1, and so on.
    static QString StoredName(int list);

    // The CreateColumns handler of list N: restores once, then does nothing.
    void ListCreateColumns(int list, TJamFileList &fileList);
    // Restores a list still waiting for its first set-up, so that a layout that was never
    // applied is not overwritten by the defaults when the window closes.
    void EnsureRestored(int list, TJamFileList &fileList);

    static void RestoreColumns(TJamFileList &list, const QString &name);
    // Empties the list, then stores its shown columns and their widths.
    static void SaveColumns(TJamFileList &list, const QString &name);

    std::array<bool, ListCount> ColumnsRestorePending{true, true, true, true, true, true, true, true};
};
