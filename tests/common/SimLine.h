#pragma once
// The instrument simulator on a pseudo-terminal for integration tests: started with the given
// options, its device mapped to COM1 in a ports.cfg of a temporary working directory (dir, which
// the engine is handed as its working directory), stopped when the object goes. Needs QM_SIM_PATH (set by the test build when the simulator is built).

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

    bool started() const { return device.startsWith(QLatin1Char('/')); }

    void stop()
    {
        if (sim.state() == QProcess::NotRunning) return;
        sim.terminate();
        if (!sim.waitForFinished(3000)) sim.kill();
    }

    // Every valid request the instruments received, as bytes, in order.
    QList<QByteArray> requests() const
    {
        QList<QByteArray> out;
        QFile f(logPath);
        if (!f.open(QIODevice::ReadOnly)) return out;
        for (const QByteArray& line : f.readAll().split('\n')) {
            const QList<QByteArray> parts = line.simplified().split(' ');
            if (parts.size() < 4 || parts.at(2) == "junk") continue;
            out << QByteArray::fromHex(parts.mid(2).join());
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
