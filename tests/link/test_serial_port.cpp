// The QSerialPort adapter on a pseudo-terminal: exclusive open, the line format, writes that
// leave at once and reads that never wait.
#include "SerialPort.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

using qm::Port;
using qm::SerialPort;

namespace {

// The master side of a pseudo-terminal; the slave's path is what the program opens.
struct Pty {
    int master = -1;
    QString slave;
    Pty()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) slave = QString::fromLocal8Bit(ptsname(master));
    }
    ~Pty()
    {
        if (master >= 0) ::close(master);
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
};

// Lets the event loop move arrived bytes into the port, up to a generous bound.
qint64 waitQueued(SerialPort& port, qint64 want)
{
    QDeadlineTimer deadline(5000);
    while (port.bytesQueued() < want && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return port.bytesQueued();
}

TEST(SerialPort, OpensExclusively)
{
    Pty pty;
    ASSERT_FALSE(pty.slave.isEmpty());
    SerialPort first, second;
    QString reason;
    ASSERT_TRUE(first.open(pty.slave, &reason)) << reason.toStdString();
    EXPECT_FALSE(second.open(pty.slave, &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_FALSE(second.openDenied()) << "a port in use is busy, not forbidden";
    first.close();
    EXPECT_TRUE(second.open(pty.slave, &reason)) << "closing releases the port: " << reason.toStdString();
}

TEST(SerialPort, MissingDeviceFailsWithTheSystemsReason)
{
    SerialPort port;
    QString reason;
    EXPECT_FALSE(port.open(QStringLiteral("/dev/ttyQM4700-no-such-device"), &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_FALSE(port.openDenied());
    EXPECT_EQ(port.configure().stage, Port::ConfigStage::GetState);
    EXPECT_EQ(port.bytesQueued(), -1);
}

TEST(SerialPort, DeviceWithoutRightsIsReportedAsDenied)
{
    if (geteuid() == 0) GTEST_SKIP() << "running as root: every device may be opened";
    Pty pty;
    ASSERT_FALSE(pty.slave.isEmpty());
    ASSERT_EQ(::chmod(pty.slave.toLocal8Bit().constData(), 0), 0);
    SerialPort port;
    QString reason;
    EXPECT_FALSE(port.open(pty.slave, &reason));
    EXPECT_TRUE(port.openDenied()) << reason.toStdString();
}

TEST(SerialPort, ConfigureSets19200EightDataBitsNoParityOneStopBit)
{
    Pty pty;
    ASSERT_FALSE(pty.slave.isEmpty());
    termios t = pty.settings();
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    t.c_cflag = (t.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB;
    ASSERT_EQ(tcsetattr(pty.master, TCSANOW, &t), 0);

    SerialPort port;
    QString reason;
    ASSERT_TRUE(port.open(pty.slave, &reason)) << reason.toStdString();
    const Port::ConfigResult r = port.configure();
    EXPECT_EQ(r.stage, Port::ConfigStage::Ok) << r.reason.toStdString();
    t = pty.settings();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B19200));
    EXPECT_EQ(cfgetispeed(&t), speed_t(B19200));
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(t.c_cflag & PARENB, 0u);
    EXPECT_EQ(t.c_cflag & CSTOPB, 0u);
}

TEST(SerialPort, WrittenBytesLeaveWithoutTheEventLoop)
{
    Pty pty;
    SerialPort port;
    QString reason;
    ASSERT_TRUE(port.open(pty.slave, &reason)) << reason.toStdString();
    port.configure();
    const quint8 frame[] = {0x05, 0x03, 0x00, 0x00, 0x00, 0x09, 0x84, 0x48};
    port.write(frame, sizeof frame);
    pollfd p{pty.master, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 1000), 1);  // bounded wait for the kernel, not for our event loop
    EXPECT_EQ(pty.readAvailable(), QByteArray(reinterpret_cast<const char*>(frame), sizeof frame));
}

TEST(SerialPort, ReadsTakeOnlyWhatHasArrived)
{
    Pty pty;
    SerialPort port;
    QString reason;
    ASSERT_TRUE(port.open(pty.slave, &reason)) << reason.toStdString();
    port.configure();
    quint8 buf[64] = {};
    EXPECT_EQ(port.bytesQueued(), 0);
    EXPECT_EQ(port.read(buf, sizeof buf), 0);  // nothing there: returns at once

    ASSERT_EQ(::write(pty.master, "\x01\x03\x12", 3), 3);
    ASSERT_EQ(waitQueued(port, 3), 3);
    EXPECT_EQ(port.read(buf, 2), 2);
    EXPECT_EQ(port.bytesQueued(), 1);
    EXPECT_EQ(port.read(buf + 2, sizeof buf - 2), 1);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(buf), 3), QByteArray("\x01\x03\x12", 3));
}

}  // namespace
