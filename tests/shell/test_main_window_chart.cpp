// The trend chart as it appears in the main window right after start-up.
#include "ChartTime.h"
#include "DateTimeText.h"
#include "FixedClock.h"
#include "MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QSpinBox>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <qcustomplot.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

class MainWindowChart : public ::testing::Test {
protected:
    qm::test::FixedClock clock{QDateTime(QDate(2026, 12, 6), QTime(14, 5, 30))};
};

TEST_F(MainWindowChart, TimeAxisIsLabelledEveryMinuteOnceShown)
{
    // The chart is set up before the window has its size; the labels must still come out one a
    // minute over the first five minutes, not vanish for want of room.
    MainWindow form;
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
    MainWindow form;
    auto* slot1 = form.findChild<QComboBox*>(QStringLiteral("ComboBox2"));
    auto* slot3 = form.findChild<QComboBox*>(QStringLiteral("ComboBox4"));
    ASSERT_NE(slot1, nullptr);
    ASSERT_NE(slot3, nullptr);
    EXPECT_EQ(slot1->currentText(), QStringLiteral("pH.1"));
    EXPECT_EQ(slot3->currentIndex(), -1);
    EXPECT_EQ(slot3->count(), 1);
    EXPECT_EQ(slot3->itemText(0), QStringLiteral("T.1"));
}

// The window started in its own working directory with a clock the test moves; the timers are
// stopped so that the test ticks by hand.
class MainWindowSampling : public ::testing::Test {
protected:
    QDateTime clock{QDate(2026, 12, 6), QTime(14, 5, 30)};
    QTemporaryDir dir;  // the working directory

    void SetUp() override { qm::SetClock([this] { return clock; }); }
    void TearDown() override { qm::SetClock({}); }
    std::unique_ptr<MainWindow> start(const QString& workDir)
    {
        const QString before = QDir::currentPath();
        QDir::setCurrent(workDir);
        auto form = std::make_unique<MainWindow>();
        QDir::setCurrent(before);
        form->pollTimer()->stop();
        form->chartTimer()->stop();
        return form;
    }
    // What the engine tells once it polls: the link is up and the walk has gone round.
    static void linkUp(MainWindow& form)
    {
        qm::Panel& panel = form;
        panel.linkChanged(true);
        panel.roundDone(1);
    }
};

// A periodic save that fails (here a directory stands in the trend file's place) is reported in a
// box that does not hold the sampling tick: samples go on, each with its own time, while the box
// is open, and the same failure ten minutes later does not stack a second box.
TEST_F(MainWindowSampling, FailedPeriodicSaveNeverStopsSampling)
{
    const std::unique_ptr<MainWindow> started = start(dir.path());
    MainWindow& form = *started;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("График.txt")));
    linkUp(form);
    clock = clock.addSecs(600);  // the first tick below falls on the save time

    // A box that waited inside the tick would hold it here; the watchdog notes that and closes it.
    bool inTick = false, heldInTick = false;
    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        if (!inTick) return;
        if (QWidget* box = QApplication::activeModalWidget()) {
            heldInTick = true;
            box->close();
        }
    });
    watchdog.start(300);
    const auto openBoxes = [] {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) n += qobject_cast<QMessageBox*>(w) && w->isVisible();
        return n;
    };
    for (int i = 0; i < 130; ++i) {  // nearly eleven minutes, a sample every 5 s
        inTick = true;
        form.chartTick();
        inTick = false;
        QApplication::processEvents();
        clock = clock.addSecs(5);
    }
    EXPECT_FALSE(heldInTick);
    EXPECT_EQ(openBoxes(), 1);
    const qm::TrendStore& store = form.store();
    ASSERT_EQ(store.TrendCount(), 130);
    for (int i = 2; i <= 130; ++i) ASSERT_EQ(std::llround((store.TrendTime(i) - store.TrendTime(i - 1)) * 86400), 5) << i;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox*>(w)) w->close();
}

// "Очистить график?" answered No changes nothing; Yes empties the chart, samples taken while the
// question was open included, and deletes the trend file.
TEST_F(MainWindowSampling, ClearingAsksAndYesAlsoDeletesTheTrendFile)
{
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        QTemporaryDir own;  // each run starts without a trend file
        const std::unique_ptr<MainWindow> started = start(own.path());
        MainWindow& form = *started;
        const QString file = QDir(own.path()).filePath(QStringLiteral("График.txt"));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("06.12.26 14:00:00 7,0000\r\n");
        f.close();
        linkUp(form);
        form.chartTick();
        ASSERT_EQ(form.store().TrendCount(), 1);

        QString asked;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            asked = box->text();
            clock = clock.addSecs(5);  // a sample taken while the question is open
            form.chartTick();
            box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
        });
        form.clearChartClicked();
        EXPECT_EQ(asked, QStringLiteral("Очистить график?"));
        EXPECT_EQ(form.store().TrendCount(), yes ? 0 : 2);
        EXPECT_EQ(QFile::exists(file), !yes);
    }
}

// A trend file or it.cfg that was not read whole (more than the program keeps, lines it cannot
// read) is told once when the window is up, and renamed beside itself before the program writes
// the file anew, so nothing the operator never saw loaded is replaced. A file read whole is
// written over as always.
TEST_F(MainWindowSampling, FilesNotReadWholeAreSetAsideBeforeTheyAreReplaced)
{
    QByteArray trendLines;
    for (int i = 0; i < 12000; ++i)
        trendLines += QByteArray("06.12.26 ") + QTime(0, 0).addSecs(i).toString(QStringLiteral("hh:mm:ss")).toLatin1() + " 7,0100\r\n";
    QByteArray settings;
    for (int i = 0; i < 18; ++i) settings += "1\r\n";
    struct Case {
        const char* name;
        QString file, aside;  // aside empty: read whole, replaced
        QByteArray bytes;
    } cases[] = {
        {"trend file beyond the store", QStringLiteral("График.txt"), QStringLiteral("График.20261206-140530.txt"), trendLines},
        {"trend file of garbage", QStringLiteral("График.txt"), QStringLiteral("График.20261206-140530.txt"),
         QByteArray("\x01\xff\x7f garbage\r\n").repeated(100) + trendLines.left(40)},
        {"trend file with a blank line", QStringLiteral("График.txt"), {}, trendLines.left(3 * 26) + "\r\n"},
        {"it.cfg beyond what is read", QStringLiteral("it.cfg"), QStringLiteral("it.20261206-140530.cfg"),
         settings + QByteArray(2 << 20, 'z')},
        {"it.cfg with a bad line", QStringLiteral("it.cfg"), QStringLiteral("it.20261206-140530.cfg"),
         "1\r\n1\r\nabc\r\n"},
        {"it.cfg of 18 lines", QStringLiteral("it.cfg"), {}, settings},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir work;
        const QString path = QDir(work.path()).filePath(c.file);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(c.bytes) == c.bytes.size());
        f.close();
        const std::unique_ptr<MainWindow> form = start(work.path());
        QStringList boxes;
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(w);
                if (!box || !box->isVisible()) continue;
                boxes << box->text().remove(QChar(0x2060));  // the word joiners that keep a path whole
                box->accept();
            }
        });
        watcher.start(10);
        QEventLoop loop;
        QTimer::singleShot(300, &loop, &QEventLoop::quit);
        loop.exec();
        linkUp(*form);
        form->chartTick();  // a sample, so that the trend file is written at close
        form->shutDown();
        watcher.stop();

        const QString aside = QDir(work.path()).filePath(c.aside);
        if (c.aside.isEmpty()) {
            EXPECT_EQ(QDir(work.path()).entryList(QDir::Files).size(), 2) << "it.cfg and the trend file, nothing beside";
        } else {
            ASSERT_EQ(boxes.size(), 1);
            EXPECT_TRUE(boxes[0].contains(c.aside)) << boxes[0].toStdString();
            QFile kept(aside);
            ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
            EXPECT_TRUE(kept.readAll() == c.bytes) << "the file as it was";
        }
        QFile written(path);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_NE(written.readAll(), c.bytes) << "written anew";
    }
}

// "Интервал,с" and "К-во точек" act on sampling as typed, before the spin box takes the value.
TEST_F(MainWindowSampling, TypedIntervalAndPointsReachTheSampling)
{
    const std::unique_ptr<MainWindow> started = start(dir.path());
    MainWindow& form = *started;
    linkUp(form);
    const auto type = [&](const char* name, const QString& text) {
        auto* edit = form.findChild<QSpinBox*>(QString::fromLatin1(name))->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        edit->setText(text);
    };
    type("SpinEdit3", QStringLiteral("1"));
    type("SpinEdit2", QStringLiteral("100"));
    for (int i = 0; i < 150; ++i) {
        form.chartTick();
        clock = clock.addSecs(1);
    }
    const qm::TrendStore& store = form.store();
    ASSERT_EQ(store.TrendCount(), 100);
    EXPECT_EQ(std::llround((store.TrendTime(100) - store.TrendTime(99)) * 86400), 1);
}

}  // namespace
