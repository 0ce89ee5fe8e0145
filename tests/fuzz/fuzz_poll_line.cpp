// The serial line into the poll engine, tick by tick: measurement answers, archive blocks,
// command confirmations and garbage, with the buttons pressed in between. Whatever arrives, the
// engine stays inside its buffers, asks for measurements only inside the polled range, tells
// readings only of instruments in it, and keeps the link it tells (and the port list it allows)
// true to the port.
//
// Input: the first address, the instrument count and "NUM" (one byte each), then steps of
//   op    ticks to run = low nibble + 1; the high nibble first presses 1 "Читать архив",
//         2 the period, 3 erase, 4 the clock button, 5 disconnects and connects again
//   n     bytes arriving before those ticks = n & 0x7F; with the high bit set their CRC is
//         appended, so that the answer handlers are reached at once
//   the n bytes
// At most 600 ticks (60 slots, room for a whole archive download) are run per input, so that
// every input stays fast.
#include "DateTimeText.h"
#include "FakePanel.h"
#include "FakePort.h"
#include "FuzzCheck.h"
#include "PollEngine.h"
#include "PortNames.h"

#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>

using namespace qm;

namespace {
// The engine's working directory, made once: no ports.cfg there, so COM1 is /dev/ttyS0, which
// the fake port has.
QString workDirPath()
{
    static QTemporaryDir dir;
    return dir.path();
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    workDirPath();
    SetClock([] { return QDateTime(QDate(2026, 12, 6), QTime(14, 5, 9)); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3) return 0;
    test::FakePort port;
    test::FakePanel panel;
    PollEngine engine{port, panel};
    const PolledRange range{1 + data[0] % 99, 1 + data[1] % 10};
    const int command = 1 + data[2] % 99;
    engine.setWorkDir(workDirPath());
    panel.workDir = workDirPath();
    panel.setRange(range);
    port.existing << PortDeviceName(0, workDirPath());
    engine.setCommandAddress(command);
    engine.Init(range);
    panel.connectChecked = true;
    engine.Connect();

    const int last = range.last();
    int ticks = 600;
    for (size_t i = 3; i + 2 <= size && ticks > 0;) {
        const uint8_t op = data[i];
        const uint8_t n = data[i + 1];
        i += 2;
        const size_t length = std::min<size_t>(n & 0x7F, size - i);
        QByteArray bytes(reinterpret_cast<const char*>(data + i), qsizetype(length));
        i += length;
        if (n & 0x80) bytes = test::withCrc(bytes);

        switch (op >> 4) {
        case 1: engine.ReadArchive(); break;
        case 2: engine.SetPeriod(); break;
        case 3: engine.EraseArchive(); break;
        case 4: engine.SetClock(); break;
        case 5:
            engine.Disconnect();
            engine.Connect();
            break;
        default: break;
        }
        port.arrive(bytes);
        for (int t = 0; t <= (op & 0x0F) && ticks > 0; ++t, --ticks) {
            engine.Tick();
            FUZZ_CHECK(engine.Link().RxCount() >= 0 && engine.Link().RxCount() <= RtuLink::RxSize);
            FUZZ_CHECK(engine.PollAddress() >= range.first() && engine.PollAddress() <= last);
            FUZZ_CHECK(engine.PortOpen() == port.isOpen);
            FUZZ_CHECK(panel.linkUp == engine.PortOpen());
            FUZZ_CHECK(panel.portListEnabled == !engine.PortOpen());
            FUZZ_CHECK(panel.readings.isEmpty() || range.rowOf(panel.readings.last().address) != 0);
            FUZZ_CHECK(port.writesWhileClosed == 0);
        }
    }
    return 0;
}
