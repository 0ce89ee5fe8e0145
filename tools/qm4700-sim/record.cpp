#include "record.h"

#include <cstring>

namespace sim {

namespace {

std::uint32_t floatBits(float value)
{
    std::uint32_t bits = 0;
    static_assert(sizeof bits == sizeof value);
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

}  // namespace

std::array<std::uint16_t, 8> encodeRecord(const ArchiveRecord& record)
{
    const std::uint32_t minutes = record.minutes & 0xFFFFFF;
    const std::uint32_t ph = floatBits(record.ph);
    const std::uint32_t e = floatBits(record.e);
    const std::uint32_t t = floatBits(record.t);
    // The master swaps the two bytes of each register, so the byte meant to come first in the
    // record goes into the register's low byte.
    return {
        static_cast<std::uint16_t>(((minutes & 0xFF) << 8) | (record.yearInCentury & 0xFF)),
        static_cast<std::uint16_t>(minutes >> 8),
        static_cast<std::uint16_t>(ph & 0xFFFF),
        static_cast<std::uint16_t>(ph >> 16),
        static_cast<std::uint16_t>(e & 0xFFFF),
        static_cast<std::uint16_t>(e >> 16),
        static_cast<std::uint16_t>(t & 0xFFFF),
        static_cast<std::uint16_t>(t >> 16),
    };
}

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

std::uint32_t minutesOfYear(int year, int month, int day, int hour, int minute)
{
    int dayOfYear = day - 1;
    for (int m = 1; m < month; ++m)
        dayOfYear += daysInMonth(year, m);
    return static_cast<std::uint32_t>((dayOfYear * 24 + hour) * 60 + minute);
}

}  // namespace sim
