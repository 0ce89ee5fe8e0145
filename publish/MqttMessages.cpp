#include "MqttMessages.h"

#include "TrendJournalFormat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace qm {

namespace {

QByteArray join(const QString& a, const QString& b) { return (a + u'/' + b).toUtf8(); }

// Home Assistant takes only [a-zA-Z0-9_-] in node and object ids.
QString idPart(const QString& text)
{
    QString out;
    for (const QChar c : text)
        out.append((c.isLetterOrNumber() && c.unicode() < 128) || c == u'-' || c == u'_' ? c : u'_');
    return out;
}

}  // namespace

QByteArray PublishTopics::status() const { return join(prefix, line) + "/status"; }
QByteArray PublishTopics::state(int address) const { return join(prefix, line) + '/' + QByteArray::number(address) + "/state"; }
QByteArray PublishTopics::history(int address) const
{
    return join(prefix, line) + '/' + QByteArray::number(address) + "/history";
}

QByteArray PublishTopics::alarm(int address, AlarmCondition condition) const
{
    return join(prefix, line) + '/' + QByteArray::number(address) + "/alarm/" + AlarmConditionKey(condition);
}

QByteArray AlarmConditionKey(AlarmCondition condition)
{
    switch (condition) {
    case AlarmCondition::PhHigh: return QByteArrayLiteral("ph_high");
    case AlarmCondition::PhLow: return QByteArrayLiteral("ph_low");
    case AlarmCondition::THigh: return QByteArrayLiteral("t_high");
    case AlarmCondition::TLow: return QByteArrayLiteral("t_low");
    case AlarmCondition::NoAnswer: return QByteArrayLiteral("no_answer");
    case AlarmCondition::Relay1: return QByteArrayLiteral("relay1");
    case AlarmCondition::Relay2: return QByteArrayLiteral("relay2");
    }
    return QByteArrayLiteral("unknown");
}

namespace {

QString stateKey(AlarmState state)
{
    switch (state) {
    case AlarmState::Normal: return QStringLiteral("normal");
    case AlarmState::Active: return QStringLiteral("active");
    case AlarmState::Acknowledged: return QStringLiteral("acknowledged");
    case AlarmState::Returned: return QStringLiteral("returned");
    }
    return QStringLiteral("normal");
}

QJsonValue numberOrNull(const std::optional<double>& v) { return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null); }

}  // namespace

QByteArray AlarmPayload(const AlarmChange& c)
{
    QJsonObject o;
    o.insert(QStringLiteral("time"), QString::fromLatin1(JournalTime(c.time)));
    o.insert(QStringLiteral("condition"), QString::fromLatin1(AlarmConditionKey(c.condition)));
    o.insert(QStringLiteral("limit"), numberOrNull(c.limit));
    o.insert(QStringLiteral("value"), numberOrNull(c.value));
    o.insert(QStringLiteral("state"), stateKey(c.state));
    o.insert(QStringLiteral("previous"), stateKey(c.previous));
    o.insert(QStringLiteral("active"), IsActive(c.state));
    o.insert(QStringLiteral("acknowledged"), c.state == AlarmState::Acknowledged);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QByteArray OnlinePayload() { return QByteArrayLiteral("online"); }
QByteArray OfflinePayload() { return QByteArrayLiteral("offline"); }

QByteArray ReadingPayload(const Reading& r)
{
    QJsonObject o;
    o.insert(QStringLiteral("time"), QString::fromLatin1(JournalTime(r.received)));
    o.insert(QStringLiteral("online"), r.answered);
    if (r.answered) {
        o.insert(QStringLiteral("ph"), r.ph());
        o.insert(QStringLiteral("e_mv"), r.eMv());
        o.insert(QStringLiteral("t_c"), r.tC());
        o.insert(QStringLiteral("status"), int(r.status));
        o.insert(QStringLiteral("id"), int(r.id));
    } else {
        for (const char* key : {"ph", "e_mv", "t_c", "status", "id"}) o.insert(QLatin1String(key), QJsonValue::Null);
    }
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QList<RetainedMessage> DiscoveryConfigs(const PublishTopics& topics, const QString& discoveryPrefix, int address)
{
    struct Sensor {
        const char* object;
        const char* name;
        const char* key;
        const char* deviceClass;
        const char* unit;  // none for pH: Home Assistant's ph class has no unit
    };
    static const Sensor sensors[] = {
        {"ph", "pH", "ph", "ph", nullptr},
        {"e", "E", "e_mv", "voltage", "mV"},
        {"t", "T", "t_c", "temperature", "°C"},
    };
    const QString node = idPart(QStringLiteral("qm4700_%1_%2").arg(topics.line).arg(address));
    const QString stateTopic = QString::fromUtf8(topics.state(address));

    QJsonObject device;
    device.insert(QStringLiteral("identifiers"), QJsonArray{node});
    device.insert(QStringLiteral("name"), QStringLiteral("QM4700 %1 #%2").arg(topics.line).arg(address));
    device.insert(QStringLiteral("model"), QStringLiteral("QM4700"));
    QJsonArray availability;
    availability.append(QJsonObject{{QStringLiteral("topic"), QString::fromUtf8(topics.status())}});
    availability.append(QJsonObject{{QStringLiteral("topic"), stateTopic},
                                    {QStringLiteral("value_template"),
                                     QStringLiteral("{{ 'online' if value_json.online else 'offline' }}")}});

    QList<RetainedMessage> out;
    for (const Sensor& s : sensors) {
        QJsonObject o;
        o.insert(QStringLiteral("name"), QLatin1String(s.name));
        o.insert(QStringLiteral("unique_id"), node + u'_' + QLatin1String(s.object));
        o.insert(QStringLiteral("state_topic"), stateTopic);
        o.insert(QStringLiteral("value_template"), QStringLiteral("{{ value_json.%1 }}").arg(QLatin1String(s.key)));
        o.insert(QStringLiteral("device_class"), QLatin1String(s.deviceClass));
        if (s.unit) o.insert(QStringLiteral("unit_of_measurement"), QString::fromUtf8(s.unit));
        o.insert(QStringLiteral("state_class"), QStringLiteral("measurement"));
        o.insert(QStringLiteral("availability"), availability);
        o.insert(QStringLiteral("availability_mode"), QStringLiteral("all"));
        o.insert(QStringLiteral("device"), device);
        out.append({(discoveryPrefix + QStringLiteral("/sensor/") + node + u'/' + QLatin1String(s.object) + QStringLiteral("/config")).toUtf8(),
                    QJsonDocument(o).toJson(QJsonDocument::Compact)});
    }
    return out;
}

}  // namespace qm
