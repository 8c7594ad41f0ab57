#include "controls/TSpinButton.h"

#include <QToolButton>

TSpinButton::TSpinButton(QWidget *parent)
    : QWidget(parent)
    , FUpButton(new QToolButton(this))
    , FDownButton(new QToolButton(this))
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    for (QToolButton *b : {FUpButton, FDownButton}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(true);
        b->setAutoRepeatDelay(400);
        b->setAutoRepeatInterval(80);
        connect(b, &QToolButton::pressed, this, &TSpinButton::TakeFocus);
    }
    FUpButton->setObjectName(QStringLiteral("UpButton"));
    FDownButton->setObjectName(QStringLiteral("DownButton"));
    FUpButton->setArrowType(Qt::UpArrow);
    FDownButton->setArrowType(Qt::DownArrow);
    connect(FUpButton, &QToolButton::clicked, this, &TSpinButton::UpClick);
    connect(FDownButton, &QToolButton::clicked, this, &TSpinButton::DownClick);
    resize(15, 17);
}

void TSpinButton::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int upHeight = height() / 2;
    FUpButton->setGeometry(0, 0, width(), upHeight);
    FDownButton->setGeometry(0, upHeight, width(), height() - upHeight);
}

void TSpinButton::TakeFocus()
{
    if (FFocusControl && !FFocusControl->hasFocus())
        FFocusControl->setFocus(Qt::MouseFocusReason);
}
