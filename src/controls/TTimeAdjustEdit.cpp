#include "controls/TTimeAdjustEdit.h"

TTimeAdjustEdit::TTimeAdjustEdit(QWidget *parent)
    : QSpinBox(parent)
{
    setRange(-9999, 9999);
    setValue(0);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setAccelerated(true);
}
