#pragma once

#include <QString>

// The texts a run shows, handed over by the caller (TScanTextLines takes them from a
// language table) when the run starts, so that the worker never reads the table while the
// window may reload it.
struct TScanTexts
{
    QString NoSource;          // "You must select a Source folder."
    QString NoDestination;     // "You must select a Destination folder."
    QString SameFolders;       // "Source and Destination can not be the same."
    QString SourceInside;      // "Source can not be a child of Destination."
    QString DestinationInside; // "Destination can not be a child of Source."
    QString AnalyzingSource;   // "Analyzing source files against destination..."
    QString Analyzing;         // "Analyzing files..."
    QString Working;           // "Working..."
    // A root that cannot be compared; %1 is the folder, %2 the system's reason.
    QString RootMissing;    // "The folder %1 does not exist."
    QString RootNotFolder;  // "%1 is not a folder."
    QString RootUnlistable; // "The folder %1 cannot be listed: %2"
    // Why an entry was not compared.
    QString BadName;             // "the name is not valid text"
    QString Unlistable;          // "the folder cannot be listed"
    QString SpecialFile;         // "special file (FIFO, socket or device)"
    QString SpecialCounterpart;  // "the other side is a special file"
    QString Unreadable;          // "the file cannot be read"
    QString InsideOther;         // "the folder lies in the other tree"
    QString HoldsOther;          // "the folder holds the other tree"
    QString SecondRoute;         // "already compared through %1"
    QString CounterpartCrosses;  // "the folder on the other side leads into this tree"
    QString CounterpartIsFolder; // "the other side is a folder"
    QString CounterpartIsFile;   // "the other side is a file"
};
