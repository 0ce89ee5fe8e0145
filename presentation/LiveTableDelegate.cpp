#include "LiveTableDelegate.h"

#include "LiveTableModel.h"

#include <QApplication>
#include <QPainter>

#include <cmath>

namespace qm {

namespace {
const QColor NotCurrentColour(150, 150, 150);
// Grid columns 6 and 7 ("Р1", "Р2") are model columns 5 and 6.
constexpr int FirstIndicatorColumn = 5;
}  // namespace

void LiveTableDelegate::drawCellText(QPainter* painter, const QRect& cell, const QString& text, const QColor& colour)
{
    if (text.isEmpty()) return;
    painter->save();
    painter->setClipRect(cell, Qt::IntersectClip);
    painter->setPen(colour);
    painter->drawText(cell.adjusted(TextLeft, TextTop, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter->restore();
}

void LiveTableDelegate::drawDisc(QPainter* painter, const QRect& box, const QColor& colour)
{
    // Pixel by pixel rather than drawEllipse: the rasteriser's rounding shifts a small aliased
    // ellipse by a pixel. Every pixel whose centre lies inside the circle is of one colour.
    const double radius = box.width() / 2.0;
    for (int j = 0; j < box.height(); ++j) {
        const double dy = j + 0.5 - box.height() / 2.0;
        const double half = radius * radius - dy * dy;
        if (half < 0) continue;
        const double w = std::sqrt(half);
        const int from = int(std::ceil(radius - w - 0.5));
        const int to = int(std::floor(radius + w - 0.5));
        if (to >= from) painter->fillRect(QRect(box.left() + from, box.top() + j, to - from + 1, 1), colour);
    }
}

void LiveTableDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const QString text = opt.text;

    // The style paints the background, the selection and the focus frame; the content is ours.
    opt.text.clear();
    opt.features &= ~QStyleOptionViewItem::HasDisplay;
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const QRect cell = option.rect;
    // A row kept from before the link was lost is drawn grey, its discs too: nothing in it is
    // current.
    const bool current = index.data(LiveTableModel::CurrentRole).toBool();
    if (index.column() >= FirstIndicatorColumn) {
        if (text.isEmpty()) return;
        painter->save();
        painter->setClipRect(cell, Qt::IntersectClip);
        drawDisc(painter, QRect(cell.left() + DiscLeft, cell.top() + DiscTop, DiscSize, DiscSize),
                 current ? QColor(255, 0, 0) : NotCurrentColour);
        painter->restore();
        return;
    }

    painter->setFont(opt.font);
    QColor colour = (opt.state & QStyle::State_Selected) ? opt.palette.color(QPalette::HighlightedText)
                                                        : opt.palette.color(QPalette::WindowText);
    if (!current) colour = NotCurrentColour;
    drawCellText(painter, cell, text, colour);
}

}  // namespace qm
