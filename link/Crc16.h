#pragma once
#include <QtGlobal>

namespace qm {

// CRC-16/MODBUS over bytes 0..last of buffer (last + 1 bytes). A whole frame with its own CRC
// appended low byte first gives 0.
quint16 Crc16(const quint8* buffer, int last);

}  // namespace qm
