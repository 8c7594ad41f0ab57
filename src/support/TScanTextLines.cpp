#include "support/TScanTextLines.h"

#include "support/TTextLine.h"

TScanTexts TScanTextLines::Texts(const std::function<QString(int)> &line)
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
    t.RootMissing = line(tlRootMissing);
    t.RootNotFolder = line(tlRootNotFolder);
    t.RootUnlistable = line(tlRootUnlistable);
    t.BadName = line(tlBadName);
    t.Unlistable = line(tlUnlistable);
    t.SpecialFile = line(tlSpecialFile);
    t.SpecialCounterpart = line(tlSpecialCounterpart);
    t.Unreadable = line(tlUnreadable);
    t.InsideOther = line(tlInsideOther);
    t.HoldsOther = line(tlHoldsOther);
    t.SecondRoute = line(tlSecondRoute);
    t.CounterpartCrosses = line(tlCounterpartCrosses);
    t.CounterpartIsFolder = line(tlCounterpartIsFolder);
    t.CounterpartIsFile = line(tlCounterpartIsFile);
    return t;
}
