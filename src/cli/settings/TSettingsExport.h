#pragma once

#include <QString>

class TSettingsHive;

// Writes keys and values of the hive as text, one section per key and one line per value:
//
//   [\Software\Orvane Studio\Foldermate\Presets\Work]
//   "MinFileSize" = REG_BINARY 000000000000f83f
//   "srcPath" = REG_SZ "/home/me/src"
//   "WinMax" = REG_DWORD 0
//
// Sections come depth first, a key before its subkeys; subkeys and values are ordered by name
// without regard to ASCII case, which is the store's own order, so the same contents always
// give the same text. Names and texts are quoted; backslash, quote and control characters are
// escaped (\\ \" \n \r \t \uXXXX). Integers are signed decimal, binary values lower-case hex.
// Data that does not have its kind's form (a DWORD that is not 4 bytes, odd-sized text) and
// kinds the program does not write are shown as "hex:" followed by the bytes.
class TSettingsExport
{
public:
    explicit TSettingsExport(TSettingsHive &hive)
        : FHive(hive)
    {}

    // The key at keyPath (a path from the top of the hive) and everything below it; the whole
    // hive for an empty path. Empty text when the key does not exist. Nothing is created.
    QString Export(const QString &keyPath);

private:
    void ExportKey(const QString &displayPath, const QString &keyPath, bool withEmptySection, QString &out);
    QString ValueText(const QString &keyPath, const QString &name);

    TSettingsHive &FHive;
};
