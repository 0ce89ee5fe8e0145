#include "crc.h"

namespace sim {

std::uint16_t crc16(const std::uint8_t* data, std::size_t length)
{
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

void appendCrc(std::uint8_t* frame, std::size_t lengthWithoutCrc)
{
    const std::uint16_t crc = crc16(frame, lengthWithoutCrc);
    frame[lengthWithoutCrc] = static_cast<std::uint8_t>(crc & 0xFF);
    frame[lengthWithoutCrc + 1] = static_cast<std::uint8_t>(crc >> 8);
}

bool crcOk(const std::uint8_t* frame, std::size_t lengthWithCrc)
{
    return lengthWithCrc >= 2 && crc16(frame, lengthWithCrc) == 0;
}

}  // namespace sim
