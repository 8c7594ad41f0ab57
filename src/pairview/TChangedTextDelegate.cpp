#include "pairview/TChangedTextDelegate.h"

#include "pairview/TPairRowModel.h"

#include <QPainter>

namespace {

constexpr int TabWidth = 4;
constexpr int Padding = 3;

} // namespace

QString TChangedTextDelegate::Expanded(const QString &text, QList<qsizetype> *positions)
{
    QString out;
    out.reserve(text.size());
    positions->clear();
    positions->reserve(text.size() + 1);
    for (const QChar c : text) {
        positions->append(out.size());
        if (c == u'\t')
            out += QString(TabWidth - out.size() % TabWidth, u' ');
        else
            out += c;
    }
    positions->append(out.size());
    return out;
}

void TChangedTextDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const auto *model = qobject_cast<const TPairRowModel *>(index.model());
    if (!model || index.column() != TPairRowModel::pcText) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    painter->save();
    const QRect rect = option.rect;
    const QVariant background = index.data(Qt::BackgroundRole);
    if (background.isValid())
        painter->fillRect(rect, background.value<QColor>());
    if (option.state & QStyle::State_Selected) {
        QColor selected = option.palette.color(QPalette::Highlight);
        selected.setAlpha(60);
        painter->fillRect(rect, selected);
    }

    QList<qsizetype> positions;
    const QString text = Expanded(index.data(Qt::DisplayRole).toString(), &positions);
    const QFontMetrics metrics(option.font);
    const QRect textRect = rect.adjusted(Padding, 0, -Padding, 0);
    painter->setClipRect(rect);
    painter->setFont(option.font);
    for (const TCharMatcher::TRange &range : model->Changed(index.row())) {
        const qsizetype from = positions.value(qMin(range.Start, positions.size() - 1));
        const qsizetype to = positions.value(qMin(range.Start + range.Length, positions.size() - 1));
        const int x = metrics.horizontalAdvance(text.left(from));
        const int width = qMax(2, metrics.horizontalAdvance(text.mid(from, to - from)));
        painter->fillRect(QRect(textRect.left() + x, rect.top() + 1, width, rect.height() - 2),
                          model->Left() ? QColor(0xf5, 0xa6, 0x5b) : QColor(0xf0, 0xc0, 0x40));
    }
    painter->setPen(option.palette.color(QPalette::Text));
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    painter->restore();
}
