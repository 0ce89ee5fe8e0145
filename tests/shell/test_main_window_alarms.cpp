// Alarms in the main window: they never hold the poll or chart timer, and, end to end against the
// simulator on a pseudo-terminal, a pH driven across its limit and back lands in the alarm
// journal as an alarm and its return.
#include "AlarmDesk.h"
#include "AlarmSound.h"
#include "AlarmWindow.h"
#include "DateTimeText.h"
#include "Files.h"
#include "MainWindow.h"
#include "NoticeBoard.h"
#include "WholeFile.h"
#include "QStringPrint.h"
#include "SimLine.h"

#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

void RunFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

TEST(MainWindowAlarms, TheSoundTheAlarmWindowAndTheirNoticesNeverHoldTheTimers)
{
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    // A limit, and a damaged line whose notice opens too.
    ASSERT_TRUE(qm::test::WriteAll(dir.filePath(QStringLiteral("alarms.cfg")), "1 pH 6.5 8.5 0 0\n1 pH 9 7 0 0\n"));
    MainWindow form;
    form.show();
    int polls = 0, samples = 0;
    // The alarms come inside the poll timer's tick, as the engine tells a reading.
    QObject::connect(form.pollTimer(), &QTimer::timeout, &form, [&] {
        if (++polls != 1) return;
        qm::Reading r;
        r.address = 1;
        r.answered = true;
        r.received = qm::CurrentDateTime();
        r.phRaw = 900;
        r.status = 0x0030;
        form.reading(r);
    });
    QObject::connect(form.chartTimer(), &QTimer::timeout, &form, [&] { ++samples; });
    // A box that waited for its answer would stop the count: such boxes are closed after a while,
    // so that the test ends and fails rather than hangs.
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, &form, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    QTimer::singleShot(3000, &guard, [&guard] { guard.start(200); });
    RunFor(2500);
    EXPECT_GE(polls, 15) << "Timer1 ticked on";
    EXPECT_GE(samples, 2) << "Timer2 ticked on";
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(form.alarms().window()->isVisible());
    EXPECT_EQ(form.alarms().monitor().book().alarms().size(), 3);  // pH > 8.50, Р1, Р2
    EXPECT_TRUE(form.alarms().sound()->repeating());
    EXPECT_TRUE(QFile::exists(QStringLiteral(":/sounds/alarm.wav"))) << "the sound is built into the program";

    // Silenced, the sound stops until the next new alarm; the timers go on all the while.
    form.alarms().window()->bringForward();
    emit form.alarms().window()->silenceRequested();
    EXPECT_FALSE(form.alarms().sound()->repeating());
    const int before = polls;
    RunFor(1000);
    EXPECT_GE(polls - before, 7);
}

bool RunUntil(const std::function<bool()>& done, int boundMs = 5000)
{
    const QDeadlineTimer deadline(boundMs);
    while (!done() && !deadline.hasExpired()) RunFor(50);
    return done();
}

TEST(MainWindowAlarms, AlarmsCfgIsReadAgainWhenItChangesOnDiskAndTheSameDamageIsToldOnce)
{
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    const QString path = dir.filePath(QStringLiteral("alarms.cfg"));
    MainWindow form;
    form.show();
    const auto limits = [&] { return form.alarms().monitor().book().limits(); };
    RunFor(100);
    EXPECT_EQ(form.notices().openCount(), 0) << "no file is no limits, and nothing to tell";

    // Replaced by a rename, as editors and the program itself write it.
    ASSERT_TRUE(qm::WriteWholeFile(path, "2 pH 6.5 8.5 0.05 10\nбрак\n").isEmpty());
    ASSERT_TRUE(RunUntil([&] { return limits().size() == 1; }));
    RunFor(100);
    ASSERT_EQ(form.notices().openCount(), 1);
    for (QMessageBox* box : form.findChildren<QMessageBox*>()) box->close();  // the operator read it
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(qm::WriteWholeFile(path, "2 pH 6 9 0 0\nбрак\n").isEmpty());
    ASSERT_TRUE(RunUntil([&] { return !limits().isEmpty() && limits()[0].low == 6.0; }));
    RunFor(100);
    EXPECT_EQ(form.notices().openCount(), 0) << "the same damaged line is not told again";
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_TRUE(RunUntil([&] { return limits().isEmpty(); }));
}

#ifdef QM_SIM_PATH
TEST(MainWindowAlarms, APhDrivenAcrossItsLimitAndBackIsInTheAlarmJournal)
{
    // Instrument 1 reads pH 7.01 except from second 3 to second 9 of the simulator's run.
    qm::test::SimLine sim({QStringLiteral("--first"), QStringLiteral("1"), QStringLiteral("--count"), QStringLiteral("1"),
                           QStringLiteral("--fixed"), QStringLiteral("--set"), QStringLiteral("1:ph=8.90@3-9")});
    if (!sim.started()) GTEST_SKIP() << "the simulator did not start";
    QDir::setCurrent(sim.dir.path());
    ASSERT_TRUE(qm::test::WriteAll(sim.dir.filePath(QStringLiteral("alarms.cfg")), "# bath 1\n1 pH 6.5 8.5 0.05 2\n"));
    MainWindow form;
    form.show();
    form.portChosen(0);  // COM1, which ports.cfg maps to the simulator
    form.findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->click();
    ASSERT_TRUE(form.engine().PortOpen());

    const QString journal = QDir(sim.dir.path()).filePath(QStringLiteral("Журнал/Тревоги-%1.csv").arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))));
    QStringList phLines;
    const QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired() && phLines.size() < 2) {
        RunFor(200);
        phLines.clear();
        for (const QString& line : QString::fromUtf8(qm::test::ReadAll(journal)).split(QStringLiteral("\r\n")))
            if (line.contains(QStringLiteral(",pH > 8.50,"))) phLines << line.section(QLatin1Char(','), 1);
    }
    form.findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->click();
    EXPECT_EQ(phLines, (QStringList{QStringLiteral("1,pH > 8.50,8.90,\"активна, не квитирована\""),
                                    QStringLiteral("1,pH > 8.50,7.01,\"в норме, не квитирована\"")}));
    EXPECT_TRUE(qm::test::ReadAll(journal).startsWith("\xEF\xBB\xBF" "Время,Прибор,Условие,Значение,Состояние\r\n"));
}
#endif

}  // namespace
