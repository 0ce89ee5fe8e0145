// qm4700-collector as a service runs it: the program itself in a line directory, the simulator on
// a pseudo-terminal or a TCP port, a real mosquitto and a real subscriber. What a central system
// receives, what the log says, and how it ends.
#include "Broker.h"
#include "Files.h"
#include "QStringPrint.h"
#include "Settings.h"
#include "TrendJournalFormat.h"
#include "SimLine.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

#include <csignal>
#include <memory>

namespace {

using qm::test::Broker;
using qm::test::SimLine;
using qm::test::Subscriber;
using qm::test::WaitUntil;

// The collector on dir, its standard error (the log) kept as it comes.
struct CollectorProcess {
    QProcess process;
    QByteArray err;

    explicit CollectorProcess(const QString& dir)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_LOGGING_RULES", "QM_LOG_FILE", "JOURNAL_STREAM", "QT_MESSAGE_PATTERN"})
            env.remove(QLatin1String(name));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(QM_COLLECTOR_PATH), {QStringLiteral("--dir"), dir});
        process.waitForStarted(5000);
    }
    ~CollectorProcess()
    {
        if (process.state() == QProcess::NotRunning) return;
        process.kill();  // by its process id
        process.waitForFinished(5000);
    }
    QString log()
    {
        err += process.readAllStandardError();
        return QString::fromUtf8(err);
    }
    bool logs(const QString& text)
    {
        return WaitUntil([&] { return log().contains(text); }, 15000);
    }
};

// it.cfg for the range first..first+count-1 on COM1, a sample every second.
void WriteLine(const QString& dir, int first, int count, bool journal = false)
{
    qm::Settings s;
    s.portIndex = 0;
    s.firstAddress = first;
    s.deviceCount = count;
    s.sampleInterval = 1;
    QByteArray text;
    for (const qint32 v : s.values()) text += QByteArray::number(v) + "\r\n";
    ASSERT_TRUE(qm::test::WriteAll(QDir(dir).filePath(qm::SettingsFileName), text));
    ASSERT_TRUE(qm::test::WriteAll(QDir(dir).filePath(QStringLiteral("journal.cfg")), journal ? "1\n" : "0\n"));
}

void WriteMqtt(const QString& dir, int port)
{
    ASSERT_TRUE(qm::test::WriteAll(QDir(dir).filePath(QStringLiteral("mqtt.cfg")),
                                   "enabled = yes\nhost = 127.0.0.1\nport = " + QByteArray::number(port) + "\nline = c1\n"));
}

QJsonObject Json(const QByteArray& bytes) { return QJsonDocument::fromJson(bytes).object(); }

#define REQUIRE_MOSQUITTO()                                                                       \
    if (qm::test::MosquittoPath().isEmpty()) GTEST_SKIP() << "mosquitto is not installed (scripts/setup installs it)"

TEST(Collector, PublishesTheRangeKeepsTheJournalAndLeavesTheLineOfflineOnSigterm)
{
    REQUIRE_MOSQUITTO();
    Broker broker;
    ASSERT_TRUE(broker.start());
    SimLine sim({"--first", "5", "--count", "3", "--fixed"});
    ASSERT_TRUE(sim.started());
    const QString dir = sim.dir.path();
    WriteLine(dir, 5, 3, true);
    WriteMqtt(dir, broker.port);
    Subscriber subscriber(broker.port, "qm4700/c1/#");
    ASSERT_TRUE(WaitUntil([&] { return subscriber.subscribed(); }));

    CollectorProcess collector(dir);
    ASSERT_TRUE(WaitUntil([&] {
        return !subscriber.on("qm4700/c1/5/state").empty() && !subscriber.on("qm4700/c1/6/state").empty()
               && !subscriber.on("qm4700/c1/7/state").empty();
    }, 20000)) << collector.log().toStdString();
    EXPECT_TRUE(Json(subscriber.on("qm4700/c1/7/state").back().payload)["online"].toBool()) << collector.log().toStdString();
    EXPECT_TRUE(subscriber.on("qm4700/c1/8/state").empty());
    const QString journal = qm::JournalFilePath(dir, QDate::currentDate());
    ASSERT_TRUE(WaitUntil([&] { return qm::test::ReadAll(journal).count('\n') >= 2; }, 20000)) << collector.log().toStdString();
    EXPECT_TRUE(qm::test::ReadAll(journal).contains(",pH.5,T.5,pH.6,T.6,pH.7,T.7\r\n"))
        << qm::test::ReadAll(journal).constData();

    QElapsedTimer stopping;
    stopping.start();
    ::kill(pid_t(collector.process.processId()), SIGTERM);
    ASSERT_TRUE(collector.process.waitForFinished(10000)) << collector.log().toStdString();
    EXPECT_EQ(collector.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(collector.process.exitCode(), 0) << collector.log().toStdString();
    RecordProperty("stop_ms", int(stopping.elapsed()));
    Subscriber late(broker.port, "qm4700/c1/status");
    ASSERT_TRUE(WaitUntil([&] { return late.messages().size() == 1; }));
    EXPECT_EQ(late.messages()[0].payload, "offline");
    EXPECT_TRUE(late.messages()[0].retained);
    // A clean goodbye: the broker did not have to send the will for it.
    EXPECT_TRUE(broker.log().contains("Client qm4700-qm4700-c1 disconnected.")) << broker.log().constData();
}

TEST(Collector, AnAlarmChangeIsPublished)
{
    REQUIRE_MOSQUITTO();
    Broker broker;
    ASSERT_TRUE(broker.start());
    SimLine sim({"--first", "2", "--count", "1", "--set", "2:ph=9.25"});
    ASSERT_TRUE(sim.started());
    const QString dir = sim.dir.path();
    WriteLine(dir, 2, 1);
    WriteMqtt(dir, broker.port);
    ASSERT_TRUE(qm::test::WriteAll(QDir(dir).filePath(QStringLiteral("alarms.cfg")), "2 pH - 8.5 0 0\n"));
    Subscriber subscriber(broker.port, "qm4700/c1/+/alarm/#");
    ASSERT_TRUE(WaitUntil([&] { return subscriber.subscribed(); }));

    CollectorProcess collector(dir);
    ASSERT_TRUE(WaitUntil([&] { return !subscriber.on("qm4700/c1/2/alarm/ph_high").empty(); }, 20000)) << collector.log().toStdString();
    const auto got = subscriber.on("qm4700/c1/2/alarm/ph_high");
    const QJsonObject o = Json(got[0].payload);
    EXPECT_EQ(o["state"].toString(), QStringLiteral("active"));
    EXPECT_EQ(o["value"].toDouble(), 9.25);
    EXPECT_EQ(o["limit"].toDouble(), 8.5);
    EXPECT_TRUE(collector.logs(QStringLiteral("Тревога: прибор 2"))) << collector.log().toStdString();
}

// One line, one master: the second collector on a line is refused and says why, whether the
// line is a serial port (opened exclusively) or a network line (locked in /run/lock).
TEST(Collector, ASecondProgramOnTheSameLineIsRefused)
{
    struct Case {
        QStringList simOptions;
        QString refusal;
    };
    const Case cases[] = {
        {{}, QStringLiteral("Порт COM1 занят или не существует")},
        {{"--rtu-over-tcp", "0"}, QStringLiteral("Линия занята другой программой (qm4700-collector, PID ")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.simOptions.join(' ').toStdString());
        SimLine sim(c.simOptions + QStringList{"--count", "1"});
        ASSERT_TRUE(sim.started());
        WriteLine(sim.dir.path(), 1, 1);
        CollectorProcess first(sim.dir.path());
        ASSERT_TRUE(first.logs(QStringLiteral("открыт, опрос идёт"))) << first.log().toStdString();

        QTemporaryDir other;
        ASSERT_TRUE(qm::test::WriteAll(other.filePath(QStringLiteral("ports.cfg")), "COM1 " + sim.device.toLocal8Bit() + "\n"));
        WriteLine(other.path(), 1, 1);
        CollectorProcess second(other.path());
        EXPECT_TRUE(second.logs(c.refusal)) << second.log().toStdString();
        qm::test::RunFor(1500);
        EXPECT_FALSE(second.log().contains(QStringLiteral("открыт, опрос идёт"))) << second.log().toStdString();
        // The first is not disturbed.
        EXPECT_FALSE(first.log().contains(QStringLiteral("связь потеряна"))) << first.log().toStdString();
    }
}

// The adapter pulled out and put back: the simulator goes with its pseudo-terminal and comes back
// on a new one, which ports.cfg then names.
TEST(Collector, ALostLineIsOpenedAgain)
{
    auto sim = std::make_unique<SimLine>(QStringList{"--count", "1"});
    ASSERT_TRUE(sim->started());
    QTemporaryDir dir;
    const QString portsCfg = dir.filePath(QStringLiteral("ports.cfg"));
    ASSERT_TRUE(qm::test::WriteAll(portsCfg, "COM1 " + sim->device.toLocal8Bit() + "\n"));
    WriteLine(dir.path(), 1, 1);
    CollectorProcess collector(dir.path());
    ASSERT_TRUE(collector.logs(QStringLiteral("открыт, опрос идёт"))) << collector.log().toStdString();

    sim.reset();
    ASSERT_TRUE(collector.logs(QStringLiteral("следующая попытка"))) << collector.log().toStdString();
    QTemporaryDir simDir;
    QProcess back;
    const QString requests = simDir.filePath(QStringLiteral("sim.log"));
    back.start(QStringLiteral(QM_SIM_PATH), {"--count", "1", "--ports-cfg", portsCfg, "--log", requests});
    ASSERT_TRUE(back.waitForStarted(5000));
    EXPECT_TRUE(WaitUntil([&] { return collector.log().count(QStringLiteral("открыт, опрос идёт")) == 2; }, 40000))
        << collector.log().toStdString();
    EXPECT_TRUE(WaitUntil([&] { return !qm::test::ReadAll(requests).isEmpty(); })) << collector.log().toStdString();
    back.terminate();
    back.waitForFinished(3000);
}

// A settings file damaged by hand: one log line names the file and the line, what it did not
// give is taken by default (a damaged mqtt.cfg: no publishing), and the line is polled all the same.
TEST(Collector, ADamagedSettingsFileIsToldOnceByItsLineAndPollingGoesOn)
{
    struct Case {
        QString file;
        QByteArray bytes;
        QString told;
    };
    const Case cases[] = {
        {QStringLiteral("mqtt.cfg"), "enabled = yes\nport = many\n", QStringLiteral("строка 2")},
        {QStringLiteral("it.cfg"), "0\r\n1\r\n1000\r\n1\r\nten\r\n", QStringLiteral("строка 5")},
        {QStringLiteral("alarms.cfg"), "1 pH - 8.5 0 0\n1 pH 9 nine 0 0\n", QStringLiteral("строка 2")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        SimLine sim({"--count", "1"});
        ASSERT_TRUE(sim.started());
        WriteLine(sim.dir.path(), 1, 1);
        ASSERT_TRUE(qm::test::WriteAll(sim.dir.filePath(c.file), c.bytes));
        CollectorProcess collector(sim.dir.path());
        ASSERT_TRUE(collector.logs(QStringLiteral("открыт, опрос идёт"))) << collector.log().toStdString();
        const qsizetype polled = sim.requests().size();
        EXPECT_TRUE(WaitUntil([&] { return sim.requests().size() >= polled + 2; })) << collector.log().toStdString();
        const QStringList lines = collector.log().split(QLatin1Char('\n')).filter(c.file);
        ASSERT_EQ(lines.size(), 1) << collector.log().toStdString();
        EXPECT_TRUE(lines[0].contains(c.told)) << lines[0].toStdString();
        if (c.file == QLatin1String("mqtt.cfg")) {
            EXPECT_TRUE(lines[0].contains(QStringLiteral("Публикация MQTT выключена"))) << lines[0].toStdString();
        }
        EXPECT_EQ(collector.process.state(), QProcess::Running);
    }
}

}  // namespace
