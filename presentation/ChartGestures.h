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

    // A range moved by a gesture, kept within sane limits: a span of at least minSpan and at
    // most maxSpan around the same centre.
    static QCPRange bounded(const QCPRange& range, double minSpan, double maxSpan);

private:
    void choose(const QPointF& pos, Qt::KeyboardModifiers modifiers);

    QCustomPlot* m_plot;
};

}  // namespace qm
