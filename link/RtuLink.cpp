#include "RtuLink.h"

#include "Crc16.h"
#include "Port.h"

#include <algorithm>
#include <limits>

namespace qm {

void RtuLink::Send(Port& port, int n)
{
    if (n < 1 || n + 2 > TxSize) return;
    const quint16 crc = Crc16(TxBuffer, n - 1);
    TxBuffer[n] = quint8(crc & 0xFF);
    TxBuffer[n + 1] = quint8(crc >> 8);
    port.write(TxBuffer, n + 2);
}

RtuLink::Verdict RtuLink::Collect(Port& port)
{
    qint64 arrived = 0;
    const qint64 queued = port.bytesQueued();
    if (queued > 0) {
        // A line that never falls silent would run past the buffer's end. What does not fit is
        // read and dropped: the frame keeps its first RxSize bytes, fails its CRC like any
        // garbage, and the port's queue is still drained so that the next answer starts clean.
        const qint64 room = std::max<qint64>(RxSize - RxCount, 0);
        const qint64 stored = std::max<qint64>(port.read(RxBuffer + RxCount, std::min(queued, room)), 0);
        RxCount += qint32(stored);
        arrived = stored;
        for (qint64 excess = queued - std::min(queued, room); excess > 0;) {
            quint8 scrap[256];
            const qint64 dropped = port.read(scrap, std::min<qint64>(excess, qint64(sizeof scrap)));
            if (dropped <= 0) break;
            arrived += dropped;
            excess -= dropped;
        }
    }
    if (arrived == 0) {
        // Counts on through any length of silence without overflowing.
        if (SilentTicks < std::numeric_limits<qint32>::max()) ++SilentTicks;
    } else {
        SilentTicks = 0;
    }

    if (SilentTicks <= 3) return Verdict::Pending;
    if (RxCount == 0) return Verdict::NoFrame;
    return Crc16(RxBuffer, RxCount - 1) == 0 ? Verdict::Valid : Verdict::Bad;
}

}  // namespace qm
