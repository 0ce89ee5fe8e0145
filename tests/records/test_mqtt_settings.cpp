// mqtt.cfg: what a service engineer writes by hand is read, what the program writes reads back,
// and a wrong line leaves publishing off with a warning naming that line.
#include "Files.h"
#include "MqttSettings.h"
#include "QStringPrint.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using qm::MqttSettings;
using qm::ParseMqttSettings;

TEST(MqttSettingsFile, WithoutTheFilePublishingIsOffWithTheDefaults)
{
    QTemporaryDir dir;
    const qm::MqttSettingsRead r = qm::ReadMqttSettingsFile(dir.path());
    EXPECT_FALSE(r.exists);
    EXPECT_TRUE(r.message.isEmpty());
    EXPECT_FALSE(r.settings.enabled);
    EXPECT_EQ(r.settings.port, 1883);
    EXPECT_EQ(r.settings.prefix, QStringLiteral("qm4700"));
    EXPECT_EQ(r.settings.effectiveLine(QStringLiteral("pc 7/a")), QStringLiteral("pc_7_a"));
}

TEST(MqttSettingsFile, AHandWrittenFileIsReadAndWhatTheProgramWritesReadsBack)
{
    const QByteArray byHand = "# line 3, cabinet 2\r\n"
                              "enabled=yes\r\n"
                              "  host = broker.plant.local   # the plant's broker\r\n"
                              "port = 8883\r\n"
                              "prefix = plant/ph\r\n"
                              "line = line-3\r\n"
                              "discovery = true\r\n"
                              "tls_ca = /etc/ssl/plant#2/ca.crt\r\n"
                              "user = qm\r\n"
                              "password_file = mqtt.pass\r\n";
    const qm::MqttSettingsRead r = ParseMqttSettings(byHand);
    ASSERT_EQ(r.failedLine, 0) << r.message.toStdString();
    MqttSettings expected;
    expected.enabled = true;
    expected.host = QStringLiteral("broker.plant.local");
    expected.port = 8883;
    expected.prefix = QStringLiteral("plant/ph");
    expected.line = QStringLiteral("line-3");
    expected.discovery = true;
    expected.tlsCa = QStringLiteral("/etc/ssl/plant#2/ca.crt");
    expected.user = QStringLiteral("qm");
    expected.passwordFile = QStringLiteral("mqtt.pass");
    EXPECT_TRUE(r.settings == expected);

    QTemporaryDir dir;
    ASSERT_TRUE(qm::WriteMqttSettingsFile(dir.path(), expected).isEmpty());
    const qm::MqttSettingsRead back = qm::ReadMqttSettingsFile(dir.path());
    EXPECT_EQ(back.failedLine, 0) << back.message.toStdString();
    EXPECT_TRUE(back.settings == expected);
    // Every key is in the file, for a hand to change.
    const QByteArray written = qm::test::ReadAll(dir.filePath(QStringLiteral("mqtt.cfg")));
    for (const char* key : {"enabled", "host", "port", "prefix", "line", "discovery", "tls_ca", "tls_cert", "tls_key", "user", "password_file"})
        EXPECT_TRUE(written.contains(QByteArray("\n") + key + " = ")) << key;
}

TEST(MqttSettingsFile, AWrongLineLeavesPublishingOffAndIsNamed)
{
    struct Case {
        QByteArray bytes;
        int line;
        const char* named;  // a word the warning must hold
    };
    const Case cases[] = {
        {"enabled = yes\nhots = broker\n", 2, "hots"},
        {"enabled = yes\nhost = b\nport = 70000\n", 3, "65535"},
        {"enabled = yes\nhost = b\nport = 18 83\n", 3, "port"},
        {"enabled = maybe\nhost = b\n", 1, "yes"},
        {"enabled = yes\nhost = b\nline = a/b\n", 3, "line"},
        {"enabled = yes\nhost = b\nprefix = qm/+/x\n", 3, "prefix"},
        {"enabled = yes\nhost = b\nprefix = qm//x\n", 3, "prefix"},
        {"enabled = yes\nhost = b\njust words\n", 3, "="},
        {"enabled = yes\nhost = b\npassword = s3cret\n", 3, "password_file"},
        {"enabled = yes\n", 1, "host"},
        {"enabled = yes\nhost = b\ntls_ca = ca\ntls_cert = c\n", 4, "tls_key"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.constData());
        const qm::MqttSettingsRead r = ParseMqttSettings(c.bytes);
        EXPECT_FALSE(r.settings.enabled);
        EXPECT_EQ(r.failedLine, c.line);
        EXPECT_TRUE(r.message.contains(QStringLiteral("mqtt.cfg, строка %1").arg(c.line))) << r.message.toStdString();
        EXPECT_TRUE(r.message.contains(QLatin1String(c.named))) << r.message.toStdString();
        EXPECT_FALSE(r.message.contains(QStringLiteral("s3cret")));
    }
}

}  // namespace
