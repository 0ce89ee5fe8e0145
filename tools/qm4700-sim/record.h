#pragma once

#include <array>
#include <cstdint>

namespace sim {

// One archive record as the instrument keeps it: when it was taken and what it measured.
struct ArchiveRecord {
    int yearInCentury = 0;      // 0..99
    std::uint32_t minutes = 0;  // minutes since 00:00 on 1 January of that year (24 bits)
    float ph = 0;
    float e = 0;
    float t = 0;
};

// The record's eight holding registers as the instrument serves them (each carried high byte
// first on the wire). A master that stores every register low byte first sees the 16-byte
// record: year, minutes as 24-bit little-endian, then pH, E and T as little-endian floats.
std::array<std::uint16_t, 8> encodeRecord(const ArchiveRecord& record);

// Minutes since the start of the year for a calendar date (full year, Gregorian rules).
std::uint32_t minutesOfYear(int year, int month, int day, int hour, int minute);

bool isLeapYear(int year);
int daysInMonth(int year, int month);

}  // namespace sim
