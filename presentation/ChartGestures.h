#pragma once
// Zooming and panning of the trend chart with the mouse, as QCustomPlot offers them: the wheel
// zooms and a drag with the left button pans the time axis; with Ctrl held both do the same to
// the value axes; over an axis they act on that axis alone. This class only chooses, as each
// gesture begins, which axes it moves; how the chart treats a moved window is the chart's own
// business.

#include <QObject>
#include <QPointF>
#include <qcustomplot.h>

namespace qm {

class ChartGestures : public QObject {
public:
    explicit ChartGestures(QCustomPlot* plot);

    // The axes that a gesture beginning at pos (plot widget coordinates) moves.
    struct Axes {
        QList<QCPAxis*> horizontal, vertical;
    };
    Axes axesFor(const QPointF& pos, Qt::KeyboardModifiers modifiers) const;

    // A range that a gesture moved from before, kept within sane limits: a zoom that would take
    // the span below minSpan or above maxSpan stops there, around the same fixed point (the
    // pointer), so the view does not jump. A range that is already beyond a limit may move and
    // zoom back towards it, never further away.
    static QCPRange bounded(const QCPRange& range, const QCPRange& before, double minSpan, double maxSpan);

private:
    void choose(const QPointF& pos, Qt::KeyboardModifiers modifiers);

    QCustomPlot* m_plot;
};

}  // namespace qm
