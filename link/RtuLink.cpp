#include "RtuLink.h"

#include "Crc16.h"
#include "Logging.h"
#include "Port.h"

#include <algorithm>
#include <cstring>
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

namespace {

// The length of the answer that starts at frame, as its function code and byte count tell it:
// 0 while the bytes held cannot tell yet, -1 for a function code whose answers have no length
// this program knows (no answer of an instrument starts there, or it is judged by silence).
int AnswerLength(const quint8* frame, qint32 held)
{
    if (held < 2) return 0;
    const quint8 function = frame[1];
    if (function & modbus::ExceptionBit) return modbus::ExceptionAnswerLength;
    switch (function) {
    case modbus::ReadHoldingRegisters:
        return held < modbus::ReadAnswerHeaderLength ? 0 : modbus::ReadAnswerHeaderLength + frame[2] + modbus::CrcLength;
    case modbus::WriteSingleRegister:
    case modbus::WriteMultipleRegisters:
        return modbus::WriteAnswerLength;
    default:
        return -1;
    }
}

// A gateway's word that the instrument behind it did not answer, or could not be reached.
bool IsGatewayException(const quint8* frame, int length)
{
    return length == modbus::ExceptionAnswerLength && (frame[1] & modbus::ExceptionBit)
           && (frame[2] == quint8(modbus::Exception::GatewayPathUnavailable)
               || frame[2] == quint8(modbus::Exception::GatewayTargetFailedToRespond));
}

}  // namespace

void RtuLink::Send(Port& port, int n)
{
    if (n < 1 || n + 2 > TxSize) return;
    if (port.framing() == Port::Framing::ByLength && m_rxCount + m_following > 0) {
        // A late answer, or the start of one cut short: taken now it would answer this request.
        logBytes("<- (stale, dropped)", m_rx, m_rxCount + m_following);
        m_rxCount = 0;
        m_following = 0;
    }
    const quint16 crc = Crc16(m_tx, n);
    m_tx[n] = quint8(crc & 0xFF);
    m_tx[n + 1] = quint8(crc >> 8);
    port.write(m_tx, n + 2);
    logBytes("->", m_tx, n + 2);
    ++m_requestsSent;
}

RtuLink::Verdict RtuLink::Collect(Port& port)
{
    // What a stream brought beyond the last frame is held from index 0 on before more is read.
    if (m_following > 0) FrameHandled();
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

    if (port.framing() == Port::Framing::ByLength && CutAnswer()) return Verdict::Valid;
    if (m_silentTicks <= 3) return Verdict::Pending;
    if (m_rxCount == 0) return Verdict::NoFrame;
    const Verdict verdict = Crc16(m_rx, m_rxCount) == 0 ? Verdict::Valid : Verdict::Bad;
    logVerdict(verdict == Verdict::Valid ? "bytes: CRC ok" : "bytes: CRC bad", verdict == Verdict::Valid);
    return verdict;
}

void RtuLink::FrameHandled()
{
    if (m_following > 0) std::memmove(m_rx, m_rx + m_rxCount, size_t(m_following));
    m_rxCount = m_following;
    m_following = 0;
}

bool RtuLink::CutAnswer()
{
    for (;;) {
        // The first place where a whole answer with a good CRC starts. An answer still arriving
        // there is waited for; bytes that begin none, or whose CRC fails, are passed over.
        qint32 at = 0;
        int length = 0;
        for (; at < m_rxCount; ++at) {
            const int need = AnswerLength(m_rx + at, m_rxCount - at);
            if (need < 0) continue;
            if (need == 0 || need > m_rxCount - at) return false;
            if (Crc16(m_rx + at, need) == 0) {
                length = need;
                break;
            }
        }
        if (length == 0) return false;
        if (at > 0) logBytes("<- (no answer, dropped)", m_rx, at);
        const qint32 rest = m_rxCount - at - length;
        if (IsGatewayException(m_rx + at, length)) {
            if (lcLink().isDebugEnabled()) {
                const bool path = m_rx[at + 2] == quint8(modbus::Exception::GatewayPathUnavailable);
                qCDebug(lcLink).noquote() << LogTime() << "tick" << (m_logTick ? *m_logTick : 0) << "gateway exception"
                                          << (path ? "0x0A (path unavailable)" : "0x0B (target device failed to respond)")
                                          << "from address" << m_rx[at] << "- taken as no answer";
            }
            std::memmove(m_rx, m_rx + at + length, size_t(rest));
            m_rxCount = rest;
            continue;
        }
        std::memmove(m_rx, m_rx + at, size_t(length + rest));
        m_rxCount = length;
        m_following = rest;
        logVerdict("bytes: whole, CRC ok", true);
        return true;
    }
}

// The address of a frame whose CRC holds, judged against the request it answers (the latest
// written before it began); the address byte of a frame whose CRC fails tells nothing.
QString RtuLink::addressVerdict(bool crcOk) const
{
    if (!crcOk) return QStringLiteral("адрес не проверен: кадр искажён");
    const int from = m_rx[0];
    if (m_requestsSent == 0) return QStringLiteral("адрес %1: запроса не было").arg(from);
    if (m_frameBeganAfter != m_requestsSent) return QStringLiteral("адрес %1: ответ на прежний запрос").arg(from);
    if (from == m_tx[0]) return QStringLiteral("адрес %1: верно").arg(from);
    return QStringLiteral("адрес %1: чужой, запрошен адрес %2").arg(from).arg(m_tx[0]);
}

void RtuLink::logVerdict(const char* verdict, bool crcOk) const
{
    if (!lcLink().isDebugEnabled()) return;
    qCDebug(lcLink).noquote() << LogTime() << "tick" << (m_logTick ? *m_logTick : 0) << "frame of" << m_rxCount
                              << verdict + QStringLiteral("; ") + addressVerdict(crcOk);
}

void RtuLink::logBytes(const char* direction, const quint8* bytes, qint64 length) const
{
    // The hex text is built only when the category is on: with logging off a tick pays one test.
    if (length <= 0 || !lcLink().isDebugEnabled()) return;
    const QByteArray hex = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes), qsizetype(length)).toHex(' ').toUpper();
    qCDebug(lcLink).noquote() << LogTime() << "tick" << (m_logTick ? *m_logTick : 0) << direction << hex;
}

}  // namespace qm
