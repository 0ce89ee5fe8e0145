#pragma once
#include <QtGlobal>

namespace qm {

// CRC-16/MODBUS over the first length bytes of buffer. A whole frame with its own CRC appended
// low byte first gives 0.
quint16 Crc16(const quint8* buffer, int length);

}  // namespace qm
