#include "Publisher.h"

#include "PasswordFile.h"
#include "PublishLog.h"

#include <QDir>
#include <QFileInfo>

namespace qm {

namespace {

// Unacknowledged messages at a time while the backlog drains: enough to fill a slow link,
// few enough that a broken connection sends little twice.
constexpr size_t DrainWindow = 32;

QString absoluteIn(const QString& workDir, const QString& name)
{
    return name.isEmpty() ? QString() : QDir(workDir).absoluteFilePath(name);
}

}  // namespace

EndpointMade MakeEndpoint(const MqttSettings& s, const QString& workDir, const QString& hostName)
{
    EndpointMade made;
    made.topics = {s.prefix, s.effectiveLine(hostName)};
    MqttEndpoint& e = made.endpoint;
    e.host = s.host;
    e.port = s.port;
    e.clientId = QStringLiteral("qm4700-%1-%2").arg(s.prefix, made.topics.line);
    e.user = s.user;
    e.tlsCa = absoluteIn(workDir, s.tlsCa);
    e.tlsCert = absoluteIn(workDir, s.tlsCert);
    e.tlsKey = absoluteIn(workDir, s.tlsKey);
    e.willTopic = made.topics.status();
    e.willPayload = OfflinePayload();
    for (const QString& file : {e.tlsCa, e.tlsCert, e.tlsKey}) {
        const QFileInfo info(file);
        if (!file.isEmpty() && (!info.isFile() || !info.isReadable())) {
            made.failure = {PublishFailure::Kind::TlsFiles, QDir::toNativeSeparators(file)};
            return made;
        }
    }
    if (!s.passwordFile.isEmpty()) {
        const PasswordRead password = ReadPasswordFile(absoluteIn(workDir, s.passwordFile));
        if (!password.error.isEmpty()) {
            made.failure = {PublishFailure::Kind::PasswordFile, password.error};
            return made;
        }
        e.password = password.password;
    }
    return made;
}

Publisher::Publisher(QObject* parent) : QObject(parent)
{
    connect(&m_connection, &MqttConnection::attempting, this,
            [this] { setState(publish::Connecting{m_settings.host, m_settings.port}); });
    connect(&m_connection, &MqttConnection::connected, this, &Publisher::connected);
    connect(&m_connection, &MqttConnection::acknowledged, this, &Publisher::acknowledged);
    connect(&m_connection, &MqttConnection::failed, this, &Publisher::failed);
}

Publisher::~Publisher() = default;

void Publisher::configure(const MqttSettings& settings, const QString& workDir, const QString& hostName)
{
    stop();
    m_settings = settings;
    m_toldProblem = {};
    if (!settings.enabled || settings.host.isEmpty()) {
        qCInfo(lcPublish) << "publishing is off";
        setState(publish::Off{});
        return;
    }
    const EndpointMade made = MakeEndpoint(settings, workDir, hostName);
    m_topics = made.topics;
    if (made.failure.kind != PublishFailure::Kind::None) {
        qCWarning(lcPublish) << "not publishing:" << int(made.failure.kind) << made.failure.detail;
        m_toldProblem = made.failure;
        setState(publish::Stopped{made.failure});
        emit problem(made.failure);
        return;
    }
    m_connection.open(made.endpoint);
}

void Publisher::stop()
{
    if (m_connection.isConnected()) m_connection.publish(m_topics.status(), OfflinePayload(), true);
    m_connection.close();
    std::deque<Reading> back;
    for (const InFlight& f : m_inFlight)
        if (f.reading) back.push_back(*f.reading);
    m_inFlight.clear();
    m_backlog.putBack(back);
    m_announced.clear();
    setState(publish::Off{});
}

void Publisher::retryNow() { m_connection.retryNow(); }

void Publisher::setState(const PublishState& state)
{
    m_state = state;
    emit stateChanged(m_state);
}

void Publisher::publishReading(const Reading& reading)
{
    if (std::holds_alternative<publish::Off>(m_state) || std::holds_alternative<publish::Stopped>(m_state)) return;
    m_latest[reading.address] = reading;
    if (m_connection.isConnected()) {
        announce(reading.address);
        sendReading(reading, false);
    } else {
        m_backlog.push(reading);
        noteDrops();
    }
}

void Publisher::publishAlarm(const AlarmChange& change)
{
    if (std::holds_alternative<publish::Off>(m_state) || std::holds_alternative<publish::Stopped>(m_state)) return;
    m_alarms[{change.address, int(change.condition)}] = change;
    // Not connected: the latest state goes out once the broker is back.
    if (m_connection.isConnected())
        m_connection.publish(m_topics.alarm(change.address, change.condition), AlarmPayload(change), true);
}

void Publisher::connected()
{
    setState(publish::Connected{m_settings.host, m_settings.port});
    m_toldProblem = {};
    if (m_droppedThisOutage > 0)
        qCWarning(lcPublish) << m_droppedThisOutage << "readings were dropped from the full backlog during the outage";
    m_droppedThisOutage = 0;
    m_overflowTold = false;
    m_connection.publish(m_topics.status(), OnlinePayload(), true);
    for (const auto& [address, reading] : m_latest) {
        announce(address);
        m_connection.publish(m_topics.state(address), ReadingPayload(reading), true);
    }
    for (const auto& [key, change] : m_alarms)
        m_connection.publish(m_topics.alarm(change.address, change.condition), AlarmPayload(change), true);
    if (!m_backlog.empty()) qCInfo(lcPublish) << "publishing" << m_backlog.size() << "readings kept during the outage";
    drain();
}

void Publisher::announce(int address)
{
    if (!m_settings.discovery || m_announced.count(address)) return;
    m_announced.insert(address);
    for (const RetainedMessage& m : DiscoveryConfigs(m_topics, m_settings.discoveryPrefix, address))
        m_connection.publish(m.topic, m.payload, true);
}

void Publisher::sendReading(const Reading& reading, bool history)
{
    const int mid = history ? m_connection.publish(m_topics.history(reading.address), ReadingPayload(reading), false)
                            : m_connection.publish(m_topics.state(reading.address), ReadingPayload(reading), true);
    if (mid)
        m_inFlight.push_back({mid, reading});
    else if (history)
        m_backlog.putBack({reading});
    else
        m_backlog.push(reading);
}

void Publisher::drain()
{
    while (m_connection.isConnected() && m_inFlight.size() < DrainWindow && !m_backlog.empty()) {
        const Reading r = m_backlog.front();
        m_backlog.pop();
        const qsizetype before = m_backlog.size();
        sendReading(r, true);
        if (m_backlog.size() > before) break;  // not handed over: it is back in front
    }
}

void Publisher::acknowledged(int mid)
{
    // Acknowledgements come in the order of sending, nearly always the oldest first.
    for (auto it = m_inFlight.begin(); it != m_inFlight.end(); ++it) {
        if (it->mid != mid) continue;
        m_inFlight.erase(it);
        break;
    }
    drain();
}

void Publisher::failed(const PublishFailure& failure, const QDateTime& next)
{
    std::deque<Reading> back;
    for (const InFlight& f : m_inFlight)
        if (f.reading) back.push_back(*f.reading);
    m_inFlight.clear();
    m_backlog.putBack(back);
    noteDrops();
    m_announced.clear();
    if (failure.needsOperator() && !(failure == m_toldProblem)) {
        m_toldProblem = failure;
        emit problem(failure);
    }
    if (next.isValid())
        setState(publish::Retrying{next, failure});
    else
        setState(publish::Stopped{failure});
}

void Publisher::noteDrops()
{
    const qint64 n = m_backlog.takeDropped();
    if (n == 0) return;
    m_droppedTotal += n;
    m_droppedThisOutage += n;
    if (m_overflowTold) return;
    m_overflowTold = true;
    qCWarning(lcPublish) << "the backlog holds" << m_backlog.capacity() << "readings and is full: the oldest are dropped";
    emit backlogOverflow(m_backlog.capacity());
}

}  // namespace qm
