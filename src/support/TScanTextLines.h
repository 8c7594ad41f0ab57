#pragma once

#include "engine/TScanTexts.h"

#include <QString>

#include <functional>

// The texts a run shows, taken from the lines of a language table: the engine gets them as
// values and knows no language lines.
class TScanTextLines
{
public:
    // Takes the lines from tlNoSource to tlAnalyzing, tlWorking, tlRootMissing to
    // tlCounterpartCrosses, tlCounterpartIsFolder and tlCounterpartIsFile; line gives a
    // line's text by its number.
    static TScanTexts Texts(const std::function<QString(int)> &line);
};
