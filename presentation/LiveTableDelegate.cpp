#include "LiveTableDelegate.h"

#include "LiveTableModel.h"

#include <QApplication>
#include <QPainter>

#include <cmath>

namespace qm {

namespace {
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

void LiveTableDelegate::drawDisc(QPainter* painter, const QRect& box)
{
    // Pixel by pixel rather than drawEllipse: the rasteriser's rounding shifts a small aliased
    // ellipse by a pixel. Every pixel whose centre lies inside the circle is pure red.
    const QColor red(255, 0, 0);
    const double radius = box.width() / 2.0;
    for (int j = 0; j < box.height(); ++j) {
        const double dy = j + 0.5 - box.height() / 2.0;
        const double half = radius * radius - dy * dy;
        if (half < 0) continue;
        const double w = std::sqrt(half);
        const int from = int(std::ceil(radius - w - 0.5));
        const int to = int(std::floor(radius + w - 0.5));
        if (to >= from) painter->fillRect(QRect(box.left() + from, box.top() + j, to - from + 1, 1), red);
    }
}

void LiveTableDelegate::drawAlarmGround(QPainter* painter, const QRect& cell, int code)
{
    const AlarmState state = AlarmMarkState(code);
    if (state == AlarmState::Active)
        painter->fillRect(cell, QColor(255, 200, 200));
    else if (state == AlarmState::Acknowledged)
        painter->fillRect(cell, QColor(255, 232, 150));
}

void LiveTableDelegate::drawAlarmSymbol(QPainter* painter, const QRect& cell, int code)
{
    const AlarmCondition condition = AlarmMarkCondition(code);
    const bool returned = AlarmMarkState(code) == AlarmState::Returned;
    // Dark, so that the relay discs stay the only pure red of the table.
    const QColor colour = AlarmMarkState(code) == AlarmState::Acknowledged ? QColor(96, 64, 0) : QColor(128, 0, 0);
    constexpr int Size = 10;
    const QRect box(cell.right() - Size - 2, cell.top() + (cell.height() - Size) / 2, Size, Size);
    painter->save();
    painter->setClipRect(cell, Qt::IntersectClip);
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(QPen(colour, 1));
    painter->setBrush(returned ? Qt::NoBrush : QBrush(colour));
    const bool high = condition == AlarmCondition::PhHigh || condition == AlarmCondition::THigh;
    const bool low = condition == AlarmCondition::PhLow || condition == AlarmCondition::TLow;
    if (high || low) {
        const QPoint tip(box.center().x(), high ? box.top() : box.bottom());
        const int base = high ? box.bottom() : box.top();
        const QPoint triangle[3] = {tip, QPoint(box.left(), base), QPoint(box.right(), base)};
        painter->drawPolygon(triangle, 3);
    } else {
        // "!": a bar and a dot, outlined by a frame once the alarm has returned.
        painter->fillRect(QRect(box.center().x() - 1, box.top(), 3, 6), colour);
        painter->fillRect(QRect(box.center().x() - 1, box.bottom() - 1, 3, 2), colour);
        if (returned) painter->drawRect(box.adjusted(-2, -1, 1, 0));
    }
    painter->restore();
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
    const QVariant mark = index.data(AlarmMarkRole);
    if (mark.isValid() && !(opt.state & QStyle::State_Selected)) drawAlarmGround(painter, cell, mark.toInt());
    if (index.column() >= FirstIndicatorColumn) {
        if (!text.isEmpty()) {
            painter->save();
            painter->setClipRect(cell, Qt::IntersectClip);
            drawDisc(painter, QRect(cell.left() + DiscLeft, cell.top() + DiscTop, DiscSize, DiscSize));
            painter->restore();
        }
        if (mark.isValid()) drawAlarmSymbol(painter, cell, mark.toInt());
        return;
    }

    painter->setFont(opt.font);
    const QColor colour = (opt.state & QStyle::State_Selected) ? opt.palette.color(QPalette::HighlightedText)
                                                              : opt.palette.color(QPalette::WindowText);
    drawCellText(painter, cell, text, colour);
    if (mark.isValid()) drawAlarmSymbol(painter, cell, mark.toInt());
}

}  // namespace qm
