// The connect switch and OpenPort as the operator sees them: the status bar, the message boxes,
// the port list, and which device each COM name opens.
#include "Files.h"
#include "PollRig.h"
#include "Pty.h"
#include "SerialDevices.h"
#include "SerialPort.h"
#include "SimLine.h"

#include <QFile>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

#include <sys/resource.h>

using namespace qm;
using namespace qm::test;

namespace {

// The message of each box with the first lines of its detail; the devices present and how to
// map one follow in the detail of a refused open.
QStringList heads(const QStringList& warnings, int lines = 1)
{
    QStringList out;
    for (const QString& w : warnings) out << w.split(QLatin1Char('\n')).mid(0, lines).join(QLatin1Char('\n'));
    return out;
}

void writePortsCfg(PollRig& rig, const QByteArray& text)
{
    ASSERT_TRUE(WriteAll(rig.dir.filePath(QStringLiteral("ports.cfg")), text));
}

TEST(PollPort, ConnectOpensThePortAndLocksTheList)
{
    PollRig rig;
    rig.engine.SetPeriod();  // a command waiting from before is dropped by connecting
    rig.connect();
    EXPECT_EQ(rig.panel.statusHistory, QStringList({"COM1"}));
    EXPECT_EQ(rig.port.openedDevice, PortDeviceName(0, rig.dir.path()));
    EXPECT_TRUE(rig.engine.PortOpen());
    EXPECT_TRUE(rig.panel.linkUp);
    EXPECT_FALSE(rig.panel.portListEnabled);
    EXPECT_EQ(rig.engine.PendingRequest(), RequestKind::ReadMeasurement);
    EXPECT_TRUE(rig.panel.notices.isEmpty());
}

TEST(PollPort, DisconnectClosesBlanksThePolledRowAndFreesTheList)
{
    PollRig rig(1, 3);
    rig.allAnswer();
    rig.connect();
    ASSERT_EQ(rig.tickUntilWrite(), 10);  // 1
    ASSERT_EQ(rig.tickUntilWrite(), 10);  // 2
    ASSERT_EQ(rig.tickUntilWrite(), 10);  // 3
    ASSERT_EQ(rig.tickUntilWrite(), 10);  // 1 again; row 1 holds its answer
    ASSERT_EQ(rig.panel.cell(1, 1), "7.00");
    ASSERT_EQ(rig.panel.cell(1, 2), "7.00");

    rig.panel.connectChecked = false;
    rig.engine.Disconnect();
    EXPECT_EQ(rig.port.closeCount, 1);
    EXPECT_FALSE(rig.port.isOpen);
    EXPECT_FALSE(rig.engine.PortOpen());
    EXPECT_FALSE(rig.panel.linkUp);
    EXPECT_TRUE(rig.panel.portListEnabled);
    EXPECT_TRUE(rig.panel.cell(1, 1).isEmpty());  // the instrument being polled
    EXPECT_EQ(rig.panel.cell(1, 2), "7.00");
    EXPECT_DOUBLE_EQ(rig.panel.liveValue(1), 7.0);  // a disconnect keeps the values

    const qsizetype writes = rig.port.writes.size();
    const int ticks = rig.engine.TickCount();
    rig.tick(30);
    EXPECT_EQ(rig.port.writes.size(), writes);
    EXPECT_EQ(rig.engine.TickCount(), ticks + 30);  // the ticks only count
}

TEST(PollPort, DisconnectWhileClosedOnlyReevaluatesTheList)
{
    PollRig rig;
    rig.panel.portListEnabled = false;
    rig.panel.idText = "keep";
    rig.engine.Disconnect();
    EXPECT_EQ(rig.port.closeCount, 0);
    EXPECT_TRUE(rig.panel.portListEnabled);
    EXPECT_EQ(rig.panel.idText, "keep");
    EXPECT_TRUE(rig.panel.cleared.isEmpty());
}

// An answer from an instrument below or above the polled rows (a command to it) never leaves the
// walk there: a disconnect after it blanks a row of the range, never one outside the table.
TEST(PollPort, DisconnectAfterAnAnswerFromOutsideTheRowsBlanksOnlyARowOfTheRange)
{
    for (int address : {2, 9}) {
        PollRig rig(5, 3);
        rig.instruments = [](const QByteArray& request) {
            return quint8(request.at(1)) == 3 ? measurementAnswer(quint8(request.at(0))) : withCrc(request.left(6));
        };
        rig.connect();
        ASSERT_EQ(rig.tickUntilWrite(), 10);  // 5
        rig.setCommandAddress(address);
        rig.engine.EraseArchive();
        ASSERT_EQ(rig.tickUntilWrite(), 10);  // the command
        ASSERT_EQ(quint8(rig.port.lastWrite().at(0)), address);
        rig.tick(5);  // its answer
        ASSERT_EQ(rig.engine.PollAddress(), 5) << address;
        rig.panel.idText = "old";
        rig.disconnect();
        EXPECT_EQ(rig.port.closeCount, 1);
        EXPECT_EQ(rig.panel.cleared, QList<int>{5}) << address;
        EXPECT_EQ(rig.panel.idText, "") << address;
    }
}

TEST(PollPort, PortThatDoesNotExistIsRefusedAndNothingIsEverWritten)
{
    PollRig rig;
    rig.engine.setPortIndex(4);
    rig.connect();
    EXPECT_EQ(heads(rig.panel.notices), QStringList({"Порт COM5 занят или не существует"}));
    EXPECT_EQ(rig.panel.statusHistory, QStringList({"COM5"}));
    EXPECT_FALSE(rig.panel.connectChecked);
    EXPECT_EQ(rig.panel.connectUncheckedCount, 1);
    EXPECT_TRUE(rig.panel.portListEnabled);
    EXPECT_FALSE(rig.engine.PortOpen());
    EXPECT_FALSE(rig.panel.linkUp);
    rig.tick(50);
    EXPECT_TRUE(rig.port.writes.isEmpty());
    EXPECT_EQ(rig.port.writesWhileClosed, 0);
    EXPECT_EQ(rig.port.openCount, 1);
}

TEST(PollPort, TheSystemsReasonGoesBeneathTheMessage)
{
    struct Case {
        QString reason;
        bool denied;
        QString expected;
    } cases[] = {
        {"Device or resource busy", false, "Порт COM1 занят или не существует\nDevice or resource busy"},
        {"No such file or directory", false, "Порт COM1 занят или не существует\nNo such file or directory"},
    };
    for (const Case& c : cases) {
        PollRig rig;
        rig.port.existing.clear();
        rig.port.openReason = c.reason;
        rig.port.denied = c.denied;
        rig.connect();
        EXPECT_EQ(heads(rig.panel.notices, 2), QStringList({c.expected}));
    }
}

TEST(PollPort, PermissionDeniedAddsHowToJoinTheDialoutGroup)
{
    PollRig rig;
    rig.port.existing.clear();
    rig.port.openReason = "Permission denied";
    rig.port.denied = true;
    rig.connect();
    ASSERT_EQ(rig.panel.notices.size(), 1);
    const QStringList lines = rig.panel.notices.at(0).split('\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines.at(0), "Порт COM1 занят или не существует");
    EXPECT_EQ(lines.at(1), "Permission denied");
    EXPECT_TRUE(lines.at(2).contains("dialout"));
    EXPECT_TRUE(lines.at(2).contains(PortDeviceName(0, rig.dir.path())));
    EXPECT_FALSE(rig.panel.connectChecked);
}

TEST(PollPort, IndexOutsideTheListIsRefusedWithoutAskingTheSystem)
{
    struct Case {
        int index;
        const char* name;
    } cases[] = {{17, "COM18"}, {-1, "COM0"}, {100, "COM101"}};
    for (const Case& c : cases) {
        PollRig rig;
        rig.engine.setPortIndex(c.index);
        rig.connect();
        EXPECT_EQ(rig.port.openCount, 0);
        EXPECT_EQ(rig.panel.status, c.name);
        ASSERT_EQ(rig.panel.notices.size(), 1);
        EXPECT_TRUE(rig.panel.notices.at(0).startsWith(QStringLiteral("Порт %1 занят или не существует\n").arg(c.name)))
            << rig.panel.notices.at(0).toStdString();
        EXPECT_FALSE(rig.panel.connectChecked);
        EXPECT_TRUE(rig.panel.portListEnabled);
        rig.tick(20);
        EXPECT_TRUE(rig.port.writes.isEmpty());
    }
}

TEST(PollPort, ConfigureFailuresShowTheCodeAndKeepTheBoxTicked)
{
    struct Case {
        Port::ConfigResult result;
        QString expected;
    } cases[] = {
        {{Port::ConfigStage::GetState, 31, QString()}, "ERROR 31: GetCommState"},
        {{Port::ConfigStage::GetState, 0x1001F, "Input/output error"}, "ERROR 31: GetCommState\nInput/output error"},
        {{Port::ConfigStage::SetState, 22, "Invalid argument"}, "ERROR 22: SetCommState\nInvalid argument"},
        {{Port::ConfigStage::SetState, 0xFFFFFFFF, QString()}, "ERROR 65535: SetCommState"},
    };
    for (const Case& c : cases) {
        PollRig rig;
        rig.port.configResult = c.result;
        rig.connect();
        EXPECT_EQ(rig.panel.notices, QStringList({c.expected}));
        EXPECT_EQ(rig.port.closeCount, 1);
        EXPECT_FALSE(rig.port.isOpen);
        EXPECT_FALSE(rig.engine.PortOpen());
        EXPECT_FALSE(rig.panel.linkUp);
        EXPECT_TRUE(rig.panel.connectChecked);
        EXPECT_TRUE(rig.panel.portListEnabled);
        rig.tick(20);
        EXPECT_TRUE(rig.port.writes.isEmpty());
    }
}

TEST(PollPort, ChangingThePortListOnlyChoosesTheNextPortToOpen)
{
    PollRig rig;
    rig.engine.setPortIndex(8);
    EXPECT_EQ(rig.engine.PortIndex(), 8);
    EXPECT_EQ(rig.port.openCount, 0);
    EXPECT_TRUE(rig.panel.statusHistory.isEmpty());
    rig.port.existing << PortDeviceName(8, rig.dir.path());
    rig.connect();
    EXPECT_EQ(rig.panel.status, "COM9");
    EXPECT_EQ(rig.port.openedDevice, PortDeviceName(8, rig.dir.path()));
#ifndef Q_OS_WIN
    EXPECT_EQ(rig.port.openedDevice, "/dev/ttyS8");
#endif
}

TEST(PollPort, Com12OpensItsDeviceWhileEveryTextSaysCom12)
{
#ifdef Q_OS_WIN
    const QString device = "\\\\.\\COM12";
#else
    const QString device = "/dev/pts/77";
#endif
    PollRig rig;
    writePortsCfg(rig, "COM12 /dev/pts/77\n");
    rig.engine.setPortIndex(11);
    rig.connect();  // not there yet
    EXPECT_EQ(heads(rig.panel.notices), QStringList({"Порт COM12 занят или не существует"}));
    EXPECT_EQ(rig.panel.status, "COM12");

    rig.port.existing << device;
    rig.connect();
    EXPECT_EQ(rig.port.openedDevice, device);
    EXPECT_TRUE(rig.engine.PortOpen());
    EXPECT_EQ(rig.panel.status, "COM12");
}

TEST(PollPort, PortsCfgIsReadAtEveryOpen)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "ports.cfg maps names only where COM names are not device names";
#endif
    PollRig rig;
    rig.port.existing << "/dev/ttyUSB0" << "/dev/ttyUSB1";
    writePortsCfg(rig, "COM1 /dev/ttyUSB0\n");
    rig.connect();
    EXPECT_EQ(rig.port.openedDevice, "/dev/ttyUSB0");
    rig.engine.Disconnect();
    writePortsCfg(rig, "COM1 /dev/ttyUSB1\n");
    rig.connect();
    EXPECT_EQ(rig.port.openedDevice, "/dev/ttyUSB1");
}

TEST(PollPort, ConnectingAfterAWhileSendsOnTheFirstTick)
{
    PollRig rig(1, 3);
    rig.tick(57);
    EXPECT_EQ(rig.port.openCount, 0);
    EXPECT_TRUE(rig.panel.statusHistory.isEmpty());
    rig.connect();
    rig.tick();
    ASSERT_EQ(rig.port.writes.size(), 1);
    EXPECT_EQ(rig.port.lastWrite(), measurementRequest(1));
    EXPECT_EQ(rig.panel.statusHistory, QStringList({"COM1", "1-No  0", "1-"}));
}

TEST(PollPort, TickingTheBoxAgainWhileConnectedDoesNotReopen)
{
    PollRig rig;
    rig.connect();
    rig.engine.Connect();
    EXPECT_EQ(rig.port.openCount, 1);
    EXPECT_TRUE(rig.panel.notices.isEmpty());
    EXPECT_TRUE(rig.engine.PortOpen());
}

TEST(PollPort, UnreadablePortsCfgLinesAreReportedWhenThePortIsOpened)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "ports.cfg maps names only where COM names are not device names";
#endif
    // COM1 then opens its default device, which is why the operator must hear of the line.
    for (const QByteArray line : {"COM1=/dev/ttyUSB0", "COM 1 /dev/ttyUSB0", "COM1: /dev/ttyUSB0", "COM18 /dev/ttyUSB0",
                                  "COM1 /dev/tty USB0"}) {
        PollRig rig;
        writePortsCfg(rig, "# adapters\nCOM2 /dev/ttyUSB1\n" + line + "\n");
        rig.connect();
        EXPECT_TRUE(rig.engine.PortOpen());
        ASSERT_EQ(rig.panel.notices.size(), 1) << line.constData();
        EXPECT_TRUE(rig.panel.notices.at(0).contains(QStringLiteral("строка 3")))
            << rig.panel.notices.at(0).toStdString();
        EXPECT_TRUE(rig.panel.notices.at(0).contains(QString::fromUtf8(line))) << rig.panel.notices.at(0).toStdString();

        rig.port.existing.clear();  // the device goes: the give-up's box does not tell it again
        rig.tick(30);
        ASSERT_EQ(rig.panel.notices.size(), 2);
        EXPECT_FALSE(rig.panel.notices.at(1).contains(QStringLiteral("строка"))) << rig.panel.notices.at(1).toStdString();
    }
}

TEST(PollPort, UnreadablePortsCfgLinesGoIntoTheBoxOfAFailedOpen)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "ports.cfg maps names only where COM names are not device names";
#endif
    PollRig rig;
    rig.port.existing.clear();
    writePortsCfg(rig, "COM1=/dev/ttyUSB0\n");
    rig.connect();
    ASSERT_EQ(rig.panel.notices.size(), 1);
    EXPECT_TRUE(rig.panel.notices.at(0).startsWith(QStringLiteral("Порт COM1 занят или не существует\n")));
    EXPECT_TRUE(rig.panel.notices.at(0).contains(QStringLiteral("строка 1"))) << rig.panel.notices.at(0).toStdString();
    EXPECT_TRUE(rig.panel.notices.at(0).contains(QStringLiteral("COM1=/dev/ttyUSB0")));
}

// Every message of the program's logging categories, as a service engineer's log would hold it.
QStringList g_log;
void recordLog(QtMsgType, const QMessageLogContext& context, const QString& text)
{
    g_log << QString::fromLatin1(context.category) + QStringLiteral(": ") + text;
}

TEST(PollPort, FramesAndPortEventsAreLoggedOnlyWhenAsked)
{
    for (bool on : {false, true}) {
        g_log.clear();
        QLoggingCategory::setFilterRules(on ? QStringLiteral("qm.link.debug=true\nqm.poll.debug=true") : QString());
        const QtMessageHandler previous = qInstallMessageHandler(recordLog);
        PollRig rig(1, 1);
        rig.instruments = [](const QByteArray&) { return QByteArray(); };
        rig.tick(9);  // the port closed: the ticks only count
        rig.connect();
        rig.tick();  // the first request
        rig.port.arrive(hex("01 83 02"));
        rig.tick(29);  // a short answer, then silence until the instrument is given up
        rig.panel.connectChecked = false;
        rig.engine.Disconnect();
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());

        const QStringList link = g_log.filter(QRegularExpression(QStringLiteral("^qm\\.link: ")));
        const QStringList poll = g_log.filter(QRegularExpression(QStringLiteral("^qm\\.poll: ")));
        if (!on) {
            EXPECT_TRUE(link.isEmpty() && poll.isEmpty()) << g_log.join('\n').toStdString();
            continue;
        }
        // Time of day to the millisecond, the tick of the slot, the bytes in hex.
        const QRegularExpression request(QStringLiteral("^qm\\.link: \\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d tick \\d+ -> 01 03 00 00 00 09 85 CC$"));
        const QRegularExpression answer(QStringLiteral("^qm\\.link: \\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d tick 1 <- 01 83 02$"));
        EXPECT_EQ(link.filter(request).size(), 3) << link.join('\n').toStdString();
        EXPECT_EQ(link.filter(answer).size(), 1) << link.join('\n').toStdString();
        const QString events = poll.join('\n');
        for (const char* word : {"open", "give up", "reopen", "close"})
            EXPECT_TRUE(events.contains(QLatin1String(word))) << word << "\n" << events.toStdString();
    }
}

// The frame log judges the address of every answer against the request it answers, not only its
// CRC.
TEST(PollPort, FrameLogNamesTheAddressVerdictOfEachAnswer)
{
    QByteArray garbled = measurementAnswer(1);
    garbled[4] = char(garbled[4] ^ 0x10);
    const struct {
        const char* name;
        QByteArray answer;
        bool late;  // arrives as the next request goes out
        const char* verdict;
    } cases[] = {
        {"its own", measurementAnswer(1), false, "frame of 23 bytes: CRC ok; адрес 1: верно"},
        {"another address", measurementAnswer(5), false, "frame of 23 bytes: CRC ok; адрес 5: чужой, запрошен адрес 1"},
        {"bad CRC", garbled, false, "frame of 23 bytes: CRC bad; адрес не проверен: кадр искажён"},
        {"late", measurementAnswer(1), true, "frame of 23 bytes: CRC ok; адрес 1: ответ на прежний запрос"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_log.clear();
        QLoggingCategory::setFilterRules(QStringLiteral("qm.link.debug=true"));
        const QtMessageHandler previous = qInstallMessageHandler(recordLog);
        PollRig rig(1, 1);
        rig.connect();
        ASSERT_NE(rig.tickUntilWrite(), 0);  // the request
        // A late answer begins only in the tick that writes the next request.
        if (c.late) rig.tick(8);
        rig.port.arrive(c.answer);
        rig.tick(c.late ? 6 : 5);
        if (c.late) {
            EXPECT_EQ(rig.port.writes.size(), 2);
        }
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());
        const QStringList verdicts = g_log.filter(QStringLiteral("frame of"));
        ASSERT_EQ(verdicts.size(), 1) << g_log.join('\n').toStdString();
        EXPECT_TRUE(verdicts.first().endsWith(QString::fromUtf8(c.verdict))) << verdicts.first().toStdString();
    }
}

// CPU time this process has used, user and system, in seconds.
double cpuSeconds()
{
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) + double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

// The engine on the real port and a pseudo-terminal whose master side answers as instrument 1.
// ports.cfg reaches the device through a link, as a /dev/serial/by-id name reaches an adapter,
// so the same path leads to the device again once it is back.
struct PtyLine {
    QTemporaryDir dir;
    QString link;
    std::unique_ptr<Pty> pty;
    std::unique_ptr<QSocketNotifier> instrument;
    SerialPort port;
    FakePanel panel;
    PollEngine engine{port, panel};
    QTimer timer;

    PtyLine()
    {
        engine.setWorkDir(dir.path());
        panel.workDir = dir.path();
        panel.setRange({1, 1});
        link = dir.filePath(QStringLiteral("adapter"));
        WriteAll(dir.filePath(QStringLiteral("ports.cfg")), "COM1 " + QFile::encodeName(link) + "\n");
        engine.Init({1, 1});
        timer.setInterval(100);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, [this] { engine.Tick(); });
        plugIn();
    }
    void plugIn()
    {
        pty = std::make_unique<Pty>();
        QFile::remove(link);
        QFile::link(pty->slave, link);
        instrument = std::make_unique<QSocketNotifier>(pty->master, QSocketNotifier::Read);
        QObject::connect(instrument.get(), &QSocketNotifier::activated, [this] {
            if (pty->readAvailable().size() >= 8) pty->send(measurementAnswer(1));
        });
    }
    void unplug()
    {
        instrument.reset();
        pty->unplug();
    }
    void connect()
    {
        panel.statusHistory.clear();
        panel.connectChecked = true;
        // The first request goes out on the first tick: as many ticks have passed since the last
        // slot (the port was closed meanwhile, or this is the first connect).
        while (engine.TickCount() < 10) engine.Tick();
        engine.Connect();
    }
    bool answered() const { return panel.statusHistory.contains(QStringLiteral("1-Ok!  ")); }
};

TEST(PollPort, UnpluggedDeviceIsGivenUpAtOnceWithoutSpinning)
{
    PtyLine line;
    ASSERT_FALSE(line.pty->slave.isEmpty());
    line.connect();
    ASSERT_TRUE(RunTimerUntil(line.timer, [&] { return line.answered(); }, 5000));

    line.panel.statusHistory.clear();
    line.unplug();
    const double before = cpuSeconds();
    RunTimerUntil(line.timer, [] { return false; }, 3000);
    EXPECT_LT(cpuSeconds() - before, 0.15) << "CPU seconds in the 3 s after the device went";
    ASSERT_EQ(line.panel.notices.size(), 1) << line.panel.notices.join("\n---\n").toStdString();
    EXPECT_TRUE(line.panel.notices.at(0).startsWith(QStringLiteral("Порт COM1 занят или не существует")));
    ASSERT_FALSE(line.panel.statusHistory.isEmpty());
    EXPECT_EQ(line.panel.statusHistory.first(), "COM1") << "given up before any missed-answer check";
    EXPECT_FALSE(line.panel.connectChecked);
    EXPECT_FALSE(line.engine.PortOpen());

    line.plugIn();
    line.connect();
    EXPECT_TRUE(RunTimerUntil(line.timer, [&] { return line.answered(); }, 5000));
    EXPECT_EQ(line.panel.notices.size(), 1);
}

TEST(PollPort, BuiltInPortThatAnswersNothingForARoundPointsToTheDevicesPresent)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "ports.cfg maps names only where COM names are not device names";
#endif
    struct Case {
        QByteArray portsCfg;
        int answering;  // the address that answers, 0 for none
        int notices;
    } cases[] = {
        {"", 0, 1},                      // COM1 -> /dev/ttyS0, and the instruments are elsewhere
        {"", 2, 0},                      // one instrument answers: the port is the right one
        {"COM1 /dev/ttyUSB0\n", 0, 0},   // a chosen adapter: the instruments are silent, not missing
    };
    for (const Case& c : cases) {
        PollRig rig(1, 3);
        writePortsCfg(rig, c.portsCfg);
        rig.port.existing << "/dev/ttyUSB0";
        const QStringList& notices = rig.panel.notices;
        rig.allAnswer([&](int address) { return address != c.answering; });
        rig.connect();
        rig.tick(2 * 3 * 30);  // two rounds of three instruments given up on
        EXPECT_EQ(notices.size(), c.notices) << c.portsCfg.constData() << c.answering;
        if (notices.isEmpty()) continue;
        EXPECT_TRUE(notices.at(0).startsWith(QStringLiteral("На порту COM1 (/dev/ttyS0) не ответил ни один прибор\n")))
            << notices.at(0).toStdString();
        // The devices present, which one the name opens now, and a line for another one if any.
        bool another = false;
        for (const SerialDevice& d : SerialDevicesPresent()) {
            EXPECT_TRUE(notices.at(0).contains(d.path));
            another = another || (d.path != "/dev/ttyS0" && d.device != "/dev/ttyS0");
        }
        EXPECT_TRUE(notices.at(0).contains(QStringLiteral("Сейчас COM1 открывает /dev/ttyS0")));
        EXPECT_EQ(notices.at(0).contains(rig.dir.filePath(QStringLiteral("ports.cfg"))), another);
        EXPECT_FALSE(notices.at(0).contains(QStringLiteral("\n  COM1 /dev/ttyS0")));
        EXPECT_EQ(rig.panel.problems.first().kind, PortProblem::Kind::NothingAnswers);
    }
}

}  // namespace
