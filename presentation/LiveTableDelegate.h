#pragma once
// Paints one device cell of the live table: the text with its top-left corner at (left + 2,
// top + 3), clipped to the cell; in the indicator columns a red disc instead of the text.

#include <QStyledItemDelegate>

namespace qm {

class LiveTableDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int TextLeft = 2;
    static constexpr int TextTop = 3;
    static constexpr int DiscLeft = 12;
    static constexpr int DiscTop = 4;
    static constexpr int DiscSize = 15;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Draws a cell's text the way every cell of the table, headers included, draws it.
    // A pure red disc inscribed in the box (right and bottom edges exclusive).
    static void drawDisc(QPainter* painter, const QRect& box);
    static void drawCellText(QPainter* painter, const QRect& cell, const QString& text, const QColor& colour);

    // A cell in alarm (AlarmMarkRole's code): its background tinted by the alarm's state (not
    // acknowledged: pink, acknowledged: amber, returned: none), before its content.
    static void drawAlarmGround(QPainter* painter, const QRect& cell, int code);
    // ... and after its content, a symbol at its right edge that says more than the colour: a
    // triangle up above a high limit, down below a low one, "!" for the others; filled while the
    // alarm is active, outlined once it has returned.
    static void drawAlarmSymbol(QPainter* painter, const QRect& cell, int code);
};

}  // namespace qm
