#include "MqttConnection.h"

#include "PublishLog.h"
#include "SystemErrorText.h"

#include <QMetaObject>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTimer>

#include <mosquitto.h>
#include <openssl/ssl.h>

#include <cerrno>
#include <mutex>
#include <sys/socket.h>
#include <thread>

namespace qm {

namespace {

constexpr int AcceptTimeoutMs = 10000;  // from a socket to the broker's CONNACK
constexpr int LongConnectionMs = 60000;  // a connection this old starts the backoff afresh

void initLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

PublishFailure fromErrno(int error, PublishFailure::Kind otherwise)
{
    switch (error) {
    case ECONNREFUSED:
        return {PublishFailure::Kind::Refused, QString()};
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ETIMEDOUT:
    case ENETDOWN:
        return {PublishFailure::Kind::Unreachable, SystemErrorText(error)};
    case ECONNRESET:
    case EPIPE:
        return {otherwise, QString()};
    default:
        return {otherwise, error ? SystemErrorText(error) : QString()};
    }
}

// What a libmosquitto result says; error is errno right after the call.
PublishFailure fromResult(int rc, int error, PublishFailure::Kind otherwise)
{
    switch (rc) {
    case MOSQ_ERR_EAI:
        return {PublishFailure::Kind::HostNotFound, QString()};
    case MOSQ_ERR_ERRNO:
        return fromErrno(error, otherwise);
    case MOSQ_ERR_TLS:
        return {PublishFailure::Kind::Tls, QString()};
    case MOSQ_ERR_CONN_LOST:
    case MOSQ_ERR_NO_CONN:
        return {otherwise, QString()};
    default:
        return {PublishFailure::Kind::Other, QString::fromUtf8(mosquitto_strerror(rc))};
    }
}

PublishFailure fromConnack(int rc)
{
    switch (rc) {
    case 4:  // bad user name or password
        return {PublishFailure::Kind::BadCredentials, QString()};
    case 5:  // not authorised
        return {PublishFailure::Kind::NotAuthorized, QString()};
    default:
        return {PublishFailure::Kind::BrokerRefused, QString::fromUtf8(mosquitto_connack_string(rc))};
    }
}

QByteArray orNull(const QString& text) { return text.isEmpty() ? QByteArray() : text.toUtf8(); }
const char* cstr(const QByteArray& bytes) { return bytes.isEmpty() ? nullptr : bytes.constData(); }

}  // namespace

// An attempt while its name resolves: shared by the owner and the attempt's thread.
struct MqttConnection::Attempt {
    std::mutex mutex;
    MqttConnection* owner = nullptr;  // cleared when the owner goes or stops waiting
    mosquitto* client = nullptr;      // freed here unless the owner took it
    PublishFailure failure;
    ~Attempt()
    {
        if (client) mosquitto_destroy(client);
    }
};

MqttConnection::MqttConnection(QObject* parent) : QObject(parent)
{
    initLibrary();
    m_miscTimer = new QTimer(this);
    m_miscTimer->setInterval(1000);
    connect(m_miscTimer, &QTimer::timeout, this, &MqttConnection::misc);
    m_deadline = new QTimer(this);
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this, [this] {
        if (m_phase == Phase::Handshake) fail({PublishFailure::Kind::Unreachable, QString()});
    });
    m_retryTimer = new QTimer(this);
    m_retryTimer->setSingleShot(true);
    connect(m_retryTimer, &QTimer::timeout, this, &MqttConnection::startAttempt);
}

MqttConnection::~MqttConnection()
{
    if (m_attempt) {
        const std::lock_guard lock(m_attempt->mutex);
        m_attempt->owner = nullptr;
    }
    dropClient();
}

void MqttConnection::setRetryDelays(int firstMs, int maxMs)
{
    m_firstDelayMs = qMax(1, firstMs);
    m_maxDelayMs = qMax(m_firstDelayMs, maxMs);
    m_nextDelayMs = m_firstDelayMs;
}

void MqttConnection::open(const MqttEndpoint& endpoint, bool retry)
{
    close();
    m_endpoint = endpoint;
    m_retry = retry;
    m_nextDelayMs = m_firstDelayMs;
    startAttempt();
}

void MqttConnection::close()
{
    m_retryTimer->stop();
    m_deadline->stop();
    if (m_attempt) {
        const std::lock_guard lock(m_attempt->mutex);
        m_attempt->owner = nullptr;
    }
    m_attempt.reset();
    if (m_client && m_phase == Phase::Up) {
        mosquitto_disconnect(m_client);
        qCInfo(lcPublish) << "disconnected from" << m_endpoint.host << m_endpoint.port;
    }
    dropClient();
    m_phase = Phase::Idle;
}

void MqttConnection::retryNow()
{
    if (m_phase != Phase::Waiting) return;
    m_retryTimer->stop();
    startAttempt();
}

void MqttConnection::startAttempt()
{
    m_phase = Phase::Resolving;
    auto attempt = std::make_shared<Attempt>();
    attempt->owner = this;
    m_attempt = attempt;
    qCInfo(lcPublish).noquote() << "connecting to" << QStringLiteral("%1:%2").arg(m_endpoint.host).arg(m_endpoint.port)
                                << (m_endpoint.tlsCa.isEmpty() ? "" : "with TLS") << "as" << m_endpoint.clientId
                                << (m_endpoint.user.isEmpty() ? QString() : QStringLiteral("user ") + m_endpoint.user);
    emit attempting();

    // The options are copied as bytes: the thread touches no Qt object but the queued call home.
    struct Options {
        QByteArray host, clientId, user, password, ca, cert, key, willTopic, willPayload;
        int port, keepAlive;
    };
    const Options o{m_endpoint.host.toUtf8(),   m_endpoint.clientId.toUtf8(), orNull(m_endpoint.user),
                    m_endpoint.password,         orNull(m_endpoint.tlsCa),     orNull(m_endpoint.tlsCert),
                    orNull(m_endpoint.tlsKey),   m_endpoint.willTopic,         m_endpoint.willPayload,
                    m_endpoint.port,             m_endpoint.keepAliveSeconds};
    std::thread([attempt, o] {
        PublishFailure failure;
        mosquitto* client = mosquitto_new(o.clientId.constData(), true, nullptr);
        if (!client) {
            failure = {PublishFailure::Kind::Other, QStringLiteral("mosquitto_new")};
        } else {
            mosquitto_int_option(client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
            // Small messages leave at once instead of waiting for the previous one's ACK.
            mosquitto_int_option(client, MOSQ_OPT_TCP_NODELAY, 1);
            mosquitto_connect_callback_set(client, &MqttConnection::onConnect);
            mosquitto_disconnect_callback_set(client, &MqttConnection::onDisconnect);
            mosquitto_publish_callback_set(client, &MqttConnection::onPublish);
            if (!o.willTopic.isEmpty())
                mosquitto_will_set(client, o.willTopic.constData(), int(o.willPayload.size()), o.willPayload.constData(), 1, true);
            if (!o.user.isEmpty()) mosquitto_username_pw_set(client, o.user.constData(), cstr(o.password));
            int rc = MOSQ_ERR_SUCCESS;
            if (!o.ca.isEmpty()) {
                rc = mosquitto_tls_set(client, o.ca.constData(), nullptr, cstr(o.cert), cstr(o.key), nullptr);
                if (rc != MOSQ_ERR_SUCCESS) failure = {PublishFailure::Kind::TlsFiles, QString()};
            }
            if (rc == MOSQ_ERR_SUCCESS) {
                errno = 0;
                rc = mosquitto_connect_async(client, o.host.constData(), o.port, o.keepAlive);
                const int error = errno;
                if (rc != MOSQ_ERR_SUCCESS) failure = fromResult(rc, error, PublishFailure::Kind::Closed);
            }
        }
        const std::lock_guard lock(attempt->mutex);
        attempt->client = client;
        attempt->failure = failure;
        if (MqttConnection* owner = attempt->owner)
            QMetaObject::invokeMethod(owner, [owner, attempt] { owner->attemptStarted(attempt); }, Qt::QueuedConnection);
    }).detach();
}

void MqttConnection::attemptStarted(const std::shared_ptr<Attempt>& attempt)
{
    if (attempt != m_attempt) return;  // given up on meanwhile
    m_attempt.reset();
    mosquitto* client = nullptr;
    PublishFailure failure;
    {
        const std::lock_guard lock(attempt->mutex);
        std::swap(client, attempt->client);
        failure = attempt->failure;
    }
    if (failure.kind != PublishFailure::Kind::None) {
        if (client) mosquitto_destroy(client);
        fail(failure);
        return;
    }
    m_client = client;
    mosquitto_user_data_set(m_client, this);
    const int fd = mosquitto_socket(m_client);
    m_readNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    m_writeNotifier = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &MqttConnection::readReady);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &MqttConnection::writeReady);
    m_phase = Phase::Handshake;
    m_deadline->start(AcceptTimeoutMs);
    m_miscTimer->start();
    afterLibraryCall();
}

bool MqttConnection::handshaking() const
{
    if (!m_client) return false;
    const auto* ssl = static_cast<const SSL*>(mosquitto_ssl_get(m_client));
    return ssl && !SSL_is_init_finished(ssl);
}

void MqttConnection::readReady()
{
    if (!m_client) return;
    if (handshaking()) {
        // libmosquitto takes a peer that closed during the TLS handshake for one that has not
        // answered yet, and the socket would wake us for ever: look for the end ourselves.
        char byte;
        const ssize_t n = ::recv(mosquitto_socket(m_client), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            fail(n == 0 ? PublishFailure{PublishFailure::Kind::Closed, QString()} : fromErrno(errno, PublishFailure::Kind::Closed));
            return;
        }
    }
    errno = 0;
    const int rc = mosquitto_loop_read(m_client, 1);
    if (rc != MOSQ_ERR_SUCCESS && m_pendingFailure.kind == PublishFailure::Kind::None)
        m_pendingFailure = fromResult(rc, errno, m_phase == Phase::Up ? PublishFailure::Kind::Lost : PublishFailure::Kind::Closed);
    afterLibraryCall();
    // Records OpenSSL already decrypted wake no notifier: read them now.
    if (m_client) {
        const auto* ssl = static_cast<const SSL*>(mosquitto_ssl_get(m_client));
        if (ssl && SSL_pending(ssl) > 0) QTimer::singleShot(0, this, &MqttConnection::readReady);
    }
}

void MqttConnection::writeReady()
{
    if (!m_client) return;
    errno = 0;
    // While TLS shakes hands, libmosquitto goes on with it from its read step only.
    const int rc = handshaking() ? mosquitto_loop_read(m_client, 1) : mosquitto_loop_write(m_client, 1);
    if (rc != MOSQ_ERR_SUCCESS && m_pendingFailure.kind == PublishFailure::Kind::None)
        m_pendingFailure = fromResult(rc, errno, m_phase == Phase::Up ? PublishFailure::Kind::Lost : PublishFailure::Kind::Closed);
    afterLibraryCall();
}

void MqttConnection::misc()
{
    if (!m_client) return;
    const int rc = mosquitto_loop_misc(m_client);
    if (rc != MOSQ_ERR_SUCCESS && m_pendingFailure.kind == PublishFailure::Kind::None)
        m_pendingFailure = fromResult(rc, 0, m_phase == Phase::Up ? PublishFailure::Kind::Lost : PublishFailure::Kind::Closed);
    afterLibraryCall();
}

void MqttConnection::afterLibraryCall()
{
    if (!m_client) return;
    if (mosquitto_socket(m_client) < 0 && m_pendingFailure.kind == PublishFailure::Kind::None)
        m_pendingFailure = {m_phase == Phase::Up ? PublishFailure::Kind::Lost : PublishFailure::Kind::Closed, QString()};
    if (m_pendingFailure.kind != PublishFailure::Kind::None) {
        const PublishFailure failure = m_pendingFailure;
        fail(failure);
        return;
    }
    if (m_connackArrived) {
        m_connackArrived = false;
        m_phase = Phase::Up;
        m_deadline->stop();
        m_upSince = QDateTime::currentDateTimeUtc();
        qCInfo(lcPublish).noquote() << "connected to" << QStringLiteral("%1:%2").arg(m_endpoint.host).arg(m_endpoint.port);
        emit connected();
        if (!m_client) return;
    }
    const QList<int> acks = std::exchange(m_acks, {});
    for (const int mid : acks) {
        emit acknowledged(mid);
        if (!m_client) return;
    }
    bool wantWrite;
    const auto* ssl = static_cast<const SSL*>(mosquitto_ssl_get(m_client));
    if (ssl && !SSL_is_init_finished(ssl))
        wantWrite = SSL_want_write(ssl);
    else
        wantWrite = mosquitto_want_write(m_client);
    if (m_writeNotifier) m_writeNotifier->setEnabled(wantWrite);
}

int MqttConnection::publish(const QByteArray& topic, const QByteArray& payload, bool retained)
{
    if (m_phase != Phase::Up || !m_client) return 0;
    int mid = 0;
    const int rc = mosquitto_publish(m_client, &mid, topic.constData(), int(payload.size()), payload.constData(), 1, retained);
    if (rc != MOSQ_ERR_SUCCESS) {
        qCDebug(lcPublish) << "not handed to the client:" << topic << mosquitto_strerror(rc);
        return 0;
    }
    if (m_writeNotifier) m_writeNotifier->setEnabled(mosquitto_want_write(m_client));
    return mid;
}

void MqttConnection::fail(const PublishFailure& failure)
{
    const bool wasUp = m_phase == Phase::Up;
    if (wasUp && m_upSince.msecsTo(QDateTime::currentDateTimeUtc()) >= LongConnectionMs) m_nextDelayMs = m_firstDelayMs;
    dropClient();
    m_deadline->stop();
    QDateTime next;
    if (m_retry) {
        const int delay = m_nextDelayMs + int(QRandomGenerator::global()->bounded(m_nextDelayMs / 4 + 1));
        m_nextDelayMs = qMin(m_nextDelayMs * 2, m_maxDelayMs);
        m_phase = Phase::Waiting;
        m_retryTimer->start(delay);
        next = QDateTime::currentDateTime().addMSecs(delay);
    } else {
        m_phase = Phase::Idle;
    }
    static const char* const kinds[] = {"", "host not found", "refused", "unreachable", "closed by the broker", "lost",
                                        "TLS handshake failed", "TLS file unusable", "bad user name or password",
                                        "not authorised", "refused by the broker", "password file refused", "error"};
    qCInfo(lcPublish).noquote() << (wasUp ? "connection lost:" : "attempt failed:") << kinds[int(failure.kind)] << failure.detail
                                << (next.isValid() ? QStringLiteral("; next attempt in %1 ms").arg(QDateTime::currentDateTime().msecsTo(next)) : QString());
    emit failed(failure, next);
}

void MqttConnection::dropClient()
{
    for (QSocketNotifier* n : {m_readNotifier, m_writeNotifier}) {
        if (!n) continue;
        // Possibly inside its own signal: off now, gone later.
        n->setEnabled(false);
        n->deleteLater();
    }
    m_readNotifier = m_writeNotifier = nullptr;
    m_miscTimer->stop();
    if (m_client) {
        mosquitto_user_data_set(m_client, nullptr);
        mosquitto_destroy(m_client);
        m_client = nullptr;
    }
    m_connackArrived = false;
    m_pendingFailure = {};
    m_acks.clear();
}

void MqttConnection::onConnect(mosquitto*, void* self, int rc)
{
    auto* c = static_cast<MqttConnection*>(self);
    if (!c) return;
    if (rc == 0)
        c->m_connackArrived = true;
    else if (c->m_pendingFailure.kind == PublishFailure::Kind::None)
        c->m_pendingFailure = fromConnack(rc);
}

void MqttConnection::onDisconnect(mosquitto*, void* self, int rc)
{
    auto* c = static_cast<MqttConnection*>(self);
    if (!c || c->m_pendingFailure.kind != PublishFailure::Kind::None) return;
    c->m_pendingFailure = fromResult(rc, errno, c->m_phase == Phase::Up ? PublishFailure::Kind::Lost : PublishFailure::Kind::Closed);
    if (rc == MOSQ_ERR_SUCCESS) c->m_pendingFailure = {PublishFailure::Kind::Lost, QString()};
}

void MqttConnection::onPublish(mosquitto*, void* self, int mid)
{
    if (auto* c = static_cast<MqttConnection*>(self)) c->m_acks.append(mid);
}

}  // namespace qm
