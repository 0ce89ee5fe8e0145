#pragma once
// A scripted Port: tests queue bytes "arriving" before a tick and read back what was written.

#include "Port.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <cstring>

namespace qm::test {

class FakePort : public Port {
public:
    // Devices that exist; opening anything else fails like a missing port.
    QSet<QString> existing;
    QString openReason;            // reason given for a failed open
    bool denied = false;           // a failed open is for lack of permission
    ConfigResult configResult;     // what configure() reports
    bool isOpen = false;
    QString openedDevice;
    int openCount = 0;
    int closeCount = 0;
    int writesWhileClosed = 0;
    QByteArray incoming;           // bytes queued in the "driver"
    QList<QByteArray> writes;      // every write, in order
    Framing framedBy = Framing::BySilence;  // a TCP stream is framed by length
    bool waiting = false;          // a network line connecting or waiting to connect again

    bool open(const QString& device, QString* reason) override
    {
        ++openCount;
        if (!existing.contains(device) || isOpen) {
            if (reason) *reason = openReason;
            return false;
        }
        isOpen = true;
        openedDevice = device;
        return true;
    }
    bool openDenied() const override { return denied; }
    ConfigResult configure() override { return configResult; }
    // Closing drops what the driver held, as closing a serial device does.
    void close() override
    {
        ++closeCount;
        isOpen = false;
        incoming.clear();
    }
    qint64 bytesQueued() override { return isOpen ? incoming.size() : -1; }
    qint64 read(quint8* dst, qint64 max) override
    {
        if (!isOpen) return 0;
        const qint64 n = std::min<qint64>(max, incoming.size());
        std::memcpy(dst, incoming.constData(), size_t(n));
        incoming.remove(0, int(n));
        return n;
    }
    void write(const quint8* src, qint64 length) override
    {
        if (!isOpen) {
            ++writesWhileClosed;
            return;
        }
        writes << QByteArray(reinterpret_cast<const char*>(src), int(length));
    }

    Framing framing() const override { return framedBy; }
    bool waitingForLine() const override { return waiting; }

    // Test helpers.
    // A network line's connection failed or was dropped, as its transport tells it.
    void trouble(LineTrouble::Kind kind, const QString& reason = QString()) { reportTrouble({kind, reason}); }
    void arrive(const QByteArray& bytes) { incoming += bytes; }
    // The device went away under the open port (a USB adapter pulled out): closed, then told.
    void lose()
    {
        isOpen = false;
        incoming.clear();
        reportLost();
    }
    QByteArray lastWrite() const { return writes.isEmpty() ? QByteArray() : writes.last(); }
};

inline QByteArray hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

// The frame with its CRC-16/MODBUS appended, low byte first (as an instrument sends it).
inline QByteArray withCrc(QByteArray frame)
{
    quint16 crc = 0xFFFF;
    for (char c : frame) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k) crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    frame.append(char(crc & 0xFF));
    frame.append(char(crc >> 8));
    return frame;
}

}  // namespace qm::test
