// A network line into the poll engine, tick by tick: the bytes a gateway sends, in any segments,
// cut by their length (RTU over TCP) or first matched as Modbus TCP answers to the request
// outstanding. Whatever arrives, the engine stays inside its buffers and its polled range, and
// every RTU frame that Modbus TCP hands on comes from the unit asked, with a good CRC.
//
// Input: the first byte, bit 0 set: Modbus TCP, else RTU over TCP; then steps of
//   op    ticks to run = low nibble + 1
//   n     bytes arriving before those ticks = n & 0x7F
//   the n bytes (over Modbus TCP, with the high bit of n set, an MBAP header answering the request
//         outstanding is put in front of them)
// At most 600 ticks are run per input.
#include "Crc16.h"
#include "DateTimeText.h"
#include "FakePanel.h"
#include "FakePort.h"
#include "FuzzCheck.h"
#include "ModbusTcpFraming.h"
#include "PollEngine.h"
#include "PortNames.h"

#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>

using namespace qm;

namespace {
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
    if (size < 1) return 0;
    const bool modbusTcp = data[0] & 1;
    test::FakePort port;
    port.framedBy = Port::Framing::ByLength;
    test::FakePanel panel;
    PollEngine engine{port, panel};
    const PolledRange range{1, 3};
    engine.setWorkDir(workDirPath());
    panel.workDir = workDirPath();
    panel.setRange(range);
    port.existing << PortDeviceName(0, workDirPath());
    engine.Init(range);
    panel.connectChecked = true;
    engine.Connect();

    ModbusTcpFraming gateway;
    qsizetype requestsSeen = 0;
    quint8 unitAsked = 0;
    int ticks = 600;
    for (size_t i = 1; i + 2 <= size && ticks > 0;) {
        const uint8_t op = data[i];
        const uint8_t n = data[i + 1];
        i += 2;
        const size_t length = std::min<size_t>(n & 0x7F, size - i);
        QByteArray bytes(reinterpret_cast<const char*>(data + i), qsizetype(length));
        i += length;
        if (!modbusTcp) {
            port.arrive(bytes);
        } else {
            // What the engine wrote since goes out through the framing, as TcpLine sends it.
            for (; requestsSeen < port.writes.size(); ++requestsSeen) {
                const QByteArray& rtu = port.writes.at(requestsSeen);
                gateway.request(reinterpret_cast<const quint8*>(rtu.constData()), rtu.size());
                unitAsked = quint8(rtu.at(0));
            }
            if (n & 0x80) {
                const quint16 id = gateway.transaction();
                const int mbapLength = int(bytes.size()) + 1;
                QByteArray header;
                header.append(char(id >> 8)).append(char(id & 0xFF)).append(char(0)).append(char(0));
                header.append(char(mbapLength >> 8)).append(char(mbapLength & 0xFF)).append(char(unitAsked));
                bytes = header + bytes;
            }
            QByteArray frames;
            gateway.receive(bytes, frames);
            if (!frames.isEmpty()) {
                FUZZ_CHECK(frames.size() >= 4 && quint8(frames.at(0)) == unitAsked);
                FUZZ_CHECK(Crc16(reinterpret_cast<const quint8*>(frames.constData()), int(frames.size())) == 0);
            }
            port.arrive(frames);
        }
        for (int t = 0; t <= (op & 0x0F) && ticks > 0; ++t, --ticks) {
            engine.Tick();
            FUZZ_CHECK(engine.Link().RxCount() >= 0 && engine.Link().RxCount() <= RtuLink::RxSize);
            FUZZ_CHECK(engine.PollAddress() >= range.first() && engine.PollAddress() <= range.last());
            FUZZ_CHECK(panel.readings.isEmpty() || range.rowOf(panel.readings.last().address) != 0);
        }
    }
    return 0;
}
