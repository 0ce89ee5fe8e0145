// The trend chart's sampling step with a full store against a fair plain-QCustomPlot baseline,
// measured in one run, interleaved step by step.
//
// Both sides: a 1201 x 473 chart, 24 series of 10000 samples taken once a second from ten wandering
// instruments, all 24 series shown (the first run's layout), the program's time window rules
// (five minutes more when a sample passes the right edge, the left edge to the oldest sample once
// it lies five minutes inside), one sample per step and the chart on screen after it.
//
// The program: TrendChart::Tick, then the events it posted (the repaint) are processed.
//
// The fair baseline, the way QCustomPlot is meant to be used for this: the same widget size,
// background, fonts and tickers, 24 QCPGraphs added grey first and coloured last with 3 px pens
// and 6 px square markers whose pen is really off (QCPScatterStyle::setPen(Qt::NoPen)), no
// antialiasing anywhere, adaptive sampling on, data appended with addData and dropped with
// removeBefore, the phFastPolylines hint, and one replot per sample.
//
// Times are the process's CPU time (what the step costs the machine; on a busy shared machine the
// wall clock also counts other programs' turns); wall-clock medians are printed beside them.
// The last line of output:
//   "sampling step: median <ms> ms, worst <ms> ms; fair QCustomPlot: median <ms> ms; ratio <x>"
// where worst is the slowest single step (window jumps and their full renders included) and the
// ratio is the baseline's mean step over the program's mean step.
#include "BenchStats.h"
#include "ChartTime.h"
#include "ChartWindow.h"
#include "PixelFont.h"
#include "PolledRange.h"
#include "Reading.h"
#include "TrendChart.h"
#include "TrendPlot.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <qcustomplot.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numeric>
#include <random>
#include <vector>

namespace {

using namespace qm;

constexpr int Instruments = 10;
constexpr int Steps = 1000;  // three window jumps of each edge at one sample a second
constexpr double FiveMinutes = 300.0;  // in chart keys (seconds)
const QDateTime Start(QDate(2026, 12, 6), QTime(8, 0, 0));

QDateTime g_clock;

// Readings that wander like real instruments: pH near 7, temperature near 25, as the
// instruments' registers carry them (pH x 100, T x 10); live[] holds the same values by channel.
struct Readings {
    std::mt19937 random{12345};
    double live[ChannelCount + 1] = {};
    Reading of[Instruments + 1];
    void next()
    {
        std::normal_distribution<float> noise(0.0f, 1.0f);
        for (int k = 1; k <= Instruments; ++k) {
            Reading& r = of[k];
            r.address = quint8(k);
            r.answered = true;
            r.phRaw = qint16(std::lround(100 * (7.0f + 0.3f * std::sin(float(k)) + 0.02f * noise(random))));
            r.tRaw = qint16(std::lround(10 * (25.0f + float(k) + 0.1f * noise(random))));
            live[2 * k - 1] = r.ph();
            live[2 * k] = r.tC();
        }
    }
};

struct Clocks {
    double cpu = 0, wall = 0;  // milliseconds
};

class Stopwatch {
public:
    Stopwatch() : m_wall(std::chrono::steady_clock::now()), m_cpu(bench::processCpuMs()) {}
    Clocks elapsed() const
    {
        return {bench::processCpuMs() - m_cpu,
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - m_wall).count()};
    }

private:
    std::chrono::steady_clock::time_point m_wall;
    double m_cpu;
};

// The program's chart in the main window's layout.
struct ProgramRig {
    test::ChartWindow window;
    Readings readings;
    TrendStore store;
    std::unique_ptr<TrendChart> chart;

    ProgramRig()
    {
        g_clock = Start;
        SetClock([] { return g_clock; });
        chart = std::make_unique<TrendChart>(window.widgets(), store);
        chart->setSampling(10000, 1, 120);
        chart->setRange({1, Instruments});
        chart->Setup(NowDateTime());
        double values[ChannelCount];
        for (int i = 0; i < TrendStore::TrendCapacity; ++i) {
            readings.next();
            for (int ch = 1; ch <= ChannelCount; ++ch) values[ch - 1] = readings.live[ch];
            store.AppendLoaded(NowDateTime(), values);
            g_clock = g_clock.addSecs(1);
        }
        for (int slot = 1; slot <= 4; ++slot) chart->setChartSlotDevice(slot, slot - 1);
        chart->ShowLoadedSamples();
        // Alarm limits on all four slot curves: eight limit lines across the chart.
        chart->setLimits({AlarmLimit{1, AlarmQuantity::Ph, 6.5, 8.5, 0.05, 10}, AlarmLimit{2, AlarmQuantity::Ph, 6.0, 9.0, 0.1, 0},
                          AlarmLimit{3, AlarmQuantity::T, 15.0, 35.0, 0.5, 0}, AlarmLimit{4, AlarmQuantity::T, 10.0, 40.0, 1, 30}});
        chart->FinishStartUp(NowDateTime());
        chart->setLinkUp(true);
        chart->setRoundDone();
        window.top.show();
        QCoreApplication::processEvents();
    }
    ~ProgramRig()
    {
        chart.reset();
        SetClock({});
    }
    // One tick that takes a sample, and the chart on screen afterwards.
    void step()
    {
        g_clock = g_clock.addSecs(1);
        readings.next();
        for (int k = 1; k <= Instruments; ++k) chart->takeReading(readings.of[k]);
        chart->Tick();
        QCoreApplication::processEvents();
    }
    // Everything drawn again, as after a new layout or scale.
    void fullRender()
    {
        chart->Plot()->invalidate();
        window.chart->replot(QCustomPlot::rpImmediateRefresh);
    }
};

// The fair baseline: plain QCustomPlot, configured as described at the top.
struct BaselineRig {
    QWidget top;
    QCustomPlot* plot = new QCustomPlot(&top);
    Readings readings;
    QDateTime clock = Start;
    double lower = 0, upper = 0;  // the time window, by the program's rules

    BaselineRig()
    {
        top.resize(1236, 807);
        plot->setGeometry(16, 224, 1201, 473);
        QLinearGradient gradient(0, 0, 0, 1);
        gradient.setCoordinateMode(QGradient::ObjectMode);
        gradient.setColorAt(0, QColor(192, 192, 192));
        gradient.setColorAt(1, Qt::white);
        plot->setBackground(QBrush(gradient));
        plot->axisRect()->setBackground(Qt::NoBrush);
        plot->setNotAntialiasedElements(QCP::aeAll);
        plot->setPlottingHint(QCP::phFastPolylines, true);
        const QFont font = BoldArial(17);
        auto timeTicker = QSharedPointer<QCPAxisTickerDateTime>::create();
        timeTicker->setDateTimeFormat(QStringLiteral(" hh:mm"));
        timeTicker->setTimeZone(QTimeZone::utc());
        plot->xAxis->setTicker(timeTicker);
        const double steps[2] = {2, 10};
        QCPAxis* valueAxes[2] = {plot->yAxis, plot->yAxis2};
        for (int i = 0; i < 2; ++i) {
            auto ticker = QSharedPointer<QCPAxisTickerFixed>::create();
            ticker->setTickStep(steps[i]);
            ticker->setScaleStrategy(QCPAxisTickerFixed::ssMultiples);
            valueAxes[i]->setTicker(ticker);
        }
        plot->yAxis->setRange(0, 10);
        plot->yAxis2->setRange(0, 50);
        plot->yAxis2->setVisible(true);
        plot->yAxis2->setTickLabels(true);
        for (QCPAxis* axis : {plot->xAxis, plot->yAxis, plot->yAxis2}) {
            axis->setTickLabelFont(font);
            axis->setTickLabelColor(Qt::black);
        }

        // Grey background curves first, the four coloured slot curves above them.
        const QColor slot[4] = {QColor(255, 0, 0), QColor(0, 128, 0), QColor(0, 0, 255), QColor(128, 0, 0)};
        for (int k = 0; k < 24; ++k) {
            const int n = k < 20 ? k + 5 : k - 19;  // Series5..24, then Series1..4
            const bool right = n == 3 || n == 4 || n >= 15;
            QCPGraph* g = plot->addGraph(plot->xAxis, right ? plot->yAxis2 : plot->yAxis);
            const int level = n <= 14 ? 112 - 2 * (n - 5) : 92 - 2 * (n - 15);
            const QColor c = n <= 4 ? slot[n - 1] : QColor(level, level, level);
            g->setPen(QPen(c, 3));
            QCPScatterStyle marker(QCPScatterStyle::ssSquare, 6);
            marker.setPen(Qt::NoPen);
            marker.setBrush(c);
            g->setScatterStyle(marker);
            g->setAdaptiveSampling(true);
            m_channel[k] = n <= 4 ? (n <= 2 ? 2 * (n - 1) + 1 : 2 * (n - 3) + 2) : (n <= 14 ? 2 * (n - 4) - 1 : 2 * (n - 14));
        }
        for (int i = 0; i < TrendStore::TrendCapacity; ++i) {
            readings.next();
            append(ChartKey(ToDateTime(clock)));
            clock = clock.addSecs(1);
        }
        lower = plot->graph(0)->data()->constBegin()->key;
        upper = ChartKey(ToDateTime(clock.addSecs(-1))) + FiveMinutes;
        plot->xAxis->setRange(lower, upper);
        top.show();
        plot->replot(QCustomPlot::rpImmediateRefresh);
        QCoreApplication::processEvents();
    }
    void append(double key)
    {
        for (int k = 0; k < 24; ++k) plot->graph(k)->addData(key, readings.live[m_channel[k]]);
    }
    void step()
    {
        clock = clock.addSecs(1);
        readings.next();
        const double now = ChartKey(ToDateTime(clock));
        append(now);
        // The oldest sample goes, as in the program's full store.
        const double oldest = std::next(plot->graph(0)->data()->constBegin())->key;
        for (int k = 0; k < 24; ++k) plot->graph(k)->data()->removeBefore(oldest);
        if (oldest - lower > FiveMinutes) lower = oldest;
        if (now > upper) upper = now + FiveMinutes;
        plot->xAxis->setRange(lower, upper);
        plot->replot(QCustomPlot::rpImmediateRefresh);
        QCoreApplication::processEvents();
    }

private:
    int m_channel[24] = {};
};

// Built on first use and torn down before the application object.
std::unique_ptr<ProgramRig> g_program;
std::unique_ptr<BaselineRig> g_baseline;
std::vector<Clocks> g_programSteps, g_baselineSteps, g_fullRenders;

ProgramRig& program()
{
    if (!g_program) g_program = std::make_unique<ProgramRig>();
    return *g_program;
}
BaselineRig& baseline()
{
    if (!g_baseline) g_baseline = std::make_unique<BaselineRig>();
    return *g_baseline;
}

template <class F>
Clocks timed(F&& f)
{
    const Stopwatch watch;
    f();
    return watch.elapsed();
}

// One sample on each side per iteration, the order alternating so that neither always runs on
// caches warmed by the other.
void BM_SamplingStepInterleaved(benchmark::State& state)
{
    ProgramRig& p = program();
    BaselineRig& b = baseline();
    int n = 0;
    for (auto _ : state) {
        Clocks mine, theirs;
        if (n++ % 2 == 0) {
            mine = timed([&] { p.step(); });
            theirs = timed([&] { b.step(); });
        } else {
            theirs = timed([&] { b.step(); });
            mine = timed([&] { p.step(); });
        }
        g_programSteps.push_back(mine);
        g_baselineSteps.push_back(theirs);
        state.SetIterationTime(mine.cpu / 1000.0);
    }
}

// Everything drawn again (a layout or scale change, a window jump), against the baseline's
// whole step, which is one replot.
void BM_FullRender(benchmark::State& state)
{
    ProgramRig& p = program();
    for (auto _ : state) {
        const Clocks c = timed([&] { p.fullRender(); });
        g_fullRenders.push_back(c);
        state.SetIterationTime(c.cpu / 1000.0);
    }
}

// The values at the pointer: one pointer move over the plot with the full store, the readout's
// box and line repainted; all over the plot area, so the readout is shown at every move.
void BM_PointerMove(benchmark::State& state)
{
    ProgramRig& p = program();
    const QRect area = p.window.chart->axisRect()->rect();
    int n = 0;
    for (auto _ : state) {
        const QPointF at(area.left() + (n * 37) % area.width(), area.top() + (n * 11) % area.height());
        ++n;
        const Clocks c = timed([&] {
            p.window.pointAt(at);
            QCoreApplication::processEvents();
        });
        state.SetIterationTime(c.cpu / 1000.0);
    }
    p.window.leave();
}

BENCHMARK(BM_SamplingStepInterleaved)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(Steps);
BENCHMARK(BM_FullRender)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(40);
BENCHMARK(BM_PointerMove)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1000);

struct Summary {
    double median = 0, mean = 0, worst = 0, wallMedian = 0;
};

Summary summarise(const std::vector<Clocks>& steps)
{
    Summary s;
    std::vector<double> cpu, wall;
    for (const Clocks& c : steps) {
        cpu.push_back(c.cpu);
        wall.push_back(c.wall);
    }
    if (cpu.empty()) return s;
    s.median = bench::median(cpu);
    s.mean = std::accumulate(cpu.begin(), cpu.end(), 0.0) / double(cpu.size());
    s.worst = *std::max_element(cpu.begin(), cpu.end());
    s.wallMedian = bench::median(wall);
    return s;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const int fullRenders = g_program ? g_program->chart->Plot()->fullRenders : 0;
    g_program.reset();
    g_baseline.reset();

    const Summary mine = summarise(g_programSteps);
    const Summary theirs = summarise(g_baselineSteps);
    const Summary full = summarise(g_fullRenders);
    std::printf("CPU time per step, %zu samples with window jumps; wall-clock medians in brackets\n",
                g_programSteps.size());
    std::printf("program: median %.2f ms (%.2f), mean %.3f ms, worst %.2f ms; full renders drawn: %d\n", mine.median,
                mine.wallMedian, mine.mean, mine.worst, fullRenders);
    std::printf("fair QCustomPlot: median %.2f ms (%.2f), mean %.2f ms, worst %.2f ms\n", theirs.median,
                theirs.wallMedian, theirs.mean, theirs.worst);
    if (!g_fullRenders.empty())
        std::printf("program's full render: median %.2f ms (%.2f), worst %.2f ms\n", full.median, full.wallMedian,
                    full.worst);
    std::printf("sampling step: median %.2f ms, worst %.1f ms; fair QCustomPlot: median %.1f ms; ratio %.1f\n",
                mine.median, mine.worst, theirs.median, mine.mean > 0 ? theirs.mean / mine.mean : 0.0);
    std::fflush(stdout);
    return 0;
}
