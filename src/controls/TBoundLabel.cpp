#include "controls/TBoundLabel.h"

#include <QEvent>

TBoundLabel::TBoundLabel(QWidget *parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("SubLabel"));
    adjustSize();
}

void TBoundLabel::setText(const QString &text)
{
    QLabel::setText(text);
    adjustSize();
}

void TBoundLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    // A new font or style changes the room the caption needs.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        adjustSize();
}
