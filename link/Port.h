#pragma once
// The serial port as the poll engine uses it. The real one wraps QSerialPort (SerialPort.h);
// tests use a scripted fake. Nothing outside link/ sees QSerialPort.

#include <QString>
#include <QtGlobal>

#include <functional>
#include <utility>

namespace qm {

class Port {
public:
    enum class ConfigStage { Ok, GetState, SetState };
    struct ConfigResult {
        ConfigStage stage = ConfigStage::Ok;
        quint32 code = 0;   // the system's error code when a stage failed
        QString reason;     // why, in Russian; may be empty
    };

    virtual ~Port() = default;

    // Opens the device exclusively. On failure returns false and puts the reason, a Russian
    // sentence naming the device, into *reason when there is one.
    virtual bool open(const QString& device, QString* reason) = 0;
    // True when the last failed open was refused for lack of permission (not because the
    // device is missing or busy), so that the message can say how to get access.
    virtual bool openDenied() const { return false; }
    // Reads the line settings and writes back 19200 baud, 8 data bits, no parity, 1 stop bit.
    // The modem lines stay as they were; flow control is whatever opening left (QSerialPort
    // opens without flow control, which is what binary Modbus frames need anyway).
    virtual ConfigResult configure() = 0;
    virtual void close() = 0;
    // Bytes received and not yet read; -1 when the port cannot tell.
    virtual qint64 bytesQueued() = 0;
    // Reads at most max bytes that have already arrived; never waits. Returns the count read.
    virtual qint64 read(quint8* dst, qint64 max) = 0;
    // Writes the bytes and pushes them onto the line at once.
    virtual void write(const quint8* src, qint64 length) = 0;

    // Called when the open device goes away (a USB adapter pulled out, the far end of a
    // pseudo-terminal closed). The port has closed itself by then. It is called from the event
    // loop, never from inside a call on the port, so the handler may open the port again.
    void setLostHandler(std::function<void()> handler) { m_lost = std::move(handler); }

protected:
    void reportLost()
    {
        if (m_lost) m_lost();
    }

private:
    std::function<void()> m_lost;
};

}  // namespace qm
