#include "engine/TScanTexts.h"

TScanTexts TScanTexts::FromLines(const std::function<QString(int)> &line)
{
    TScanTexts t;
    t.NoSource = line(83);
    t.NoDestination = line(84);
    t.SameFolders = line(85);
    t.SourceInside = line(86);
    t.DestinationInside = line(87);
    t.AnalyzingSource = line(88);
    t.Analyzing = line(89);
    t.Working = line(91);
    return t;
}
