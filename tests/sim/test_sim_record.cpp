// The simulator's archive record encoder against records worked out by hand. The master stores
// each register low byte first; the resulting 16 bytes must be the record layout the program
// decodes: year, minutes (24-bit little-endian), pH, E, T (little-endian IEEE singles).

#include "record.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace {

struct RecordCase {
    const char* name;
    int year, month, day, hour, minute;
    float ph, e, t;
    std::array<std::uint8_t, 16> image;  // the record as the master stores it
};

// Bytes derived by hand: minutes = (days before the month + day - 1) * 1440 + hour * 60 + minute;
// 7.0f = 40E00000, -12.3f = C144CCCD, 25.0f = 41C80000, 4.5f = 40900000, -5.5f = C0B00000,
// -0.25f = BE800000, 0.0f = 00000000.
const RecordCase cases[] = {
    // 2024-02-29 00:00: 59 * 1440 = 84960 = 0x014BE0.
    {"LeapDay", 2024, 2, 29, 0, 0, 7.0f, -12.3f, 25.0f,
     {0x18, 0xE0, 0x4B, 0x01, 0x00, 0x00, 0xE0, 0x40, 0xCD, 0xCC, 0x44, 0xC1, 0x00, 0x00, 0xC8, 0x41}},
    // 2025-03-01 00:00 falls on the same minute count in a common year.
    {"MarchFirstCommonYear", 2025, 3, 1, 0, 0, 7.0f, -12.3f, 25.0f,
     {0x19, 0xE0, 0x4B, 0x01, 0x00, 0x00, 0xE0, 0x40, 0xCD, 0xCC, 0x44, 0xC1, 0x00, 0x00, 0xC8, 0x41}},
    // 2025-01-01 00:00: minute 0.
    {"FirstMinuteOfYear", 2025, 1, 1, 0, 0, 4.5f, 0.0f, -5.5f,
     {0x19, 0x00, 0x00, 0x00, 0x00, 0x00, 0x90, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xB0, 0xC0}},
    // 2025-12-31 23:59: 365 * 1440 - 1 = 525599 = 0x08051F.
    {"LastMinuteOfCommonYear", 2025, 12, 31, 23, 59, 4.5f, 0.0f, -5.5f,
     {0x19, 0x1F, 0x05, 0x08, 0x00, 0x00, 0x90, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xB0, 0xC0}},
    // 2024-12-31 23:59: 366 * 1440 - 1 = 527039 = 0x080ABF.
    {"LastMinuteOfLeapYear", 2024, 12, 31, 23, 59, 7.0f, -12.3f, 25.0f,
     {0x18, 0xBF, 0x0A, 0x08, 0x00, 0x00, 0xE0, 0x40, 0xCD, 0xCC, 0x44, 0xC1, 0x00, 0x00, 0xC8, 0x41}},
    // 2005-06-15 13:07, negative pH: (151 + 14) * 1440 + 787 = 238387 = 0x03A333.
    {"NegativePhSingleDigitYear", 2005, 6, 15, 13, 7, -0.25f, -12.3f, 25.0f,
     {0x05, 0x33, 0xA3, 0x03, 0x00, 0x00, 0x80, 0xBE, 0xCD, 0xCC, 0x44, 0xC1, 0x00, 0x00, 0xC8, 0x41}},
    // 2100 is not a leap year: 1 March is again day 60.
    {"CenturyNotLeap", 2100, 3, 1, 0, 0, 7.0f, -12.3f, 25.0f,
     {0x00, 0xE0, 0x4B, 0x01, 0x00, 0x00, 0xE0, 0x40, 0xCD, 0xCC, 0x44, 0xC1, 0x00, 0x00, 0xC8, 0x41}},
};

class SimRecordEncoding : public ::testing::TestWithParam<RecordCase> {};

TEST_P(SimRecordEncoding, MasterSeesTheRecordLayout)
{
    const RecordCase& c = GetParam();
    sim::ArchiveRecord record;
    record.yearInCentury = c.year % 100;
    record.minutes = sim::minutesOfYear(c.year, c.month, c.day, c.hour, c.minute);
    record.ph = c.ph;
    record.e = c.e;
    record.t = c.t;
    const auto regs = sim::encodeRecord(record);

    std::array<std::uint8_t, 16> wire{};   // on the line: high byte first
    std::array<std::uint8_t, 16> image{};  // in the master: each register swapped
    for (std::size_t i = 0; i < 8; ++i) {
        wire[2 * i] = static_cast<std::uint8_t>(regs[i] >> 8);
        wire[2 * i + 1] = static_cast<std::uint8_t>(regs[i] & 0xFF);
        image[2 * i] = wire[2 * i + 1];
        image[2 * i + 1] = wire[2 * i];
    }
    EXPECT_EQ(image, c.image);
}

INSTANTIATE_TEST_SUITE_P(HandWorked, SimRecordEncoding, ::testing::ValuesIn(cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SimRecordEncoding, MinutesKeepTwentyFourBitsOnly)
{
    sim::ArchiveRecord record;
    record.yearInCentury = 26;
    record.minutes = 0x12ABCDEF;
    const auto regs = sim::encodeRecord(record);
    EXPECT_EQ(regs[0], 0xEF1A);
    EXPECT_EQ(regs[1], 0xABCD);
}

}  // namespace
