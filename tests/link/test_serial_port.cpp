// The QSerialPort adapter on a pseudo-terminal: exclusive open against other programs, the
// operator's reasons in Russian, the line format, writes that leave at once and reads that
// never wait.
#include "SerialPort.h"

#include "Pty.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>

using qm::Port;
using qm::SerialPort;
using qm::test::Pty;

namespace {

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

// What is left of a reason once paths and the parenthesised names of programs are taken out:
// Latin words there are the system's English.
QStringList englishWords(QString reason)
{
    reason.remove(QRegularExpression(QStringLiteral("\\S*/\\S*|\\([^)]*\\)")));
    QStringList words;
    for (const QRegularExpressionMatch& m : QRegularExpression(QStringLiteral("[A-Za-z]{3,}")).globalMatch(reason))
        words << m.captured();
    return words;
}

TEST(SerialPort, RefusalsAreExplainedInRussian)
{
    Pty pty;
    SerialPort holder;
    QString reason;
    ASSERT_TRUE(holder.open(pty.slave, &reason)) << reason.toStdString();
    struct Case {
        QString device;
        const char* expected;
    } cases[] = {
        {"/dev/ttyQM4700-no-such-device", "нет такого"},
        {"/dev/null", "не последовательный порт"},
        {pty.slave, "занят"},
    };
    for (const Case& c : cases) {
        SerialPort port;
        reason.clear();
        EXPECT_FALSE(port.open(c.device, &reason)) << c.device.toStdString();
        EXPECT_TRUE(reason.contains(QString::fromUtf8(c.expected), Qt::CaseInsensitive)) << reason.toStdString();
        EXPECT_TRUE(englishWords(reason).isEmpty()) << reason.toStdString();
    }
}

TEST(SerialPort, DeviceThatAnotherProgramHoldsWithFlockIsBusy)
{
    Pty pty;
    ASSERT_FALSE(pty.slave.isEmpty());
    const QByteArray slave = pty.slave.toLocal8Bit();
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        // Another serial program: opens the device and takes the advisory lock, no TIOCEXCL.
        const int fd = ::open(slave.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        const char ok = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? '1' : '0';
        if (::write(ready[1], &ok, 1) == 1) ::pause();
        ::_exit(0);
    }
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, '1');

    SerialPort port;
    QString reason;
    EXPECT_FALSE(port.open(pty.slave, &reason)) << "the line would be shared with the other program";
    EXPECT_TRUE(reason.contains(QStringLiteral("занят"))) << reason.toStdString();
    EXPECT_FALSE(port.openDenied());

    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_TRUE(port.open(pty.slave, &reason)) << "the lock goes with its holder: " << reason.toStdString();
}

TEST(SerialPort, LockFileOfALiveProgramIsKeptAndMakesThePortBusy)
{
    if (!QFileInfo(QStringLiteral("/var/lock")).isWritable()) GTEST_SKIP() << "/var/lock is not writable here";
    QProcess other;
    other.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    ASSERT_TRUE(other.waitForStarted());
    QProcess gone;
    gone.start(QStringLiteral("true"), {});
    ASSERT_TRUE(gone.waitForStarted());
    const qint64 deadPid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished());
    struct Case {
        qint64 pid;
        bool busy;
    } cases[] = {{other.processId(), true}, {deadPid, false}};
    for (const Case& c : cases) {
        Pty pty;
        // The UUCP form other serial programs write: the pid in ten columns and a newline.
        const QString lock = QStringLiteral("/var/lock/LCK..") + pty.slave.mid(5).replace(QLatin1Char('/'), QLatin1Char('_'));
        const QByteArray content = QString::number(c.pid).rightJustified(10).toLatin1() + "\n";
        {
            QFile f(lock);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        SerialPort port;
        QString reason;
        EXPECT_EQ(port.open(pty.slave, &reason), !c.busy) << c.pid << " " << reason.toStdString();
        if (c.busy) {
            EXPECT_TRUE(reason.contains(QStringLiteral("занят"))) << reason.toStdString();
            QFile f(lock);
            EXPECT_TRUE(f.open(QIODevice::ReadOnly) && f.readAll() == content) << "the other program's lock file is kept";
        }
        port.close();
        QFile::remove(lock);
    }
    other.kill();
    other.waitForFinished();
}

}  // namespace
