#pragma once
// A line of instruments behind Ethernet, through QTcpSocket: RTU over TCP (a serial device server
// in transparent mode passes the RTU frames unchanged) or Modbus TCP (ModbusTcpFraming turns the
// RTU frames into ADUs and back). The engine reads and writes RTU frames either way and cuts
// answers by their length (Framing::ByLength).
//
// Connecting never blocks: open() starts it and returns. A connection that cannot be made, or one
// the gateway drops, is told (the trouble handler) and made again on its own, 1, 2, 4 ... 30 s
// apart, until the port is closed; meanwhile nothing arrives and the engine sees silent
// instruments. An outage is told once: failures that follow before a connection has stood for
// a minute belong to it (a gateway that takes each connection and drops it soon after). A
// connection that brings bytes starts the backoff over. TCP keepalive is on. The program only
// connects out; it never listens.
//
// One line, one master: from open to close the line holds a lock file in /run/lock named for its
// gateway (NetworkLine::lockFileName), so a second program of ours on this computer (the window
// program, a collector) is refused the line as a busy serial port is refused. Other masters on
// the network are the gateway's business.

#include "FileLock.h"
#include "ModbusTcpFraming.h"
#include "NetworkLine.h"
#include "Port.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QTimer>

#include <optional>
#include <variant>

class QTcpSocket;

namespace qm {

class TcpLine : public Port {
public:
    TcpLine();
    ~TcpLine() override;
    TcpLine(const TcpLine&) = delete;
    TcpLine& operator=(const TcpLine&) = delete;

    // device: rtuovertcp://HOST:PORT or tcp://HOST:PORT. Refused only when it names no line.
    bool open(const QString& device, QString* reason) override;
    ConfigResult configure() override { return {}; }
    void close() override;
    qint64 bytesQueued() override;
    qint64 read(quint8* dst, qint64 max) override;
    void write(const quint8* src, qint64 length) override;
    Framing framing() const override { return Framing::ByLength; }
    bool waitingForLine() const override;

private:
    // The line's state.
    struct Closed {};
    struct Connecting {  // a name being looked up or a handshake under way
        QByteArray held;  // the latest request written meanwhile, sent once connected
    };
    struct Connected {};
    struct Waiting {  // for the next attempt, after a failure or a drop
        QByteArray held;
    };
    using State = std::variant<Closed, Connecting, Connected, Waiting>;

    // Since the connection failed or was dropped, until a connection has stood for a minute: the
    // trouble has been told, and the next attempt waits this long.
    struct Outage {
        int nextDelaySeconds = LineFirstRetrySeconds;
    };
    static constexpr qint64 SettledMs = 60 * 1000;

    void attempt(QByteArray held);
    void onConnected();
    void onError(int error);
    void fail(LineTrouble trouble);
    void dropSocket();
    // A connection that brings bytes leads to a live gateway: the next attempt, if one is needed,
    // waits the shortest time again.
    void noteBytes();
    // Moves what the socket received to m_incoming (over Modbus TCP through the framing).
    void takeArrived();
    void send(const QByteArray& rtu);
    QString where() const;

    NetworkLine m_line;
    FileLock m_lock;
    State m_state = Closed{};
    std::optional<Outage> m_outage;
    QTcpSocket* m_socket = nullptr;  // one per attempt; an old one is deleted from the event loop
    QElapsedTimer m_upSince;         // the current connection was made
    QTimer m_connectTimer;
    QTimer m_retryTimer;
    ModbusTcpFraming m_modbusTcp;
    // Received and not read by the engine: RTU bytes (over Modbus TCP the frames of answers). What
    // a dropped connection brought stays readable until the next attempt.
    QByteArray m_incoming;
};

}  // namespace qm
