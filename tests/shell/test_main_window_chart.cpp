// The trend chart as it appears in the main window right after start-up.
#include "ChartTime.h"
#include "DateTimeText.h"
#include "QM4700_mp.h"

#include <QApplication>
#include <qcustomplot.h>

#include <gtest/gtest.h>

namespace {

class MainWindowChart : public ::testing::Test {
protected:
    void SetUp() override
    {
        qm::SetClock([] { return QDateTime(QDate(2026, 12, 6), QTime(14, 5, 30)); });
    }
    void TearDown() override { qm::SetClock({}); }
};

TEST_F(MainWindowChart, TimeAxisIsLabelledEveryMinuteOnceShown)
{
    // The chart is set up before the window has its size; the labels must still come out one a
    // minute over the first five minutes, not vanish for want of room.
    TForm1 form;
    form.show();
    QApplication::processEvents();
    auto* chart = form.findChild<QCustomPlot*>(QStringLiteral("Chart1"));
    ASSERT_NE(chart, nullptr);
    chart->replot();

    EXPECT_DOUBLE_EQ(qm::FromChartKey(chart->xAxis->range().lower), qm::NowDateTime());
    const QVector<QString> labels = chart->xAxis->tickVectorLabels();
    const QVector<double> ticks = chart->xAxis->tickVector();
    ASSERT_GE(labels.size(), 5);
    EXPECT_TRUE(labels.contains(QStringLiteral(" 14:06")));
    EXPECT_TRUE(labels.contains(QStringLiteral(" 14:10")));
    for (int i = 1; i < ticks.size(); ++i) EXPECT_DOUBLE_EQ(ticks[i] - ticks[i - 1], 60.0);
}

TEST_F(MainWindowChart, FirstRunKeepsOnlyTheFirstSlotWithOneInstrument)
{
    TForm1 form;
    auto* slot1 = form.findChild<QComboBox*>(QStringLiteral("ComboBox2"));
    auto* slot3 = form.findChild<QComboBox*>(QStringLiteral("ComboBox4"));
    ASSERT_NE(slot1, nullptr);
    ASSERT_NE(slot3, nullptr);
    EXPECT_EQ(slot1->currentText(), QStringLiteral("pH.1"));
    EXPECT_EQ(slot3->currentIndex(), -1);
    EXPECT_EQ(slot3->count(), 1);
    EXPECT_EQ(slot3->itemText(0), QStringLiteral("T.1"));
}

}  // namespace
