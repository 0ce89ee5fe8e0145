#include "ChartGestures.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>

namespace qm {

ChartGestures::ChartGestures(QCustomPlot* plot) : m_plot(plot)
{
    plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    // QCustomPlot announces a press and a wheel turn before it hands them to the axis or the
    // axis rect under the pointer, so the axes chosen here are the ones that gesture moves.
    connect(plot, &QCustomPlot::mousePress, this,
            [this](QMouseEvent* e) { choose(e->position(), e->modifiers()); });
    connect(plot, &QCustomPlot::mouseWheel, this,
            [this](QWheelEvent* e) { choose(e->position(), e->modifiers()); });
    choose(QPointF(-1, -1), Qt::NoModifier);
}

ChartGestures::Axes ChartGestures::axesFor(const QPointF& pos, Qt::KeyboardModifiers modifiers) const
{
    QCPAxisRect* rect = m_plot->axisRect();
    // Over an axis (its line or its labels) that axis alone, as QCustomPlot hands the event to it.
    for (QCPAxis* axis : rect->axes()) {
        if (!axis->realVisibility() || axis->selectTest(pos, false) < 0) continue;
        if (axis->orientation() == Qt::Horizontal) return Axes{{axis}, {}};
        return Axes{{}, {axis}};
    }
    if (modifiers & Qt::ControlModifier) {
        Axes a;
        for (QCPAxis* axis : rect->axes(QCPAxis::atLeft | QCPAxis::atRight))
            if (axis->visible()) a.vertical << axis;
        return a;
    }
    return Axes{{rect->axis(QCPAxis::atBottom)}, {}};
}

void ChartGestures::choose(const QPointF& pos, Qt::KeyboardModifiers modifiers)
{
    const Axes a = axesFor(pos, modifiers);
    Qt::Orientations orientations;
    if (!a.horizontal.isEmpty()) orientations |= Qt::Horizontal;
    if (!a.vertical.isEmpty()) orientations |= Qt::Vertical;
    QCPAxisRect* rect = m_plot->axisRect();
    rect->setRangeZoom(orientations);
    rect->setRangeDrag(orientations);
    rect->setRangeZoomAxes(a.horizontal, a.vertical);
    rect->setRangeDragAxes(a.horizontal, a.vertical);
}

QCPRange ChartGestures::bounded(const QCPRange& range, const QCPRange& before, double minSpan, double maxSpan)
{
    const double span = range.size(), was = before.size();
    double target;
    if (span > maxSpan && span > was) target = std::max(maxSpan, was);
    else if (span < minSpan && span < was) target = std::min(minSpan, was);
    else return range;
    // A zoom keeps one point in place: lower = p + (before.lower - p) * f, likewise upper.
    const double f = span / was;
    const double p = f != 1 ? (range.lower - f * before.lower) / (1 - f) : range.center();
    const double g = target / was;
    return QCPRange(p + (before.lower - p) * g, p + (before.upper - p) * g);
}

}  // namespace qm
