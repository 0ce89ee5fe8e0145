#pragma once
// Modbus RTU framing: requests are built in TxBuffer and go out with their CRC; answers are
// collected into RxBuffer tick by tick and judged after four silent ticks. Over a TCP stream
// (a port framed by length) an answer is taken on the tick it is whole instead: see Collect.

#include "ModbusProtocol.h"

#include <QString>
#include <QtGlobal>

namespace qm {

class Port;

// The first bytes of a request, as libmodbus's request basis lays them out: the slave address,
// the function code, a register address and a 16-bit count (or, for a single register written,
// its value), each high byte first. Returns their number, modbus::RequestHeaderLength.
int BuildRequestBasis(quint8* tx, quint8 slave, quint8 function, quint16 registerAddress, quint16 countOrValue);

class RtuLink {
public:
    static constexpr int TxSize = modbus::TxBufferSize;
    static constexpr int RxSize = modbus::RxBufferSize;

    enum class Verdict { Pending, NoFrame, Valid, Bad };

    // Where the next request is built, from index 0.
    quint8* TxBuffer() { return m_tx; }
    const quint8* TxBuffer() const { return m_tx; }
    // Appends the CRC to the n bytes built in TxBuffer and writes n + 2 bytes at once. Over a
    // stream, bytes still held are dropped first: they answer nothing that is still asked.
    void Send(Port& port, int n);

    // One tick of collection. Valid and Bad leave the frame in RxBuffer[0..RxCount-1]; the caller
    // handles it and then calls FrameHandled.
    // On a port framed by silence (a serial line) a frame is judged after four silent ticks, all
    // bytes held as one. On a port framed by length (a TCP stream) an answer is Valid on the tick
    // its function code and byte count say it is whole and its CRC holds, whether it came in one
    // piece, byte by byte or glued to the next (which stays held for the next tick). Bytes before
    // it that begin no answer are dropped; the gateway's exceptions 0x0A and 0x0B are dropped as
    // the instrument's silence. What is never cut so is judged after four silent ticks, as on a
    // serial line.
    Verdict Collect(Port& port);
    // The frame has been handled: the next bytes are stored from index 0 again, after what a
    // stream brought beyond the frame.
    void FrameHandled();
    // The port was closed: bytes collected from it before are never judged as an answer of the
    // port opened next.
    void Forget()
    {
        m_rxCount = 0;
        m_following = 0;
        m_silentTicks = 0;
    }

    const quint8* RxBuffer() const { return m_rx; }
    qint32 RxCount() const { return m_rxCount; }        // bytes held in RxBuffer
    qint32 SilentTicks() const { return m_silentTicks; } // ticks in a row that brought nothing
    // Requests written so far (counting on through wrap-around), and that count as it stood when
    // the first byte of the frame in RxBuffer was collected: the frame began after the latest
    // request exactly when the two are equal.
    quint32 RequestsSent() const { return m_requestsSent; }
    quint32 FrameBeganAfter() const { return m_frameBeganAfter; }

    // Every byte that ever arrived, kept or dropped: tells a line that answers nothing at all.
    quint64 bytesReceived() const { return m_bytesReceived; }
    // The tick counter that the frame log shows beside each frame (the poll engine's slot tick).
    void setLogTick(const qint32* tick) { m_logTick = tick; }

private:
    void logBytes(const char* direction, const quint8* bytes, qint64 length) const;
    // Over a stream: cuts the first whole answer out of what is held (see Collect).
    bool CutAnswer();
    void logVerdict(const char* verdict, bool crcOk) const;
    QString addressVerdict(bool crcOk) const;

    quint8 m_tx[TxSize] = {};
    quint8 m_rx[RxSize] = {};  // never cleared, only overwritten
    qint32 m_rxCount = 0;
    qint32 m_following = 0;  // bytes a stream brought after the frame, held behind it in RxBuffer
    qint32 m_silentTicks = 0;
    quint32 m_requestsSent = 0;
    quint32 m_frameBeganAfter = 0;
    quint64 m_bytesReceived = 0;
    const qint32* m_logTick = nullptr;
};

}  // namespace qm
