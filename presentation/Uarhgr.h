#pragma once
// FormARHGR, the archive chart window: the pH and temperature of a viewed archive file against
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


class TFormARHGR : public QMainWindow {
    Q_OBJECT
public:
    // The window's outer size when it is first shown, frame included.
    static constexpr int DesignWidth = 900;
    static constexpr int DesignHeight = 490;

    explicit TFormARHGR(QWidget* parent = nullptr);
    ~TFormARHGR() override;

    QMenu* N1 = nullptr;       // "Вид"
    QAction* N3 = nullptr;     // "Дата"
    QAction* N4 = nullptr;     // "Время"
    QCustomPlot* Chart1 = nullptr;
    QLabel* Label1 = nullptr;  // "pH"
    QLabel* Label2 = nullptr;  // "T", follows the chart's right edge
    QCPGraph* Series1 = nullptr;  // pH, left axis
    QCPGraph* Series2 = nullptr;  // T, right axis

    // The points of the last view, in file order.
    QVector<qm::ArchivePoint> ArchivePoints;

    // The bottom axis label format as the ticker uses it.
    QString bottomLabelFormat() const;

    // Takes a viewed archive: caption "АРХИВ: " + path, pH (value 1) into Series1 on the left
    // axis and T (value 3) into Series2 on the right axis, the value axes from the scales, the
    // time axis fitted to the points, then dform. E is not plotted. The chart is drawn when the
    // window shows it (showOver), once.
    void fillArchive(const QString& path, const QVector<qm::ArchivePoint>& points, const qm::ChartScales& scales);
    // Shows the window, over the centre of mainWindow the first time, and brings it to the front,
    // with the chart drawn once.
    void showOver(QWidget* mainWindow);

public slots:
    void dform();
    void N3Click();
    void N4Click();
    void FormResize();

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
