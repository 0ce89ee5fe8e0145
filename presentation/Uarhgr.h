#pragma once
// FormARHGR, the archive chart window: the pH and temperature of a viewed archive file against
// time. It exists for the whole run, hidden until the first view; closing it only hides it.

#include <QMainWindow>

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

    // The bottom axis label format as the ticker uses it.
    QString bottomLabelFormat() const;

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

    bool m_fitted = false;
};
