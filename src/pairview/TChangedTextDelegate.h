#pragma once

#include <QStyledItemDelegate>

// Paints a line of a pair: the row's colour, then the characters that differ from the
// other side's line on a stronger colour, then the text. Tabs are shown as spaces to the
// next multiple of four, so that the marks stay over their characters.
class TChangedTextDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The line as painted, and where each of its characters went.
    static QString Expanded(const QString &text, QList<qsizetype> *positions);
};
