// One sampling step of the trend chart with a full store (10000 samples, all 24 series active,
// the first-run layout), redraw of the shown 1201 x 473 chart included, against the plain way:
// every series' data set again with QCPGraph::setData and a replot with QCustomPlot's defaults.
// The last line of output: "sampling step: <median ms> ms, plain: <median ms> ms, ratio <x>".
#include "ChartWindow.h"
#include "DeviceTable.h"
#include "FakePanel.h"
#include "FakePort.h"
#include "PollEngine.h"
#include "TrendChart.h"
#include "TrendPlot.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTableWidget>
#include <benchmark/benchmark.h>
#include <qcustomplot.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

namespace {

using namespace qm;

constexpr int Instruments = 10;

QDateTime g_clock;

// Live values that wander like real instruments: pH near 7, temperature near 25.
struct Readings {
    std::mt19937 random{12345};
    float live[DeviceTable::Channels + 1] = {};
    void next()
    {
        std::normal_distribution<float> noise(0.0f, 1.0f);
        for (int k = 1; k <= Instruments; ++k) {
            live[2 * k - 1] = 7.0f + 0.3f * std::sin(float(k)) + 0.02f * noise(random);
            live[2 * k] = 25.0f + float(k) + 0.1f * noise(random);
        }
    }
};

struct Rig {
    test::FakePanel panel;
    test::FakePort port;
    DeviceTable table{panel};
    PollEngine engine{port, panel, table};
    test::ChartWindow window;
    Readings readings;
    std::unique_ptr<TrendChart> chart;

    Rig()
    {
        g_clock = QDateTime(QDate(2026, 12, 6), QTime(8, 0, 0));
        SetClock([] { return g_clock; });
        // Ten instruments sampled every second into a store of 10000 points.
        window.points->setValue(10000);
        window.interval->setValue(1);
        window.count->setValue(Instruments);
        chart = std::make_unique<TrendChart>(window.widgets(), table, engine);
        engine.DeviceCount = Instruments;
        chart->Setup(NowDateTime());
        // A full store, one sample a second, as after a long run.
        double values[DeviceTable::Channels];
        for (int i = 0; i < TrendStore::TrendCapacity; ++i) {
            readings.next();
            for (int ch = 1; ch <= DeviceTable::Channels; ++ch) values[ch - 1] = readings.live[ch];
            chart->Store.AppendLoaded(NowDateTime(), values);
            g_clock = g_clock.addSecs(1);
        }
        chart->ChartSlotDevice[1] = 0;
        chart->ChartSlotDevice[2] = 1;
        chart->ChartSlotDevice[3] = 2;
        chart->ChartSlotDevice[4] = 3;
        chart->ShowLoadedSamples();
        chart->FinishStartUp(NowDateTime());
        engine.LinkUp = true;
        engine.RoundDone = true;
        window.top.show();
        QCoreApplication::processEvents();
    }
    // One tick that takes a sample, and the chart on screen afterwards.
    void step()
    {
        g_clock = g_clock.addSecs(1);
        readings.next();
        std::copy(std::begin(readings.live), std::end(readings.live), std::begin(table.LiveValues));
        chart->Timer2Timer();
        window.chart->repaint();
    }
};

// The plain way: 24 graphs, all refilled with setData and replotted for every sample.
struct PlainRig {
    QCustomPlot plot;
    TrendStore store;
    Readings readings;
    QDateTime clock = QDateTime(QDate(2026, 12, 6), QTime(8, 0, 0));
    QVector<double> keys, values;

    PlainRig()
    {
        plot.resize(1201, 473);
        plot.xAxis->setTicker(QSharedPointer<QCPAxisTickerDateTime>::create());
        plot.yAxis->setRange(0, 10);
        plot.yAxis2->setRange(0, 50);
        plot.yAxis2->setVisible(true);
        double v[DeviceTable::Channels];
        for (int i = 0; i < TrendStore::TrendCapacity; ++i) {
            readings.next();
            for (int ch = 1; ch <= DeviceTable::Channels; ++ch) v[ch - 1] = readings.live[ch];
            store.AppendLoaded(ToDateTime(clock), v);
            clock = clock.addSecs(1);
        }
        const QColor slot[4] = {QColor(255, 0, 0), QColor(0, 128, 0), QColor(0, 0, 255), QColor(128, 0, 0)};
        for (int n = 1; n <= 24; ++n) {
            const bool right = n == 3 || n == 4 || n >= 15;
            QCPGraph* g = plot.addGraph(plot.xAxis, right ? plot.yAxis2 : plot.yAxis);
            const int level = n <= 14 ? 112 - 2 * (n - 5) : 92 - 2 * (n - 15);
            const QColor c = n <= 4 ? slot[n - 1] : QColor(level, level, level);
            g->setPen(QPen(c, 3));
            g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssSquare, Qt::NoPen, QBrush(c), 6));
        }
        keys.resize(TrendStore::TrendCapacity);
        values.resize(TrendStore::TrendCapacity);
        plot.show();
        QCoreApplication::processEvents();
    }
    void step()
    {
        clock = clock.addSecs(1);
        readings.next();
        store.AddSample(ToDateTime(clock), readings.live, TrendStore::TrendCapacity);
        const int count = store.TrendCount();
        const double key0 = (store.TrendTime(1) - 25569.0) * 86400.0;
        plot.xAxis->setRange(key0, (store.TrendTime(count) - 25569.0) * 86400.0 + 300);
        static const int channels[5] = {0, 1, 3, 2, 4};
        for (int n = 1; n <= 24; ++n) {
            const int ch = n <= 4 ? channels[n] : (n <= 14 ? 2 * (n - 4) - 1 : 2 * (n - 14));
            for (int i = 0; i < count; ++i) {
                keys[i] = (store.TrendTime(i + 1) - 25569.0) * 86400.0;
                values[i] = store.TrendValue(ch, i + 1);
            }
            plot.graph(n - 1)->setData(keys, values);
        }
        plot.replot(QCustomPlot::rpImmediateRefresh);
    }
};

std::vector<double> g_stepTimes, g_plainTimes;

double median(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

template <class R>
void measure(benchmark::State& state, R& rig, std::vector<double>& times)
{
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        rig.step();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        times.push_back(seconds * 1000.0);
    }
}

// Built on first use and torn down before the application object.
std::unique_ptr<Rig> g_rig;
std::unique_ptr<PlainRig> g_plainRig;

void BM_SamplingStep(benchmark::State& state)
{
    if (!g_rig) g_rig = std::make_unique<Rig>();
    measure(state, *g_rig, g_stepTimes);
}

void BM_PlainRefillAndReplot(benchmark::State& state)
{
    if (!g_plainRig) g_plainRig = std::make_unique<PlainRig>();
    measure(state, *g_plainRig, g_plainTimes);
}

// For reference: everything redrawn, as after a jump of the time window or a new layout.
void BM_FullRedraw(benchmark::State& state)
{
    if (!g_rig) g_rig = std::make_unique<Rig>();
    for (auto _ : state) {
        g_rig->chart->Plot()->invalidate();
        g_rig->window.chart->replot(QCustomPlot::rpImmediateRefresh);
    }
}

// The values at the pointer: one pointer move over the plot with the full store, the readout's
// box and line repainted; all over the plot area, so the readout is shown at every move.
void BM_PointerMove(benchmark::State& state)
{
    if (!g_rig) g_rig = std::make_unique<Rig>();
    const QRect area = g_rig->window.chart->axisRect()->rect();
    int n = 0;
    for (auto _ : state) {
        const QPointF at(area.left() + (n * 37) % area.width(), area.top() + (n * 11) % area.height());
        ++n;
        const auto start = std::chrono::steady_clock::now();
        g_rig->window.pointAt(at);
        QCoreApplication::processEvents();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}

BENCHMARK(BM_FullRedraw)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_SamplingStep)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(600);
BENCHMARK(BM_PointerMove)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1000);
BENCHMARK(BM_PlainRefillAndReplot)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(40);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_rig.reset();
    g_plainRig.reset();
    SetClock({});
    const double step = median(g_stepTimes);
    const double plain = median(g_plainTimes);
    std::printf("sampling step: %.2f ms, plain: %.2f ms, ratio %.1f\n", step, plain, step > 0 ? plain / step : 0.0);
    std::fflush(stdout);
    return 0;
}
