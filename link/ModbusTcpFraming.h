#pragma once
// Modbus TCP in the poll engine's RTU frames. A request, built as an RTU frame, goes out as an
// ADU: the MBAP header (a new transaction id, protocol 0, the length, the unit id = the
// instrument's address) and the PDU, without the CRC. An answer counts only when it carries the
// transaction id and the unit id of the request outstanding, and only once; it comes back as the
// RTU frame it stands for (address, PDU, its CRC computed here), so that the engine judges it as
// any other answer. Everything else is dropped and named in the frame log (qm.link): answers to
// older transactions, from other units, of another protocol, or whose length does not fit their
// function.

#include <QByteArray>
#include <QtGlobal>

#include <optional>

namespace qm {

class ModbusTcpFraming {
public:
    static constexpr int MbapLength = 7;       // transaction, protocol, length (two bytes each), unit
    static constexpr int MaxAduLength = 260;   // MBAP and the largest PDU, 253 bytes

    // The ADU for an RTU request of length bytes (address, PDU, CRC); empty when it is too short
    // to be one. It becomes the request outstanding, and the start of an answer still arriving
    // is forgotten.
    QByteArray request(const quint8* rtu, qint64 length);
    // Takes bytes received from the gateway. Once the answer to the request outstanding is whole,
    // its RTU frame is appended to frames.
    void receive(const QByteArray& bytes, QByteArray& frames);
    // Nothing outstanding, nothing partly received: a new connection starts clean.
    void reset();

    // The transaction id of the latest request.
    quint16 transaction() const { return m_transaction; }

private:
    struct Outstanding {
        quint16 transaction = 0;
        quint8 unit = 0;
    };
    void takeAdu(const quint8* adu, int length, QByteArray& frames);

    QByteArray m_partial;       // the start of an ADU still arriving: less than MaxAduLength bytes
    quint16 m_transaction = 0;  // the last id given; the first request gets 1
    std::optional<Outstanding> m_outstanding;
};

}  // namespace qm
