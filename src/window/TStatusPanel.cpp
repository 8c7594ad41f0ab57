#include "window/TStatusPanel.h"

#include <QPainter>

TStatusPanel::TStatusPanel(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    FRepaint.setSingleShot(true);
    FRepaint.setInterval(RepaintMs);
    connect(&FRepaint, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

void TStatusPanel::setText(const QString &text)
{
    if (text == FText)
        return;
    FText = text;
    if (!FRepaint.isActive())
        FRepaint.start();
}

QSize TStatusPanel::sizeHint() const
{
    return QSize(fontMetrics().averageCharWidth() * 20, fontMetrics().height() + 2);
}

QSize TStatusPanel::minimumSizeHint() const
{
    return QSize(1, fontMetrics().height() + 2);
}

void TStatusPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect area = contentsRect();
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(FText, Qt::ElideMiddle, area.width()));
}
