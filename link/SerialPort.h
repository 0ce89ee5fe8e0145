#pragma once
// The real serial port, through QSerialPort.

#include "Port.h"

#include <memory>

class QSerialPort;

namespace qm {

class SerialPort : public Port {
public:
    SerialPort();
    ~SerialPort() override;

    bool open(const QString& device, QString* reason) override;
    bool openDenied() const override { return m_denied; }
    ConfigResult configure() override;
    void close() override;
    qint64 bytesQueued() override;
    qint64 read(quint8* dst, qint64 max) override;
    void write(const quint8* src, qint64 length) override;

private:
    std::unique_ptr<QSerialPort> m_port;
    bool m_denied = false;
};

}  // namespace qm
