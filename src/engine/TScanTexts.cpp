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
    t.RootMissing = line(97);
    t.RootNotFolder = line(98);
    t.RootUnlistable = line(99);
    t.BadName = line(100);
    t.Unlistable = line(101);
    t.SpecialFile = line(102);
    t.SpecialCounterpart = line(103);
    t.Unreadable = line(104);
    t.InsideOther = line(105);
    t.HoldsOther = line(106);
    t.SecondRoute = line(107);
    t.CounterpartCrosses = line(108);
    return t;
}
