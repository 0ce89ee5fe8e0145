#include "SerialPort.h"

#include <QSerialPort>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <termios.h>
#include <unistd.h>
#endif

namespace qm {

namespace {

#ifdef Q_OS_UNIX
// QSerialPort reports a port locked by another program as a permission error too; only a
// device we may not open for reading and writing means the user lacks the rights.
bool lacksPermission(const QString& device)
{
    const QString path = device.startsWith(QLatin1Char('/')) ? device : QStringLiteral("/dev/") + device;
    return ::access(path.toLocal8Bit().constData(), R_OK | W_OK) != 0 && errno == EACCES;
}
#endif

}  // namespace

SerialPort::SerialPort() : m_port(std::make_unique<QSerialPort>()) {}

SerialPort::~SerialPort() = default;

bool SerialPort::open(const QString& device, QString* reason)
{
    m_denied = false;
    if (m_port->isOpen()) m_port->close();
    m_port->setPortName(device);
    // QSerialPort opens exclusively: a lock file and TIOCEXCL on Unix, no sharing on Windows.
    if (m_port->open(QIODevice::ReadWrite)) return true;
#ifdef Q_OS_UNIX
    m_denied = m_port->error() == QSerialPort::PermissionError && lacksPermission(device);
#endif
    if (reason) *reason = m_port->errorString();
    return false;
}

Port::ConfigResult SerialPort::configure()
{
    ConfigResult result;
    if (!m_port->isOpen()) {
        result.stage = ConfigStage::GetState;
        result.code = EBADF;
        result.reason = QString::fromLocal8Bit(std::strerror(EBADF));
        return result;
    }
#ifdef Q_OS_UNIX
    termios settings{};
    if (::tcgetattr(int(m_port->handle()), &settings) != 0) {
        const int code = errno;
        result.stage = ConfigStage::GetState;
        result.code = quint32(code);
        result.reason = QString::fromLocal8Bit(std::strerror(code));
        return result;
    }
#endif
    // Only the line format is set here. Opening has already switched flow control off (XON/XOFF
    // would swallow bytes of binary frames); the modem lines are left alone.
    errno = 0;
    const bool ok = m_port->setBaudRate(19200) && m_port->setDataBits(QSerialPort::Data8)
                    && m_port->setParity(QSerialPort::NoParity) && m_port->setStopBits(QSerialPort::OneStop);
    if (!ok) {
        const int code = errno;
        result.stage = ConfigStage::SetState;
        result.code = code != 0 ? quint32(code) : quint32(m_port->error());
        result.reason = m_port->errorString();
    }
    return result;
}

void SerialPort::close()
{
    if (m_port->isOpen()) m_port->close();
}

qint64 SerialPort::bytesQueued()
{
    return m_port->isOpen() ? m_port->bytesAvailable() : -1;
}

qint64 SerialPort::read(quint8* dst, qint64 max)
{
    if (!m_port->isOpen() || max <= 0) return 0;
    const qint64 n = m_port->read(reinterpret_cast<char*>(dst), max);
    return n < 0 ? 0 : n;
}

void SerialPort::write(const quint8* src, qint64 length)
{
    if (!m_port->isOpen() || length <= 0) return;
    m_port->write(reinterpret_cast<const char*>(src), length);
    // Without this the bytes would wait for the next turn of the event loop.
    m_port->flush();
}

}  // namespace qm
