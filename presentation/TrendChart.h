#pragma once
// The trend chart: the sampling tick, the four slot lists, the layouts, the scales ("Норм"), the
// time labels and clearing; zooming and panning with the mouse and the values at the pointer.
// It draws the trend store and samples the live channels into it. The window hands it what it
// needs when that changes (the link, the first round, the polled range, the points and the
// interval) and wires its signals: a save that falls due, a sample taken, and the idle count run
// out.
//
// The program's rules keep their own time window (WindowMin .. WindowMax) and move it only at
// their moments. The chart shows that window until the operator zooms or pans the time axis;
// from then on the shown window stays where the operator put it while samples keep coming, until
// a double-click (ResetZoom) or clearing shows the rules' window again. The value scales are
// applied again at every refill of slots 1 to 3, so a zoom of the value axes lasts until the
// next sample. Zooming and panning never touch the store or any file.

#include "AlarmLimitsFile.h"
#include "ChartScales.h"
#include "LiveChannels.h"
#include "PolledRange.h"
#include "Sampler.h"
#include "TrendStore.h"

#include <QObject>
#include <QString>

#include <array>

class QCustomPlot;
class QCPAxis;
class QCPLayer;
class QCPRange;
class QComboBox;
class QCheckBox;
class QTableWidget;

namespace qm {

class ChartGestures;
class CursorReadout;
class TrendPlot;
class TrendTimeTicker;

// The chart's own controls.
struct TrendChartWidgets {
    QCustomPlot* plot = nullptr;
    // Slots 1..4: red pH, green pH, blue T, maroon T.
    std::array<QComboBox*, 4> slotLists{};
    QComboBox* layoutList = nullptr;      // "К-во графиков"
    QTableWidget* scaleGrid = nullptr;
    QCheckBox* dateLabelsBox = nullptr;   // "Дата"
    QCheckBox* timeLabelsBox = nullptr;   // "Время"
    QCheckBox* editScalesBox = nullptr;   // "Норм"
};

class TrendChart : public QObject {
    Q_OBJECT
public:
    // store is the trend store the chart draws and samples into.
    TrendChart(const TrendChartWidgets& widgets, TrendStore& store);
    ~TrendChart() override;
    TrendChart(const TrendChart&) = delete;
    TrendChart& operator=(const TrendChart&) = delete;

    // Series, axes, colours and fonts of the plot, the headers of the scale grid; the window
    // now .. now + 5 minutes, label " hh:mm".
    void Setup();
    void Setup(DateTime now);
    // The end of start-up, after the trend file has been loaded: NextSaveTime := now + 10 minutes,
    // ApplyChartSetup, ApplyLayout, IdleTicks := 100.
    void FinishStartUp(DateTime now);
    // After samples were loaded into the store: the window TrendTime[1] .. TrendTime[TrendCount] +
    // 5 minutes (when there is a sample), the slot lists select ChartSlotDevice[1..4] and the four
    // slots are refilled.
    void ShowLoadedSamples();

    // What the poll engine tells: sampling runs only while the link is up, and only once the walk
    // has gone through all instruments since start-up (Sampler.h).
    void setLinkUp(bool up) { m_sampler.setLinkUp(up); }
    void setRoundDone(int measurementSlots = 0) { m_sampler.setRoundDone(measurementSlots); }
    // The polled range: the slot lists' items, the grey curves of the layouts, and the rows of
    // the readings taken.
    void setRange(PolledRange range)
    {
        m_range = range;
        m_sampler.setRange(range);
    }
    // The alarm limits: those of the coloured slot curves on show are drawn as thin lines.
    void setLimits(const AlarmLimits& limits);
    // A polled instrument's reading: a sample within the next round takes its pH and temperature,
    // or the no-answer mark for one found silent (dialogue/LiveChannels.h).
    void takeReading(const Reading& reading) { m_sampler.takeReading(reading); }
    // The connection was lost: nothing read before it is sampled as current again.
    void connectionLost() { m_sampler.connectionLost(); }
    const LiveChannels& liveChannels() const { return m_sampler.liveChannels(); }
    // "К-во точек" and "Интервал,с" as typed: the samples the store grows to and the seconds from
    // one sample to the next. longestInterval is the interval's maximum: a sample due further
    // ahead than that means the computer's clock was set back.
    void setSampling(int points, int interval, int longestInterval);

    // The chart timer's tick: the idle count, the periodic save and the sample.
    void Tick();

    // The operator chose in the list of slot 1..4: the slot shows that instrument.
    void SelectSlot(int slot);
    // Slot 1..4 shows list item `item` (an item the list lacks: none), as if chosen there.
    void SelectSlot(int slot, int item);
    // Every slot list back at its first item, without refilling (a new number of instruments).
    void ResetSlotLists();
    // The two value scales, and the slot lists rebuilt for the polled range.
    void ApplyChartSetup();
    // The layout chosen in "К-во графиков": the right axis, the lists and the series shown.
    void ApplyLayout();
    // "Норм" was switched: ticked, the scale grid shows the scales for editing; unticked, the
    // grid's values become the scales (a cell that is no number gives its default).
    void EditScales();
    // "Дата" or "Время" was switched: the time labels follow both.
    void ApplyTimeLabels();
    // Empties the store and every series and shows the window now .. now + 5 minutes.
    void ClearChart();
    // Any input of the operator in the window: the idle count starts again.
    void NoteUserAction() { m_idleTicks = 0; }

    ChartScales Scales() const { return m_scales; }
    void setScales(const ChartScales& scales) { m_scales = scales; }
    // The item index of slot list n (1..4) as last saved or applied; all 0 until it.cfg gives them.
    qint32 ChartSlotDevice(int n) const { return n >= 1 && n <= 4 ? m_slotDevice[n] : 0; }
    void setChartSlotDevice(int n, qint32 index)
    {
        if (n >= 1 && n <= 4) m_slotDevice[n] = index;
    }

    DateTime NextSampleTime() const { return m_sampler.nextSampleTime(); }
    DateTime NextSaveTime() const { return m_nextSaveTime; }
    qint32 IdleTicks() const { return m_idleTicks; }

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
    // Redraws what changed right away (the methods do this themselves when they return).
    void Redraw();

signals:
    // The ten minutes to the next save of the trend file are up (only while the link is up).
    void saveDue();
    // The store has just taken a sample: it is the store's last one.
    void sampleTaken();
    // The chart was left alone for 101 ticks: the keyboard focus goes to the archive memo.
    void idle();

private:
    class Private;
    Private* d = nullptr;
    TrendStore& m_store;
    QString m_labelFormat = QStringLiteral(" hh:mm");
    DateTime m_lastTick = 0;     // the clock at the last tick
    bool m_clockJumped = false;  // since the last sample
    PolledRange m_range;
    // When a sample is due and what it carries: the link, the first round, the interval, the
    // live channels.
    Sampler m_sampler;
    // The spin edit's design value until the window hands its own.
    int m_points = 1000;

    ChartScales m_scales;
    AlarmLimits m_limits;
    qint32 m_slotDevice[5] = {0, 0, 0, 0, 0};  // 1..4 used
    DateTime m_nextSaveTime = 0;
    qint32 m_idleTicks = 0;
    bool m_byUser = false;

    void refillSlot(int slot);
    void applyJoinGap();
    void setWindow(DateTime min, DateTime max);
    void setAxis(QCPAxis* axis, const QCPRange& range);
    void axisMoved(QCPAxis* axis, const QCPRange& range, const QCPRange& before);
    void applyScales();
    void rebuildLists();
    // Brings the limit lines in step with the slots on show; true when they changed.
    bool updateLimitLines();
};

}  // namespace qm
