#include "FileLock.h"

#include "SystemErrorText.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace qm {

QString FileLock::Result::holderText() const
{
    if (holderPid <= 0) return holderProgram;
    if (holderProgram.isEmpty()) return QStringLiteral("PID %1").arg(holderPid);
    return QStringLiteral("%1, PID %2").arg(holderProgram).arg(holderPid);
}

#ifdef Q_OS_UNIX

namespace {

// Who holds a flock on the file (dev, inode): /proc/locks names the process of every lock,
// "1: FLOCK  ADVISORY  WRITE 1234 fd:01:5678 0 EOF", the device as major:minor in hex. Its name
// comes from /proc/PID (cmdline, else comm), which a service's ProtectProc may hide: then the PID
// alone.
void findHolder(dev_t dev, ino_t inode, FileLock::Result& result)
{
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly)) return;
    const QByteArray wanted = QByteArray::number(major(dev), 16).rightJustified(2, '0') + ':'
                              + QByteArray::number(minor(dev), 16).rightJustified(2, '0') + ':' + QByteArray::number(quint64(inode));
    // The file is small (a line per lock on the system); a bound keeps a strange one from costing.
    const QList<QByteArray> lines = locks.read(1 << 20).split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() < 6 || f.at(1) != "FLOCK" || f.at(5) != wanted) continue;
        bool ok = false;
        const qint64 pid = f.at(4).toLongLong(&ok);
        if (!ok || pid <= 0) continue;
        result.holderPid = pid;
        // The program's name as started (comm is cut at 15 characters: "qm4700-collecto").
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (cmdline.open(QIODevice::ReadOnly)) {
            const QByteArray argv0 = cmdline.read(4096).split('\0').value(0);
            result.holderProgram = QString::fromLocal8Bit(argv0.mid(argv0.lastIndexOf('/') + 1));
        }
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        if (result.holderProgram.isEmpty() && comm.open(QIODevice::ReadOnly))
            result.holderProgram = QString::fromLocal8Bit(comm.read(64).trimmed());
        return;
    }
}

int openLockFile(const QByteArray& name, int* error)
{
    constexpr int Flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    for (int attempt = 0; attempt < 3; ++attempt) {
        // A file that is there: for writing when allowed, else for reading, which locks as well.
        int fd = ::open(name.constData(), O_RDWR | Flags);
        if (fd < 0 && errno == EACCES) fd = ::open(name.constData(), O_RDONLY | Flags);
        if (fd >= 0 || errno != ENOENT) {
            *error = fd < 0 ? errno : 0;
            return fd;
        }
        fd = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | Flags, 0644);
        if (fd >= 0) {
            ::fchmod(fd, 0644);  // the umask (a service's 0027) must not hide it from other users
            *error = 0;
            return fd;
        }
        if (errno != EEXIST) {
            *error = errno;
            return -1;
        }
        // Made by someone else a moment ago: open it as it is.
    }
    *error = EEXIST;
    return -1;
}

}  // namespace

FileLock::Result FileLock::take(const QString& path)
{
    Result result;
    if (held() && path == m_path) {
        result.outcome = Outcome::Taken;
        return result;
    }
    release();
    int error = 0;
    const int fd = openLockFile(QFile::encodeName(path), &error);
    if (fd < 0) {
        result.reason = error == ELOOP ? QStringLiteral("на месте файла блокировки %1 символьная ссылка").arg(path)
                                       : QStringLiteral("файл блокировки %1: %2").arg(path, SystemErrorText(error));
        return result;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        result.reason = QStringLiteral("файл блокировки %1: %2").arg(path, NotRegularFileText());
        return result;
    }
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int code = errno;
        if (code == EWOULDBLOCK) {
            result.outcome = Outcome::Busy;
            findHolder(st.st_dev, st.st_ino, result);
        } else {
            result.reason = QStringLiteral("файл блокировки %1: %2").arg(path, SystemErrorText(code));
        }
        ::close(fd);
        return result;
    }
    m_fd = fd;
    m_path = path;
    result.outcome = Outcome::Taken;
    return result;
}

void FileLock::release()
{
    if (m_fd < 0) return;
    ::close(m_fd);  // the lock goes with the last descriptor of the open file
    m_fd = -1;
    m_path.clear();
}

#else

FileLock::Result FileLock::take(const QString& path)
{
    m_path = path;
    Result result;
    result.outcome = Outcome::Taken;
    return result;
}

void FileLock::release() { m_path.clear(); }

#endif

}  // namespace qm
