#pragma once

#include <QString>

#include <functional>

// The texts a run shows, copied from the language table when Start is pressed, so
// that the worker never reads the table while the window may reload it.
struct TScanTexts
{
    QString NoSource;        // "You must select a Source folder."
    QString NoDestination;   // "You must select a Destination folder."
    QString SameFolders;     // "Source and Destination can not be the same."
    QString SourceInside;    // "Source can not be a child of Destination."
    QString DestinationInside; // "Destination can not be a child of Source."
    QString AnalyzingSource; // "Analyzing source files against destination..."
    QString Analyzing;       // "Analyzing files..."
    QString Working;         // "Working..."

    // Takes the lines from tlNoSource to tlAnalyzing, and tlWorking, of a language table.
    static TScanTexts FromLines(const std::function<QString(int)> &line);
};
