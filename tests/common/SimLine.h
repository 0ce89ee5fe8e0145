#pragma once
// The instrument simulator for integration tests: started with the given options, what it serves
// mapped to COM1 in a ports.cfg of a temporary working directory (dir, which the engine is handed
// as its working directory), stopped when the object goes. Serves a pseudo-terminal, or with
// {"--rtu-over-tcp", "0"} or {"--modbus-tcp", "0"} among the options a free loopback port, and
// then `device` is the URL (rtuovertcp://127.0.0.1:PORT, tcp://127.0.0.1:PORT). Needs
// QM_SIM_PATH (set by the test build when the simulator is built).

#include "DateTimeText.h"
#include "Files.h"

#include <QByteArray>
#include <QEventLoop>
#include <QTimer>
#include <QDeadlineTimer>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

namespace qm::test {

// Runs the event loop with the engine's timer going until done() holds, or the bound passes;
// the bound only guards against hanging and is no speed limit. Returns done().
inline bool RunTimerUntil(QTimer& timer, const std::function<bool()>& done, int boundMs)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done()) loop.quit();
    });
    QTimer::singleShot(boundMs, &loop, &QEventLoop::quit);
    check.start(20);
    timer.start();
    loop.exec();
    timer.stop();
    return done();
}

#ifdef QM_SIM_PATH

struct SimLine {
    QTemporaryDir dir;
    QProcess sim;
    QString device;
    QString logPath;

    explicit SimLine(const QStringList& options)
    {
        logPath = dir.filePath(QStringLiteral("sim.log"));
        sim.start(QStringLiteral(QM_SIM_PATH), options + QStringList{QStringLiteral("--log"), logPath});
        if (!sim.waitForStarted(5000)) return;
        QDeadlineTimer deadline(10000);
        while (!sim.canReadLine() && !deadline.hasExpired()) sim.waitForReadyRead(200);
        device = QString::fromLocal8Bit(sim.readLine()).trimmed();
        WriteAll(dir.filePath(QStringLiteral("ports.cfg")), "COM1 " + device.toLocal8Bit() + "\n");
    }
    ~SimLine() { stop(); }

    bool started() const { return device.startsWith(QLatin1Char('/')) || device.contains(QLatin1String("://")); }
    bool modbusTcp() const { return device.startsWith(QLatin1String("tcp://")); }

    // The TCP port the simulator listens on, 0 on a pseudo-terminal.
    int port() const { return device.contains(QLatin1String("://")) ? device.section(QLatin1Char(':'), -1).toInt() : 0; }

    void stop()
    {
        if (sim.state() == QProcess::NotRunning) return;
        sim.terminate();
        if (!sim.waitForFinished(3000)) sim.kill();
    }

    // Every valid request the instruments received, as bytes, in order: RTU frames with their
    // CRC; over Modbus TCP the unit id and PDU (the log's MBAP header up to the unit id cut off).
    QList<QByteArray> requests() const
    {
        QList<QByteArray> out;
        QFile f(logPath);
        if (!f.open(QIODevice::ReadOnly)) return out;
        for (const QByteArray& line : f.readAll().split('\n')) {
            const QList<QByteArray> parts = line.simplified().split(' ');
            if (parts.size() < 4 || parts.at(2) == "junk") continue;
            const QByteArray bytes = QByteArray::fromHex(parts.mid(2).join());
            out << (modbusTcp() ? bytes.mid(6) : bytes);
        }
        return out;
    }

    // Addresses of the requests the instruments received, in order.
    QList<int> requestedAddresses() const
    {
        QList<int> out;
        for (const QByteArray& r : requests()) out << quint8(r.at(0));
        return out;
    }
};

#endif

}  // namespace qm::test
