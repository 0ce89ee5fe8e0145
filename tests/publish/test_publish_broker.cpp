// The publisher against a real mosquitto on a loopback port, read by a real subscriber: what a
// central system, a dashboard or Home Assistant would receive, and what an outage, a broker
// restart, a wrong password and TLS do to it. (The will of a killed program: tests/e2e.)
#include "Broker.h"
#include "Publisher.h"
#include "QStringPrint.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using qm::MqttSettings;
using qm::PublishFailure;
using qm::Publisher;
using qm::Reading;
using qm::test::Broker;
using qm::test::Subscriber;
using qm::test::WaitUntil;

Reading Answered(quint8 address, qint16 ph, qint16 e = -1234, qint16 t = 255, const QDateTime& at = QDateTime::currentDateTime())
{
    Reading r;
    r.address = address;
    r.answered = true;
    r.received = at;
    r.phRaw = ph;
    r.eRaw = e;
    r.tRaw = t;
    r.status = 0x11;
    r.id = quint16(0x1100 | address);
    return r;
}

MqttSettings Settings(int port)
{
    MqttSettings s;
    s.enabled = true;
    s.host = QStringLiteral("127.0.0.1");
    s.port = port;
    s.line = QStringLiteral("L1");
    return s;
}

bool Connected(const Publisher& p) { return std::holds_alternative<qm::publish::Connected>(p.state()); }

QJsonObject Json(const QByteArray& bytes) { return QJsonDocument::fromJson(bytes).object(); }

// Connected to the broker on `port`, trying again soon after a loss (the outage tests' broker
// comes back within a second).
bool ConnectRetryingSoon(Publisher& publisher, int port)
{
    publisher.setRetryDelays(100, 400);
    publisher.configure(Settings(port), QDir::tempPath(), QString());
    return WaitUntil([&] { return Connected(publisher); });
}

#define REQUIRE_MOSQUITTO()                                                                       \
    if (qm::test::MosquittoPath().isEmpty()) GTEST_SKIP() << "mosquitto is not installed (scripts/setup installs it)"

TEST(PublishBroker, StateAndAvailabilityAreRetainedWithTheInstrumentsValues)
{
    REQUIRE_MOSQUITTO();
    Broker broker;
    ASSERT_TRUE(broker.start());
    Publisher publisher;
    publisher.configure(Settings(broker.port), QDir::tempPath(), QString());
    ASSERT_TRUE(WaitUntil([&] { return Connected(publisher); }));
    const QDateTime at(QDate(2026, 12, 7), QTime(14, 5, 3), QTimeZone(3 * 3600));
    publisher.publishReading(Answered(3, 701, -1234, 255, at));
    publisher.publishReading(Reading::silent(4, at));

    // A subscriber that comes later gets what the broker retained.
    Subscriber late(broker.port);
    ASSERT_TRUE(WaitUntil([&] { return late.on("qm4700/L1/4/state").size() == 1 && late.on("qm4700/L1/status").size() == 1; }));
    const auto status = late.on("qm4700/L1/status");
    EXPECT_EQ(status[0].payload, "online");
    EXPECT_TRUE(status[0].retained);

    const auto state = late.on("qm4700/L1/3/state");
    ASSERT_EQ(state.size(), 1u);
    EXPECT_TRUE(state[0].retained);
    const QJsonObject o = Json(state[0].payload);
    EXPECT_EQ(o["time"].toString(), QStringLiteral("2026-12-07T14:05:03+03:00"));
    EXPECT_EQ(o["ph"].toDouble(), 7.01);
    EXPECT_EQ(o["e_mv"].toDouble(), -123.4);
    EXPECT_EQ(o["t_c"].toDouble(), 25.5);
    EXPECT_EQ(o["status"].toInt(), 0x11);
    EXPECT_EQ(o["id"].toInt(), 0x1103);
    EXPECT_EQ(o["online"].toBool(false), true);
    // The numbers as the instrument gave them, not a binary fraction's digits.
    EXPECT_TRUE(state[0].payload.contains("\"ph\":7.01")) << state[0].payload.constData();

    const QJsonObject silent = Json(late.on("qm4700/L1/4/state")[0].payload);
    EXPECT_EQ(silent["online"].toBool(true), false);
    EXPECT_TRUE(silent["ph"].isNull());
}

TEST(PublishBroker, DiscoveryConfigsDescribeEachSensorForHomeAssistant)
{
    REQUIRE_MOSQUITTO();
    Broker broker;
    ASSERT_TRUE(broker.start());
    MqttSettings s = Settings(broker.port);
    s.discovery = true;
    Publisher publisher;
    publisher.configure(s, QDir::tempPath(), QString());
    ASSERT_TRUE(WaitUntil([&] { return Connected(publisher); }));
    publisher.publishReading(Answered(5, 650));
    // Home Assistant may start long after the program: the configs wait on the broker.
    Subscriber subscriber(broker.port, "homeassistant/#");
    ASSERT_TRUE(WaitUntil([&] { return subscriber.messages().size() >= 3; }));

    struct Expected {
        const char* deviceClass;
        QString unit;  // none for pH
        const char* value;
    };
    const std::map<QString, Expected> expected = {
        {"ph", {"ph", QString(), "{{ value_json.ph }}"}},
        {"voltage", {"voltage", QStringLiteral("mV"), "{{ value_json.e_mv }}"}},
        {"temperature", {"temperature", QStringLiteral("°C"), "{{ value_json.t_c }}"}},
    };
    QSet<QString> uniqueIds;
    for (const qm::test::Message& m : subscriber.messages()) {
        SCOPED_TRACE(m.topic.constData());
        EXPECT_TRUE(m.retained);
        EXPECT_TRUE(m.topic.startsWith("homeassistant/sensor/") && m.topic.endsWith("/config"));
        QJsonParseError error;
        const QJsonObject o = QJsonDocument::fromJson(m.payload, &error).object();
        ASSERT_EQ(error.error, QJsonParseError::NoError);
        const QString deviceClass = o["device_class"].toString();
        ASSERT_TRUE(expected.count(deviceClass)) << deviceClass.toStdString();
        const Expected& e = expected.at(deviceClass);
        EXPECT_EQ(o["unit_of_measurement"].toString(), e.unit);
        EXPECT_EQ(o.contains("unit_of_measurement"), !e.unit.isEmpty());
        EXPECT_EQ(o["value_template"].toString(), QLatin1String(e.value));
        EXPECT_EQ(o["state_class"].toString(), QStringLiteral("measurement"));
        EXPECT_EQ(o["state_topic"].toString(), QStringLiteral("qm4700/L1/5/state"));
        EXPECT_FALSE(o["device"].toObject()["identifiers"].toArray().isEmpty());
        EXPECT_EQ(o["availability"].toArray()[0].toObject()["topic"].toString(), QStringLiteral("qm4700/L1/status"));
        uniqueIds.insert(o["unique_id"].toString());
    }
    EXPECT_EQ(uniqueIds.size(), 3);
}

TEST(PublishBroker, ReadingsTakenWhileTheBrokerIsDownArriveAfterItsRestartInOrder)
{
    REQUIRE_MOSQUITTO();
    Broker broker;
    ASSERT_TRUE(broker.start());
    Publisher publisher;
    ASSERT_TRUE(ConnectRetryingSoon(publisher, broker.port));
    {
        Subscriber before(broker.port, "qm4700/L1/+/state");
        ASSERT_TRUE(WaitUntil([&] { return before.subscribed(); }));
        for (qint16 ph = 100; ph < 103; ++ph) publisher.publishReading(Answered(1, ph));
        ASSERT_TRUE(WaitUntil([&] { return before.messages().size() == 3; }));
    }

    // The broker stalls: readings go out and are never acknowledged. Then it dies with them.
    const QDateTime t0 = QDateTime::currentDateTime();
    const auto reading = [&](int i) { return Answered(quint8(1 + i % 2), qint16(200 + i), -1, 250, t0.addSecs(i)); };
    broker.pause();
    for (int i = 0; i < 5; ++i) publisher.publishReading(reading(i));
    qm::test::RunFor(200);
    broker.stop();
    ASSERT_TRUE(WaitUntil([&] { return std::holds_alternative<qm::publish::Retrying>(publisher.state()); }));
    for (int i = 5; i < 40; ++i) publisher.publishReading(reading(i));
    qm::test::RunFor(600);  // attempts fail meanwhile
    EXPECT_EQ(publisher.backlogSize(), 40);

    ASSERT_TRUE(broker.start());
    Subscriber after(broker.port, "qm4700/L1/+/history");
    ASSERT_TRUE(WaitUntil([&] { return after.subscribed(); }));
    publisher.retryNow();
    ASSERT_TRUE(WaitUntil([&] { return after.messages().size() >= 40; }));
    qm::test::RunFor(200);
    const auto got = after.messages();
    ASSERT_EQ(got.size(), 40u);
    for (int i = 0; i < 40; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got[size_t(i)].topic, QByteArray("qm4700/L1/") + QByteArray::number(1 + i % 2) + "/history");
        EXPECT_FALSE(got[size_t(i)].retained);
        const QJsonObject o = Json(got[size_t(i)].payload);
        EXPECT_EQ(o["ph"].toDouble(), (200 + i) / 100.0);
        EXPECT_EQ(QDateTime::fromString(o["time"].toString(), Qt::ISODate), t0.addSecs(i).addMSecs(-t0.time().msec()));
    }
    EXPECT_EQ(publisher.backlogSize(), 0);
}

// Each alarm keeps its own retained topic, so that a later subscriber finds every alarm as it
// stands; while the broker is away only each alarm's latest change waits, and goes out on return.
TEST(PublishBroker, EachAlarmsLatestChangeIsRetainedOnItsOwnTopicAcrossAnOutage)
{
    REQUIRE_MOSQUITTO();
    Broker broker;
    ASSERT_TRUE(broker.start());
    Publisher publisher;
    ASSERT_TRUE(ConnectRetryingSoon(publisher, broker.port));
    const QDateTime at(QDate(2026, 12, 7), QTime(14, 5, 3), QTimeZone(3 * 3600));
    const auto change = [&](int address, qm::AlarmCondition condition, qm::AlarmState previous, qm::AlarmState state,
                            std::optional<double> value) {
        qm::AlarmChange c;
        c.time = at;
        c.address = address;
        c.condition = condition;
        if (value) c.limit = 8.5;
        c.value = value;
        c.previous = previous;
        c.state = state;
        return c;
    };
    using enum qm::AlarmState;
    publisher.publishAlarm(change(2, qm::AlarmCondition::PhHigh, Normal, Active, 8.9));

    broker.stop();
    ASSERT_TRUE(WaitUntil([&] { return std::holds_alternative<qm::publish::Retrying>(publisher.state()); }));
    publisher.publishAlarm(change(2, qm::AlarmCondition::PhHigh, Active, Acknowledged, 8.9));
    publisher.publishAlarm(change(3, qm::AlarmCondition::NoAnswer, Normal, Active, std::nullopt));
    ASSERT_TRUE(broker.start());
    publisher.retryNow();
    ASSERT_TRUE(WaitUntil([&] { return Connected(publisher); }));

    Subscriber late(broker.port, "qm4700/L1/+/alarm/#");
    ASSERT_TRUE(WaitUntil([&] { return late.messages().size() >= 2; }));
    qm::test::RunFor(200);
    ASSERT_EQ(late.messages().size(), 2u);
    const auto high = late.on("qm4700/L1/2/alarm/ph_high");
    ASSERT_EQ(high.size(), 1u);
    EXPECT_TRUE(high[0].retained);
    EXPECT_EQ(high[0].payload, QByteArray(R"({"acknowledged":true,"active":true,"condition":"ph_high","limit":8.5,)"
                                          R"("previous":"active","state":"acknowledged","time":"2026-12-07T14:05:03+03:00","value":8.9})"));
    const auto silent = late.on("qm4700/L1/3/alarm/no_answer");
    ASSERT_EQ(silent.size(), 1u);
    const QJsonObject o = Json(silent[0].payload);
    EXPECT_EQ(o["state"].toString(), QStringLiteral("active"));
    EXPECT_TRUE(o["value"].isNull());
    EXPECT_TRUE(o["limit"].isNull());
}

TEST(PublishBroker, BeyondTheBoundTheOldestReadingsGoAndAreToldOnce)
{
    REQUIRE_MOSQUITTO();
    Broker broker;  // not started: the broker is down from the start
    Publisher publisher;
    publisher.setRetryDelays(100, 200);
    publisher.setBacklogCapacity(5);
    int told = 0;
    QObject::connect(&publisher, &Publisher::backlogOverflow, [&](qsizetype capacity) {
        ++told;
        EXPECT_EQ(capacity, 5);
    });
    publisher.configure(Settings(broker.port), QDir::tempPath(), QString());
    for (qint16 ph = 300; ph < 308; ++ph) publisher.publishReading(Answered(1, ph));
    EXPECT_EQ(publisher.droppedTotal(), 3);
    EXPECT_EQ(told, 1);

    ASSERT_TRUE(broker.start());
    Subscriber subscriber(broker.port, "qm4700/L1/1/history");
    ASSERT_TRUE(WaitUntil([&] { return subscriber.subscribed(); }));
    publisher.retryNow();
    ASSERT_TRUE(WaitUntil([&] { return subscriber.messages().size() >= 5; }));
    EXPECT_EQ(Json(subscriber.messages().front().payload)["ph"].toDouble(), 3.03);
    EXPECT_EQ(Json(subscriber.messages().back().payload)["ph"].toDouble(), 3.07);
    EXPECT_EQ(told, 1);
}

TEST(PublishBroker, AWrongPasswordOrAPasswordFileOthersCanReadIsRefusedWithOneMessage)
{
    REQUIRE_MOSQUITTO();
    const QString passwd = QStandardPaths::findExecutable(QStringLiteral("mosquitto_passwd"));
    if (passwd.isEmpty()) GTEST_SKIP() << "mosquitto_passwd is not installed";
    QTemporaryDir work;
    const QString users = work.filePath(QStringLiteral("users"));
    ASSERT_EQ(QProcess::execute(passwd, {QStringLiteral("-b"), QStringLiteral("-c"), users, QStringLiteral("line"), QStringLiteral("s3cret")}), 0);
    ::chmod(QFile::encodeName(users).constData(), 0644);  // the broker reads it as our user
    Broker broker("listener PORT 127.0.0.1\nallow_anonymous false\npassword_file " + users.toUtf8() + "\n");
    ASSERT_TRUE(broker.start());

    struct Case {
        const char* name;
        QByteArray password;
        int mode;
        PublishFailure::Kind refused;  // None: it connects
    };
    const Case cases[] = {
        {"right password, owner only", "s3cret\n", 0600, PublishFailure::Kind::None},
        {"wrong password", "guess\n", 0600, PublishFailure::Kind::NotAuthorized},
        {"right password, readable by all", "s3cret\n", 0644, PublishFailure::Kind::PasswordFile},
        {"right password, writable by the group", "s3cret\n", 0620, PublishFailure::Kind::PasswordFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = work.filePath(QStringLiteral("mqtt.pass"));
        QFile::remove(file);
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.password);
        f.close();
        ::chmod(QFile::encodeName(file).constData(), mode_t(c.mode));

        MqttSettings s = Settings(broker.port);
        s.user = QStringLiteral("line");
        s.passwordFile = QStringLiteral("mqtt.pass");
        Publisher publisher;
        publisher.setRetryDelays(50, 100);
        std::vector<PublishFailure> told;
        QObject::connect(&publisher, &Publisher::problem, [&](const PublishFailure& p) { told.push_back(p); });
        publisher.configure(s, work.path(), QString());
        if (c.refused == PublishFailure::Kind::None) {
            EXPECT_TRUE(WaitUntil([&] { return Connected(publisher); }));
            EXPECT_TRUE(told.empty());
            continue;
        }
        qm::test::RunFor(1000);  // several attempts for a wrong password
        ASSERT_EQ(told.size(), 1u);
        // mosquitto answers a wrong password with "not authorised"; either refusal will do.
        if (c.refused == PublishFailure::Kind::NotAuthorized)
            EXPECT_TRUE(told[0].kind == PublishFailure::Kind::NotAuthorized || told[0].kind == PublishFailure::Kind::BadCredentials);
        else
            EXPECT_EQ(told[0].kind, c.refused);
        EXPECT_FALSE(Connected(publisher));
        if (c.refused == PublishFailure::Kind::PasswordFile) {
            EXPECT_TRUE(told[0].detail.contains(QDir::toNativeSeparators(file))) << told[0].detail.toStdString();
            EXPECT_FALSE(told[0].detail.contains(QStringLiteral("s3cret")));
        }
    }
    EXPECT_FALSE(broker.log().contains("s3cret"));
}

// A CA and a server certificate for localhost and 127.0.0.1, made by openssl in dir.
bool MakeCertificates(const QString& dir, const QString& name)
{
    const auto run = [&](const QStringList& args) {
        QProcess openssl;
        openssl.setProcessChannelMode(QProcess::MergedChannels);
        openssl.start(QStringLiteral("openssl"), args);
        return openssl.waitForFinished(30000) && openssl.exitStatus() == QProcess::NormalExit && openssl.exitCode() == 0;
    };
    const QString p = dir + u'/' + name;
    QFile ext(p + QStringLiteral(".ext"));
    if (!ext.open(QIODevice::WriteOnly)) return false;
    ext.write("subjectAltName=DNS:localhost,IP:127.0.0.1\n");
    ext.close();
    return run({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", p + "-ca.key", "-out", p + "-ca.crt", "-days", "2",
                "-subj", "/CN=" + name + " test CA"})
           && run({"req", "-newkey", "rsa:2048", "-nodes", "-keyout", p + "-server.key", "-out", p + "-server.csr", "-subj", "/CN=localhost"})
           && run({"x509", "-req", "-in", p + "-server.csr", "-CA", p + "-ca.crt", "-CAkey", p + "-ca.key", "-CAcreateserial",
                   "-out", p + "-server.crt", "-days", "2", "-extfile", p + ".ext"});
}

TEST(PublishBroker, TlsConnectsOnlyWithTheBrokersCa)
{
    REQUIRE_MOSQUITTO();
    if (QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty()) GTEST_SKIP() << "openssl is not installed";
    QTemporaryDir work;
    ASSERT_TRUE(MakeCertificates(work.path(), QStringLiteral("plant")));
    ASSERT_TRUE(MakeCertificates(work.path(), QStringLiteral("other")));
    const int tlsPort = qm::test::FreeLoopbackPort();
    const QByteArray w = work.path().toUtf8();
    Broker broker("listener PORT 127.0.0.1\nallow_anonymous true\n"
                  "listener " + QByteArray::number(tlsPort) + " 127.0.0.1\n"
                  "cafile " + w + "/plant-ca.crt\ncertfile " + w + "/plant-server.crt\nkeyfile " + w + "/plant-server.key\n");
    ASSERT_TRUE(broker.start());
    ASSERT_TRUE(WaitUntil([&] { return qm::test::LoopbackPortAccepts(tlsPort); }));
    Subscriber subscriber(broker.port, "qm4700/+/status");
    ASSERT_TRUE(WaitUntil([&] { return subscriber.subscribed(); }));

    struct Case {
        const char* name;
        const char* host;
        int port;
        const char* ca;
        PublishFailure::Kind refused;
    };
    const Case cases[] = {
        {"the broker's CA, by name", "localhost", tlsPort, "plant-ca.crt", PublishFailure::Kind::None},
        {"the broker's CA, by address", "127.0.0.1", tlsPort, "plant-ca.crt", PublishFailure::Kind::None},
        {"another CA", "localhost", tlsPort, "other-ca.crt", PublishFailure::Kind::Tls},
        {"TLS to a plain listener", "localhost", broker.port, "plant-ca.crt", PublishFailure::Kind::Closed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MqttSettings s = Settings(c.port);
        s.host = QLatin1String(c.host);
        s.line = QStringLiteral("tls%1").arg(&c - cases);
        s.tlsCa = QLatin1String(c.ca);
        Publisher publisher;
        publisher.setRetryDelays(5000, 5000);
        publisher.configure(s, work.path(), QString());
        if (c.refused == PublishFailure::Kind::None) {
            EXPECT_TRUE(WaitUntil([&] { return subscriber.on("qm4700/" + s.line.toUtf8() + "/status").size() == 1; }));
            continue;
        }
        ASSERT_TRUE(WaitUntil([&] { return std::holds_alternative<qm::publish::Retrying>(publisher.state()); }, 12000));
        EXPECT_EQ(std::get<qm::publish::Retrying>(publisher.state()).failure.kind, c.refused);
    }
}

}  // namespace
