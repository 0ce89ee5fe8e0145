#pragma once
// The alarm limits of the coloured slot curves, drawn across the trend chart as thin dashed lines
// in the slot's colour, on the pH axis for slots 1 and 2 and on the temperature axis for 3 and 4.
// They are QCustomPlot items on a layer of their own just above "main", which shares main's
// paint buffer: a sample that only patches the series' columns does not touch them, and they
// are drawn again only by the full replots (a new window, scale, layout, slot or limit).

#include <QColor>

#include <vector>

class QCPItemStraightLine;
class QCPLayer;
class QCustomPlot;

namespace qm {

class ChartLimitLines {
public:
    struct Line {
        double value = 0;
        bool right = false;  // on the temperature axis
        QColor colour;
        bool operator==(const Line&) const = default;
    };

    explicit ChartLimitLines(QCustomPlot* plot);
    ChartLimitLines(const ChartLimitLines&) = delete;
    ChartLimitLines& operator=(const ChartLimitLines&) = delete;

    // Shows these lines; true when they differ from those shown, and so need a replot.
    bool show(const std::vector<Line>& lines);
    const std::vector<Line>& lines() const { return m_lines; }

private:
    QCustomPlot* m_plot;
    QCPLayer* m_layer;
    std::vector<Line> m_lines;
    std::vector<QCPItemStraightLine*> m_items;  // owned by the plot
};

}  // namespace qm
