#pragma once
// The port as the poll engine uses it: a serial device (SerialPort.h, through QSerialPort) or a
// network line (TcpLine.h, through QTcpSocket); LinePort.h chooses between them at each open.
// Tests use a scripted fake. Nothing outside link/ sees QSerialPort or QTcpSocket.

#include <QString>
#include <QtGlobal>

#include <functional>
#include <utility>

namespace qm {

// Why a network line has no connection.
struct LineTrouble {
    enum class Kind : quint8 {
        Refused,      // nothing accepts connections at the gateway's address and port
        Unreachable,  // no way to the host through the network
        UnknownHost,  // the gateway's name was not found
        TimedOut,     // the connection was not taken within the time allowed
        Dropped,      // the gateway closed or reset the connection
    };
    Kind kind = Kind::Refused;
    QString reason;  // the system's words, Russian where Qt's translation has them; may be empty
};

class Port {
public:
    enum class ConfigStage { Ok, GetState, SetState };
    struct ConfigResult {
        ConfigStage stage = ConfigStage::Ok;
        quint32 code = 0;   // the system's error code when a stage failed
        QString reason;     // why, in Russian; may be empty
    };

    virtual ~Port() = default;

    // Opens the device exclusively; a network line starts connecting and returns at once (the
    // gateway decides whether a second master may connect). On failure returns false and puts
    // the reason, a Russian sentence naming the device, into *reason when there is one.
    virtual bool open(const QString& device, QString* reason) = 0;
    // True when the last failed open was refused for lack of permission (not because the
    // device is missing or busy), so that the message can say how to get access.
    virtual bool openDenied() const { return false; }
    // Reads the line settings and writes back 19200 baud, 8 data bits, no parity, 1 stop bit.
    // The modem lines stay as they were; flow control is whatever opening left (QSerialPort
    // opens without flow control, which is what binary Modbus frames need anyway). A network
    // line has nothing to set: the gateway's serial side is set up on the gateway.
    virtual ConfigResult configure() = 0;
    virtual void close() = 0;
    // Bytes received and not yet read; -1 when the port cannot tell.
    virtual qint64 bytesQueued() = 0;
    // Reads at most max bytes that have already arrived; never waits. Returns the count read.
    virtual qint64 read(quint8* dst, qint64 max) = 0;
    // Writes the bytes and pushes them onto the line at once. A network line not connected yet
    // keeps the latest request and sends it once it is.
    virtual void write(const quint8* src, qint64 length) = 0;

    // How an answer ends. On a serial line by the silence after it; over a TCP stream there is no
    // silence to go by (a gateway passes bytes on in whatever segments it likes), so an answer
    // ends where its length says.
    enum class Framing { BySilence, ByLength };
    virtual Framing framing() const { return Framing::BySilence; }

    // True while a network line is connecting, or waiting to connect again after its connection
    // failed or was dropped. It keeps its own schedule of attempts (1, 2, 4 ... 30 s apart);
    // closing and opening it again would only start that schedule over. A serial port never waits.
    virtual bool waitingForLine() const { return false; }

    // Called when the open device goes away (a USB adapter pulled out, the far end of a
    // pseudo-terminal closed). The port has closed itself by then. It is called from the event
    // loop, never from inside a call on the port, so the handler may open the port again.
    void setLostHandler(std::function<void()> handler) { m_lost = std::move(handler); }

    // Called when a network line's connection fails or is dropped, once for each outage (an
    // outage ends when a connection has stood for a minute). The port stays open and connects
    // again on its own; meanwhile nothing arrives. Called from the event loop, like the lost
    // handler.
    void setTroubleHandler(std::function<void(const LineTrouble&)> handler) { m_trouble = std::move(handler); }

protected:
    void reportLost()
    {
        if (m_lost) m_lost();
    }
    void reportTrouble(const LineTrouble& trouble)
    {
        if (m_trouble) m_trouble(trouble);
    }

private:
    std::function<void()> m_lost;
    std::function<void(const LineTrouble&)> m_trouble;
};

}  // namespace qm
