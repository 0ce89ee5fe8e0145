#pragma once
// The archive chart window: the pH and temperature of a viewed archive file against
// time. It exists for the whole run, hidden until the first view; closing it (Esc too) only
// hides it. The chart zooms and pans and shows the values at the pointer as the trend chart
// does; a double-click or Home shows the view's own window again.

#include "ArchiveFile.h"
#include "ChartScales.h"

#include <QMainWindow>
#include <QPointer>
#include <QVector>
#include <qcustomplot.h>

#include <memory>

class QAction;
class QLabel;
class QMenu;

namespace qm {
class ChartGestures;
class CursorReadout;
}

class ArchiveChartWindow : public QMainWindow {
    Q_OBJECT
public:
    // The window's outer size when it is first shown, frame included.
    static constexpr int DesignWidth = 900;
    static constexpr int DesignHeight = 490;

    explicit ArchiveChartWindow(QWidget* parent = nullptr);
    ~ArchiveChartWindow() override;

    // objectNames FormARHGR (the window), N1, N3, N4, Chart1, Label1, Label2.
    QMenu* viewMenu = nullptr;      // "Вид"
    QAction* dateAction = nullptr;  // "Дата"
    QAction* timeAction = nullptr;  // "Время"
    QCustomPlot* plot = nullptr;
    QLabel* phLabel = nullptr;      // "pH"
    QLabel* tLabel = nullptr;       // "T", follows the chart's right edge
    QCPGraph* phGraph = nullptr;    // pH, left axis
    QCPGraph* tGraph = nullptr;     // T, right axis

    // The points of the last view, in file order.
    QVector<qm::ArchivePoint> points;

    // The bottom axis label format as the ticker uses it.
    QString bottomLabelFormat() const;

    // Takes a viewed archive: caption "АРХИВ: " + path, pH (value 1) into phGraph on the left
    // axis and T (value 3) into tGraph on the right axis, the value axes from the scales, the
    // time axis fitted to the points, then the time labels. E is not plotted. The chart is drawn
    // when the window shows it (showOver), once.
    void fillArchive(const QString& path, const QVector<qm::ArchivePoint>& viewed, const qm::ChartScales& scales);
    // Shows the window, over the centre of mainWindow the first time, and brings it to the front
    // with the keyboard's focus, with the chart drawn once.
    void showOver(QWidget* mainWindow);

    // The values at the pointer.
    qm::CursorReadout* readout() const { return m_readout.get(); }
    // The points of the last view by time, as indexes into points.
    const QVector<int>& pointsByTime() const { return m_byTime; }

public slots:
    // The time labels follow "Дата" and "Время" of the "Вид" menu.
    void applyTimeLabels();
    // The menu's items toggled from code, as a click on them does.
    void toggleDateLabels();
    void toggleTimeLabels();
    // The chart and the "T" label follow the window's size.
    void fitChartToWindow();
    // The view's own window again: the time axis fitted to the points, the value axes on the
    // scales (a double-click or Home on the chart).
    void resetZoom();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void setupChart();
    void fitOuterSize();
    void fitValueTicks();
    void setTimeFormat();
    // Draws the chart now if it is on screen; a hidden chart is drawn when it is shown.
    void redraw();

    // Every range the program sets goes through here; any other change is the operator's.
    void setRange(QCPAxis* axis, const QCPRange& range);
    void axisMoved(QCPAxis* axis, const QCPRange& range, const QCPRange& before);

    std::unique_ptr<qm::ChartGestures> m_gestures;
    std::unique_ptr<qm::CursorReadout> m_readout;
    QVector<int> m_byTime;
    // The ranges of the view's own window.
    QCPRange m_ownTime, m_ownLeft, m_ownRight;
    bool m_programSets = false;
    bool m_stale = true;  // the chart changed since it was last drawn
    bool m_fitted = false;
    bool m_placed = false;
    QPointer<QWidget> m_mainWindow;  // the window it was shown over
};
