#pragma once
// The values at the pointer, for any chart of samples over time (the trend chart, the archive
// chart): while the pointer moves over the plot area, the sample nearest to it (within a few
// pixels) is marked by a thin vertical line, and a box beside the pointer shows that sample's
// time and the values of the curves on show. Where no sample lies under the pointer nothing is
// shown. Nothing is computed while the pointer is elsewhere.
//
// The readout never covers what it does not describe: while a menu, a drop-down list or a
// dialog is open it is hidden (it hides before the menu shows, so a menu never opens over it),
// and it stays hidden after they close until the pointer really moves over the plot again.
// Which samples there are and what they read is the chart's: a ReadoutSource tells it.

#include "DateTimeText.h"

#include <QColor>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>

#include <memory>

class QCustomPlot;
class QLabel;
class QWidget;

namespace qm {

// One line of the box under the time: a curve's name in its colour, and its value.
struct ReadoutRow {
    QColor colour;
    QString name;   // "pH.1", "T"
    QString value;  // "7.01", "нет ответа"
};

// What a chart's readout reads. Samples are numbered from 1.
class ReadoutSource {
public:
    virtual ~ReadoutSource() = default;
    // The sample whose time lies nearest to t; 0 when there is none.
    virtual int nearest(DateTime t) const = 0;
    virtual DateTime timeOf(int sample) const = 0;
    // The rows of the curves on show at that sample.
    virtual QList<ReadoutRow> rows(int sample) const = 0;
};

class CursorReadout : public QObject {
public:
    // How far from the pointer, in pixels, a sample still counts as under it.
    static constexpr int Snap = 10;

    CursorReadout(QCustomPlot* plot, std::unique_ptr<ReadoutSource> source);
    ~CursorReadout() override;

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
    // A menu or a dialog opened: hidden until the pointer moves on from where it is now.
    void block();

    QCustomPlot* m_plot;
    std::unique_ptr<ReadoutSource> m_source;
    QLabel* m_box;
    QWidget* m_line;
    QPoint m_pos;
    bool m_inside = false;
    bool m_blocked = false;
    QPoint m_blockedAt;  // the pointer on the screen when the readout was blocked
    int m_sample = 0;
    QString m_text;
};

}  // namespace qm
