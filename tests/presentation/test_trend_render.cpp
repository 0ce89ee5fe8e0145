// The fast series drawing against the picture drawn point by point, the partial redraw of a
// rolling store against a full redraw, and the chart on screen after sampling against a replot.
#include "ChartTime.h"
#include "TrendPlot.h"
#include "TrendStore.h"
#include "test_trend_rig.h"

#include <QApplication>
#include <QScreen>
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <random>

using namespace qm;

namespace {

constexpr DateTime Second = 1.0 / 86400.0;
const DateTime Start = ToDateTime(QDateTime(QDate(2026, 12, 6), QTime(8, 0, 0)));

struct Stage {
    QCustomPlot plot;
    TrendStore store;
    TrendPlot* series;
    std::mt19937 random{7};

    Stage()
    {
        plot.resize(1201, 473);
        plot.yAxis->setRange(0, 10);
        plot.yAxis2->setRange(0, 50);
        plot.yAxis2->setVisible(true);
        series = new TrendPlot(&plot, store, plot.xAxis, plot.yAxis, plot.yAxis2);
        const QColor colours[4] = {QColor(255, 0, 0), QColor(0, 128, 0), QColor(0, 0, 255), QColor(128, 0, 0)};
        for (int n = 1; n <= 24; ++n) {
            TrendPlot::Series& s = series->series[n];
            s.channel = n <= 4 ? n : (n <= 14 ? 2 * (n - 4) - 1 : 2 * (n - 14));
            s.right = n == 3 || n == 4 || n >= 15;
            const int level = n <= 14 ? 112 - 2 * (n - 5) : 92 - 2 * (n - 15);
            s.colour = n <= 4 ? colours[n - 1] : QColor(level, level, level);
        }
    }
    void window(DateTime from, DateTime to)
    {
        plot.xAxis->setRange(ChartKey(from), ChartKey(to));
        plot.replot();  // lays the axis rect out
    }
    // Wandering pH and temperature; an instrument that stops answering now and then.
    void sample(DateTime t, int limit = TrendStore::TrendCapacity)
    {
        std::normal_distribution<float> noise(0.0f, 1.0f);
        double live[21] = {};
        for (int k = 1; k <= 10; ++k) {
            const bool silent = k == 4 && (store.appended() / 200) % 3 == 2;
            live[2 * k - 1] = silent ? NoDataMark : 5.0f + 0.4f * float(k) + 0.15f * noise(random);
            live[2 * k] = silent ? NoDataMark : 15.0f + 2.0f * float(k) + 0.8f * noise(random);
        }
        store.AddSample(t, live, limit);
    }
};

// Pixels that differ between two images of the same size.
int differences(const QImage& a, const QImage& b)
{
    if (a.size() != b.size()) return -1;
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

int painted(const QImage& a)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += qAlpha(a.pixel(x, y)) != 0;
    return n;
}

TEST(TrendRender, SparseSamplesDrawExactlyAsPointByPoint)
{
    Stage stage;
    stage.window(Start, Start + 300 * Second);
    for (int i = 0; i < 40; ++i) stage.sample(Start + (3 + 7 * i) * Second);
    const QImage fast = stage.series->currentImage();
    const QImage reference = stage.series->referenceImage();
    ASSERT_GT(painted(reference), 10000);
    EXPECT_EQ(differences(fast, reference), 0);
}

TEST(TrendRender, FullStoreDrawsExactlyAsPointByPoint)
{
    Stage stage;
    stage.window(Start, Start + 10300 * Second);
    for (int i = 0; i < TrendStore::TrendCapacity; ++i) stage.sample(Start + i * Second);
    const QImage fast = stage.series->currentImage();
    const QImage reference = stage.series->referenceImage();
    ASSERT_GT(painted(reference), 50000);
    EXPECT_EQ(differences(fast, reference), 0);
}

TEST(TrendRender, RollingStoreRedrawsOnlyItsEndsAndMatchesAFullRedraw)
{
    Stage stage;
    stage.window(Start, Start + 3700 * Second);
    for (int i = 0; i < 3000; ++i) stage.sample(Start + i * Second, 3000);
    stage.series->currentImage();
    const int full = stage.series->fullRenders;
    for (int i = 3000; i < 3300; ++i) {
        stage.sample(Start + i * Second, 3000);
        if (i % 3 == 0) stage.series->currentImage();  // one or several samples between draws
    }
    const QImage partial = stage.series->currentImage();
    EXPECT_EQ(stage.series->fullRenders, full) << "the axes did not change";
    EXPECT_GE(stage.series->partialRenders, 100);
    stage.series->invalidate();
    const QImage whole = stage.series->currentImage();
    EXPECT_EQ(stage.series->fullRenders, full + 1);
    EXPECT_EQ(differences(partial, whole), 0);
}

TEST(TrendRender, GrowingStoreAndSettingChangesMatchAFullRedraw)
{
    Stage stage;
    stage.window(Start, Start + 600 * Second);
    stage.series->currentImage();
    for (int i = 0; i < 500; ++i) {
        stage.sample(Start + i * Second);
        stage.series->currentImage();
    }
    // A slot that changes its instrument and a series switched off repaint everything.
    stage.series->series[1].channel = 9;
    stage.series->series[7].active = false;
    const int full = stage.series->fullRenders;
    const QImage changed = stage.series->currentImage();
    EXPECT_EQ(stage.series->fullRenders, full + 1);
    EXPECT_EQ(differences(changed, stage.series->referenceImage()), 0);
    stage.store.Clear();
    EXPECT_EQ(painted(stage.series->currentImage()), 0);
}

// A hand-made trend file can hold any value and date: between two ordinary samples an absurd
// one draws at most the two thick segments that lead off the plot, never a filled area, and the
// ordinary samples keep their markers.
TEST(TrendRender, AbsurdValuesAndTimesDrawOnlyTheSegmentsLeavingThePlot)
{
    const DateTime farFuture = ToDateTime(QDateTime(QDate(2075, 6, 1), QTime(0, 0)));
    const struct {
        double value;
        DateTime time;
    } cases[] = {{1e9, 150 * Second}, {-1e9, 150 * Second}, {1e300, 150 * Second}, {-1e300, 150 * Second},
                 {5, farFuture - Start}, {5, -farFuture}};
    for (const auto& c : cases) {
        Stage stage;
        stage.window(Start, Start + 300 * Second);
        for (int n = 2; n <= TrendPlot::SeriesCount; ++n) stage.series->series[n].active = false;
        double values[20] = {};
        const double samples[3][2] = {{100 * Second, 5}, {c.time, c.value}, {200 * Second, 5}};
        for (const auto& s : samples) {
            values[0] = s[1];
            stage.store.AppendLoaded(Start + s[0], values);
        }
        const QImage image = stage.series->currentImage();
        const int w = image.width(), h = image.height();
        EXPECT_LE(painted(image), 2 * TrendPlot::LineWidth * (w + h) + 1000) << c.value << " " << c.time;
        for (double at : {100.0, 200.0}) {
            const QPoint p(int(stage.plot.xAxis->coordToPixel(ChartKey(Start + at * Second))),
                           int(stage.plot.yAxis->coordToPixel(5.0)));
            const QPoint corner = stage.plot.xAxis->axisRect()->rect().topLeft();
            EXPECT_EQ(image.pixel(p - corner), QColor(255, 0, 0).rgb()) << c.value << " " << c.time << " " << at;
        }
    }
}

TEST(TrendRender, UnorderedLoadedTimesAreDrawnInStoreOrder)
{
    Stage stage;
    stage.window(Start, Start + 300 * Second);
    double values[20];
    for (int i = 0; i < 30; ++i) {
        for (double& v : values) v = 2.0 + (i % 5);
        stage.store.AppendLoaded(Start + ((i * 37) % 290) * Second, values);
    }
    EXPECT_FALSE(stage.store.ascending());
    stage.series->currentImage();
    stage.sample(Start + 295 * Second);
    EXPECT_EQ(differences(stage.series->currentImage(), stage.series->referenceImage()), 0);
}

// Sampling redraws only the ends of the curves and patches just those columns on screen; the
// chart shown must be the one a full replot gives.
TEST(TrendRender, ChartOnScreenAfterSamplingIsTheFullReplot)
{
    test::ChartRig rig;
    rig.window.points->setValue(100);
    rig.window.interval->setValue(1);
    rig.start(3);
    rig.show();
    rig.linkUp();
    rig.tick();  // the first sample gives the slots their channels: a full redraw
    QCoreApplication::processEvents();
    const int full = rig.chart->Plot()->fullRenders;
    // A rolling store (both ends move) within one time window, and a value that jumps now and then.
    for (int i = 0; i < 250; ++i) {
        rig.setRow(1, 4.0f + float(i % 7) * 0.5f, 20.0f + float(i % 40));
        rig.setRow(2, i % 50 < 25 ? 6.0f : -100.0f, 30.0f);
        rig.setRow(3, 7.0f, 25.0f + float(i % 3));
        rig.tick();
        QCoreApplication::processEvents();  // as the event loop does between ticks
    }
    // What the window shows, as the screen holds it.
    const auto onScreen = [&rig] {
        QCoreApplication::processEvents();
        QWidget& top = rig.window.top;
        return top.screen()->grabWindow(top.winId()).toImage().copy(rig.window.chart->geometry());
    };
    const QImage sampled = onScreen();
    ASSERT_EQ(rig.chart->Plot()->fullRenders, full);
    rig.chart->Plot()->invalidate();
    rig.window.chart->replot();
    EXPECT_EQ(differences(sampled, onScreen()), 0);
}

}  // namespace
