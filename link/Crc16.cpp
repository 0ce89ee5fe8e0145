#include "Crc16.h"

#include <array>

namespace qm {

namespace {
// The standard 256-entry table of CRC-16/MODBUS (reflected polynomial 0xA001).
constexpr std::array<quint16, 256> makeTable()
{
    std::array<quint16, 256> t{};
    for (int i = 0; i < 256; ++i) {
        quint16 c = quint16(i);
        for (int k = 0; k < 8; ++k) c = (c & 1) ? quint16((c >> 1) ^ 0xA001) : quint16(c >> 1);
        t[i] = c;
    }
    return t;
}
constexpr std::array<quint16, 256> kTable = makeTable();
static_assert(kTable[1] == 0xC0C1 && kTable[255] == 0x4040);
}  // namespace

quint16 Crc16(const quint8* buffer, int length)
{
    quint16 crc = 0xFFFF;
    for (int i = 0; i < length; ++i) crc = quint16((crc >> 8) ^ kTable[(crc ^ buffer[i]) & 0xFF]);
    return crc;
}

}  // namespace qm
