#pragma once
// The program's readings on an MQTT broker: what the window and the display-less collector both
// use. Driven from the Qt event loop of the thread it lives in; QtCore only.
//
//   Publisher publisher;
//   publisher.configure(ReadMqttSettingsFile(workDir).settings, workDir, QSysInfo::machineHostName());
//   ... publisher.publishReading(reading);   // every Reading the engine tells, answered or silent
//   ... publisher.publishAlarm(change);      // every change AlarmMonitor tells
//   publisher.stop();                        // at the end: "offline", then goodbye
//
// While connected, each reading goes at once to its instrument's retained state topic. While the
// broker cannot be reached, readings wait in the outage backlog (OutageBacklog.h); once it is back
// the line says "online", discovery configs and each instrument's latest state are published
// again, and the backlog follows on the history topics, oldest first, a few dozen unacknowledged
// at a time. A reading leaves the publisher only when the broker has acknowledged it (QoS 1):
// whatever was in flight when a connection broke is published again from the history topic.
// Nothing here waits for the network; see MqttConnection.h.
//
// Alarms: each alarm (an instrument and a condition) has a retained topic of its own holding its
// state as it last changed, so that a subscriber that comes later finds every alarm as it stands,
// and one alarm's change never hides another's. While the broker cannot be reached, only each
// alarm's latest state is kept (the alarm journal on disk keeps every change); it is published
// once the broker is back.

#include "MqttConnection.h"
#include "MqttMessages.h"
#include "MqttSettings.h"
#include "OutageBacklog.h"
#include "PublishState.h"
#include "Reading.h"

#include <QObject>

#include <deque>
#include <map>
#include <optional>
#include <set>

namespace qm {

// The connection's settings as the publisher makes them from mqtt.cfg's: files named relative to
// workDir, the password read from its file (and checked), the line's last will. failure tells
// why no connection can be tried (the password file, a TLS file). The settings dialog's test
// connects with the same, without the will.
struct EndpointMade {
    MqttEndpoint endpoint;
    PublishTopics topics;
    PublishFailure failure;
};
EndpointMade MakeEndpoint(const MqttSettings& settings, const QString& workDir, const QString& hostName);

class Publisher : public QObject {
    Q_OBJECT
public:
    explicit Publisher(QObject* parent = nullptr);
    ~Publisher() override;

    // Applies settings: starts, restarts or stops publishing. Relative file names are taken in
    // workDir; hostName names the line when mqtt.cfg does not. The password file is read (and
    // checked) here; a file that fails the check stops publishing until the next configure.
    // The backlog is kept across a restart of the connection.
    void configure(const MqttSettings& settings, const QString& workDir, const QString& hostName);
    // A reading the engine told (answered, or the instrument found silent).
    void publishReading(const Reading& reading);
    // A change of an alarm's state.
    void publishAlarm(const qm::AlarmChange& change);
    // The end of the run: the line says "offline" (when connected) and the connection closes.
    void stop();
    // A retry that waits starts now.
    void retryNow();

    PublishState state() const { return m_state; }
    const MqttSettings& settings() const { return m_settings; }
    qsizetype backlogSize() const { return m_backlog.size(); }
    // Readings dropped from a full backlog since publishing started.
    qint64 droppedTotal() const { return m_droppedTotal; }

    // For tests: shorter waits between attempts, a smaller backlog.
    void setRetryDelays(int firstMs, int maxMs) { m_connection.setRetryDelays(firstMs, maxMs); }
    void setBacklogCapacity(qsizetype capacity) { m_backlog = OutageBacklog(capacity); }


signals:
    void stateChanged(const qm::PublishState& state);
    // A failure that only the operator can mend; told once until publishing works again.
    void problem(const qm::PublishFailure& failure);
    // The backlog is full and its oldest readings are going: told once per outage.
    void backlogOverflow(qsizetype capacity);

private:
    struct InFlight {
        int mid;
        std::optional<Reading> reading;  // a reading goes back to the backlog when unacknowledged
    };

    void setState(const PublishState& state);
    void connected();
    void acknowledged(int mid);
    void failed(const PublishFailure& failure, const QDateTime& next);
    void sendReading(const Reading& reading, bool history);
    void announce(int address);
    void drain();
    void noteDrops();

    MqttConnection m_connection;
    MqttSettings m_settings;
    PublishTopics m_topics;
    PublishState m_state = publish::Off{};
    OutageBacklog m_backlog;
    std::deque<InFlight> m_inFlight;
    std::map<int, Reading> m_latest;  // each instrument's latest reading, by address
    std::map<std::pair<int, int>, AlarmChange> m_alarms;  // each alarm's latest change, by address and condition
    std::set<int> m_announced;        // addresses whose discovery configs this connection sent
    qint64 m_droppedThisOutage = 0;
    PublishFailure m_toldProblem;
    bool m_overflowTold = false;
    qint64 m_droppedTotal = 0;
};

}  // namespace qm
