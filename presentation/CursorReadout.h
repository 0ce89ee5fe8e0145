#pragma once
// The values at the pointer: while the pointer moves over the plot area, the sample nearest to
// it (within a few pixels) is marked by a thin vertical line, and a box beside the pointer shows
// that sample's time and the values of the slot curves on show, each under its list's name
// ("pH.1", "T.3"). Where no sample lies under the pointer nothing is shown. Nothing is
// computed while the pointer is elsewhere.

#include "TrendPlot.h"
#include "TrendStore.h"

#include <QObject>
#include <QPoint>
#include <QString>
#include <functional>

class QCustomPlot;
class QLabel;
class QWidget;

namespace qm {

class CursorReadout : public QObject {
public:
    // The name of a slot's list as shown ("pH.1"); slot = 1..4.
    using SlotName = std::function<QString(int slot)>;

    // How far from the pointer, in pixels, a sample still counts as under it.
    static constexpr int Snap = 10;

    CursorReadout(QCustomPlot* plot, const TrendStore& store, const TrendPlot& series, SlotName name);

    // The pointer moved to pos (plot widget coordinates).
    void pointAt(const QPoint& pos);
    // The pointer left the plot.
    void leave();
    // The picture changed under a resting pointer: read again what lies under it.
    void refresh();

    bool isShown() const;
    // What the box shows, one line per row: the time, then "pH.1  7.01" and so on.
    QString text() const { return m_text; }
    // The sample shown, 1-based; 0 when nothing is shown.
    int sample() const { return m_sample; }

    // A value as the live table writes it: pH with 2 decimals, T with 1; the mark of an
    // instrument that stopped answering in words.
    static QString valueText(double value, bool temperature);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int sampleUnder(int x) const;
    void show(int sample);
    void hide();

    QCustomPlot* m_plot;
    const TrendStore& m_store;
    const TrendPlot& m_series;
    SlotName m_name;
    QLabel* m_box;
    QWidget* m_line;
    QPoint m_pos;
    bool m_inside = false;
    int m_sample = 0;
    QString m_text;
};

}  // namespace qm
