#pragma once
// The fixed header row and address column of the live table: header-styled cells whose text is
// drawn with the same inset as the device cells. Sections neither move, resize nor select.

#include <QHeaderView>

namespace qm {

class LiveTableHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit LiveTableHeader(Qt::Orientation orientation, QWidget* parent = nullptr);

    // A header-styled cell with its text; also used for the corner cell "NUM".
    static void paintHeaderCell(QPainter* painter, const QWidget* widget, const QRect& rect, const QString& text);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};

}  // namespace qm
