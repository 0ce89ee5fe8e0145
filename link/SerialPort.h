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
    ConfigResult configure() override;
    void close() override;
    qint64 bytesQueued() override;
    qint64 read(quint8* dst, qint64 max) override;
    void write(const quint8* src, qint64 length) override;

private:
    std::unique_ptr<QSerialPort> m_port;
};

}  // namespace qm
