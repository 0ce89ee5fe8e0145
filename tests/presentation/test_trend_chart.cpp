// The trend chart as the operator meets it: sampling, the time window, slots and layouts,
// scales, time labels, clearing, the spin boxes' empty texts and the focus hand-over.
#include "test_trend_rig.h"

#include "CursorReadout.h"
#include "Keys.h"
#include "TrendChartMenu.h"

#include <QAbstractItemView>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;

namespace {

constexpr DateTime Second = 1.0 / 86400.0;

// Seconds between two date-times, rounded to the whole second.
long long secondsBetween(DateTime a, DateTime b) { return llround((b - a) * 86400.0); }

QStringList items(const QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i) out << box->itemText(i);
    return out;
}

TEST(TrendChartFirstRun, OneInstrumentSamplesAfterTheFirstRoundEveryFiveSeconds)
{
    ChartRig rig;
    rig.start(1, 1);
    // The design indexes 1, 2, 3 do not exist among the rebuilt items.
    EXPECT_EQ(items(rig.window.lists[0]), QStringList{"pH.1"});
    EXPECT_EQ(items(rig.window.lists[3]), QStringList{"T.1"});
    EXPECT_EQ(rig.window.lists[0]->currentText(), "pH.1");
    for (int i = 1; i < 4; ++i) EXPECT_EQ(rig.window.lists[i]->currentIndex(), -1) << i;
    for (int n = 1; n <= 24; ++n) EXPECT_TRUE(rig.chart->SeriesActive(n)) << n;

    rig.setRow(1, 7.0f, 25.0f);
    rig.chart->setLinkUp(true);
    for (int i = 0; i < 10; ++i) rig.tick();
    EXPECT_EQ(rig.store.TrendCount(), 0) << "no sample before the poll cycle went round";

    rig.chart->setRoundDone();
    rig.tick();
    ASSERT_EQ(rig.store.TrendCount(), 1);
    const DateTime firstSample = rig.store.TrendTime(1);
    for (int i = 0; i < 20; ++i) rig.tick();
    ASSERT_EQ(rig.store.TrendCount(), 5);
    for (int i = 2; i <= 5; ++i)
        EXPECT_EQ(secondsBetween(rig.store.TrendTime(i - 1), rig.store.TrendTime(i)), 5) << i;
    EXPECT_EQ(secondsBetween(firstSample, rig.store.TrendTime(5)), 20);

    // Red: row 1's pH. Grey: every pH row but row 1, every temperature row; absent rows at 0.
    EXPECT_EQ(rig.chart->SeriesChannel(1), 1);
    EXPECT_EQ(rig.chart->SeriesPointCount(1), 5);
    EXPECT_EQ(rig.chart->SeriesChannel(2), 0);
    EXPECT_EQ(rig.chart->SeriesPointCount(3), 0);
    EXPECT_EQ(rig.chart->SeriesChannel(5), 0) << "row 1 is drawn in red, not in grey";
    for (int k = 2; k <= 10; ++k) EXPECT_EQ(rig.chart->SeriesChannel(4 + k), 2 * k - 1) << k;
    for (int k = 1; k <= 10; ++k) EXPECT_EQ(rig.chart->SeriesChannel(14 + k), 2 * k) << k;
    EXPECT_DOUBLE_EQ(rig.store.TrendValue(1, 5), 7.0);
    EXPECT_DOUBLE_EQ(rig.store.TrendValue(2, 5), 25.0);
    EXPECT_DOUBLE_EQ(rig.store.TrendValue(3, 5), 0.0);
    EXPECT_DOUBLE_EQ(rig.store.TrendValue(20, 5), 0.0);
}

TEST(TrendChartFirstRun, ChartStartsWithTheFiveMinuteWindowAndDefaultScales)
{
    ChartRig rig;
    rig.start();
    EXPECT_EQ(secondsBetween(rig.now(), rig.chart->WindowMin()), 0);
    EXPECT_EQ(secondsBetween(rig.now(), rig.chart->WindowMax()), 300);
    EXPECT_EQ(rig.window.chart->yAxis->range(), QCPRange(0, 10));
    EXPECT_EQ(rig.window.chart->yAxis2->range(), QCPRange(0, 50));
    EXPECT_TRUE(rig.window.chart->yAxis2->visible());
    EXPECT_EQ(rig.chart->TimeLabelFormat(), " hh:mm");
    EXPECT_EQ(rig.window.grid->item(0, 1)->text(), "Min");
    EXPECT_EQ(rig.window.grid->item(0, 3)->text(), "Cdel");
    EXPECT_EQ(rig.window.grid->item(2, 0)->text(), "T");
    EXPECT_EQ(rig.chart->IdleTicks(), 100);
}

TEST(TrendChartWindow, HundredPointsRollAndTheLeftEdgeJumpsAfterFiveMinutes)
{
    ChartRig rig;
    rig.window.points->setValue(100);
    rig.window.interval->setValue(1);
    rig.start();
    rig.linkUp();
    const DateTime start = rig.chart->WindowMin();
    DateTime lastMin = start;
    int jumps = 0;
    for (int i = 1; i <= 1000; ++i) {
        rig.setRow(1, i % 10, 20.0);
        rig.tick();
        const TrendStore& s = rig.store;
        ASSERT_EQ(s.TrendCount(), std::min(i, 100)) << i;
        if (i > 100) {
            // The oldest held sample is 99 seconds older than the newest.
            ASSERT_EQ(secondsBetween(s.TrendTime(1), s.TrendTime(100)), 99) << i;
            ASSERT_DOUBLE_EQ(s.TrendValue(1, 100), double(i % 10));
            ASSERT_DOUBLE_EQ(s.TrendValue(1, 1), double((i - 99) % 10));
        }
        const DateTime min = rig.chart->WindowMin();
        if (min != lastMin) {
            ++jumps;
            // A jump goes to the oldest sample, once that lies more than five minutes on.
            EXPECT_EQ(secondsBetween(min, s.TrendTime(1)), 0) << i;
            EXPECT_EQ(secondsBetween(lastMin, min), 301) << i;
            lastMin = min;
        }
        ASSERT_LE(min, s.TrendTime(1) + 1e-9);
        ASSERT_GE(rig.chart->WindowMax(), s.TrendTime(s.TrendCount()));
    }
    // 1000 samples: the oldest kept moves from second 1 to 901 past the start.
    EXPECT_EQ(jumps, 2);
    EXPECT_EQ(secondsBetween(start, rig.chart->WindowMin()), 602);
}

TEST(TrendChartWindow, RightEdgeGrowsInFiveMinuteJumps)
{
    ChartRig rig;
    rig.window.interval->setValue(1);
    rig.start();
    rig.linkUp();
    const DateTime start = rig.now();
    rig.tick(300);  // exactly at the edge: not past it
    EXPECT_EQ(secondsBetween(start, rig.chart->WindowMax()), 300);
    rig.tick();
    EXPECT_EQ(secondsBetween(start, rig.chart->WindowMax()), 601);
    rig.tick(299);
    EXPECT_EQ(secondsBetween(start, rig.chart->WindowMax()), 601);
    EXPECT_EQ(secondsBetween(start, rig.chart->WindowMin()), 0);
}

TEST(TrendChartWindow, LoweredPointsSettingKeepsTheStoreLengthAndRolls)
{
    ChartRig rig;
    rig.window.interval->setValue(1);
    rig.start();
    rig.linkUp();
    for (int i = 0; i < 1000; ++i) rig.tick();
    ASSERT_EQ(rig.store.TrendCount(), 1000);
    rig.window.points->setValue(100);
    const DateTime second = rig.store.TrendTime(2);
    rig.tick();
    EXPECT_EQ(rig.store.TrendCount(), 1000);
    EXPECT_EQ(rig.store.TrendTime(1), second);
    EXPECT_EQ(secondsBetween(rig.store.TrendTime(1000), rig.now()), 0);
}

TEST(TrendChartSampling, NothingWhileTheLinkIsDownAndTheSaveWaitsForItsTime)
{
    ChartRig rig;
    rig.window.interval->setValue(1);
    rig.start();
    int saves = 0;
    rig.onSave = [&] { ++saves; };
    rig.chart->setRoundDone();
    for (int i = 0; i < 700; ++i) rig.tick();
    EXPECT_EQ(rig.store.TrendCount(), 0);
    EXPECT_EQ(saves, 0) << "no periodic save while the link is down";

    rig.chart->setLinkUp(true);
    rig.tick();
    EXPECT_EQ(saves, 1) << "the save time passed while the link was down";
    EXPECT_EQ(secondsBetween(rig.now(), rig.chart->NextSaveTime()), 600);
    for (int i = 0; i < 599; ++i) rig.tick();
    EXPECT_EQ(saves, 1);
    rig.tick();
    EXPECT_EQ(saves, 2);

    // A disconnect freezes the chart; a reconnect continues with the same store.
    const int held = rig.store.TrendCount();
    rig.chart->setLinkUp(false);
    for (int i = 0; i < 5; ++i) rig.tick();
    EXPECT_EQ(rig.store.TrendCount(), held);
    rig.chart->setLinkUp(true);
    rig.tick();
    EXPECT_EQ(rig.store.TrendCount(), held + 1);
}

TEST(TrendChartSampling, SaveIsAskedForOnlyOnceWhenItFails)
{
    ChartRig rig;
    rig.start();
    rig.linkUp();
    int attempts = 0;
    // A save that reports its failure (in the window) and returns.
    rig.onSave = [&] { ++attempts; };
    rig.clock = rig.clock.addSecs(599);  // the first tick below falls on the save time
    for (int i = 0; i < 30; ++i) rig.tick();
    EXPECT_EQ(attempts, 1);
}

TEST(TrendChartSampling, NewIntervalTakesEffectAfterTheNextSample)
{
    ChartRig rig;
    rig.start();
    rig.linkUp();
    rig.tick();  // sample 1; the next is due 5 s later
    rig.window.interval->setValue(1);
    for (int i = 0; i < 4; ++i) rig.tick();
    EXPECT_EQ(rig.store.TrendCount(), 1);
    rig.tick();
    EXPECT_EQ(rig.store.TrendCount(), 2);
    rig.tick();
    EXPECT_EQ(rig.store.TrendCount(), 3);
}

TEST(TrendChartSampling, ClockSetBackAnHourKeepsSamplingAndSaving)
{
    ChartRig rig;
    rig.start();
    rig.linkUp();
    int saves = 0;
    rig.onSave = [&] { ++saves; };
    rig.tick();
    ASSERT_EQ(rig.store.TrendCount(), 1);
    rig.clock = rig.clock.addSecs(-3600);
    rig.tick();
    EXPECT_EQ(rig.store.TrendCount(), 2) << "sampling goes on from the new time";
    EXPECT_LE(secondsBetween(rig.now(), rig.chart->NextSaveTime()), 600);
    for (int i = 0; i < 600; ++i) rig.tick();
    EXPECT_GE(saves, 1) << "the periodic save is not put off by an hour";
}

// A save that takes its time (a slow disk, or a box waiting for an answer) must not date the
// sample taken after it at the time the save began.
TEST(TrendChartSampling, SampleAfterASlowSaveCarriesItsOwnTime)
{
    ChartRig rig;
    rig.start();
    rig.linkUp();
    rig.onSave = [&] { rig.clock = rig.clock.addSecs(47); };
    rig.clock = rig.clock.addSecs(599);  // the tick below falls on the save time
    rig.tick();
    ASSERT_EQ(rig.store.TrendCount(), 1);
    EXPECT_EQ(secondsBetween(rig.store.TrendTime(1), rig.now()), 0);
}

// Whichever way the computer's clock jumps, the sample after it is in view, in a window that
// starts afresh at it as at start-up: not left of the window, not squeezed into a day.
TEST(TrendChartWindow, ClockJumpsKeepTheNewestSampleInView)
{
    struct Case {
        const char* name;
        int runSeconds;   // sampling before the jump
        int jumpSeconds;
    } cases[] = {
        {"set back an hour soon after the start", 600, -3600},
        {"set back an hour after two hours", 7200, -3600},
        {"forward a day", 600, 86400},
        {"forward an hour (summer time)", 600, 3600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ChartRig rig;
        rig.window.interval->setValue(5);
        rig.start();
        rig.linkUp();
        for (int i = 0; i < c.runSeconds; ++i) rig.tick();
        rig.clock = rig.clock.addSecs(c.jumpSeconds);
        rig.tick();
        const TrendStore& s = rig.store;
        const DateTime newest = s.TrendTime(s.TrendCount());
        ASSERT_EQ(secondsBetween(newest, rig.now()), 0) << "sampling went on";
        EXPECT_EQ(secondsBetween(rig.chart->WindowMin(), newest), 0);
        EXPECT_EQ(secondsBetween(newest, rig.chart->WindowMax()), 300);
    }
}

// A trend file whose times go backwards (the clock was set back while it was written) or whose
// newest line lies in the future gives a window that shows the newest samples, never a
// swapped one, and the first live sample is in view.
TEST(TrendChartLoad, FilesWithTimesGoingBackOrAheadGiveASoundWindow)
{
    ChartRig rig;
    rig.makeChart();
    rig.chart->Setup(rig.now());
    double values[20] = {};
    const DateTime start = rig.now() - 3 * 3600 * Second;
    // An hour of samples, then the clock set back an hour: six more minutes.
    for (int i = 0; i <= 60; ++i) rig.store.AppendLoaded(start + i * 60 * Second, values);
    const DateTime setBack = start + 10 * 60 * Second;
    for (int i = 0; i <= 6; ++i) rig.store.AppendLoaded(setBack + i * 60 * Second, values);
    rig.chart->ShowLoadedSamples();
    EXPECT_EQ(secondsBetween(setBack, rig.chart->WindowMin()), 0);
    EXPECT_EQ(secondsBetween(setBack, rig.chart->WindowMax()), 6 * 60 + 300);

    // A line dated 01.01.75 after them: the first live sample starts the window afresh.
    rig.store.AppendLoaded(ToDateTime(QDateTime(QDate(2075, 1, 1), QTime(0, 0))), values);
    rig.chart->ShowLoadedSamples();
    rig.chart->FinishStartUp(rig.now());
    rig.linkUp();
    rig.tick();
    EXPECT_EQ(secondsBetween(rig.chart->WindowMin(), rig.now()), 0);
    EXPECT_EQ(secondsBetween(rig.now(), rig.chart->WindowMax()), 300);
}

TEST(TrendChartSampling, SilentInstrumentFallsToMinusHundredAtTheNextSample)
{
    ChartRig rig;
    rig.start(2, 1);
    rig.linkUp();
    rig.setRow(1, 7.0f, 25.0f);
    rig.setRow(2, 6.5f, 24.0f);
    rig.tick();
    rig.markSilent(2);
    rig.tick(5);
    const TrendStore& s = rig.store;
    ASSERT_EQ(s.TrendCount(), 2);
    EXPECT_DOUBLE_EQ(s.TrendValue(3, 1), 6.5);
    EXPECT_DOUBLE_EQ(s.TrendValue(3, 2), -100.0);
    EXPECT_DOUBLE_EQ(s.TrendValue(4, 2), -100.0);
    EXPECT_DOUBLE_EQ(s.TrendValue(1, 2), 7.0);
    EXPECT_EQ(rig.chart->SeriesChannel(6), 3) << "the grey curve of row 2 carries the fall";
}

struct LayoutCase {
    int index;
    bool rightAxis;
    bool lists[4];
    bool active[4];
    bool phBackground, tBackground;
};

class TrendChartLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(TrendChartLayout, ShowsItsListsSlotsAndGreyCurves)
{
    const LayoutCase& c = GetParam();
    ChartRig rig;
    rig.start(3, 1);
    rig.window.layout->setCurrentIndex(c.index);
    rig.chart->ApplyLayout();
    EXPECT_EQ(rig.window.chart->yAxis2->visible(), c.rightAxis);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(!rig.window.lists[i]->isHidden(), c.lists[i]) << "list " << i + 2;
        EXPECT_EQ(rig.chart->SeriesActive(i + 1), c.active[i]) << "Series" << i + 1;
    }
    for (int k = 1; k <= 10; ++k) {
        EXPECT_EQ(rig.chart->SeriesActive(4 + k), c.phBackground && k <= 3) << "Series" << 4 + k;
        EXPECT_EQ(rig.chart->SeriesActive(14 + k), c.tBackground && k <= 3) << "Series" << 14 + k;
    }
}

std::string layoutName(const ::testing::TestParamInfo<LayoutCase>& info)
{
    static const char* names[] = {"One", "Two", "Four", "PH", "PHandT"};
    return names[info.param.index];
}

INSTANTIATE_TEST_SUITE_P(Layouts, TrendChartLayout,
                         ::testing::Values(LayoutCase{0, false, {1, 0, 0, 0}, {1, 0, 0, 0}, false, false},
                                           LayoutCase{1, true, {1, 0, 1, 0}, {1, 0, 1, 0}, false, false},
                                           LayoutCase{2, true, {1, 1, 1, 1}, {1, 1, 1, 1}, false, false},
                                           LayoutCase{3, false, {1, 0, 0, 0}, {1, 0, 0, 0}, true, false},
                                           LayoutCase{4, true, {1, 0, 1, 0}, {1, 0, 1, 0}, true, true}),
                         layoutName);

TEST(TrendChartLayoutSwitch, FourShowsTheSlotsKeptCurrentWhileInactive)
{
    ChartRig rig;
    rig.start(3, 1);
    rig.window.layout->setCurrentIndex(0);  // "1"
    rig.chart->ApplyLayout();
    for (int i = 0; i < 4; ++i) {
        const QSignalBlocker block(rig.window.lists[i]);
        rig.window.lists[i]->setCurrentIndex(i % 3);
    }
    rig.linkUp();
    rig.tick();
    rig.window.layout->setCurrentIndex(2);  // "4"
    rig.chart->ApplyLayout();
    EXPECT_EQ(rig.chart->SeriesChannel(2), 3);
    EXPECT_EQ(rig.chart->SeriesChannel(3), 6);
    EXPECT_EQ(rig.chart->SeriesChannel(4), 2);
    EXPECT_EQ(rig.chart->SeriesPointCount(4), 1);
    for (int n = 5; n <= 24; ++n) EXPECT_FALSE(rig.chart->SeriesActive(n)) << n;
}

TEST(TrendChartLists, RebuildKeepsSelectionsThatStillExistAndRaisesNoEvents)
{
    ChartRig rig;
    rig.start(3, 11);
    EXPECT_EQ(items(rig.window.lists[1]), (QStringList{"pH.11", "pH.12", "pH.13"}));
    EXPECT_EQ(items(rig.window.lists[2]), (QStringList{"T.11", "T.12", "T.13"}));
    EXPECT_EQ(rig.window.lists[2]->currentText(), "T.13");
    EXPECT_EQ(rig.window.lists[3]->currentIndex(), -1);
    EXPECT_EQ(rig.chart->ChartSlotDevice(4), 3);

    int events = 0;
    for (QComboBox* box : rig.window.lists)
        QObject::connect(box, &QComboBox::currentIndexChanged, [&] { ++events; });
    rig.chart->setRange({5, 2});
    rig.chart->ApplyChartSetup();
    EXPECT_EQ(events, 0);
    EXPECT_EQ(items(rig.window.lists[0]), (QStringList{"pH.5", "pH.6"}));
    EXPECT_EQ(rig.window.lists[0]->currentIndex(), 0);
    EXPECT_EQ(rig.window.lists[1]->currentIndex(), 1);
    EXPECT_EQ(rig.window.lists[2]->currentIndex(), -1) << "index 2 no longer exists";
    EXPECT_EQ(rig.chart->ChartSlotDevice(3), 2);
}

TEST(TrendChartScales, NormReadsCellsBackWithDefaultsForBadCells)
{
    ChartRig rig;
    rig.start();
    rig.window.norm->setChecked(true);
    rig.chart->EditScales();
    EXPECT_FALSE(rig.window.grid->isHidden());
    const char* shown[2][3] = {{"0", "10", "2"}, {"0", "50", "10"}};
    for (int row = 1; row <= 2; ++row)
        for (int col = 1; col <= 3; ++col)
            EXPECT_EQ(rig.window.grid->item(row, col)->text(), shown[row - 1][col - 1]);
    rig.window.grid->item(1, 2)->setText("12");
    rig.window.grid->item(2, 1)->setText("abc");
    rig.window.grid->item(2, 3)->setText("  +5");
    rig.window.norm->setChecked(false);
    rig.chart->EditScales();
    EXPECT_TRUE(rig.window.grid->isHidden());
    EXPECT_EQ(rig.chart->Scales().PhScaleMax, 12);
    EXPECT_EQ(rig.chart->Scales().TScaleMin, 0);
    EXPECT_EQ(rig.chart->Scales().TScaleStep, 5);
    EXPECT_EQ(rig.window.chart->yAxis->range(), QCPRange(0, 12));
    EXPECT_EQ(rig.window.chart->yAxis2->range(), QCPRange(0, 50));
}

struct BadScale {
    const char* cells[3];  // min, max, step of the pH row
};

class TrendChartBadScale : public ::testing::TestWithParam<BadScale> {};

TEST_P(TrendChartBadScale, KeepsThePreviousScaleAndTheChartWorking)
{
    ChartRig rig;
    rig.start();
    rig.linkUp();
    rig.window.norm->setChecked(true);
    rig.chart->EditScales();
    for (int col = 1; col <= 3; ++col) rig.window.grid->item(1, col)->setText(GetParam().cells[col - 1]);
    rig.window.grid->item(2, 2)->setText("40");  // the other axis' edit is taken
    rig.window.norm->setChecked(false);
    rig.chart->EditScales();
    EXPECT_EQ(rig.chart->Scales().PhScaleMin, 0);
    EXPECT_EQ(rig.chart->Scales().PhScaleMax, 10);
    EXPECT_EQ(rig.chart->Scales().PhScaleStep, 2);
    EXPECT_EQ(rig.window.chart->yAxis->range(), QCPRange(0, 10));
    EXPECT_EQ(rig.window.chart->yAxis2->range(), QCPRange(0, 40));
    for (int i = 0; i < 12; ++i) rig.tick();
    EXPECT_EQ(rig.store.TrendCount(), 3);
}

std::string badScaleName(const ::testing::TestParamInfo<BadScale>& info)
{
    static const char* names[] = {"MaxEqualsMin", "MaxBelowMin", "ZeroStep", "NegativeStep"};
    return names[info.index];
}

INSTANTIATE_TEST_SUITE_P(Cells, TrendChartBadScale,
                         ::testing::Values(BadScale{{"5", "5", "1"}}, BadScale{{"8", "2", "1"}},
                                           BadScale{{"0", "10", "0"}}, BadScale{{"0", "10", "-2"}}),
                         badScaleName);

TEST(TrendChartScales, UnsoundSavedScaleLeavesTheAxisAsItWas)
{
    ChartRig rig;
    rig.start();
    rig.linkUp();
    ChartScales scales = rig.chart->Scales();
    scales.TScaleMin = 60;  // as if read from a hand-edited it.cfg
    scales.TScaleMax = 20;
    scales.TScaleStep = 0;
    rig.chart->setScales(scales);
    rig.chart->ApplyChartSetup();
    EXPECT_EQ(rig.window.chart->yAxis2->range(), QCPRange(0, 50));
    rig.tick();
    EXPECT_EQ(rig.store.TrendCount(), 1);
    EXPECT_FALSE(rig.grab().isNull());
}

struct LabelCase {
    bool date, time;
    const char* format;
    const char* label;
};

class TrendChartLabels : public ::testing::TestWithParam<LabelCase> {};

TEST_P(TrendChartLabels, FollowDateAndTimeBoxes)
{
    ChartRig rig;
    rig.start();
    rig.window.date->setChecked(GetParam().date);
    rig.window.time->setChecked(GetParam().time);
    rig.chart->ApplyTimeLabels();
    EXPECT_EQ(rig.chart->TimeLabelFormat(), GetParam().format);
    const DateTime t = ToDateTime(QDateTime(QDate(2026, 12, 6), QTime(14, 5, 0)));
    EXPECT_EQ(rig.chart->TimeLabel(t), GetParam().label);
}

std::string labelName(const ::testing::TestParamInfo<LabelCase>& info)
{
    static const char* names[] = {"DateAndTime", "TimeOnly", "DateOnly", "Neither"};
    return names[info.index];
}

INSTANTIATE_TEST_SUITE_P(Boxes, TrendChartLabels,
                         ::testing::Values(LabelCase{true, true, "dd.mm hh:mm", "06.12 14:05"},
                                           LabelCase{false, true, " hh:mm", " 14:05"},
                                           LabelCase{true, false, "dd.mm", "06.12"},
                                           LabelCase{false, false, "", "14:05:00\n06.12.26"}),
                         labelName);

TEST(TrendChartLabels, MinuteStepWidensWhenLabelsWouldOverlap)
{
    ChartRig rig;
    rig.start();
    rig.show();
    rig.chart->Redraw();
    const QSharedPointer<QCPAxisTicker> ticker = rig.window.chart->xAxis->ticker();
    auto* time = dynamic_cast<TrendTimeTicker*>(ticker.data());
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(time->stepFor(300), 60) << "five minutes fit at one label a minute";
    EXPECT_GT(time->stepFor(3 * 3600), 60);
    // The ticks of a three-hour window stay at least a label apart.
    const double step = time->stepFor(3 * 3600);
    const int axis = rig.window.chart->axisRect()->width();
    const int label = QFontMetrics(rig.window.chart->xAxis->tickLabelFont()).horizontalAdvance(" 14:05");
    EXPECT_GE(axis * step / (3 * 3600), label);
}

TEST(TrendChartClear, EmptiesEverythingAndSamplingGoesOnInAFreshWindow)
{
    ChartRig rig;
    rig.window.interval->setValue(1);
    rig.start();
    rig.linkUp();
    for (int i = 0; i < 400; ++i) rig.tick();
    ASSERT_EQ(rig.chart->SeriesPointCount(1), 400);
    rig.chart->ClearChart();
    EXPECT_EQ(rig.store.TrendCount(), 0);
    for (int n = 1; n <= 24; ++n) EXPECT_EQ(rig.chart->SeriesPointCount(n), 0) << n;
    EXPECT_EQ(secondsBetween(rig.now(), rig.chart->WindowMin()), 0);
    EXPECT_EQ(secondsBetween(rig.now(), rig.chart->WindowMax()), 300);
    rig.tick();
    EXPECT_EQ(rig.store.TrendCount(), 1);
    EXPECT_EQ(rig.chart->SeriesPointCount(1), 1);
}

TEST(TrendChartFocus, MemoTakesTheFocusOnTheFirstTickAnd101TicksAfterAUserAction)
{
    ChartRig rig;
    rig.start(2, 1);
    rig.show();
    QWidget* other = rig.window.lists[0];
    other->setFocus();
    ASSERT_EQ(rig.window.top.focusWidget(), other);
    rig.tick();
    EXPECT_EQ(rig.window.top.focusWidget(), rig.window.memo) << "first tick after start-up";

    // User actions count once a sample has been taken.
    rig.linkUp();
    rig.tick();
    ASSERT_EQ(rig.store.TrendCount(), 1);
    rig.chart->setLinkUp(false);  // the count runs with the link down as well
    for (int i = 0; i < 40; ++i) rig.tick();
    other->setFocus();
    rig.window.lists[0]->setCurrentIndex(1);
    rig.chart->SelectSlot(1);
    for (int i = 0; i < 100; ++i) rig.tick();
    EXPECT_EQ(rig.window.top.focusWidget(), other) << "100 ticks after the action";
    rig.tick();
    EXPECT_EQ(rig.window.top.focusWidget(), rig.window.memo) << "the 101st tick";
}

TEST(TrendChartLoad, LoadedSamplesSetTheWindowAndTheSavedSlots)
{
    ChartRig rig;
    rig.makeChart();
    rig.chart->setRange({1, 3});
    rig.chart->Setup(rig.now());
    rig.chart->setChartSlotDevice(1, 2);
    rig.chart->setChartSlotDevice(2, 0);
    rig.chart->setChartSlotDevice(3, 1);
    rig.chart->setChartSlotDevice(4, 7);  // row 8, as saved with ten instruments
    double values[20];
    const DateTime first = rig.now() - 3600 * Second;
    for (int i = 0; i < 3; ++i) {
        for (int ch = 0; ch < 20; ++ch) values[ch] = ch + i;
        rig.store.AppendLoaded(first + i * 60 * Second, values);
    }
    rig.chart->ShowLoadedSamples();
    EXPECT_EQ(rig.chart->WindowMin(), first);
    EXPECT_EQ(secondsBetween(first, rig.chart->WindowMax()), 120 + 300);
    EXPECT_EQ(rig.chart->SeriesChannel(1), 5);
    EXPECT_EQ(rig.chart->SeriesChannel(2), 1);
    EXPECT_EQ(rig.chart->SeriesChannel(3), 4);
    EXPECT_EQ(rig.chart->SeriesPointCount(3), 3);
    // The refill of slot 1 rebuilt the lists before slot 4's turn: row 8 does not exist with
    // three instruments, so slot 4 stays empty.
    EXPECT_EQ(rig.chart->SeriesChannel(4), 0);
    rig.chart->FinishStartUp(rig.now());
    EXPECT_EQ(rig.window.lists[0]->currentText(), "pH.3");
    EXPECT_EQ(rig.window.lists[3]->currentIndex(), -1);
    EXPECT_EQ(rig.chart->WindowMin(), first) << "start-up leaves the loaded window";
}

// The drawn chart: colours at the heights their values give.
int countColour(const QImage& image, const QRect& area, QRgb colour)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) n += (image.pixel(x, y) & 0xffffff) == (colour & 0xffffff);
    return n;
}

TEST(TrendChartPicture, RedCurveAtRowTwosHeightAndNoGreyForIt)
{
    ChartRig rig;
    rig.window.interval->setValue(1);
    rig.start(3, 1);
    rig.show();
    rig.window.layout->setCurrentIndex(3);  // "pH"
    rig.window.lists[0]->setCurrentIndex(1);
    rig.chart->ApplyLayout();
    rig.chart->SelectSlot(1);
    rig.linkUp();
    rig.setRow(1, 3.0f, 20.0f);
    rig.setRow(2, 6.0f, 21.0f);
    rig.setRow(3, 8.0f, 22.0f);
    for (int i = 0; i < 120; ++i) rig.tick();
    EXPECT_EQ(rig.chart->SeriesChannel(1), 3);
    EXPECT_EQ(rig.chart->SeriesChannel(5), 1);
    EXPECT_EQ(rig.chart->SeriesChannel(6), 0);
    EXPECT_EQ(rig.chart->SeriesChannel(7), 5);
    for (int n = 8; n <= 14; ++n) EXPECT_FALSE(rig.chart->SeriesActive(n));
    EXPECT_FALSE(rig.window.chart->yAxis2->visible());

    const QImage image = rig.grab();
    QCustomPlot* c = rig.window.chart;
    const QRect area = c->axisRect()->rect();
    const int x = int(c->xAxis->coordToPixel(ChartKey(rig.store.TrendTime(60))));
    const auto rowAt = [&](double pH) { return int(std::lround(c->yAxis->coordToPixel(pH))); };
    const auto colourAt = [&](double pH) { return image.pixel(x, rowAt(pH)) & 0xffffff; };
    EXPECT_EQ(colourAt(6.0), 0xff0000u) << "red at pH 6";
    EXPECT_EQ(colourAt(3.0), 0x707070u) << "row 1's grey (112) at pH 3";
    EXPECT_EQ(colourAt(8.0), 0x6c6c6cu) << "row 3's grey (108) at pH 8";
    EXPECT_EQ(countColour(image, area, qRgb(110, 110, 110)), 0) << "row 2 is not drawn in grey";
    // The red line is three pixels thick around its height.
    int red = 0;
    for (int y = rowAt(6.0) - 6; y <= rowAt(6.0) + 6; ++y) red += (image.pixel(x, y) & 0xffffff) == 0xff0000u;
    EXPECT_GE(red, 3);
    EXPECT_LE(red, 6);
    // Nothing red far from the curve (the lists on the chart's top edge left aside).
    EXPECT_EQ(countColour(image, QRect(area.left() + 400, rowAt(9.0), area.width() - 400, 3), qRgb(255, 0, 0)), 0);
}

TEST(TrendChartPicture, FirstRunDrawsAbsentRowsAtZeroInGrey)
{
    ChartRig rig;
    rig.window.interval->setValue(1);
    rig.start(1, 1);
    rig.show();
    rig.linkUp();
    rig.setRow(1, 7.0f, 25.0f);
    for (int i = 0; i < 60; ++i) rig.tick();
    const QImage image = rig.grab();
    QCustomPlot* c = rig.window.chart;
    const int x = int(c->xAxis->coordToPixel(ChartKey(rig.store.TrendTime(30))));
    const int zero = int(std::lround(c->yAxis->coordToPixel(0)));
    // The grey curves of rows 2..10 and the temperature rows sit on the zero line; the last
    // drawn (Series24, grey 74) covers the others there.
    EXPECT_EQ(image.pixel(x, zero - 1) & 0xffffff, 0x4a4a4au);
    EXPECT_EQ(image.pixel(x, int(std::lround(c->yAxis->coordToPixel(7.0)))) & 0xffffff, 0xff0000u);
    // Row 1's temperature: 25 on the 0..50 axis, grey 92.
    EXPECT_EQ(image.pixel(x, int(std::lround(c->yAxis2->coordToPixel(25.0)))) & 0xffffff, 0x5c5c5cu);
}

// Every slot curve twinned by a grey curve at the same value: the colour must stay on top, and
// the fast drawing must agree with the point-by-point one on that order.
class TrendChartSlotsOnTop : public ::testing::TestWithParam<int> {};

TEST_P(TrendChartSlotsOnTop, SlotCurvesStayVisibleOverGreyCurvesAtTheSameValue)
{
    ChartRig rig;
    rig.window.interval->setValue(1);
    rig.start(4, 1);
    rig.show();
    const int picks[4] = {0, 1, 0, 1};  // pH.1, pH.2, T.1, T.2
    for (int i = 0; i < 4; ++i) {
        const QSignalBlocker block(rig.window.lists[i]);
        rig.window.lists[i]->setCurrentIndex(picks[i]);
    }
    rig.window.layout->setCurrentIndex(GetParam());
    rig.chart->ApplyLayout();
    rig.linkUp();
    // Rows 3 and 4 repeat rows 1 and 2; with no layout chosen the slot's own row is grey too.
    rig.setRow(1, 6.0f, 23.5f);
    rig.setRow(2, 3.0f, 35.0f);
    rig.setRow(3, 6.0f, 23.5f);
    rig.setRow(4, 3.0f, 35.0f);
    for (int i = 0; i < 60; ++i) rig.tick();

    const QImage image = rig.grab();
    QCustomPlot* c = rig.window.chart;
    const int x = int(c->xAxis->coordToPixel(ChartKey(rig.store.TrendTime(30))));
    const double values[4] = {6.0, 3.0, 23.5, 35.0};
    const QRgb colours[4] = {0xff0000u, 0x008000u, 0x0000ffu, 0x800000u};
    int shown = 0;
    for (int slot = 1; slot <= 4; ++slot) {
        if (!rig.chart->SeriesActive(slot)) continue;
        ++shown;
        QCPAxis* axis = slot <= 2 ? c->yAxis : c->yAxis2;
        const int y = int(std::lround(axis->coordToPixel(values[slot - 1])));
        EXPECT_EQ(image.pixel(x, y) & 0xffffffu, colours[slot - 1]) << "Series" << slot;
    }
    EXPECT_GE(shown, 1);
    EXPECT_TRUE(rig.chart->Plot()->currentImage() == rig.chart->Plot()->referenceImage());
}

// -1: the first run's state with no layout chosen, all 24 series active.
INSTANTIATE_TEST_SUITE_P(Layouts, TrendChartSlotsOnTop, ::testing::Values(-1, 0, 1, 2, 3, 4));

// Where a gesture begins, relative to the plot area.
enum class Spot { Area, LeftAxis, RightAxis, BottomAxis };

struct GestureCase {
    const char* name;
    Spot spot;
    bool drag;  // otherwise the wheel
    Qt::KeyboardModifiers modifiers;
    bool time, left, right;  // the axes that move
};

class TrendChartGesture : public ::testing::TestWithParam<GestureCase> {};

TEST_P(TrendChartGesture, MovesTheAxesItBeganOnAndNeverTheRulesWindow)
{
    const GestureCase& g = GetParam();
    ChartRig rig;
    rig.start();
    rig.show();
    rig.grab();
    QCustomPlot* c = rig.window.chart;
    const QRect area = c->axisRect()->rect();
    const QPointF centre = area.center();
    const QPointF at = g.spot == Spot::Area       ? centre
                       : g.spot == Spot::LeftAxis ? QPointF(area.left() - 15, centre.y())
                       : g.spot == Spot::RightAxis ? QPointF(area.right() + 15, centre.y())
                                                   : QPointF(centre.x(), area.bottom() + 12);
    const QCPRange time = c->xAxis->range(), left = c->yAxis->range(), right = c->yAxis2->range();
    const DateTime min = rig.chart->WindowMin(), max = rig.chart->WindowMax();
    if (g.drag) rig.window.drag(at, at + QPointF(-120, -80), g.modifiers);
    else rig.window.wheel(at, 2, g.modifiers);
    EXPECT_EQ(c->xAxis->range() != time, g.time);
    EXPECT_EQ(c->yAxis->range() != left, g.left);
    EXPECT_EQ(c->yAxis2->range() != right, g.right);
    EXPECT_EQ(rig.chart->Zoomed(), g.time);
    EXPECT_EQ(rig.chart->WindowMin(), min);
    EXPECT_EQ(rig.chart->WindowMax(), max);
}

INSTANTIATE_TEST_SUITE_P(
    Gestures, TrendChartGesture,
    ::testing::Values(GestureCase{"WheelInThePlot", Spot::Area, false, Qt::NoModifier, true, false, false},
                      GestureCase{"CtrlWheelInThePlot", Spot::Area, false, Qt::ControlModifier, false, true, true},
                      GestureCase{"WheelOverTheLeftAxis", Spot::LeftAxis, false, Qt::NoModifier, false, true, false},
                      GestureCase{"WheelOverTheRightAxis", Spot::RightAxis, false, Qt::NoModifier, false, false, true},
                      GestureCase{"WheelOverTheTimeAxis", Spot::BottomAxis, false, Qt::NoModifier, true, false, false},
                      GestureCase{"DragInThePlot", Spot::Area, true, Qt::NoModifier, true, false, false},
                      GestureCase{"CtrlDragInThePlot", Spot::Area, true, Qt::ControlModifier, false, true, true},
                      GestureCase{"DragOnTheLeftAxis", Spot::LeftAxis, true, Qt::NoModifier, false, true, false}),
    [](const ::testing::TestParamInfo<GestureCase>& info) { return std::string(info.param.name); });

TEST(TrendChartZoom, ZoomedWindowStaysWhileSamplesComeAndADoubleClickReturnsToTheRulesWindow)
{
    ChartRig rig;
    rig.window.interval->setValue(1);
    rig.start();
    rig.show();
    rig.linkUp();
    rig.setRow(1, 7.0f, 25.0f);
    const DateTime start = rig.now();
    for (int i = 0; i < 100; ++i) rig.tick();
    QCustomPlot* c = rig.window.chart;
    const QPointF centre = c->axisRect()->rect().center();
    rig.window.wheel(centre, 3);
    rig.window.wheel(centre, 2, Qt::ControlModifier);
    const QCPRange zoomed = c->xAxis->range();
    ASSERT_LT(zoomed.size(), 300.0);
    ASSERT_NE(c->yAxis->range(), QCPRange(0, 10));

    // The rules move their window at their moments; the operator's stays. The value scales come
    // back with the next sample.
    for (int i = 0; i < 400; ++i) rig.tick();
    EXPECT_EQ(secondsBetween(start, rig.chart->WindowMax()), 601);
    EXPECT_EQ(c->xAxis->range(), zoomed);
    EXPECT_EQ(c->yAxis->range(), QCPRange(0, 10));
    EXPECT_EQ(rig.store.TrendCount(), 500);

    rig.window.doubleClick(centre);
    EXPECT_FALSE(rig.chart->Zoomed());
    EXPECT_EQ(secondsBetween(start, FromChartKey(c->xAxis->range().lower)), 0);
    EXPECT_EQ(secondsBetween(start, FromChartKey(c->xAxis->range().upper)), 601);
    rig.tick(200);  // the shown window follows the rules again
    EXPECT_EQ(secondsBetween(start, FromChartKey(c->xAxis->range().upper)), 1000);

    // Clearing shows its fresh window even when zoomed.
    rig.window.wheel(centre, 3);
    rig.chart->ClearChart();
    EXPECT_FALSE(rig.chart->Zoomed());
    EXPECT_EQ(secondsBetween(rig.now(), FromChartKey(c->xAxis->range().lower)), 0);
    EXPECT_EQ(secondsBetween(rig.now(), FromChartKey(c->xAxis->range().upper)), 300);
}

TEST(TrendChartZoom, WheelStopsAtATwoMinuteWindowAndAtAMillionOnTheValueAxes)
{
    ChartRig rig;
    rig.start();
    rig.show();
    rig.grab();
    QCustomPlot* c = rig.window.chart;
    const QRect area = c->axisRect()->rect();
    const QPointF at(area.left() + area.width() / 4, area.top() + area.height() / 4);
    const double timeThere = c->xAxis->pixelToCoord(at.x()), pHThere = c->yAxis->pixelToCoord(at.y());
    // One notch at a time, as a wheel turns. The limit holds around the pointer: what lay under
    // it still does (measured before wider value labels move the plot area's edge).
    for (int notch = 0; notch < 60; ++notch) rig.window.wheel(at, 1);
    EXPECT_NEAR(c->xAxis->range().size(), 120.0, 1e-6);
    EXPECT_NEAR(c->xAxis->pixelToCoord(at.x()), timeThere, 1e-3);
    for (int notch = 0; notch < 100; ++notch) rig.window.wheel(at, -1, Qt::ControlModifier);
    EXPECT_NEAR(c->yAxis->pixelToCoord(at.y()), pHThere, 1e-3);
    EXPECT_NEAR(c->yAxis->range().size(), 1e6, 1e-3);
    EXPECT_NEAR(c->yAxis2->range().size(), 1e6, 1e-3);
}

// A key typed at the focused chart, and what it does to the axes.
struct KeyCase {
    const char* name;
    int key;
    Qt::KeyboardModifiers modifiers;
    int span;    // the time axis: -1 narrower, 1 wider, 0 as it was
    int moved;   // the time axis's middle: -1 earlier, 1 later, 0 where it was
    bool values; // the value axes changed
};

class TrendChartKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(TrendChartKeys, MoveTheAxesAndHomeBringsBackTheRulesWindow)
{
    const KeyCase& k = GetParam();
    ChartRig rig;
    rig.start();
    rig.show();
    rig.grab();
    QCustomPlot* c = rig.window.chart;
    FocusOn(c);
    ASSERT_TRUE(c->hasFocus()) << "Tab and a click give the chart the focus";
    const QCPRange time = c->xAxis->range(), left = c->yAxis->range(), right = c->yAxis2->range();
    const DateTime min = rig.chart->WindowMin(), max = rig.chart->WindowMax();

    TypeKey(k.key, k.modifiers);
    const QCPRange now = c->xAxis->range();
    const auto sign = [](double d) { return std::fabs(d) < 1e-6 ? 0 : d < 0 ? -1 : 1; };
    EXPECT_EQ(sign(now.size() - time.size()), k.span);
    EXPECT_EQ(sign(now.center() - time.center()), k.moved);
    EXPECT_EQ(c->yAxis->range() != left || c->yAxis2->range() != right, k.values);
    EXPECT_EQ(rig.chart->Zoomed(), k.span != 0 || k.moved != 0);
    EXPECT_EQ(rig.chart->WindowMin(), min);
    EXPECT_EQ(rig.chart->WindowMax(), max);

    TypeKey(Qt::Key_Home);
    EXPECT_FALSE(rig.chart->Zoomed());
    EXPECT_EQ(c->xAxis->range(), time);
    EXPECT_EQ(c->yAxis->range(), left);
    EXPECT_EQ(c->yAxis2->range(), right);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, TrendChartKeys,
    ::testing::Values(KeyCase{"Plus", Qt::Key_Plus, Qt::ShiftModifier, -1, 0, false},
                      KeyCase{"KeypadPlus", Qt::Key_Plus, Qt::KeypadModifier, -1, 0, false},
                      KeyCase{"Minus", Qt::Key_Minus, Qt::NoModifier, 1, 0, false},
                      KeyCase{"Left", Qt::Key_Left, Qt::NoModifier, 0, -1, false},
                      KeyCase{"Right", Qt::Key_Right, Qt::NoModifier, 0, 1, false},
                      KeyCase{"CtrlPlus", Qt::Key_Plus, Qt::ControlModifier, 0, 0, true},
                      KeyCase{"Up", Qt::Key_Up, Qt::NoModifier, 0, 0, true},
                      KeyCase{"AltLeftIsNotTheCharts", Qt::Key_Left, Qt::AltModifier, 0, 0, false}),
    [](const ::testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

TEST(TrendChartKeys, ShiftF10AndTheMenuKeyOpenTheChartsMenu)
{
    ChartRig rig;
    rig.start();
    QCustomPlot* c = rig.window.chart;
    TrendChartMenu::of(c)->addItem(QStringLiteral("Вести журнал"));
    QMenu* menu = c->findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        bool opens;
    } keys[] = {{Qt::Key_F10, Qt::ShiftModifier, true}, {Qt::Key_Menu, Qt::NoModifier, true},
                {Qt::Key_F10, Qt::NoModifier, false}};
    for (const auto& k : keys) {
        SCOPED_TRACE(k.key);
        FocusOn(c);
        TypeKey(k.key, k.modifiers);
        EXPECT_EQ(menu->isVisible(), k.opens);
        // Over the plot, where the keys work.
        if (k.opens) {
            EXPECT_TRUE(QRect(c->mapToGlobal(QPoint()), c->size()).contains(menu->pos()));
        }
        menu->hide();
    }
    // Not from a list lying on the chart: its keys are its own.
    FocusOn(rig.window.lists[0]);
    TypeKey(Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_FALSE(menu->isVisible());
}

// What opens over the chart while the readout shows.
enum class Opener { ChartMenu, SlotList, Box };

class TrendChartReadoutCovered : public ::testing::TestWithParam<Opener> {};

TEST_P(TrendChartReadoutCovered, HidesWhileAMenuListOrBoxIsOpenAndUntilThePointerMovesAgain)
{
    ChartRig rig;
    rig.window.interval->setValue(1);
    rig.start();
    rig.show();
    rig.linkUp();
    rig.setRow(1, 7.0f, 25.0f);
    for (int i = 0; i < 30; ++i) rig.tick();
    rig.grab();
    QCustomPlot* c = rig.window.chart;
    CursorReadout* readout = rig.chart->Readout();
    const QPoint at(int(c->xAxis->coordToPixel(ChartKey(rig.store.TrendTime(10)))), c->axisRect()->rect().center().y());
    QCursor::setPos(c->mapToGlobal(at));
    rig.window.pointAt(at);
    ASSERT_TRUE(readout->isShown());

    TrendChartMenu::of(c)->addItem(QStringLiteral("Вести журнал"));
    QMessageBox box(QMessageBox::Warning, QString(), QStringLiteral("Файл ports.cfg прочитан не весь"));
    QWidget* opened = nullptr;
    switch (GetParam()) {
    case Opener::ChartMenu: {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, c->mapToGlobal(at));
        QCoreApplication::sendEvent(c, &event);
        opened = c->findChild<QMenu*>();
        break;
    }
    case Opener::SlotList:
        rig.window.lists[0]->showPopup();
        opened = rig.window.lists[0]->view()->window();
        break;
    case Opener::Box:
        box.show();
        opened = &box;
        break;
    }
    ASSERT_TRUE(opened && opened->isVisible());
    EXPECT_FALSE(readout->isShown()) << "hidden by the time it shows";
    opened->hide();

    // A new sample under the resting pointer, and the move made up for it: still hidden.
    rig.tick();
    rig.window.pointAt(at);
    EXPECT_FALSE(readout->isShown());
    // The operator moves the mouse.
    QCursor::setPos(c->mapToGlobal(at + QPoint(1, 0)));
    rig.window.pointAt(at + QPoint(1, 0));
    EXPECT_TRUE(readout->isShown());
}

INSTANTIATE_TEST_SUITE_P(Openers, TrendChartReadoutCovered,
                         ::testing::Values(Opener::ChartMenu, Opener::SlotList, Opener::Box),
                         [](const ::testing::TestParamInfo<Opener>& info) {
                             return std::string(info.param == Opener::ChartMenu ? "ChartMenu"
                                                : info.param == Opener::SlotList ? "SlotList"
                                                                                 : "Box");
                         });

TEST(TrendChartReadout, ShowsTheSampleUnderThePointerAndNothingElsewhere)
{
    ChartRig rig;
    rig.window.interval->setValue(1);
    rig.start(3, 1);
    rig.show();
    rig.window.layout->setCurrentIndex(1);  // "2": red and blue
    rig.window.lists[0]->setCurrentIndex(1);
    rig.window.lists[2]->setCurrentIndex(2);
    rig.chart->ApplyLayout();
    rig.chart->SelectSlot(1);
    rig.chart->SelectSlot(3);
    rig.linkUp();
    rig.setRow(2, 7.01f, 24.0f);
    rig.setRow(3, 6.0f, 23.5f);
    for (int i = 0; i < 30; ++i) rig.tick();
    rig.markSilent(3);
    for (int i = 0; i < 10; ++i) rig.tick();
    rig.grab();

    QCustomPlot* c = rig.window.chart;
    CursorReadout* readout = rig.chart->Readout();
    const auto column = [&](int sample) { return c->xAxis->coordToPixel(ChartKey(rig.store.TrendTime(sample))); };
    const double y = c->axisRect()->rect().center().y();

    rig.window.pointAt(QPointF(column(10) + 1, y));
    EXPECT_TRUE(readout->isShown());
    EXPECT_EQ(readout->sample(), 10);
    EXPECT_EQ(readout->text(), "06.12.26  14:00:10\npH.2  7.01\nT.3  23.5");
    rig.window.pointAt(QPointF(column(35), y));
    EXPECT_EQ(readout->text(), "06.12.26  14:00:35\npH.2  7.01\nT.3  нет ответа");

    // Past the last sample, below the plot area, after leaving: nothing.
    // The next sample comes after a pause of 20 seconds, well clear of the last one.
    const QPointF next(c->xAxis->coordToPixel(ChartKey(rig.now() + 20 * Second)), y);
    rig.window.pointAt(QPointF(column(40) + CursorReadout::Snap + 2, y));
    EXPECT_FALSE(readout->isShown());
    rig.window.pointAt(QPointF(column(10), c->axisRect()->rect().bottom() + 10));
    EXPECT_FALSE(readout->isShown());
    rig.window.pointAt(QPointF(column(10), y));
    rig.window.leave();
    EXPECT_FALSE(readout->isShown());

    // A resting pointer shows the sample that arrives under it.
    rig.window.pointAt(next);
    EXPECT_FALSE(readout->isShown());
    rig.tick(20);
    EXPECT_TRUE(readout->isShown());
    EXPECT_EQ(readout->sample(), 41);
}

TEST(TrendChartReadout, ValuesReadAsTheLiveTableWritesThemWhateverTheFileHeld)
{
    const struct {
        double value;
        bool temperature;
        const char* text;
    } cases[] = {{7.01f, false, "7.01"}, {-0.05, false, "-0.05"}, {23.5f, true, "23.5"}, {0.0, true, "0.0"},
                 {-100.0, false, "нет ответа"}, {1e300, true, "1e+300"}, {std::nan(""), false, "nan"}};
    for (const auto& c : cases) EXPECT_EQ(CursorReadout::valueText(c.value, c.temperature), QString::fromUtf8(c.text)) << c.text;
}

}  // namespace
