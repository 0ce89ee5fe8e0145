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
    // QSerialPort's error signal, one event-loop turn later: a device that went away closes the
    // port and is reported as lost.
    void onError(int error);
    // True when the open port no longer leads to a device.
    bool deviceGone(int error) const;
    // Why the last QSerialPort::open failed, in Russian; notes a refusal for lack of rights.
    QString openFailure(const QString& device);

    std::unique_ptr<QSerialPort> m_port;
    QString m_path;  // the device last opened, for the log
    bool m_denied = false;
};

}  // namespace qm
