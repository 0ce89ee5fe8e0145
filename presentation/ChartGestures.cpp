#include "ChartGestures.h"

#include "FocusFrame.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
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
    connect(plot, &QCustomPlot::mouseDoubleClick, this, &ChartGestures::resetRequested);

    // Tab and a click give the chart the focus, and its keys with it; a frame shows it.
    plot->setFocusPolicy(Qt::StrongFocus);
    ShowFocusFrame(plot);
    plot->installEventFilter(this);
}

bool ChartGestures::eventFilter(QObject* watched, QEvent* event)
{
    // Only keys typed at the chart itself, not those a list lying on it passes up.
    if (watched == m_plot && event->type() == QEvent::KeyPress && m_plot->hasFocus())
        return keyPressed(static_cast<QKeyEvent*>(event));
    return false;
}

QList<QCPAxis*> ChartGestures::valueAxes() const
{
    QList<QCPAxis*> axes;
    for (QCPAxis* axis : m_plot->axisRect()->axes(QCPAxis::atLeft | QCPAxis::atRight))
        if (axis->visible()) axes << axis;
    return axes;
}

bool ChartGestures::keyPressed(const QKeyEvent* event)
{
    // "+" is typed with Shift on most layouts, and comes from the keypad too.
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    const bool ctrl = modifiers == Qt::ControlModifier;
    if (modifiers != Qt::NoModifier && !ctrl) return false;
    QCPAxisRect* rect = m_plot->axisRect();
    const QList<QCPAxis*> time{m_plot->xAxis};
    const auto zoom = [&](const QList<QCPAxis*>& axes, bool in) {
        const double notch = rect->rangeZoomFactor(axes.value(0) == m_plot->xAxis ? Qt::Horizontal : Qt::Vertical);
        for (QCPAxis* axis : axes) axis->scaleRange(in ? notch : 1 / notch, axis->range().center());
    };
    const auto pan = [&](const QList<QCPAxis*>& axes, double share) {
        for (QCPAxis* axis : axes) axis->moveRange(axis->range().size() * share);
    };

    switch (event->key()) {
    case Qt::Key_Menu:
    case Qt::Key_F10: {
        if (event->key() == Qt::Key_F10 && event->modifiers() != Qt::ShiftModifier) return false;
        // The menu opens over the middle of the plot, as a right click there would open it.
        const QPoint at = rect->rect().center();
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, m_plot->mapToGlobal(at));
        QCoreApplication::sendEvent(m_plot, &menu);
        return true;
    }
    case Qt::Key_Home:
        if (ctrl) return false;
        emit resetRequested();
        return true;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoom(ctrl ? valueAxes() : time, true);
        break;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        zoom(ctrl ? valueAxes() : time, false);
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (ctrl) return false;
        pan(time, event->key() == Qt::Key_Left ? -0.1 : 0.1);
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (ctrl) return false;
        pan(valueAxes(), event->key() == Qt::Key_Down ? -0.1 : 0.1);
        break;
    default:
        return false;
    }
    m_plot->replot(QCustomPlot::rpQueuedReplot);
    return true;
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

QCPRange ChartGestures::boundedFor(const QCPAxis* axis, const QCPRange& range, const QCPRange& before)
{
    return axis->orientation() == Qt::Horizontal ? bounded(range, before, ShortestWindow, LongestWindow)
                                                 : bounded(range, before, SmallestValueSpan, LargestValueSpan);
}

}  // namespace qm
