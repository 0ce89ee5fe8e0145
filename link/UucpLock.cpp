#include "UucpLock.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <limits>
#include <signal.h>
#endif

namespace qm {

#ifdef Q_OS_UNIX

namespace {

// Where serial programs keep their lock files; QSerialPort writes to the first usable one of
// these, other programs to /var/lock (on Linux the same as /run/lock).
QStringList lockDirectories()
{
    return {QStringLiteral("/var/lock"),       QStringLiteral("/run/lock"),        QStringLiteral("/etc/locks"),
            QStringLiteral("/var/spool/locks"), QStringLiteral("/var/spool/uucp"),  QStringLiteral("/tmp"),
            QStringLiteral("/var/tmp"),         QStringLiteral("/var/lock/lockdev"),
            QStandardPaths::writableLocation(QStandardPaths::TempLocation)};
}

// "/dev/ttyUSB0" -> "LCK..ttyUSB0", "/dev/pts/3" -> "LCK..pts_3", as QSerialPort and lockdev name them.
QString lockFileName(const QString& device)
{
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    return QStringLiteral("LCK..") + name.replace(QLatin1Char('/'), QLatin1Char('_'));
}

// The pid of a lock file: ten columns of ASCII digits and a newline (HDB UUCP), or the first line
// of QLockFile's text. 0 when the file says nothing readable.
qint64 lockPid(const QString& path)
{
    // Only a regular file is read: a FIFO under that name would block the open.
    if (!QFileInfo(path).isFile()) return 0;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    const QByteArray head = file.read(64);
    bool ok = false;
    const qint64 pid = head.left(head.indexOf('\n') < 0 ? head.size() : head.indexOf('\n')).trimmed().toLongLong(&ok);
    return ok && pid > 0 && pid <= std::numeric_limits<pid_t>::max() ? pid : 0;
}

bool alive(qint64 pid)
{
    // EPERM: the process runs, under a user this program may not signal.
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

QString programOf(qint64 pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    return comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.read(256)).trimmed() : QString();
}

}  // namespace

std::optional<LockHolder> LiveLockHolder(const QString& devicePath)
{
    QStringList names{lockFileName(devicePath)};
    const QString target = QFileInfo(devicePath).canonicalFilePath();
    if (!target.isEmpty() && lockFileName(target) != names.first()) names << lockFileName(target);

    QSet<QString> seen;
    for (const QString& dir : lockDirectories()) {
        if (dir.isEmpty()) continue;
        for (const QString& name : names) {
            const QString path = dir + QLatin1Char('/') + name;
            const QString real = QFileInfo(path).canonicalFilePath();
            if (real.isEmpty() || seen.contains(real)) continue;  // no such file, or seen by another name
            seen.insert(real);
            const qint64 pid = lockPid(path);
            if (pid > 0 && alive(pid)) return LockHolder{path, pid, programOf(pid)};
        }
    }
    return std::nullopt;
}

#else

std::optional<LockHolder> LiveLockHolder(const QString&) { return std::nullopt; }

#endif

}  // namespace qm
