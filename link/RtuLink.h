#pragma once
// Modbus RTU framing: requests go out of TxBuffer with their CRC; answers are collected into
// RxBuffer tick by tick and judged after four silent ticks.

#include <QtGlobal>

namespace qm {

class Port;

class RtuLink {
public:
    static constexpr int TxSize = 1001;
    static constexpr int RxSize = 10001;

    enum class Verdict { Pending, NoFrame, Valid, Bad };

    quint8 TxBuffer[TxSize] = {};
    quint8 RxBuffer[RxSize] = {};
    qint32 RxCount = 0;
    qint32 SilentTicks = 0;
    // Requests written so far (counting on through wrap-around), and that count as it stood when
    // the first byte of the frame in RxBuffer was collected: the frame began after the latest
    // request exactly when the two are equal.
    quint32 RequestsSent = 0;
    quint32 FrameBeganAfter = 0;

    // Appends the CRC to the n bytes built in TxBuffer and writes n + 2 bytes at once.
    void Send(Port& port, int n);
    // One tick of collection. Valid and Bad leave the frame in RxBuffer[0..RxCount-1];
    // the caller handles it and then sets RxCount to 0.
    Verdict Collect(Port& port);

    // Every byte that ever arrived, kept or dropped: tells a line that answers nothing at all.
    quint64 bytesReceived() const { return m_bytesReceived; }
    // The tick counter that the frame log shows beside each frame (the poll engine's slot tick).
    void setLogTick(const qint32* tick) { m_logTick = tick; }

private:
    void logBytes(const char* direction, const quint8* bytes, qint64 length) const;

    quint64 m_bytesReceived = 0;
    const qint32* m_logTick = nullptr;
};

}  // namespace qm
