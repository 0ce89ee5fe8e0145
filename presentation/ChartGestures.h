#pragma once
// Zooming and panning of a chart (the trend chart, the archive chart), with the mouse as
// QCustomPlot offers it and with the keys once the chart has the focus:
//
//   wheel, drag with the left button     the time axis (zoom around the pointer, pan)
//   Ctrl + wheel, Ctrl + drag            the value axes on show, together
//   wheel or drag over an axis           that axis alone
//   + and −                              zoom the time axis around its middle
//   Ctrl + "+", Ctrl + "−"               the same for the value axes
//   ← and →, ↑ and ↓                     pan the time axis, the value axes, by a tenth
//   double-click, Home                   resetRequested: back to the chart's own window
//   Menu key, Shift+F10                  the chart's context menu, as a right click opens it
//
// This class only moves the axes (and lets the chart take the focus); how the chart treats a
// moved window, and what its menu offers, is the chart's own business.

#include <QObject>
#include <QPointF>
#include <qcustomplot.h>

namespace qm {

class ChartGestures : public QObject {
    Q_OBJECT
public:
    // How far the operator may zoom: a time window from two minutes (so that a whole minute, the
    // finest label, is always in view) to a hundred years, in chart keys (seconds); a value range
    // from 0.01 to a million.
    static constexpr double ShortestWindow = 120.0, LongestWindow = 100 * 366 * 86400.0;
    static constexpr double SmallestValueSpan = 0.01, LargestValueSpan = 1e6;

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
    // bounded with the limits above for that axis: the time axis or a value axis.
    static QCPRange boundedFor(const QCPAxis* axis, const QCPRange& range, const QCPRange& before);

signals:
    // A double-click or Home: the chart shows its own window again.
    void resetRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void choose(const QPointF& pos, Qt::KeyboardModifiers modifiers);
    bool keyPressed(const QKeyEvent* event);
    QList<QCPAxis*> valueAxes() const;

    QCustomPlot* m_plot;
};

}  // namespace qm
