#pragma once
// The port the window owns: a serial device or a network line, chosen at each open by what the
// COM name maps to (a device path, rtuovertcp://HOST:PORT or tcp://HOST:PORT), so that the engine
// talks to one Port whatever the line is.

#include "Port.h"
#include "SerialPort.h"
#include "TcpLine.h"

namespace qm {

class LinePort : public Port {
public:
    LinePort();

    bool open(const QString& device, QString* reason) override;
    bool openDenied() const override { return m_active->openDenied(); }
    ConfigResult configure() override { return m_active->configure(); }
    void close() override { m_active->close(); }
    qint64 bytesQueued() override { return m_active->bytesQueued(); }
    qint64 read(quint8* dst, qint64 max) override { return m_active->read(dst, max); }
    void write(const quint8* src, qint64 length) override { m_active->write(src, length); }
    Framing framing() const override { return m_active->framing(); }
    bool waitingForLine() const override { return m_active->waitingForLine(); }

private:
    SerialPort m_serial;
    TcpLine m_network;
    Port* m_active = &m_serial;
};

}  // namespace qm
