#pragma once

#include <QSpinBox>

// Whole seconds from -9999 to 9999 added to one side's file times. Its text can never
// be left as something that is not a number: a half-typed or emptied box falls back
// to the last valid value when the focus leaves, and Value() always returns a valid
// number. A value read as "unparsable" would otherwise shift every time of one side.
class TTimeAdjustEdit : public QSpinBox
{
    Q_OBJECT

public:
    explicit TTimeAdjustEdit(QWidget *parent = nullptr);

    int Value() const { return value(); }
    void SetValue(int seconds) { setValue(seconds); }
};
