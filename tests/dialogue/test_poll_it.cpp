// The poll engine on the real serial port adapter, against the instrument simulator on a
// pseudo-terminal, driven by the real 100 ms timer.
#include "DateTimeText.h"
#include "FakePanel.h"
#include "SimLine.h"
#include "PollEngine.h"
#include "SerialPort.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;

namespace {

#ifdef QM_SIM_PATH

// The real port, with a note of every open and of the tick on which each write went out.
class RecordingPort : public Port {
public:
    explicit RecordingPort(const int& tick) : m_tick(tick) {}
    SerialPort real;
    int opens = 0;
    QList<int> writeTicks;

    bool open(const QString& device, QString* reason) override
    {
        ++opens;
        return real.open(device, reason);
    }
    bool openDenied() const override { return real.openDenied(); }
    ConfigResult configure() override { return real.configure(); }
    void close() override { real.close(); }
    qint64 bytesQueued() override { return real.bytesQueued(); }
    qint64 read(quint8* dst, qint64 max) override { return real.read(dst, max); }
    void write(const quint8* src, qint64 length) override
    {
        writeTicks << m_tick;
        real.write(src, length);
    }

private:
    const int& m_tick;
};

// Instruments 1..3 with frozen readings, and the faults a test asks for.
struct PollLine : SimLine {
    explicit PollLine(const QStringList& faults) : SimLine(QStringList{"--first", "1", "--count", "3", "--fixed"} + faults) {}
};

struct Engine {
    int tick = 0;
    RecordingPort port{tick};
    FakePanel panel;
    PollEngine engine{port, panel};
    QTimer timer;

    explicit Engine(const SimLine& line)
    {
        engine.setWorkDir(line.dir.path());
        panel.workDir = line.dir.path();
        panel.setRange({1, 3});
        engine.Init({1, 3});
        // As after a while (the ticks only count while the port is closed): the first request
        // goes out on the first tick.
        for (int i = 0; i < 10; ++i) engine.Tick();
        timer.setInterval(100);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            ++tick;
            engine.Tick();
        });
    }

    // Runs the real timer until done() holds after a tick, or the generous bound passes.
    bool runUntil(const std::function<bool()>& done, int boundMs = 30000) { return RunTimerUntil(timer, done, boundMs); }
};

TEST(PollOnTheLine, ThreeInstrumentsArePolledInTurnOncePerSlot)
{
    PollLine line({});
    ASSERT_TRUE(line.started()) << "the simulator gave no device";
    Engine e(line);
    e.panel.connectChecked = true;
    e.engine.Connect();
    ASSERT_TRUE(e.engine.PortOpen()) << e.panel.notices.join('|').toStdString();

    ASSERT_TRUE(e.runUntil([&] { return line.requestedAddresses().size() >= 5 && e.engine.PollAddress() == 3; }))
        << "requests seen: " << line.requestedAddresses().size();
    EXPECT_EQ(line.requestedAddresses().mid(0, 5), QList<int>({1, 2, 3, 1, 2}));
    // One request per slot of ten ticks, the first on the first tick.
    ASSERT_GE(e.port.writeTicks.size(), 5);
    EXPECT_EQ(e.port.writeTicks.at(0), 1);
    for (int i = 1; i < e.port.writeTicks.size(); ++i) EXPECT_EQ(e.port.writeTicks.at(i) - e.port.writeTicks.at(i - 1), 10);
    // Every answer was taken in its own slot, and the round wrapped.
    EXPECT_FALSE(e.panel.statusHistory.contains("2-No  0"));
    EXPECT_TRUE(e.panel.statusHistory.contains("3-Ok!  "));
    EXPECT_TRUE(e.engine.RoundDone());
    EXPECT_TRUE(e.panel.linkUp);
    EXPECT_DOUBLE_EQ(e.panel.live.value(1), 7.01);  // --fixed: pH 7.00 + A/100, T 20.0 + A
    EXPECT_DOUBLE_EQ(e.panel.live.value(2), 21.0);
    EXPECT_DOUBLE_EQ(e.panel.live.value(5), 7.03);
    EXPECT_DOUBLE_EQ(e.panel.live.value(6), 23.0);
    EXPECT_TRUE(e.panel.notices.isEmpty());
}

TEST(PollOnTheLine, SilentInstrumentIsGivenUpOnAndPollingGoesOnAfterTheReopen)
{
    PollLine line({"--silent", "2"});
    ASSERT_TRUE(line.started()) << "the simulator gave no device";
    Engine e(line);
    e.panel.connectChecked = true;
    e.engine.Connect();
    ASSERT_TRUE(e.engine.PortOpen()) << e.panel.notices.join('|').toStdString();

    // 1, then 2 three times, the give-up, then 3 and 1 over the reopened port.
    ASSERT_TRUE(e.runUntil([&] { return line.requestedAddresses().size() >= 6 && e.engine.PollAddress() == 2; }))
        << "requests seen: " << line.requestedAddresses().size();
    EXPECT_EQ(line.requestedAddresses().mid(0, 6), QList<int>({1, 2, 2, 2, 3, 1}));
    EXPECT_EQ(e.port.opens, 2);
    EXPECT_TRUE(e.engine.PortOpen());
    EXPECT_TRUE(e.panel.notices.isEmpty()) << e.panel.notices.join('|').toStdString();
    EXPECT_EQ(e.panel.live.value(3), NoDataMark);
    EXPECT_EQ(e.panel.live.value(4), NoDataMark);
    const int reopened = int(e.panel.statusHistory.indexOf("COM1", 1));
    ASSERT_GT(reopened, 0);
    EXPECT_EQ(e.panel.statusHistory.mid(reopened, 4), QStringList({"COM1", "3-", "3-Ok!  ", "1-"}));
    EXPECT_TRUE(e.panel.statusHistory.mid(reopened).contains("1-Ok!  "));
    EXPECT_DOUBLE_EQ(e.panel.live.value(5), 7.03);
}

#else

TEST(PollOnTheLine, NeedsTheSimulator)
{
    GTEST_SKIP() << "qm4700-sim is not built here (it needs libmodbus and a Unix system)";
}

#endif

}  // namespace
