// The poll engine over network lines, through the port the window owns (LinePort), driven by the
// real 100 ms timer: against the simulator serving RTU over TCP and Modbus TCP, socat as a
// transparent serial device server in front of the simulator's pseudo-terminal, a peer that
// takes the connection and never answers, and a port with nothing listening.
#include "FakePanel.h"
#include "LinePort.h"
#include "PollEngine.h"
#include "SimLine.h"
#include "Socat.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QTime>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

#include <sys/resource.h>

using namespace qm;
using namespace qm::test;

namespace {

#ifdef QM_SIM_PATH

struct NetEngine {
    LinePort port;
    FakePanel panel;
    PollEngine engine{port, panel};
    QTimer timer;

    explicit NetEngine(const QString& workDir)
    {
        engine.setWorkDir(workDir);
        panel.workDir = workDir;
        panel.setRange({1, 3});
        engine.Init({1, 3});
        for (int i = 0; i < 10; ++i) engine.Tick();  // the first request goes out on the first tick
        timer.setInterval(100);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, [this] { engine.Tick(); });
    }
    void connect()
    {
        panel.connectChecked = true;
        engine.Connect();
    }
    bool runUntil(const std::function<bool()>& done, int boundMs = 30000) { return RunTimerUntil(timer, done, boundMs); }
    // --fixed: instrument A reads pH 7.00 + A/100.
    bool rowsFilled() const
    {
        for (int a : {1, 2, 3})
            if (panel.channel(a) != 7.0 + a / 100.0) return false;
        return true;
    }
    QString notices() const { return panel.notices.join(QStringLiteral(" | ")); }
};

// Writes the COM1 line of the ports.cfg in dir.
void mapCom1(const QTemporaryDir& dir, const QString& device)
{
    WriteAll(dir.filePath(QStringLiteral("ports.cfg")), "COM1 " + device.toUtf8() + "\n");
}

// What stands between the program and the instruments.
enum class Way { RtuOverTcp, ModbusTcp, DeviceServer };

std::string wayName(const ::testing::TestParamInfo<Way>& info)
{
    switch (info.param) {
    case Way::RtuOverTcp: return "RtuOverTcp";
    case Way::ModbusTcp: return "ModbusTcp";
    case Way::DeviceServer: return "SocatDeviceServer";
    }
    return {};
}

// Instruments 1..3 with frozen readings behind a gateway of that way.
struct Gateway {
    std::unique_ptr<SimLine> sim;
    std::unique_ptr<Socat> socat;
    QString url;

    Gateway(Way way, const QStringList& options)
    {
        const QStringList line = QStringList{"--first", "1", "--count", "3", "--fixed"} + options;
        switch (way) {
        case Way::RtuOverTcp: sim = std::make_unique<SimLine>(line + QStringList{"--rtu-over-tcp", "0"}); break;
        case Way::ModbusTcp: sim = std::make_unique<SimLine>(line + QStringList{"--modbus-tcp", "0"}); break;
        case Way::DeviceServer:
            sim = std::make_unique<SimLine>(line);
            if (!sim->started()) return;
            // The converter's serial side is the simulator's pseudo-terminal, taken raw.
            socat = std::make_unique<Socat>(QStringLiteral("FILE:%1,rawer").arg(sim->device));
            if (socat->port == 0) return;
            mapCom1(sim->dir, QStringLiteral("rtuovertcp://127.0.0.1:%1").arg(socat->port));
            break;
        }
        url = way == Way::DeviceServer ? QStringLiteral("rtuovertcp://127.0.0.1:%1").arg(socat ? socat->port : 0) : sim->device;
    }
    QString dir() const { return sim->dir.path(); }
    bool ready() const { return sim->started() && (!socat || socat->port != 0); }
};

class OverTheNetwork : public ::testing::TestWithParam<Way> {
protected:
    void SetUp() override
    {
        if (GetParam() == Way::DeviceServer && !Socat::available()) GTEST_SKIP() << "socat is not installed (scripts/setup installs it)";
    }
};

TEST_P(OverTheNetwork, ARoundOfThreeInstrumentsFillsTheRowsAsOnASerialLine)
{
    Gateway gateway(GetParam(), {});
    ASSERT_TRUE(gateway.ready()) << "the simulator or socat did not start";
    NetEngine e(gateway.dir());
    e.connect();
    ASSERT_TRUE(e.engine.PortOpen()) << e.notices().toStdString();
    ASSERT_TRUE(e.runUntil([&] { return e.rowsFilled() && e.engine.RoundDone(); }, 15000))
        << "status: " << e.panel.statusHistory.join('|').toStdString() << " notices: " << e.notices().toStdString();
    EXPECT_EQ(gateway.sim->requestedAddresses().mid(0, 3), QList<int>({1, 2, 3}));
    // The first request waited for the connection, and every answer came in its own slot (the
    // check before the first request finds no answer, as on a serial line).
    const QStringList walk = e.panel.statusHistory.mid(e.panel.statusHistory.indexOf(QStringLiteral("1-")));
    EXPECT_FALSE(walk.join('|').contains("-No")) << e.panel.statusHistory.join('|').toStdString();
    EXPECT_DOUBLE_EQ(e.panel.channel(2, true), 22.0);
    EXPECT_TRUE(e.panel.linkUp);
    EXPECT_TRUE(e.panel.notices.isEmpty()) << e.notices().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Gateways, OverTheNetwork, ::testing::Values(Way::RtuOverTcp, Way::ModbusTcp, Way::DeviceServer), wayName);

// A give-up closes and opens a connected line again, as it does a serial port: the request of the
// same tick waits for the new connection and is answered in its slot.
TEST(OverTheNetworkToo, ASilentInstrumentIsGivenUpOnAndTheNextIsAnsweredOverTheNewConnection)
{
    Gateway gateway(Way::ModbusTcp, {"--silent", "2"});
    ASSERT_TRUE(gateway.ready()) << "the simulator did not start";
    NetEngine e(gateway.dir());
    e.connect();
    ASSERT_TRUE(e.runUntil([&] { return e.panel.statusHistory.count(QStringLiteral("3-Ok!  ")) >= 1; }, 15000))
        << e.panel.statusHistory.join('|').toStdString();
    EXPECT_EQ(gateway.sim->requestedAddresses().mid(0, 5), QList<int>({1, 2, 2, 2, 3}));
    const QStringList afterGiveUp = e.panel.statusHistory.mid(e.panel.statusHistory.lastIndexOf(QStringLiteral("COM1")));
    EXPECT_EQ(afterGiveUp.mid(0, 3), QStringList({"COM1", "3-", "3-Ok!  "})) << e.panel.statusHistory.join('|').toStdString();
    EXPECT_EQ(e.panel.channel(2), NoDataMark);
    EXPECT_TRUE(e.panel.notices.isEmpty()) << e.notices().toStdString();
}

class DroppedByTheGateway : public ::testing::TestWithParam<Way> {};

// The gateway closes each connection after four answers, as one that drops idle or second
// clients does: told once, made again, and the rows go on filling with "Соединение" ticked.
TEST_P(DroppedByTheGateway, TheConnectionIsMadeAgainWithoutUnticking)
{
    Gateway gateway(GetParam(), {"--drop-after", "4"});
    ASSERT_TRUE(gateway.ready()) << "the simulator did not start";
    NetEngine e(gateway.dir());
    e.connect();
    // Four answers on the first connection, four on the second, and more on a third.
    ASSERT_TRUE(e.runUntil([&] { return gateway.sim->requests().size() >= 10; }, 20000))
        << "requests: " << gateway.sim->requests().size() << " notices: " << e.notices().toStdString();
    ASSERT_EQ(e.panel.notices.size(), 1) << e.notices().toStdString();
    EXPECT_TRUE(e.panel.notices[0].startsWith(QStringLiteral("Шлюз 127.0.0.1:%1 разорвал соединение\n").arg(gateway.sim->port())))
        << e.notices().toStdString();
    EXPECT_TRUE(e.panel.connectChecked);
    EXPECT_TRUE(e.engine.PortOpen());
    EXPECT_EQ(e.panel.connectUncheckedCount, 0);
    // Each drop costs at most a slot: no instrument is given up on.
    for (const Reading& r : e.panel.readings) EXPECT_TRUE(r.answered) << "address " << r.address;
    EXPECT_TRUE(e.rowsFilled());
}

INSTANTIATE_TEST_SUITE_P(Gateways, DroppedByTheGateway, ::testing::Values(Way::RtuOverTcp, Way::ModbusTcp), wayName);

TEST(NetworkPeer, OneThatTakesTheConnectionAndNeverAnswersLeavesTheInstrumentsSilent)
{
    if (!Socat::available()) GTEST_SKIP() << "socat is not installed (scripts/setup installs it)";
    Socat mute(QStringLiteral("SYSTEM:cat >/dev/null"));
    ASSERT_NE(mute.port, 0) << "socat did not start";
    QTemporaryDir dir;
    const QString url = QStringLiteral("tcp://127.0.0.1:%1").arg(mute.port);
    mapCom1(dir, url);
    NetEngine e(dir.path());
    e.connect();
    // Each instrument given up on after three silent slots; after a round of them the operator
    // is told that nothing answers behind the gateway.
    ASSERT_TRUE(e.runUntil([&] { return !e.panel.notices.isEmpty(); }, 15000)) << e.panel.statusHistory.join('|').toStdString();
    EXPECT_TRUE(e.panel.notices[0].startsWith(QStringLiteral("Через шлюз 127.0.0.1:%1 не ответил ни один прибор\n").arg(mute.port)))
        << e.notices().toStdString();
    for (int a : {1, 2, 3}) EXPECT_EQ(e.panel.channel(a), NoDataMark) << a;
    EXPECT_TRUE(e.engine.PortOpen());
    EXPECT_TRUE(e.panel.connectChecked);
    e.runUntil([] { return false; }, 3000);  // and the walk goes on
    EXPECT_EQ(e.panel.notices.size(), 1);
}

// Every "connecting to" line of the frame log, with when it was written.
struct ConnectLog {
    static inline QList<qint64>* attempts = nullptr;
    static inline QElapsedTimer* clock = nullptr;
    QList<qint64> times;
    QElapsedTimer started;
    QtMessageHandler previous;

    ConnectLog()
    {
        started.start();
        attempts = &times;
        clock = &started;
        QLoggingCategory::setFilterRules(QStringLiteral("qm.link.debug=true"));
        previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
            if (text.contains(QLatin1String("connecting to"))) *attempts << clock->elapsed();
        });
    }
    ~ConnectLog()
    {
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());
        attempts = nullptr;
    }
};

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TEST(NetworkPeer, NothingListeningIsToldOnceAndTriedAgainWithBackoffWithoutABusyLoop)
{
    QTemporaryDir dir;
    const int port = UnusedLoopbackPort();
    ASSERT_NE(port, 0);
    mapCom1(dir, QStringLiteral("tcp://127.0.0.1:%1").arg(port));
    NetEngine e(dir.path());
    ConnectLog log;
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    e.connect();
    e.runUntil([] { return false; }, 8500);
    const double cpuShare = (cpuSeconds() - cpuBefore) / (wall.elapsed() / 1000.0);

    ASSERT_EQ(e.panel.notices.size(), 1) << e.notices().toStdString();
    EXPECT_TRUE(e.panel.notices[0].startsWith(QStringLiteral("Шлюз 127.0.0.1:%1 не отвечает\nСоединение отвергнуто").arg(port)))
        << e.notices().toStdString();
    EXPECT_TRUE(e.panel.connectChecked);
    EXPECT_TRUE(e.engine.PortOpen());
    // Attempts at 0, 1, 3 and 7 s; give-ups meanwhile do not start the schedule over.
    ASSERT_EQ(log.times.size(), 4) << "attempts at (ms): " << QStringList([&] {
        QStringList t;
        for (qint64 ms : log.times) t << QString::number(ms);
        return t;
    }()).join(' ').toStdString();
    for (int i = 1; i < 4; ++i) EXPECT_NEAR(log.times[i] - log.times[i - 1], 1000 << (i - 1), 400) << i;
    EXPECT_EQ(e.panel.channel(1), NoDataMark);
    EXPECT_LT(cpuShare, 0.10) << "a busy loop would take a whole core";
}

// The same archive of 200 records, read in parallel over a serial pseudo-terminal, over RTU over
// TCP and over Modbus TCP, gives the same image and the same listing.
TEST(NetworkArchive, TwoHundredRecordsReadTheSameOverEveryTransport)
{
    std::array<std::unique_ptr<SimLine>, 3> lines;
    const QStringList archive{"--first", "1", "--count", "3", "--fixed", "--archive", "2:200"};
    // The newest record is taken at the minute a simulator starts: all three start in one minute.
    for (int tries = 0; tries < 3; ++tries) {
        const int minute = QTime::currentTime().minute();
        lines[0] = std::make_unique<SimLine>(archive);
        lines[1] = std::make_unique<SimLine>(archive + QStringList{"--rtu-over-tcp", "0"});
        lines[2] = std::make_unique<SimLine>(archive + QStringList{"--modbus-tcp", "0"});
        if (QTime::currentTime().minute() == minute) break;
    }
    std::array<std::unique_ptr<NetEngine>, 3> engines;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(lines[i]->started()) << "simulator " << i << " did not start";
        engines[i] = std::make_unique<NetEngine>(lines[i]->dir.path());
        engines[i]->connect();
        engines[i]->engine.setCommandAddress(2);
        engines[i]->panel.memo = QStringList{QStringLiteral("Архив")};
        engines[i]->engine.ReadArchive();
    }
    const auto done = [&] {
        for (const auto& e : engines)
            if (e->engine.PendingRequest() != RequestKind::ReadMeasurement || e->panel.memo == QStringList{"Архив"}) return false;
        return true;
    };
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done()) loop.quit();
    });
    QTimer::singleShot(40000, &loop, &QEventLoop::quit);
    check.start(50);
    for (const auto& e : engines) e->timer.start();
    loop.exec();
    ASSERT_TRUE(done()) << "status: " << engines[0]->panel.status.toStdString() << " / " << engines[1]->panel.status.toStdString()
                        << " / " << engines[2]->panel.status.toStdString();

    const QStringList& serial = engines[0]->panel.memo;
    ASSERT_EQ(serial.size(), 200);
    for (int i : {1, 2}) {
        EXPECT_EQ(engines[i]->panel.memo, serial) << "transport " << i;
        EXPECT_EQ(engines[i]->engine.ArchiveImage(), engines[0]->engine.ArchiveImage()) << "transport " << i;
        EXPECT_TRUE(engines[i]->panel.notices.isEmpty()) << engines[i]->notices().toStdString();
    }
}

#else

TEST(OverTheNetwork, NeedsTheSimulator)
{
    GTEST_SKIP() << "qm4700-sim is not built here (it needs libmodbus and a Unix system)";
}

#endif

}  // namespace
