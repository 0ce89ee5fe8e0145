#pragma once
// The trend chart: the trend store, the sampling tick (Timer2Timer), the four slot lists, the
// layouts, the scales ("Норм"), the time labels and clearing; zooming and panning with the mouse
// and the values at the pointer.
//
// The program's rules keep their own time window (WindowMin .. WindowMax) and move it only at
// their moments. The chart shows that window until the operator zooms or pans the time axis;
// from then on the shown window stays where the operator put it while samples keep coming, until
// a double-click (ResetZoom) or clearing shows the rules' window again. The value scales are
// applied again at every refill of slots 1 to 3, so a zoom of the value axes lasts until the
// next sample. Zooming and panning never touch the store or any file.

#include "PolledRange.h"
#include "TrendStore.h"

#include <QString>
#include <functional>

class QCustomPlot;
class QCPAxis;
class QCPLayer;
class QCPRange;
class QComboBox;
class QCheckBox;
class QSpinBox;
class QTableWidget;
class QWidget;

namespace qm {

class ChartGestures;
class CursorReadout;
class TrendPlot;
class TrendTimeTicker;

struct TrendChartWidgets {
    QCustomPlot* Chart1 = nullptr;
    QComboBox* ComboBox2 = nullptr;  // slot 1, red, pH
    QComboBox* ComboBox3 = nullptr;  // slot 2, green, pH
    QComboBox* ComboBox4 = nullptr;  // slot 3, blue, T
    QComboBox* ComboBox5 = nullptr;  // slot 4, maroon, T
    QComboBox* ComboBox7 = nullptr;  // layout
    QTableWidget* StringGrid1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;  // "Дата"
    QCheckBox* CheckBox3 = nullptr;  // "Время"
    QCheckBox* CheckBox4 = nullptr;  // "Норм"
    QSpinBox* SpinEdit2 = nullptr;   // points kept
    QSpinBox* SpinEdit3 = nullptr;   // interval, s
    QWidget* Memo1 = nullptr;        // takes the focus when the chart is idle
};

class TrendChart {
public:
    static constexpr int SeriesCount = 24;

    // liveValues[1..20] are the live channels the sampling tick takes.
    TrendChart(const TrendChartWidgets& widgets, const float* liveValues);
    ~TrendChart();
    TrendChart(const TrendChart&) = delete;
    TrendChart& operator=(const TrendChart&) = delete;

    // Series, axes, colours and fonts of Chart1, the headers of StringGrid1; the window
    // now .. now + 5 minutes, label " hh:mm".
    void Setup();
    void Setup(DateTime now);
    // The end of start-up, after the trend file has been loaded: NextSaveTime := now + 10 minutes,
    // ApplyChartSetup, ComboBox7Change, IdleTicks := 100.
    void FinishStartUp(DateTime now);
    // After samples were loaded into Store: the window TrendTime[1] .. TrendTime[TrendCount] +
    // 5 minutes (when there is a sample), the slot lists select ChartSlotDevice[1..4] and the four
    // slots are refilled.
    void ShowLoadedSamples();

    // What the poll engine tells: sampling runs only while the link is up, and only once the walk
    // has gone through all instruments since start-up.
    void setLinkUp(bool up) { m_linkUp = up; }
    void setRoundDone() { m_roundDone = true; }
    // The polled range: the slot lists' items and the grey curves of the layouts.
    void setRange(PolledRange range);

    void Timer2Timer();
    void ComboBox2Change();
    void ComboBox3Change();
    void ComboBox4Change();
    void ComboBox5Change();
    void ApplyChartSetup();
    void ComboBox7Change();
    void CheckBox4Click();
    void CheckBox2Click();
    void BitBtn1Click();
    void SpinEdit2Change();
    void SpinEdit3Change();
    // The archive-period field's guard: an emptied text becomes 1.
    static void SpinEdit6Change(QSpinBox* spinEdit6);
    // An emptied spin box text becomes value (which the box clamps into its range).
    static void FillEmptySpin(QSpinBox* spin, int value);

    TrendStore Store;

    qint32 PhScaleMin = 0, PhScaleMax = 10, PhScaleStep = 2;
    qint32 TScaleMin = 0, TScaleMax = 50, TScaleStep = 10;
    qint32 ChartSlotDevice[5] = {0, 0, 0, 0, 0};  // 1..4 used; all 0 until it.cfg gives them

    DateTime NextSampleTime = 0;
    DateTime NextSaveTime = 0;
    qint32 IdleTicks = 0;
    bool ByUser = false;

    // Writes the trend data file; set by the window.
    std::function<void()> SaveTrendFile;
    // Called as soon as the store has taken a sample (it is Store's last one).
    std::function<void()> SampleTaken;
    // Asks a Yes/No question; the window shows a message box, tests answer directly.
    std::function<bool(const QString&)> AskYesNo;

    // What the chart shows, for the window and for tests.
    bool SeriesActive(int n) const;
    int SeriesChannel(int n) const;     // the store channel a series shows; 0 when it is empty
    int SeriesPointCount(int n) const;
    // The time window by the program's rules; shown unless the operator zoomed or panned it.
    DateTime WindowMin() const;
    DateTime WindowMax() const;
    // The operator moved the time axis away from the rules' window.
    bool Zoomed() const;
    // Shows the rules' time window and the value scales again at once (the double-click).
    void ResetZoom();
    CursorReadout* Readout() const;
    QString TimeLabelFormat() const { return m_labelFormat; }  // " hh:mm", "dd.mm hh:mm", ...
    QString TimeLabel(DateTime t) const;                       // a bottom-axis label as drawn
    TrendPlot* Plot() const;
    // Redraws what changed right away (handlers do this themselves when they return).
    void Redraw();

private:
    class Private;
    Private* d = nullptr;
    QString m_labelFormat = QStringLiteral(" hh:mm");
    DateTime m_lastTick = 0;     // the clock at the last Timer2 tick
    bool m_clockJumped = false;  // since the last sample
    bool m_linkUp = false;
    bool m_roundDone = false;
    PolledRange m_range;

    void refillSlot(int slot);
    void setWindow(DateTime min, DateTime max);
    void setAxis(QCPAxis* axis, const QCPRange& range);
    void axisMoved(QCPAxis* axis, const QCPRange& range, const QCPRange& before);
    void applyScales();
    void rebuildLists();
};

}  // namespace qm
