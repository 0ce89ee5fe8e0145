#include "RtuLink.h"

#include "Crc16.h"
#include "Logging.h"
#include "Port.h"

#include <algorithm>
#include <limits>

namespace qm {

int BuildRequestBasis(quint8* tx, quint8 slave, quint8 function, quint16 registerAddress, quint16 countOrValue)
{
    tx[0] = slave;
    tx[1] = function;
    tx[2] = quint8(registerAddress >> 8);
    tx[3] = quint8(registerAddress & 0xFF);
    tx[4] = quint8(countOrValue >> 8);
    tx[5] = quint8(countOrValue & 0xFF);
    return modbus::RequestHeaderLength;
}

void RtuLink::Send(Port& port, int n)
{
    if (n < 1 || n + 2 > TxSize) return;
    const quint16 crc = Crc16(m_tx, n);
    m_tx[n] = quint8(crc & 0xFF);
    m_tx[n + 1] = quint8(crc >> 8);
    port.write(m_tx, n + 2);
    logBytes("->", m_tx, n + 2);
    ++m_requestsSent;
}

RtuLink::Verdict RtuLink::Collect(Port& port)
{
    qint64 arrived = 0;
    const qint64 queued = port.bytesQueued();
    if (queued > 0) {
        // A line that never falls silent would run past the buffer's end. What does not fit is
        // read and dropped: the frame keeps its first RxSize bytes, fails its CRC like any
        // garbage, and the port's queue is still drained so that the next answer starts clean.
        const qint64 room = std::max<qint64>(RxSize - m_rxCount, 0);
        const qint64 stored = std::max<qint64>(port.read(m_rx + m_rxCount, std::min(queued, room)), 0);
        logBytes("<-", m_rx + m_rxCount, stored);
        if (m_rxCount == 0 && stored > 0) m_frameBeganAfter = m_requestsSent;
        m_rxCount += qint32(stored);
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
        if (m_silentTicks < std::numeric_limits<qint32>::max()) ++m_silentTicks;
    } else {
        m_silentTicks = 0;
    }

    if (m_silentTicks <= 3) return Verdict::Pending;
    if (m_rxCount == 0) return Verdict::NoFrame;
    const Verdict verdict = Crc16(m_rx, m_rxCount) == 0 ? Verdict::Valid : Verdict::Bad;
    qCDebug(lcLink).noquote() << LogTime() << "tick" << (m_logTick ? *m_logTick : 0) << "frame of" << m_rxCount
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
