#pragma once

#include <QString>
#include <QtGlobal>

// The settings of one run, taken from the window's controls when Start is pressed
// and read (never written) by the worker. The copy, update and delete actions take
// the two roots of the last run from it.
struct TScanOptions
{
    QString srcPath; // absolute, ends with exactly one "/"
    QString dstPath;
    QString Filter = QStringLiteral("*");
    bool RevFilterLogic = false;
    float MinFileSize = 0;      // in its unit; 0 or less: no minimum
    float MinSizeFactor = 1024; // bytes per unit: 1, 1024 or 1048576
    float MaxFileSize = 0;
    float MaxSizeFactor = 1024;
    bool IncHiddenFiles = false;
    bool DupByContent = true;
    bool DoSubFolders = true;
    qint32 srcTimeZ = 0; // seconds added to every source time
    qint32 dstTimeZ = 0;
    qint32 MrgErrSec = 0; // margin of error, whole seconds
    // Threads that look up and read ahead of the walk; 0: none, the walk does every
    // look-up itself one at a time; below 0: as many as suit the device.
    int LookAheadThreads = -1;
};
