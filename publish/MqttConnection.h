#pragma once
// One connection to an MQTT broker through libmosquitto, driven from this thread's Qt event loop
// so that nothing the broker does (or fails to do) can hold polling, sampling or the window.
//
// How it runs without blocking:
// - Each attempt makes a fresh libmosquitto client. The one step that can block, resolving the
//   broker's name inside mosquitto_connect_async, runs on a short-lived thread of its own; the
//   client is handed back to this thread (a queued call) before anything else touches it. The
//   name is resolved by libmosquitto itself, not beforehand, so that TLS checks the broker's
//   certificate against the name the operator gave. Only one attempt runs at a time.
// - Then a QSocketNotifier on mosquitto_socket() runs mosquitto_loop_read, a write notifier that
//   is on only while the client has something to send runs mosquitto_loop_write, and a one-second
//   timer runs mosquitto_loop_misc (keepalive). During a TLS handshake the write notifier follows
//   OpenSSL's own wish to write, and a closed socket ends the attempt instead of spinning.
// - An attempt that has not been accepted within ten seconds is given up. After a failure the
//   next attempt waits, doubling from 1 s up to 60 s with a little jitter, so that many lines
//   that lost one broker do not return at the same instant; the delay starts again from 1 s only
//   after a connection has lasted a minute.
// Libmosquitto's callbacks come while this object is inside a library call; what they tell is
// acted on only once the call has returned, so a listener may close or reopen from its slot.

#include "PublishState.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QSocketNotifier;
class QTimer;
struct mosquitto;

namespace qm {

struct MqttEndpoint {
    QString host;
    int port = 1883;
    QString clientId;
    QString user;
    QByteArray password;
    QString tlsCa;  // TLS when set
    QString tlsCert;
    QString tlsKey;
    QByteArray willTopic;  // no will when empty
    QByteArray willPayload;
    int keepAliveSeconds = 20;
};

class MqttConnection : public QObject {
    Q_OBJECT
public:
    explicit MqttConnection(QObject* parent = nullptr);
    // Closes without a word (the broker publishes the will); an attempt still resolving the name
    // ends on its own thread and frees its client there.
    ~MqttConnection() override;

    // Starts connecting now; retries until close() when retry is true, else tries once.
    void open(const MqttEndpoint& endpoint, bool retry = true);
    // Says goodbye (MQTT DISCONNECT: no will) and stops trying.
    void close();
    // A waiting retry starts now.
    void retryNow();

    bool isConnected() const { return m_phase == Phase::Up; }
    // QoS 1. The message id, or 0 when not connected or refused by the library.
    int publish(const QByteArray& topic, const QByteArray& payload, bool retained);

    // The first and the longest wait between attempts (tests shorten them).
    void setRetryDelays(int firstMs, int maxMs);
    int retryDelayMs() const { return m_nextDelayMs; }

signals:
    void attempting();
    void connected();
    // The broker has the message (PUBACK).
    void acknowledged(int messageId);
    // An attempt failed or the connection was lost; next is the next attempt (invalid: none).
    void failed(const qm::PublishFailure& failure, const QDateTime& next);

private:
    struct Attempt;
    enum class Phase { Idle, Resolving, Handshake, Up, Waiting };

    void startAttempt();
    void attemptStarted(const std::shared_ptr<Attempt>& attempt);
    void readReady();
    void writeReady();
    void misc();
    // After every library call: notifiers follow the socket, and what the callbacks told is acted on.
    void afterLibraryCall();
    void fail(const PublishFailure& failure);
    void dropClient();
    bool handshaking() const;

    static void onConnect(mosquitto*, void* self, int rc);
    static void onDisconnect(mosquitto*, void* self, int rc);
    static void onPublish(mosquitto*, void* self, int mid);

    MqttEndpoint m_endpoint;
    bool m_retry = true;
    Phase m_phase = Phase::Idle;
    mosquitto* m_client = nullptr;
    std::shared_ptr<Attempt> m_attempt;  // the attempt resolving on its thread
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    QTimer* m_miscTimer = nullptr;
    QTimer* m_deadline = nullptr;
    QTimer* m_retryTimer = nullptr;
    int m_firstDelayMs = 1000;
    int m_maxDelayMs = 60000;
    int m_nextDelayMs = 1000;
    QDateTime m_upSince;

    // What the callbacks told during the current library call.
    bool m_connackArrived = false;
    PublishFailure m_pendingFailure;
    QList<int> m_acks;
};

}  // namespace qm
