#pragma once
// A poll engine on a FakePort and a FakePanel, ticked by hand, with instruments that answer
// through a script. Shared by the poll engine's tick-exact tests.

#include "DateTimeText.h"
#include "FakePanel.h"
#include "FakePort.h"
#include "PollEngine.h"
#include "PortNames.h"

#include <QTemporaryDir>
#include <functional>

namespace qm::test {

// A measurement answer as a QM4700 of type 0x11 at that address sends it: 23 bytes.
inline QByteArray measurementAnswer(int address, int ph = 700, int t = 250)
{
    const int registers[9] = {0x1100 | address, ph, 1234, t, 0x0011, 0x141A, 0x0C06, 0x0D2D, 15};
    QByteArray frame;
    frame.append(char(address));
    frame.append(char(3));
    frame.append(char(18));
    for (int r : registers) {
        frame.append(char((r >> 8) & 0xFF));
        frame.append(char(r & 0xFF));
    }
    return withCrc(frame);
}

inline QByteArray measurementRequest(int address)
{
    return withCrc(QByteArray(1, char(address)) + hex("03 00 00 00 09"));
}

struct PollRig {
    QTemporaryDir dir;  // the working directory: no ports.cfg unless a test writes one
    FakePort port;
    FakePanel panel;
    PollEngine engine{port, panel};
    // Called after every tick that wrote a request; what it returns arrives before the next tick.
    std::function<QByteArray(const QByteArray& request)> instruments;
    int ticks = 0;

    explicit PollRig(int first = 1, int count = 3)
    {
        engine.setWorkDir(dir.path());
        panel.workDir = dir.path();
        panel.setRange({first, count});
        engine.Init({first, count});
        port.existing << PortDeviceName(0, dir.path());
    }

    // The window's controls as it hands them down: "Нач.NUM " and "К-во приб. ", "NUM", "P,мин".
    void setRange(int first, int count)
    {
        engine.setRange({first, count});
        panel.setRange({first, count});
    }
    void setCommandAddress(int address) { engine.setCommandAddress(address); }
    void setPeriod(int minutes)
    {
        panel.period = minutes;
        engine.setArchivePeriod(minutes);
    }

    void connect()
    {
        panel.connectChecked = true;
        engine.Connect();
    }
    void disconnect()
    {
        panel.connectChecked = false;
        engine.Disconnect();
    }

    void tick(int n = 1)
    {
        for (int i = 0; i < n; ++i) {
            const qsizetype before = port.writes.size();
            engine.Tick();
            ++ticks;
            if (instruments && port.writes.size() > before) port.arrive(instruments(port.lastWrite()));
        }
    }

    // Ticks until a request is written (at most limit ticks); returns the ticks taken, 0 if none.
    int tickUntilWrite(int limit = 100)
    {
        const qsizetype before = port.writes.size();
        for (int i = 1; i <= limit; ++i) {
            tick();
            if (port.writes.size() > before) return i;
        }
        return 0;
    }

    // Addresses of all requests written so far.
    QList<int> requestedAddresses() const
    {
        QList<int> out;
        for (const QByteArray& w : port.writes) out << quint8(w.at(0));
        return out;
    }

    // Every instrument in the range answers at once, except those the filter silences.
    void allAnswer(std::function<bool(int)> silent = {})
    {
        instruments = [silent](const QByteArray& request) {
            const int address = quint8(request.at(0));
            return silent && silent(address) ? QByteArray() : measurementAnswer(address);
        };
    }
};

}  // namespace qm::test
