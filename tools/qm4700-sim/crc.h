#pragma once

#include <cstddef>
#include <cstdint>

namespace sim {

// CRC-16/MODBUS, computed bit by bit: this tool must not share the program's table-driven code,
// so that a slip in one cannot hide the same slip in the other.
std::uint16_t crc16(const std::uint8_t* data, std::size_t length);

// Appends the CRC to a frame, low byte first.
void appendCrc(std::uint8_t* frame, std::size_t lengthWithoutCrc);

// True when the last two bytes are the CRC of the bytes before them.
bool crcOk(const std::uint8_t* frame, std::size_t lengthWithCrc);

}  // namespace sim
