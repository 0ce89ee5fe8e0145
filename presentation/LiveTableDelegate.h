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
    static void drawDisc(QPainter* painter, const QRect& box, const QColor& colour);
    static void drawCellText(QPainter* painter, const QRect& cell, const QString& text, const QColor& colour);
};

}  // namespace qm
