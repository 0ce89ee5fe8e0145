#include "ChartLimitLines.h"

#include <qcustomplot.h>

namespace qm {

ChartLimitLines::ChartLimitLines(QCustomPlot* plot) : m_plot(plot)
{
    const QString name = QStringLiteral("limits");
    if (!plot->layer(name)) plot->addLayer(name, plot->layer(QStringLiteral("main")), QCustomPlot::limAbove);
    m_layer = plot->layer(name);
    m_layer->setMode(QCPLayer::lmLogical);
}

bool ChartLimitLines::show(const std::vector<Line>& lines)
{
    if (lines == m_lines) return false;
    m_lines = lines;
    while (m_items.size() < lines.size()) {
        auto* item = new QCPItemStraightLine(m_plot);
        item->setLayer(m_layer);
        item->setSelectable(false);
        item->setAntialiased(false);
        m_items.push_back(item);
    }
    for (size_t i = 0; i < m_items.size(); ++i) {
        QCPItemStraightLine* item = m_items[i];
        item->setVisible(i < lines.size());
        if (i >= lines.size()) continue;
        const Line& l = lines[i];
        QCPAxis* valueAxis = l.right ? m_plot->yAxis2 : m_plot->yAxis;
        for (QCPItemPosition* p : {item->point1, item->point2}) {
            p->setType(QCPItemPosition::ptPlotCoords);
            p->setAxes(m_plot->xAxis, valueAxis);
        }
        // Two points at the same value: the line runs across the whole plot, whatever the window.
        item->point1->setCoords(0, l.value);
        item->point2->setCoords(1, l.value);
        item->setPen(QPen(l.colour, 1, Qt::DashLine));
    }
    return true;
}

}  // namespace qm
