// The archive chart window as created at start-up: hidden, its caption, size, menu, time labels,
// how the chart follows the window's size, and how a view is drawn.
#include "ChartTime.h"
#include "CursorReadout.h"
#include "DateTimeText.h"
#include "ArchiveChartWindow.h"
#include "Keys.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QEventLoop>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QTimer>
#include <qcustomplot.h>

#include <cstdlib>
#include <ctime>

namespace {

void ProcessEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

TEST(ArchiveWindow, StartsHiddenWithCaptionSizeAndFlags)
{
    ArchiveChartWindow w;
    EXPECT_EQ(w.objectName(), QStringLiteral("FormARHGR"));
    EXPECT_TRUE(w.isHidden());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("АРХИВ"));
    EXPECT_EQ(w.frameGeometry().size(), QSize(900, 490));
    const Qt::WindowFlags flags = w.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_NE(w.maximumSize(), w.minimumSize());  // sizeable
    EXPECT_EQ(w.font().family(), QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(w.font().pixelSize(), 11);

    // Shown, the outer size stays 900 x 490 whatever frame the platform draws.
    w.show();
    ProcessEventsFor(400);
    EXPECT_EQ(w.frameGeometry().size(), QSize(900, 490));
}

TEST(ArchiveWindow, ViewMenuHasDateAndTimeTicked)
{
    ArchiveChartWindow w;
    auto* menu = w.findChild<QMenu*>(QStringLiteral("N1"));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), QStringLiteral("Вид"));
    ASSERT_TRUE(w.menuBar()->actions().contains(menu->menuAction()));
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 2);
    const struct {
        const char* name;
        const char* text;
    } expected[] = {{"N3", "Дата"}, {"N4", "Время"}};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(items[i]->objectName(), QString::fromLatin1(expected[i].name));
        EXPECT_EQ(items[i]->text(), QString::fromUtf8(expected[i].text));
        EXPECT_TRUE(items[i]->isCheckable());
        EXPECT_TRUE(items[i]->isChecked());
    }
}

TEST(ArchiveWindow, ChartSeriesAndLabels)
{
    ArchiveChartWindow w;
    ASSERT_NE(w.plot, nullptr);
    EXPECT_EQ(w.plot->objectName(), QStringLiteral("Chart1"));
    EXPECT_EQ(w.plot->pos(), QPoint(8, 0));
    ASSERT_EQ(w.plot->graphCount(), 2);
    EXPECT_EQ(w.phGraph->valueAxis(), w.plot->yAxis);
    EXPECT_EQ(w.tGraph->valueAxis(), w.plot->yAxis2);
    EXPECT_TRUE(w.plot->yAxis2->visible());
    EXPECT_EQ(w.phGraph->pen().color(), QColor(255, 0, 0));
    EXPECT_EQ(w.phGraph->pen().width(), 3);
    EXPECT_EQ(w.phGraph->scatterStyle().shape(), QCPScatterStyle::ssCircle);
    EXPECT_EQ(w.tGraph->pen().color(), QColor(0, 128, 0));
    EXPECT_EQ(w.tGraph->pen().width(), 3);
    EXPECT_EQ(w.tGraph->scatterStyle().shape(), QCPScatterStyle::ssTriangle);

    EXPECT_EQ(w.phLabel->text(), QStringLiteral("pH"));
    EXPECT_EQ(w.phLabel->pos(), QPoint(48, 16));
    EXPECT_EQ(w.phLabel->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(w.tLabel->text(), QStringLiteral("T"));
    EXPECT_EQ(w.tLabel->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    for (QLabel* l : {w.phLabel, w.tLabel}) {
        EXPECT_EQ(l->parentWidget(), w.plot);
        EXPECT_EQ(l->font().pixelSize(), 17);
        EXPECT_TRUE(l->font().bold());
    }
}

// The labels of the bottom axis for a window of twenty minutes from 14:00 on 6 December 2026.
QStringList BottomLabels(ArchiveChartWindow& w)
{
    const qm::DateTime start = qm::ToDateTime(QDateTime(QDate(2026, 12, 6), QTime(14, 0)));
    w.plot->xAxis->setRange(qm::ChartKey(start), qm::ChartKey(start + 20 * qm::OneMinute));
    w.plot->replot();
    QStringList labels;
    for (const QString& l : w.plot->xAxis->tickVectorLabels())
        if (!l.isEmpty()) labels << l;
    return labels;
}

TEST(ArchiveWindow, DateAndTimeMarksChooseTheLabelFormat)
{
    // Labels must show the instrument's wall-clock time in any time zone.
    qputenv("TZ", "Asia/Yekaterinburg");
    tzset();

    const struct {
        bool date, time;
        const char* format;   // the ticker's format
        const char* pattern;  // every label
    } cases[] = {
        {true, true, "dd.MM hh:mm", R"(^06\.12 14:[0-2]\d$)"},
        {false, true, " hh:mm", R"(^ 14:[0-2]\d$)"},
        {true, false, "dd.MM", R"(^06\.12$)"},
        {false, false, nullptr, R"(^14:[0-2]\d:\d\d\n06\.12\.26$)"},
    };
    ArchiveChartWindow w;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "date " << c.date << " time " << c.time);
        // The menu items toggle through their handlers.
        if (w.dateAction->isChecked() != c.date) w.toggleDateLabels();
        if (w.timeAction->isChecked() != c.time) w.toggleTimeLabels();
        ASSERT_EQ(w.dateAction->isChecked(), c.date);
        ASSERT_EQ(w.timeAction->isChecked(), c.time);
        EXPECT_EQ(w.bottomLabelFormat(), c.format ? QString::fromLatin1(c.format) : qm::DefaultTimeLabelFormat());
        const QStringList labels = BottomLabels(w);
        ASSERT_FALSE(labels.isEmpty());
        const QRegularExpression re(QString::fromLatin1(c.pattern));
        for (const QString& l : labels) EXPECT_TRUE(re.match(l).hasMatch()) << l.toStdString();
    }
    // A click from the menu itself toggles the mark once and relabels.
    w.dateAction->trigger();
    EXPECT_TRUE(w.dateAction->isChecked());
    EXPECT_EQ(w.bottomLabelFormat(), QStringLiteral("dd.MM"));
}

TEST(ArchiveWindow, ChartFollowsTheWindowSize)
{
    ArchiveChartWindow w;
    // The design size 900 x 490 gives a chart of 875 x 415.
    EXPECT_EQ(w.plot->size(), QSize(875, 415));
    w.show();
    ProcessEventsFor(400);
    for (QSize outer : {QSize(1000, 600), QSize(640, 300), QSize(900, 490)}) {
        SCOPED_TRACE(testing::Message() << outer.width() << "x" << outer.height());
        const QSize frame = w.frameGeometry().size() - w.size();
        w.resize(outer - frame);
        ProcessEventsFor(20);
        ASSERT_EQ(w.frameGeometry().size(), outer);
        EXPECT_EQ(w.plot->size(), QSize(outer.width() - 25, outer.height() - 75));
        // "T" keeps its distance to the chart's right edge.
        EXPECT_EQ(w.tLabel->pos(), QPoint(w.plot->width() - 73, 16));
        EXPECT_EQ(w.phLabel->pos(), QPoint(48, 16));
    }
}

// One view: the points put in and the window shown; the chart is drawn once, not once for the
// data and again for the showing.
TEST(ArchiveWindow, AViewDrawsTheChartOnce)
{
    ArchiveChartWindow w;
    ProcessEventsFor(10);  // created at start-up, long before the first view
    int replots = 0;
    QObject::connect(w.plot, &QCustomPlot::afterReplot, [&] { ++replots; });
    const qm::DateTime start = qm::ToDateTime(QDateTime(QDate(2026, 12, 6), QTime(10, 0)));
    QVector<qm::ArchivePoint> points;
    for (int i = 0; i < 50; ++i) points.append({start + i * qm::OneMinute, 7.0 + 0.01 * i, 0, 25.0});
    for (const char* view : {"first, window hidden", "again, window on screen"}) {
        SCOPED_TRACE(view);
        replots = 0;
        w.fillArchive(QStringLiteral("/a.txt"), points, {});
        w.showOver(nullptr);
        ProcessEventsFor(400);
        EXPECT_EQ(replots, 1);
    }
}

// The markers are filled shapes without an outline: a lone point shows as a 7-pixel circle (pH)
// or triangle (T), not widened by the line's 3-pixel pen.
TEST(ArchiveWindow, MarkersHaveNoOutline)
{
    ArchiveChartWindow w;
    const qm::DateTime t = qm::ToDateTime(QDateTime(QDate(2026, 12, 6), QTime(10, 0)));
    w.fillArchive(QStringLiteral("/a.txt"), {qm::ArchivePoint{t, 8.0, 0, 10.0}}, {});
    w.showOver(nullptr);
    ProcessEventsFor(50);
    const QImage image = w.plot->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const struct {
        const char* series;
        bool (*isIt)(QRgb);
    } cases[] = {
        {"Series1, red circle", [](QRgb c) { return qRed(c) > 200 && qGreen(c) < 100 && qBlue(c) < 100; }},
        {"Series2, green triangle", [](QRgb c) { return qRed(c) < 100 && qGreen(c) > 90 && qBlue(c) < 100; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.series);
        // Within the plot area: the labels and the axis texts share the colours.
        const QRect area = w.plot->axisRect()->rect();
        QRect box;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (c.isIt(image.pixel(x, y))) box |= QRect(x, y, 1, 1);
        ASSERT_FALSE(box.isEmpty());
        EXPECT_LE(box.width(), 8);
        EXPECT_LE(box.height(), 8);
    }
}

// A view of fifty records a minute apart from 10:00 on 6 December 2026, on screen over main.
QVector<qm::ArchivePoint> ShowFiftyRecords(ArchiveChartWindow& w, QWidget* main)
{
    const qm::DateTime start = qm::ToDateTime(QDateTime(QDate(2026, 12, 6), QTime(10, 0)));
    QVector<qm::ArchivePoint> points;
    for (int i = 0; i < 50; ++i) points.append({start + i * qm::OneMinute, 7.0 + 0.01 * i, 0, 25.0 - 0.1 * i});
    w.fillArchive(QStringLiteral("/a.txt"), points, {});
    w.showOver(main);
    ProcessEventsFor(50);
    return points;
}

TEST(ArchiveWindow, EscClosesItAndTheKeysGoBackToTheMainWindow)
{
    QWidget main;
    main.show();
    ArchiveChartWindow w;
    ShowFiftyRecords(w, &main);
    qm::test::FocusOn(w.plot);
    qm::test::TypeKey(Qt::Key_Escape);
    EXPECT_TRUE(w.isHidden());
    ProcessEventsFor(20);
    EXPECT_EQ(QApplication::activeWindow(), &main);
}

TEST(ArchiveWindow, KeysZoomAndPanAndHomeShowsTheViewAgain)
{
    ArchiveChartWindow w;
    ShowFiftyRecords(w, nullptr);
    qm::test::FocusOn(w.plot);
    ASSERT_TRUE(w.plot->hasFocus());
    const QCPRange time = w.plot->xAxis->range(), left = w.plot->yAxis->range();
    qm::test::TypeKey(Qt::Key_Plus, Qt::ShiftModifier);
    EXPECT_LT(w.plot->xAxis->range().size(), time.size());
    qm::test::TypeKey(Qt::Key_Left);
    EXPECT_LT(w.plot->xAxis->range().center(), time.center());
    qm::test::TypeKey(Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_GT(w.plot->yAxis->range().size(), left.size());
    qm::test::TypeKey(Qt::Key_Home);
    EXPECT_EQ(w.plot->xAxis->range(), time);
    EXPECT_EQ(w.plot->yAxis->range(), left);
    // The next view starts in its own window too.
    qm::test::TypeKey(Qt::Key_Plus, Qt::ShiftModifier);
    ShowFiftyRecords(w, nullptr);
    EXPECT_EQ(w.plot->xAxis->range(), time);
}

TEST(ArchiveWindow, ReadoutShowsTheRecordUnderThePointer)
{
    ArchiveChartWindow w;
    const QVector<qm::ArchivePoint> points = ShowFiftyRecords(w, nullptr);
    const QPoint at(int(w.plot->xAxis->coordToPixel(qm::ChartKey(points[10].Time))) + 2,
                    w.plot->axisRect()->rect().center().y());
    QMouseEvent move(QEvent::MouseMove, at, w.plot->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.plot, &move);
    ASSERT_TRUE(w.readout()->isShown());
    EXPECT_EQ(w.readout()->text(), QStringLiteral("06.12.26  10:10:00\npH  7.10\nT  24.0"));
}

}  // namespace
