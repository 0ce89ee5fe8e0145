#pragma once
// socat as a network peer of a test: a TCP listener on a free loopback port, each connection
// joined to `other` (a socat address), stopped by its process id when the object goes. With a
// simulator's pseudo-terminal as `other` ("FILE:/dev/pts/N,rawer") it is a serial device server in
// transparent mode, as an Ethernet–RS485 converter is; with "EXEC:sleep 600" a peer that takes the
// connection and never answers. Also a loopback port with nothing listening.

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qm::test {

struct Socat {
    QProcess process;
    int port = 0;  // the port it listens on; 0 when it did not start

    static bool available() { return !QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty(); }

    // fork: every connection gets its own child, so the listener takes a connection made again.
    explicit Socat(const QString& other)
    {
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(QStringLiteral("socat"),
                      {QStringLiteral("-d"), QStringLiteral("-d"),
                       QStringLiteral("TCP-LISTEN:0,bind=127.0.0.1,reuseaddr,fork"), other});
        if (!process.waitForStarted(5000)) return;
        // "... N listening on AF=2 127.0.0.1:41911" on standard error.
        static const QRegularExpression listening(QStringLiteral("listening on .*:(\\d+)"));
        QByteArray said;
        for (int i = 0; i < 50 && port == 0; ++i) {
            process.waitForReadyRead(100);
            said += process.readAllStandardError();
            const QRegularExpressionMatch m = listening.match(QString::fromLocal8Bit(said));
            if (m.hasMatch()) port = m.captured(1).toInt();
        }
    }
    ~Socat() { stop(); }
    Socat(const Socat&) = delete;
    Socat& operator=(const Socat&) = delete;

    void stop()
    {
        if (process.state() == QProcess::NotRunning) return;
        process.terminate();
        if (!process.waitForFinished(3000)) process.kill();
        process.waitForFinished(1000);
    }
};

// A loopback port that nothing listens on: bound for a moment by the system's choice, then let go.
inline int UnusedLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

}  // namespace qm::test
