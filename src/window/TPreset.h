#pragma once

#include <QString>

// The unit of a size limit, stored as its integer value.
enum ByteLen : qint32 {
    blByte = 0,
    blKB = 1,
    blMB = 2,
};

// One named copy of every scan setting on the settings page. The title exists in the store
// only as the preset's key name, so it never contains a backslash.
struct TPreset
{
    QString Title;
    QString srcPath;
    QString dstPath;
    QString Filter;
    bool RevFilterLogic = false;
    float MinFileSize = 0;
    float MaxFileSize = 0;
    ByteLen MinSizeMult = blByte;
    ByteLen MaxSizeMult = blByte;
    bool IncHiddenFldr = false;
    bool IncHiddenFiles = false;
    bool DupByContent = true;
    bool DoSubFolders = true;
    qint32 srcTimeZ = 0;
    qint32 dstTimeZ = 0;
    qint32 MrgErrSec = 0;
    // Copies and updates give the files they replace to the trash first.
    bool KeepReplaced = true;
};
