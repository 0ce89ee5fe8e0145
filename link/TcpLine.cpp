#include "TcpLine.h"

#include "Logging.h"
#include "ModbusProtocol.h"
#include "SystemErrorText.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkProxy>
#include <QTcpSocket>

#include <algorithm>

#ifdef Q_OS_LINUX
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace qm {

namespace {

// What the socket may hold that nobody has read yet. A peer that sends more is held back by TCP
// itself; the engine reads every tick, and an answer is at most a few hundred bytes.
constexpr qint64 kReadBufferBytes = 64 * 1024;
// Requests not sent yet beyond this mean the gateway takes nothing in: no more are queued.
constexpr qint64 kMaxUnsentBytes = 4096;

#ifdef Q_OS_LINUX
// Keepalive probes after 10 s of quiet, 5 s apart, three unanswered end the connection; requests
// left unacknowledged for 15 s end it too (a gateway whose cable was pulled answers nothing, not
// even a reset).
void tuneKeepAlive(qintptr descriptor)
{
    const int fd = int(descriptor);
    const int idle = 10, interval = 5, count = 3;
    const unsigned int unacknowledgedMs = 15000;
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &unacknowledgedMs, sizeof unacknowledgedMs);
}
#endif

// Where the lines' lock files go: the directory every user may write and every program of the
// computer looks in, as for serial ports' lock files (Debian's /run/lock is sticky and open to
// all; /var/lock leads there). None: lines are not locked.
QString lockDirectory()
{
    for (const char* dir : {"/run/lock", "/var/lock"})
        if (QFileInfo(QLatin1String(dir)).isDir()) return QLatin1String(dir);
    return QString();
}

}  // namespace

TcpLine::TcpLine()
{
    m_connectTimer.setSingleShot(true);
    m_connectTimer.setInterval(LineConnectTimeoutSeconds * 1000);  // name lookup and handshake
    QObject::connect(&m_connectTimer, &QTimer::timeout, &m_connectTimer, [this] {
        fail({LineTrouble::Kind::TimedOut, QString()});
    });
    m_retryTimer.setSingleShot(true);
    QObject::connect(&m_retryTimer, &QTimer::timeout, &m_retryTimer, [this] {
        if (Waiting* waiting = std::get_if<Waiting>(&m_state)) attempt(std::move(waiting->held));
    });
}

TcpLine::~TcpLine()
{
    // At the end of the program the event loop may be gone: the socket goes at once.
    if (m_socket) {
        m_socket->disconnect();
        m_socket->abort();
        delete m_socket;
    }
}

QString TcpLine::where() const
{
    return (m_line.protocol == NetworkLine::Protocol::ModbusTcp ? QStringLiteral("tcp://") : QStringLiteral("rtuovertcp://"))
           + m_line.endpoint();
}

bool TcpLine::open(const QString& device, QString* reason)
{
    close();
    const std::variant<NetworkLine, UrlProblem> parsed = ParseNetworkLine(device);
    if (!std::holds_alternative<NetworkLine>(parsed)) {
        if (reason) *reason = QStringLiteral("Адрес линии не прочитан (%1).").arg(device);
        return false;
    }
    m_line = std::get<NetworkLine>(parsed);
    if (const QString dir = lockDirectory(); !dir.isEmpty()) {
        const QString lockPath = QDir(dir).filePath(m_line.lockFileName());
        const FileLock::Result lock = m_lock.take(lockPath);
        if (lock.outcome == FileLock::Outcome::Busy) {
            const QString who = lock.holderText();
            const QString failure =
                (who.isEmpty() ? QStringLiteral("Линия занята другой программой: её файл блокировки %1 (%2).").arg(lockPath, device)
                               : QStringLiteral("Линия занята другой программой (%1): её файл блокировки %2 (%3).")
                                     .arg(who, lockPath, device));
            qCDebug(lcLink).noquote() << LogTime() << "line" << device << "refused:" << failure;
            if (reason) *reason = failure;
            return false;
        }
        // A lock that cannot be taken at all (a directory the user may not write) keeps no one
        // off the line: it is driven unlocked, and the log says so.
        if (lock.outcome == FileLock::Outcome::Failed)
            qCWarning(lcLink).noquote() << "line" << device << "driven without its lock:" << lock.reason;
    }
    attempt({});
    return true;
}

void TcpLine::attempt(QByteArray held)
{
    dropSocket();
    m_modbusTcp.reset();
    m_incoming.clear();
    auto* socket = new QTcpSocket;
    m_socket = socket;
    // A Modbus line goes straight to its gateway, whatever proxy the desktop names.
    socket->setProxy(QNetworkProxy::NoProxy);
    socket->setReadBufferSize(kReadBufferBytes);
    // Queued, with the socket as context: a signal may come from inside a call on the socket
    // (a write that finds the connection reset), where it must not be replaced; one of a socket
    // since replaced is old news.
    QObject::connect(
        socket, &QTcpSocket::connected, socket, [this, socket] {
            if (socket == m_socket) onConnected();
        },
        Qt::QueuedConnection);
    QObject::connect(
        socket, &QAbstractSocket::errorOccurred, socket,
        [this, socket](QAbstractSocket::SocketError error) {
            if (socket == m_socket) onError(int(error));
        },
        Qt::QueuedConnection);
    m_state = Connecting{std::move(held)};
    qCDebug(lcLink).noquote() << LogTime() << "connecting to" << where();
    m_connectTimer.start();
    socket->connectToHost(m_line.host, m_line.port);
}

void TcpLine::onConnected()
{
    Connecting* connecting = std::get_if<Connecting>(&m_state);
    if (!connecting) return;
    m_connectTimer.stop();
    const QByteArray held = std::move(connecting->held);
    m_state = Connected{};
    m_upSince.start();
    m_socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);  // a request goes out whole at once
#ifdef Q_OS_LINUX
    tuneKeepAlive(m_socket->socketDescriptor());
#endif
    qCDebug(lcLink).noquote() << LogTime() << "connected to" << where();
    if (!held.isEmpty()) send(held);
}

void TcpLine::onError(int error)
{
    const QString said = m_socket ? m_socket->errorString() : QString();
    if (std::holds_alternative<Connected>(m_state)) {
        // Closed by the gateway (an idle or a second client), reset, or gone quiet for too long.
        fail({LineTrouble::Kind::Dropped, error == QAbstractSocket::RemoteHostClosedError ? QString() : SystemErrorTextFor(said)});
        return;
    }
    if (!std::holds_alternative<Connecting>(m_state)) return;
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        fail({LineTrouble::Kind::Refused, QString()});
        break;
    case QAbstractSocket::HostNotFoundError:
        fail({LineTrouble::Kind::UnknownHost, QString()});
        break;
    case QAbstractSocket::SocketTimeoutError:
        fail({LineTrouble::Kind::TimedOut, QString()});
        break;
    default:
        // Network or host unreachable, and whatever else keeps the handshake from being made.
        fail({LineTrouble::Kind::Unreachable, SystemErrorTextFor(said)});
        break;
    }
}

void TcpLine::fail(LineTrouble trouble)
{
    QByteArray held;
    if (Connecting* connecting = std::get_if<Connecting>(&m_state))
        held = std::move(connecting->held);
    else if (std::holds_alternative<Connected>(m_state))
        takeArrived();  // what came in before the drop is still the answer it was
    else
        return;
    // A connection that stood for a minute ended the outage before it: this is a new one.
    if (m_outage && std::holds_alternative<Connected>(m_state) && m_upSince.elapsed() >= SettledMs) m_outage.reset();
    m_connectTimer.stop();
    dropSocket();
    const bool told = m_outage.has_value();
    if (!m_outage) m_outage = Outage{};
    const int delay = m_outage->nextDelaySeconds;
    m_outage->nextDelaySeconds = std::min(2 * delay, LineLastRetrySeconds);
    m_state = Waiting{std::move(held)};
    m_retryTimer.start(delay * 1000);
    static const char* const kWords[] = {"refused", "unreachable", "unknown host", "timed out", "dropped"};
    qCDebug(lcLink).noquote() << LogTime() << where() << kWords[int(trouble.kind)]
                              << (trouble.reason.isEmpty() ? QString() : QStringLiteral("(%1) ").arg(trouble.reason))
                                     + QStringLiteral("- next attempt in %1 s").arg(delay);
    if (!told) reportTrouble(trouble);
}

void TcpLine::dropSocket()
{
    if (!m_socket) return;
    m_socket->disconnect();
    m_socket->abort();
    m_socket->deleteLater();
    m_socket = nullptr;
}

void TcpLine::close()
{
    if (std::holds_alternative<Closed>(m_state)) return;
    m_connectTimer.stop();
    m_retryTimer.stop();
    dropSocket();
    m_incoming.clear();
    m_modbusTcp.reset();
    m_outage.reset();
    m_state = Closed{};
    m_lock.release();
    qCDebug(lcLink).noquote() << LogTime() << "closed" << where();
}

bool TcpLine::waitingForLine() const
{
    return std::holds_alternative<Connecting>(m_state) || std::holds_alternative<Waiting>(m_state);
}

void TcpLine::noteBytes()
{
    if (m_outage) m_outage->nextDelaySeconds = LineFirstRetrySeconds;
}

void TcpLine::takeArrived()
{
    const QByteArray arrived = m_socket->readAll();
    if (arrived.isEmpty()) return;
    noteBytes();
    if (m_line.protocol == NetworkLine::Protocol::RtuOverTcp)
        m_incoming += arrived;
    else
        m_modbusTcp.receive(arrived, m_incoming);
    // Answers to one request at a time: more than the receive buffer holds is no answer, and the
    // engine would drop it too.
    if (m_incoming.size() > modbus::RxBufferSize) m_incoming.remove(0, m_incoming.size() - modbus::RxBufferSize);
}

qint64 TcpLine::bytesQueued()
{
    if (std::holds_alternative<Connected>(m_state)) takeArrived();
    return m_incoming.size();
}

qint64 TcpLine::read(quint8* dst, qint64 max)
{
    const qint64 n = std::clamp<qint64>(max, 0, m_incoming.size());
    std::copy_n(m_incoming.constData(), n, reinterpret_cast<char*>(dst));
    m_incoming.remove(0, n);
    return n;
}

void TcpLine::write(const quint8* src, qint64 length)
{
    if (length <= 0) return;
    const QByteArray rtu(reinterpret_cast<const char*>(src), qsizetype(length));
    if (Connecting* connecting = std::get_if<Connecting>(&m_state)) connecting->held = rtu;
    else if (Waiting* waiting = std::get_if<Waiting>(&m_state)) waiting->held = rtu;
    else if (std::holds_alternative<Connected>(m_state)) send(rtu);
}

void TcpLine::send(const QByteArray& rtu)
{
    // Whatever came in and was not read answers an older request: it must not be taken for the
    // answer to this one.
    takeArrived();
    if (!m_incoming.isEmpty()) {
        qCDebug(lcLink).noquote() << LogTime() << "tcp <- (stale, dropped)" << m_incoming.toHex(' ').toUpper();
        m_incoming.clear();
    }
    // Closed by the gateway a moment ago, its error still on the way: this request goes nowhere,
    // as on a line that went quiet; the next one goes over the new connection.
    if (m_socket->state() != QAbstractSocket::ConnectedState) return;
    if (m_socket->bytesToWrite() > kMaxUnsentBytes) {
        qCDebug(lcLink).noquote() << LogTime() << where() << "takes nothing in: request not queued";
        return;
    }
    if (m_line.protocol == NetworkLine::Protocol::RtuOverTcp) {
        m_socket->write(rtu);
    } else {
        const QByteArray adu = m_modbusTcp.request(reinterpret_cast<const quint8*>(rtu.constData()), rtu.size());
        if (adu.isEmpty()) return;
        m_socket->write(adu);
    }
    m_socket->flush();
}

}  // namespace qm
