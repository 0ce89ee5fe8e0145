#pragma once
// The master side of a pseudo-terminal for tests of the real serial port: the slave's path is
// what the program opens; closing the master is a device pulled out.

#include <QByteArray>
#include <QString>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace qm::test {

struct Pty {
    int master = -1;
    QString slave;

    Pty()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) slave = QString::fromLocal8Bit(ptsname(master));
    }
    ~Pty() { unplug(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    void unplug()
    {
        if (master >= 0) ::close(master);
        master = -1;
    }
    termios settings() const
    {
        termios t{};
        tcgetattr(master, &t);  // a pty master reports the slave's settings
        return t;
    }
    QByteArray readAvailable() const
    {
        QByteArray out;
        char buf[256];
        for (;;) {
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0) break;
            out.append(buf, int(n));
        }
        return out;
    }
    bool send(const QByteArray& bytes) const { return ::write(master, bytes.constData(), size_t(bytes.size())) == bytes.size(); }
};

}  // namespace qm::test
