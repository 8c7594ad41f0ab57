#pragma once

#include "support/TLanguageTable.h"
#include "support/TTextLine.h"

#include <QString>

class QWidget;
class TPrompts;

// What a part of the main window (the settings page, the presets group, the results page,
// the language and help page) needs of the window around it.
class TPartHost
{
public:
    virtual ~TPartHost() = default;

    // A line of the language in use, and all of them.
    virtual QString Text(TTextLine line) const = 0;
    virtual const TLanguageTable &Language() const = 0;
    // Gives a control built by a part its caption in the language in use; every such
    // control has a line in the window's table of captions.
    virtual void ApplyCaption(QWidget *control) const = 0;
    virtual TPrompts &Prompts() const = 0;
    // Start, Stop, Exit and the preset buttons follow the settings shown.
    virtual void UpdateRunControls() = 0;
};
