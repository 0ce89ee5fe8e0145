#include "RtuLink.h"

#include "Crc16.h"
#include "Logging.h"
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
    logBytes("->", TxBuffer, n + 2);
    ++RequestsSent;
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
        logBytes("<-", RxBuffer + RxCount, stored);
        if (RxCount == 0 && stored > 0) FrameBeganAfter = RequestsSent;
        RxCount += qint32(stored);
        arrived = stored;
        for (qint64 excess = queued - std::min(queued, room); excess > 0;) {
            quint8 scrap[256];
            const qint64 dropped = port.read(scrap, std::min<qint64>(excess, qint64(sizeof scrap)));
            if (dropped <= 0) break;
            logBytes("<- (dropped)", scrap, dropped);
            arrived += dropped;
            excess -= dropped;
        }
        m_bytesReceived += quint64(arrived);
    }
    if (arrived == 0) {
        // Counts on through any length of silence without overflowing.
        if (SilentTicks < std::numeric_limits<qint32>::max()) ++SilentTicks;
    } else {
        SilentTicks = 0;
    }

    if (SilentTicks <= 3) return Verdict::Pending;
    if (RxCount == 0) return Verdict::NoFrame;
    const Verdict verdict = Crc16(RxBuffer, RxCount - 1) == 0 ? Verdict::Valid : Verdict::Bad;
    qCDebug(lcLink).noquote() << LogTime() << "tick" << (m_logTick ? *m_logTick : 0) << "frame of" << RxCount
                              << (verdict == Verdict::Valid ? "bytes: CRC ok" : "bytes: CRC bad");
    return verdict;
}

void RtuLink::logBytes(const char* direction, const quint8* bytes, qint64 length) const
{
    // The hex text is built only when the category is on: with logging off a tick pays one test.
    if (length <= 0 || !lcLink().isDebugEnabled()) return;
    const QByteArray hex = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes), qsizetype(length)).toHex(' ').toUpper();
    qCDebug(lcLink).noquote() << LogTime() << "tick" << (m_logTick ? *m_logTick : 0) << direction << hex;
}

}  // namespace qm
