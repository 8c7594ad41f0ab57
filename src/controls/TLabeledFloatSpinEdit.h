#pragma once

#include "controls/TCustomeLabeledFloatSpinEdit.h"

// The number box as the window places it; everything it does is in its base.
class TLabeledFloatSpinEdit : public TCustomeLabeledFloatSpinEdit
{
    Q_OBJECT

public:
    using TCustomeLabeledFloatSpinEdit::TCustomeLabeledFloatSpinEdit;
};
