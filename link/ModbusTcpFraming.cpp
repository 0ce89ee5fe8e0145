#include "ModbusTcpFraming.h"

#include "Crc16.h"
#include "Logging.h"
#include "ModbusProtocol.h"

namespace qm {

namespace {

quint16 word(const quint8* at) { return quint16((at[0] << 8) | at[1]); }

// Whether a PDU is as long as its function code says: a read answer's byte count is its data, a
// write is echoed in five bytes, an exception is two. Other function codes are taken as they come.
bool lengthFits(const quint8* pdu, int length)
{
    const quint8 function = pdu[0];
    if (function & modbus::ExceptionBit) return length == 2;
    switch (function) {
    case modbus::ReadHoldingRegisters:
        return length >= 2 && length == 2 + pdu[1];
    case modbus::WriteSingleRegister:
    case modbus::WriteMultipleRegisters:
        return length == 5;
    default:
        return true;
    }
}

QByteArray hexOf(const quint8* bytes, int length)
{
    return QByteArray(reinterpret_cast<const char*>(bytes), length).toHex(' ').toUpper();
}

}  // namespace

QByteArray ModbusTcpFraming::request(const quint8* rtu, qint64 length)
{
    // Address, function and CRC at least; the PDU is what lies between address and CRC.
    if (length < 1 + 1 + modbus::CrcLength || length - 1 - modbus::CrcLength > modbus::MaxRtuFrame) return {};
    const int pduLength = int(length) - 1 - modbus::CrcLength;
    ++m_transaction;
    QByteArray adu;
    adu.reserve(MbapLength + pduLength);
    adu.append(char(m_transaction >> 8)).append(char(m_transaction & 0xFF));
    adu.append(char(0)).append(char(0));  // protocol 0: Modbus
    adu.append(char((pduLength + 1) >> 8)).append(char((pduLength + 1) & 0xFF));
    adu.append(char(rtu[0]));
    adu.append(reinterpret_cast<const char*>(rtu + 1), pduLength);
    m_outstanding = Outstanding{m_transaction, rtu[0]};
    if (!m_partial.isEmpty()) {
        qCDebug(lcLink).noquote() << LogTime() << "tcp <- (part of an older answer, dropped)" << m_partial.toHex(' ').toUpper();
        m_partial.clear();
    }
    qCDebug(lcLink).noquote() << LogTime() << "tcp -> transaction" << m_transaction << QStringLiteral("unit %1:").arg(rtu[0])
                              << adu.toHex(' ').toUpper();
    return adu;
}

void ModbusTcpFraming::receive(const QByteArray& bytes, QByteArray& frames)
{
    m_partial.append(bytes);
    qsizetype at = 0;
    while (m_partial.size() - at >= MbapLength) {
        const quint8* adu = reinterpret_cast<const quint8*>(m_partial.constData()) + at;
        const int length = word(adu + 4);  // the unit id and the PDU
        if (length < 2 || length > MaxAduLength - MbapLength + 1) {
            // No Modbus TCP answer is that long or that short: the peer speaks something else, and
            // nothing tells where its next answer would start. The next request starts clean.
            qCDebug(lcLink).noquote() << LogTime() << "tcp <- (not Modbus TCP, dropped)"
                                      << m_partial.mid(at).toHex(' ').toUpper();
            m_partial.clear();
            return;
        }
        const int total = MbapLength - 1 + length;
        if (m_partial.size() - at < total) break;
        takeAdu(adu, total, frames);
        at += total;
    }
    m_partial.remove(0, at);
}

void ModbusTcpFraming::takeAdu(const quint8* adu, int length, QByteArray& frames)
{
    const quint16 transaction = word(adu);
    const quint16 protocol = word(adu + 2);
    const quint8 unit = adu[6];
    const quint8* pdu = adu + MbapLength;
    const int pduLength = length - MbapLength;
    const auto drop = [&](const QString& why) {
        qCDebug(lcLink).noquote() << LogTime() << "tcp <- transaction" << transaction << QStringLiteral("unit %1:").arg(unit)
                                  << hexOf(adu, length) << "(" + why + ", dropped)";
    };
    if (protocol != 0) return drop(QStringLiteral("protocol %1, not Modbus").arg(protocol));
    if (!m_outstanding) return drop(QStringLiteral("no request outstanding"));
    if (transaction != m_outstanding->transaction)
        return drop(QStringLiteral("answers transaction %1, not %2").arg(transaction).arg(m_outstanding->transaction));
    if (unit != m_outstanding->unit) return drop(QStringLiteral("unit %1 was asked").arg(m_outstanding->unit));
    if (!lengthFits(pdu, pduLength)) return drop(QStringLiteral("length does not fit function %1").arg(pdu[0]));

    m_outstanding.reset();
    qCDebug(lcLink).noquote() << LogTime() << "tcp <- transaction" << transaction << QStringLiteral("unit %1:").arg(unit)
                              << hexOf(adu, length);
    const qsizetype start = frames.size();
    frames.append(char(unit));
    frames.append(reinterpret_cast<const char*>(pdu), pduLength);
    const quint16 crc = Crc16(reinterpret_cast<const quint8*>(frames.constData()) + start, int(frames.size() - start));
    frames.append(char(crc & 0xFF)).append(char(crc >> 8));
}

void ModbusTcpFraming::reset()
{
    m_partial.clear();
    m_outstanding.reset();
}

}  // namespace qm
