#include "LiveTableHeader.h"

#include "LiveTableDelegate.h"
#include "LiveTableModel.h"

#include <QPainter>
#include <QStyleOptionHeader>

namespace qm {

LiveTableHeader::LiveTableHeader(Qt::Orientation orientation, QWidget* parent) : QHeaderView(orientation, parent)
{
    setSectionsClickable(false);
    setSectionsMovable(false);
    setHighlightSections(false);
    setMinimumSectionSize(0);
    setSectionResizeMode(QHeaderView::Fixed);
}

void LiveTableHeader::paintHeaderCell(QPainter* painter, const QWidget* widget, const QRect& rect, const QString& text)
{
    QStyleOptionHeader opt;
    opt.initFrom(widget);
    opt.rect = rect;
    opt.state |= QStyle::State_Raised;
    widget->style()->drawControl(QStyle::CE_HeaderSection, &opt, painter, widget);
    painter->setFont(widget->font());
    // The grid line takes the last pixel of a section, as in the device cells.
    LiveTableDelegate::drawCellText(painter, rect.adjusted(0, 0, -1, -1), text,
                                    widget->palette().color(QPalette::WindowText));
}

void LiveTableHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    if (!rect.isValid() || !model()) return;
    painter->save();
    paintHeaderCell(painter, this, rect, model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString());
    // An instrument in alarm as a whole (it stopped answering): its address cell is marked.
    const QVariant mark = model()->headerData(logicalIndex, orientation(), AlarmMarkRole);
    if (mark.isValid()) {
        const QRect cell = rect.adjusted(0, 0, -1, -1);
        const AlarmState state = AlarmMarkState(mark.toInt());
        if (state != AlarmState::Returned) {
            painter->setPen(QPen(state == AlarmState::Active ? QColor(128, 0, 0) : QColor(96, 64, 0), 2));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(cell.adjusted(1, 1, -1, -1));
        }
        LiveTableDelegate::drawAlarmSymbol(painter, cell, mark.toInt());
    }
    painter->restore();
}

}  // namespace qm
