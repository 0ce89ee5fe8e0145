// Alarms as the operator sees and hears them: the live table's marks (seen, and read by a screen
// reader), the slot curves' limit lines on the chart, the limits dialog's checks, and the alarm
// window by keyboard alone.
#include "AlarmLimitsDialog.h"
#include "AlarmWindow.h"
#include "LiveTable.h"
#include "QStringPrint.h"
#include "test_trend_rig.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;

namespace {

const QDateTime At(QDate(2026, 12, 7), QTime(14, 0, 0));

AlarmChange change(int address, AlarmCondition condition, AlarmState state, std::optional<double> limit = std::nullopt)
{
    AlarmChange c;
    c.time = At;
    c.address = address;
    c.condition = condition;
    c.state = state;
    c.limit = limit;
    return c;
}

int countPixels(const QImage& image, const QRect& rect, QRgb colour)
{
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) n += image.pixel(x, y) == colour ? 1 : 0;
    return n;
}

TEST(AlarmMarks, ACellInAlarmIsTintedAndMarkedAndSaysSo)
{
    LiveTable view;
    view.setRange({1, 4});
    Reading r;
    r.address = 2;
    r.answered = true;
    r.id = 0x1102;
    r.phRaw = 890;
    r.tRaw = 250;
    view.showReading(r);
    view.setCurrentCell(2, 4);  // the pH cell of row 2 is not selected
    view.show();
    const QModelIndex ph = view.model()->index(1, 0);
    const QRect cell = view.visualRect(ph).translated(view.viewport()->geometry().topLeft());
    const QRect symbolSide(cell.right() - 14, cell.top(), 14, cell.height());
    const QRgb markRed = qRgb(128, 0, 0);

    const struct {
        AlarmState state;
        QRgb ground;        // a corner of the cell
        bool symbolFilled;  // the triangle's body, not just its outline
        const char* spoken;
        const char* described;
    } cases[] = {
        {AlarmState::Active, qRgb(255, 200, 200), true, "8.90, выше уставки", "тревога pH > 8.50, активна, не квитирована"},
        {AlarmState::Acknowledged, qRgb(255, 232, 150), true, "8.90, выше уставки", "тревога pH > 8.50, активна, квитирована"},
        {AlarmState::Returned, qRgb(255, 255, 255), false, "8.90, выше уставки", "тревога pH > 8.50, в норме, не квитирована"},
        {AlarmState::Normal, qRgb(255, 255, 255), false, "8.90", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.state));
        view.showAlarm(change(2, AlarmCondition::PhHigh, c.state, 8.5));
        const QImage img = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(img.pixel(cell.left() + 1, cell.bottom() - 1), c.ground);
        const int red = countPixels(img, symbolSide, markRed) + countPixels(img, symbolSide, qRgb(96, 64, 0));
        if (c.state == AlarmState::Normal) EXPECT_EQ(red, 0);
        else if (c.symbolFilled) EXPECT_GT(red, 30);
        else EXPECT_TRUE(red > 10 && red < 30) << red;
        EXPECT_EQ(ph.data(Qt::AccessibleTextRole).toString(), QString::fromUtf8(c.spoken));
        EXPECT_EQ(ph.data(Qt::AccessibleDescriptionRole).toString(), QString::fromUtf8(c.described));
        EXPECT_EQ(ph.data(Qt::DisplayRole).toString(), QStringLiteral("8.90")) << "the cell's own text stays";
    }

    // An instrument that stopped answering: its address cell is framed, marked and says so.
    view.showAlarm(change(3, AlarmCondition::NoAnswer, AlarmState::Active));
    const QHeaderView* side = view.verticalHeader();
    EXPECT_EQ(view.model()->headerData(2, Qt::Vertical, Qt::AccessibleTextRole).toString(), QStringLiteral("3, нет ответа"));
    const QRect address(side->geometry().left(), side->geometry().top() + side->sectionViewportPosition(2), side->width() - 1,
                        side->sectionSize(2) - 1);
    EXPECT_GT(countPixels(view.grab().toImage().convertToFormat(QImage::Format_RGB32), address, markRed), 40);
}

TEST(ChartLimitLines, TheLimitsOfTheSlotsOnShowAreThinLinesAtTheirValues)
{
    ChartRig rig;
    rig.start(4, 1);  // the slots of a first run: pH.1, pH.2, T.3, T.4, all shown
    rig.show();
    for (int row = 1; row <= 4; ++row) rig.setRow(row, 7.0, 25.0);
    rig.linkUp();
    rig.tick(5);
    QCustomPlot* plot = rig.window.chart;
    const QRect area = plot->axisRect()->rect();
    // How much of the image row at value v on that axis is in colour: a dashed line covers about half.
    const auto coverage = [&](const QImage& img, QCPAxis* axis, double v, QRgb colour) {
        const int y = qRound(axis->coordToPixel(v));
        return double(countPixels(img, QRect(area.left(), y - 1, area.width(), 3), colour)) / area.width();
    };

    rig.chart->setLimits({AlarmLimit{1, AlarmQuantity::Ph, 6.0, 8.0, 0, 0}, AlarmLimit{4, AlarmQuantity::T, std::nullopt, 45.0, 0, 0},
                          AlarmLimit{2, AlarmQuantity::T, std::nullopt, 35.0, 0, 0}, AlarmLimit{5, AlarmQuantity::Ph, 3.0, std::nullopt, 0, 0}});
    rig.tick(5);
    QImage img = rig.grab();
    EXPECT_GT(coverage(img, plot->yAxis, 8.0, qRgb(255, 0, 0)), 0.3) << "slot 1: pH.1";
    EXPECT_GT(coverage(img, plot->yAxis, 6.0, qRgb(255, 0, 0)), 0.3);
    EXPECT_GT(coverage(img, plot->yAxis2, 45.0, qRgb(128, 0, 0)), 0.3) << "slot 4: T.4";
    EXPECT_LT(coverage(img, plot->yAxis2, 35.0, qRgb(0, 0, 255)) + coverage(img, plot->yAxis2, 35.0, qRgb(128, 0, 0)), 0.01)
        << "T.2 is on no slot";
    EXPECT_LT(coverage(img, plot->yAxis, 3.0, qRgb(255, 0, 0)) + coverage(img, plot->yAxis, 3.0, qRgb(0, 128, 0)), 0.01)
        << "address 5 is not polled";

    rig.chart->setLimits({});
    img = rig.grab();
    EXPECT_LT(coverage(img, plot->yAxis, 8.0, qRgb(255, 0, 0)), 0.01);
    EXPECT_LT(coverage(img, plot->yAxis2, 45.0, qRgb(128, 0, 0)), 0.01);
}

TEST(AlarmLimitsDialog, SavesSoundLimitsOnlyAndNamesTheFirstBadRow)
{
    AlarmLimitsDialog dialog;
    AlarmLimits kept;
    dialog.keep = [&](const AlarmLimits& limits) {
        kept = limits;
        return QString();
    };
    const AlarmLimit elsewhere{9, AlarmQuantity::T, 5.0, 50.0, 1, 0};
    const struct {
        int row, column;
        const char* text;
        const char* problem;  // empty: saved
    } cases[] = {
        {0, 2, "9", "Прибор 1, pH: нижняя уставка должна быть меньше верхней"},
        {1, 3, "abc", "Прибор 1, T: верхняя уставка «abc» не число"},
        {2, 3, "15", "Прибор 2, pH: верхняя уставка pH должна быть от 0 до 14"},
        {0, 5, "3601", "Прибор 1, pH: задержка должна быть от 0 до 3600 с"},
        {0, 2, "6,5", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        dialog.load({1, 2}, {AlarmLimit{1, AlarmQuantity::Ph, std::nullopt, 8.5, 0.05, 10}, elsewhere});
        dialog.show();
        dialog.table()->item(c.row, c.column)->setText(QString::fromUtf8(c.text));
        kept.clear();
        dialog.accept();
        EXPECT_EQ(dialog.problemText(), QString::fromUtf8(c.problem));
        if (*c.problem) {
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(dialog.table()->currentRow(), c.row);
            EXPECT_TRUE(kept.isEmpty());
        } else {
            EXPECT_FALSE(dialog.isVisible());
            EXPECT_EQ(kept, (AlarmLimits{elsewhere, AlarmLimit{1, AlarmQuantity::Ph, 6.5, 8.5, 0.05, 10}}));
        }
    }
}

TEST(AlarmWindow, TheKeyboardAloneAcknowledgesAndSilences)
{
    QWidget main;
    main.resize(400, 300);
    main.show();
    AlarmWindow window(&main);
    QSignalSpy one(&window, &AlarmWindow::acknowledgeRequested);
    QSignalSpy all(&window, &AlarmWindow::acknowledgeAllRequested);
    QSignalSpy silence(&window, &AlarmWindow::silenceRequested);
    const auto alarm = [](int address, AlarmCondition c, AlarmState s, int second) {
        Alarm a;
        a.address = address;
        a.condition = c;
        a.state = s;
        a.raisedAt = a.changedAt = At.addSecs(second);
        return a;
    };
    // Newest first, as the alarm book gives them.
    window.setAlarms({alarm(3, AlarmCondition::Relay1, AlarmState::Acknowledged, 30), alarm(2, AlarmCondition::PhHigh, AlarmState::Active, 20),
                      alarm(1, AlarmCondition::NoAnswer, AlarmState::Returned, 10)});
    window.setSoundState(true, false);
    EXPECT_EQ(window.summaryText(), QStringLiteral("Тревог: 3, не квитировано: 2"));

    window.showQuietly();
    EXPECT_TRUE(window.isVisible());
    window.bringForward();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(window.list()->hasFocus());
    EXPECT_EQ(window.list()->currentIndex().row(), 1) << "the newest unacknowledged alarm";
    EXPECT_EQ(window.list()->model()->index(1, 2).data().toString(), QStringLiteral("pH > ?"));

    QTest::keyClick(window.list(), Qt::Key_Space);
    ASSERT_EQ(one.size(), 1);
    EXPECT_EQ(one[0][0].toInt(), 2);
    EXPECT_EQ(one[0][1].value<AlarmCondition>(), AlarmCondition::PhHigh);
    QTest::keyClick(window.list(), Qt::Key_Down);
    QTest::keyClick(window.list(), Qt::Key_Return);
    ASSERT_EQ(one.size(), 2);
    EXPECT_EQ(one[1][0].toInt(), 1);
    QTest::keyClick(window.list(), Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(all.size(), 1);
    QTest::keyClick(window.list(), Qt::Key_M, Qt::ControlModifier);
    EXPECT_EQ(silence.size(), 1);
    QTest::keyClick(window.list(), Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

}  // namespace
