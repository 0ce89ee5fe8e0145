#pragma once
// mqtt.cfg: where and how the program publishes its readings, kept beside it.cfg in the working
// directory. Plain "key = value" lines that a service engineer can write by hand; "#" starts a
// note, blank lines are allowed, keys are lower case. Without the file publishing is off.
//
//   enabled = yes                 # yes/no; publishing is off until configured
//   host = broker.plant.local     # the broker's name or address
//   port = 8883                   # 1..65535, 1883 by default
//   prefix = qm4700               # first topic levels (may hold "/"), qm4700 by default
//   line = line-3                 # this line's topic level, the computer's host name by default
//   discovery = yes               # Home Assistant discovery configs
//   tls_ca = ca.crt               # TLS is on when a CA file is named
//   tls_cert = client.crt         # optional client certificate and its key
//   tls_key = client.key
//   user = qm4700
//   password_file = mqtt.pass     # readable by its owner only
//
// Pure parse and format; the file is read and written whole by the two functions at the end.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace qm {

inline const QString MqttSettingsFileName = QStringLiteral("mqtt.cfg");

struct MqttSettings {
    static constexpr int DefaultPort = 1883;

    bool enabled = false;
    QString host;
    int port = DefaultPort;
    QString prefix = QStringLiteral("qm4700");
    QString line;  // empty: the computer's host name (see effectiveLine)
    bool discovery = false;
    QString discoveryPrefix = QStringLiteral("homeassistant");
    QString tlsCa;
    QString tlsCert;
    QString tlsKey;
    QString user;
    QString passwordFile;

    bool tls() const { return !tlsCa.isEmpty(); }
    // The line's topic level: the configured one, else the host name made fit for a topic level.
    QString effectiveLine(const QString& hostName) const;
    bool operator==(const MqttSettings&) const = default;
};

// A topic level (or, with slashes allowed, a run of levels) that MQTT takes and that a
// subscriber can name: not empty, no "+", "#" or NUL, no empty level, at most 100 characters.
bool IsTopicLevel(const QString& text, bool slashesAllowed);

struct MqttSettingsRead {
    bool exists = false;
    MqttSettings settings;  // publishing off when anything was wrong
    int failedLine = 0;     // the first line that was wrong (1-based), 0 when none
    QString message;        // the warning for the operator, naming the file and the line
};

// What the bytes say. Any wrong line (an unknown key, a bad value, a line without "=") leaves
// publishing off and is reported with its number; the other values are still taken, so that
// the settings dialog shows them.
MqttSettingsRead ParseMqttSettings(const QByteArray& bytes, const QString& fileName = MqttSettingsFileName);
// Every key with a note, in the file's order; LF line ends, UTF-8.
QByteArray FormatMqttSettings(const MqttSettings& settings);

// Reads mqtt.cfg in workDir (a missing file: the defaults, no message). Only a regular file of at
// most 64 KiB is read; anything else is reported like a damaged file.
MqttSettingsRead ReadMqttSettingsFile(const QString& workDir);
// Replaces the file whole; an empty text on success, else the message for the operator.
QString WriteMqttSettingsFile(const QString& workDir, const MqttSettings& settings);

}  // namespace qm
