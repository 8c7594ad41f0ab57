#include "engine/TScanTexts.h"

#include "support/TTextLine.h"

TScanTexts TScanTexts::FromLines(const std::function<QString(int)> &line)
{
    TScanTexts t;
    t.NoSource = line(tlNoSource);
    t.NoDestination = line(tlNoDestination);
    t.SameFolders = line(tlSameFolders);
    t.SourceInside = line(tlSourceInsideDestination);
    t.DestinationInside = line(tlDestinationInsideSource);
    t.AnalyzingSource = line(tlAnalyzingSource);
    t.Analyzing = line(tlAnalyzing);
    t.Working = line(tlWorking);
    return t;
}
