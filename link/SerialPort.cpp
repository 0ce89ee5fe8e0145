#include "SerialPort.h"

#include "Logging.h"
#include "SystemErrorText.h"
#include "UucpLock.h"

#include <QFileInfo>
#include <QSerialPort>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace qm {

namespace {

#ifdef Q_OS_UNIX
QString systemPath(const QString& device)
{
    return device.startsWith(QLatin1Char('/')) ? device : QStringLiteral("/dev/") + device;
}

// QSerialPort reports a port locked by another program as a permission error too; only a
// device we may not open for reading and writing means the user lacks the rights.
bool lacksPermission(const QString& path)
{
    return ::access(path.toLocal8Bit().constData(), R_OK | W_OK) != 0 && errno == EACCES;
}
#endif

QString sentence(const QString& phrase, const QString& device)
{
    return Capitalized(phrase) + QStringLiteral(" (") + device + QStringLiteral(").");
}

}  // namespace

SerialPort::SerialPort() : m_port(std::make_unique<QSerialPort>())
{
    // Queued: the signal comes from inside QSerialPort (its notifier, a write), where the port
    // must not be closed. Without this a device that went away leaves a read notifier firing on
    // end-of-file as fast as the loop turns.
    QObject::connect(
        m_port.get(), &QSerialPort::errorOccurred, m_port.get(),
        [this](QSerialPort::SerialPortError error) { onError(int(error)); }, Qt::QueuedConnection);
}

SerialPort::~SerialPort() = default;

bool SerialPort::open(const QString& device, QString* reason)
{
    m_denied = false;
    if (m_port->isOpen()) m_port->close();
    QString failure;
#ifdef Q_OS_UNIX
    // A /dev/serial/by-id link opens the device it names, so that the lock files of this
    // program and of others name the same device.
    const QString named = systemPath(device);
    const QString canonical = QFileInfo(named).canonicalFilePath();
    const QString path = canonical.isEmpty() ? named : canonical;
    if (const std::optional<LockHolder> holder = LiveLockHolder(named)) {
        const QString who = holder->program.isEmpty() ? QStringLiteral("PID %1").arg(holder->pid)
                                                      : QStringLiteral("%1, PID %2").arg(holder->program).arg(holder->pid);
        failure = QStringLiteral("Порт занят другой программой (%1): её файл блокировки %2.").arg(who, holder->lockFile);
    }
#else
    const QString path = device;
#endif
    if (failure.isEmpty()) {
        m_port->setPortName(path);
        // Exclusive as far as QSerialPort goes: its lock file and TIOCEXCL on Unix, no sharing
        // on Windows.
        if (!m_port->open(QIODevice::ReadWrite)) failure = openFailure(path);
    }
#ifdef Q_OS_UNIX
    // TIOCEXCL does not stop root, nor a program that opened the device before us; serial
    // programs on Linux take an advisory lock on the device, and so does this one.
    if (failure.isEmpty() && ::flock(int(m_port->handle()), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        m_port->close();
        failure = QStringLiteral("Порт занят другой программой: она заблокировала устройство (%1).").arg(path);
    }
#endif
    if (failure.isEmpty()) {
        m_path = path;
        qCDebug(lcLink).noquote() << LogTime() << "device" << path << "open";
        return true;
    }
    qCDebug(lcLink).noquote() << LogTime() << "device" << path << "refused:" << failure;
    if (reason) *reason = failure;
    return false;
}

QString SerialPort::openFailure(const QString& device)
{
    const QString said = m_port->errorString();
    switch (m_port->error()) {
    case QSerialPort::DeviceNotFoundError:
        return sentence(SystemErrorText(ENOENT), device);
    case QSerialPort::PermissionError:
        // QSerialPort's own words for its lock file.
        if (said.contains(QLatin1String("locking the device")))
            return QStringLiteral("Порт занят другой программой: её файл блокировки есть в /var/lock (%1).").arg(device);
        if (said.contains(QLatin1String("creating lock file")))
            return QStringLiteral("Нет прав на запись в каталог файлов блокировки /var/lock (%1).").arg(device);
#ifdef Q_OS_UNIX
        if (lacksPermission(device)) {
            m_denied = true;
            return sentence(SystemErrorText(EACCES), device);
        }
        return sentence(SystemErrorTextFor(said), device);
#else
        // Windows refuses a port that another program holds as "access denied".
        return sentence(SystemErrorText(EBUSY), device);
#endif
    default:
        return sentence(SystemErrorTextFor(said), device);
    }
}

Port::ConfigResult SerialPort::configure()
{
    ConfigResult result;
    if (!m_port->isOpen()) {
        result.stage = ConfigStage::GetState;
        result.code = EBADF;
        result.reason = QStringLiteral("Порт не открыт");
        return result;
    }
#ifdef Q_OS_UNIX
    termios settings{};
    if (::tcgetattr(int(m_port->handle()), &settings) != 0) {
        const int code = errno;
        result.stage = ConfigStage::GetState;
        result.code = quint32(code);
        result.reason = Capitalized(SystemErrorText(code));
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
        result.reason = Capitalized(code != 0 ? SystemErrorText(code) : SystemErrorTextFor(m_port->errorString()));
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

void SerialPort::onError(int error)
{
    // Errors of an open that failed, or of a port since closed, are old news.
    if (!m_port->isOpen()) return;
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError && error != QSerialPort::WriteError) return;
    m_port->clearError();
    if (!deviceGone(error)) return;
    qCDebug(lcLink).noquote() << LogTime() << "device" << m_path << "went away";
    m_port->close();
    reportLost();
}

bool SerialPort::deviceGone(int error) const
{
#ifdef Q_OS_UNIX
    // A tty that was hung up (its adapter pulled out, its pseudo-terminal's master closed) reads
    // end-of-file for ever, which QSerialPort calls a read error, and refuses every terminal
    // request; a live one answers.
    Q_UNUSED(error);
    termios settings{};
    return ::tcgetattr(int(m_port->handle()), &settings) != 0;
#else
    return error == QSerialPort::ResourceError;
#endif
}

}  // namespace qm
