// Archive records as text: the date from the year byte and the minute count, and the three
// values in their columns.
#include "ArchiveRecord.h"
#include "RecordBytes.h"

#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace qm;

namespace {

using Record = test::RecordBytes;


TEST(ArchiveRecord, ExampleLine)
{
    const Record r = test::EncodeRecord(26, (339 * 1440) + 10 * 60 + 30, 7.0f, -12.3f, 25.0f);  // 6 December 2026, 10:30
    EXPECT_EQ(FormatArchiveRecord(r.data()), "06.12.26 10:30    7,00     -12,3    25,0");
}

struct DateCase {
    const char* name;
    int year;
    int minutes;
    const char* text;  // the first 14 characters of the line
};

class ArchiveRecordDate : public ::testing::TestWithParam<DateCase> {};

TEST_P(ArchiveRecordDate, DateAndTime)
{
    const DateCase& c = GetParam();
    const Record r = test::EncodeRecord(c.year, c.minutes);
    EXPECT_EQ(FormatArchiveRecord(r.data()).section(QStringLiteral("   "), 0, 0), QString::fromUtf8(c.text));
}

INSTANTIATE_TEST_SUITE_P(
    Calendar, ArchiveRecordDate,
    ::testing::Values(DateCase{"LeapDay", 24, 59 * 1440, "29.02.24 00:00"},
                      DateCase{"SameMinutesCommonYear", 25, 59 * 1440, "01.03.25 00:00"},
                      DateCase{"FirstMinute", 25, 0, "01.01.25 00:00"},
                      DateCase{"LastMinuteCommonYear", 25, 365 * 1440 - 1, "31.12.25 23:59"},
                      DateCase{"LastMinuteLeapYear", 24, 366 * 1440 - 1, "31.12.24 23:59"},
                      DateCase{"Day365OfLeapYear", 24, 365 * 1440 - 1, "30.12.24 23:59"},
                      DateCase{"YearZeroIsLeap", 0, 59 * 1440, "29.02.00 00:00"},
                      DateCase{"YearByteFive", 5, 31 * 1440 + 13 * 60 + 7, "01.02.05 13:07"},
                      DateCase{"YearByteAbove99", 130, 0, "01.01.130 00:00"},
                      DateCase{"EndOfMonths", 1, 123456, "27.03.01 17:36"},
                      // Minutes past the year's end count on into the next years; such a date
                      // cannot be right and is marked by a three-digit year.
                      DateCase{"MinuteAfterCommonYear", 25, 365 * 1440, "01.01.026 00:00"},
                      DateCase{"MinuteAfterLeapYear", 24, 366 * 1440, "01.01.025 00:00"},
                      DateCase{"LargestMinuteCount", 60, 0xFFFFFF, "24.11.091 20:15"}),
    [](const ::testing::TestParamInfo<DateCase>& info) { return std::string(info.param.name); });

struct ValueCase {
    const char* name;
    float value;
    int width;
    int decimals;
    const char* text;
};

class ArchiveValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ArchiveValue, FixedPointWithComma)
{
    const ValueCase& c = GetParam();
    EXPECT_EQ(ArchiveValueText(c.value, c.width, c.decimals), QString::fromUtf8(c.text));
}

INSTANTIATE_TEST_SUITE_P(
    Columns, ArchiveValue,
    ::testing::Values(ValueCase{"PhHalfRoundsAway", 7.125f, 5, 2, " 7,13"},
                      ValueCase{"NegativeHalfRoundsAway", -7.125f, 5, 2, "-7,13"},
                      ValueCase{"SmallNegative", -0.25f, 5, 2, "-0,25"},
                      ValueCase{"HalfOfAHundredth", 0.375f, 5, 2, " 0,38"},
                      // The float nearest 2.675 lies below it: 2.67, however the product is rounded.
                      ValueCase{"JustBelowHalf", 2.675f, 5, 2, " 2,67"},
                      ValueCase{"JustAboveHalf", 7.005f, 5, 2, " 7,01"},
                      ValueCase{"TenthBelowHalf", 0.45f, 7, 1, "    0,4"},
                      ValueCase{"ETenthHalf", -12.25f, 7, 1, "  -12,3"},
                      ValueCase{"ECarries", -99.96f, 7, 1, " -100,0"},
                      ValueCase{"TemperatureCarry", 9.96f, 5, 1, " 10,0"},
                      ValueCase{"RoundsToZeroWithoutSign", -0.001f, 5, 2, " 0,00"},
                      ValueCase{"NegativeZero", -0.0f, 5, 1, "  0,0"},
                      ValueCase{"SmallestSubnormal", std::numeric_limits<float>::denorm_min(), 5, 2, " 0,00"},
                      ValueCase{"WiderThanTheColumn", 123456.789f, 5, 2, "123456,79"},
                      ValueCase{"LargestFloat", std::numeric_limits<float>::max(), 7, 1,
                                "340282346638528859811704183484516925440,0"},
                      ValueCase{"NotANumber", std::numeric_limits<float>::quiet_NaN(), 5, 2, "  NaN"},
                      ValueCase{"Infinite", std::numeric_limits<float>::infinity(), 7, 1, "    INF"},
                      ValueCase{"NegativeInfinite", -std::numeric_limits<float>::infinity(), 5, 1, " -INF"}),
    [](const ::testing::TestParamInfo<ValueCase>& info) { return std::string(info.param.name); });

TEST(ArchiveRecord, NotANumberKeepsTheColumns)
{
    const Record r = test::EncodeRecord(26, 0, std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::infinity(), 25.0f);
    EXPECT_EQ(FormatArchiveRecord(r.data()), "01.01.26 00:00     NaN      -INF    25,0");
}

}  // namespace
