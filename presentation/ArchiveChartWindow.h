#pragma once
// The archive chart window: the pH and temperature of a viewed archive file against
// time. It exists for the whole run, hidden until the first view; closing it only hides it.

#include "ArchiveFile.h"
#include "ChartScales.h"

#include <QMainWindow>
#include <QVector>

class QAction;
class QCPGraph;
class QCustomPlot;
class QLabel;
class QMenu;

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
    // Shows the window, over the centre of mainWindow the first time, and brings it to the front,
    // with the chart drawn once.
    void showOver(QWidget* mainWindow);

public slots:
    // The time labels follow "Дата" and "Время" of the "Вид" menu.
    void applyTimeLabels();
    // The menu's items toggled from code, as a click on them does.
    void toggleDateLabels();
    void toggleTimeLabels();
    // The chart and the "T" label follow the window's size.
    void fitChartToWindow();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void setupChart();
    void fitOuterSize();
    void fitValueTicks();
    void setTimeFormat();
    // Draws the chart now if it is on screen; a hidden chart is drawn when it is shown.
    void redraw();

    bool m_stale = true;  // the chart changed since it was last drawn
    bool m_fitted = false;
    bool m_placed = false;
};
