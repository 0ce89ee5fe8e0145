// Archive records as text: the date from the year byte and the minute count, the three values
// in their columns, and the listing's order (the ring) and line-number suffixes.
#include "ArchiveDownload.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>

using namespace qm;

namespace {

// Writes a record into slot s of the image the way a download stores it.
void putRecord(ArchiveBytes& image, int slot, int year, int minutes, float ph = 7.0f, float e = -12.3f, float t = 25.0f)
{
    quint8* b = image.data() + 10 + 16 * (slot - 1);
    b[0] = quint8(year);
    b[1] = quint8(minutes & 0xFF);
    b[2] = quint8((minutes >> 8) & 0xFF);
    b[3] = quint8((minutes >> 16) & 0xFF);
    const float values[3] = {ph, e, t};
    for (int v = 0; v < 3; ++v) {
        const auto bits = std::bit_cast<std::uint32_t>(values[v]);
        for (int k = 0; k < 4; ++k) b[4 + 4 * v + k] = quint8(bits >> (8 * k));
    }
}

void setCount(ArchiveBytes& image, int n)
{
    image[0] = quint8(n & 0xFF);
    image[1] = quint8(n >> 8);
}

TEST(ArchiveRecord, ExampleLine)
{
    ArchiveBytes image{};
    putRecord(image, 1, 26, (339 * 1440) + 10 * 60 + 30, 7.0f, -12.3f, 25.0f);  // 6 December 2026, 10:30
    EXPECT_EQ(FormatArchiveRecord(image, 1), "06.12.26 10:30    7,00     -12,3    25,0");
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
    ArchiveBytes image{};
    putRecord(image, 7, c.year, c.minutes);
    EXPECT_EQ(FormatArchiveRecord(image, 7).section(QStringLiteral("   "), 0, 0), QString::fromUtf8(c.text));
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
    ArchiveBytes image{};
    putRecord(image, 1, 26, 0, std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::infinity(), 25.0f);
    EXPECT_EQ(FormatArchiveRecord(image, 1), "01.01.26 00:00     NaN      -INF    25,0");
}

TEST(ArchiveRecord, SlotsOutsideTheRingGiveNoText)
{
    ArchiveBytes image{};
    image.fill(0x55);
    EXPECT_TRUE(FormatArchiveRecord(image, 0).isEmpty());
    EXPECT_TRUE(FormatArchiveRecord(image, 201).isEmpty());
    EXPECT_FALSE(FormatArchiveRecord(image, 200).isEmpty());
}

// Each slot holds a record of its own minute, so a line tells which slot it came from.
ArchiveBytes numberedImage(int n)
{
    ArchiveBytes image{};
    setCount(image, n);
    for (int s = 1; s <= 200; ++s) putRecord(image, s, 26, s * 61, 6.0f + s / 100.0f, -float(s) / 10, 20.0f + s / 10.0f);
    return image;
}

QString expectedLine(const ArchiveBytes& image, int slot, int line)
{
    return FormatArchiveRecord(image, slot) + (line % 10 == 0 ? QStringLiteral("     ") + QString::number(line) : QString());
}

struct ListingCase {
    const char* name;
    int count;        // ArchiveRecordCount
    int lines;
    int firstSlot;    // the slot of line 1; the lines then follow the ring
};

class ArchiveListingOrder : public ::testing::TestWithParam<ListingCase> {};

TEST_P(ArchiveListingOrder, OldestFirstAroundTheRing)
{
    const ListingCase& c = GetParam();
    const ArchiveBytes image = numberedImage(c.count);
    const QStringList lines = ArchiveListing(image);
    ASSERT_EQ(lines.size(), c.lines);
    for (int i = 1; i <= c.lines; ++i) {
        const int slot = (c.firstSlot - 1 + i - 1) % 200 + 1;
        ASSERT_EQ(lines.at(i - 1), expectedLine(image, slot, i)) << "line " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Counts, ArchiveListingOrder,
    ::testing::Values(ListingCase{"Empty", 0, 0, 1}, ListingCase{"Five", 5, 5, 1}, ListingCase{"Ten", 10, 10, 1},
                      ListingCase{"Full", 200, 200, 1}, ListingCase{"JustWrapped", 201, 200, 2},
                      ListingCase{"Wrapped257", 257, 200, 58}, ListingCase{"WrappedTwice", 400, 200, 1},
                      // Beyond 400 the count is read around the ring again: newest in slot (N − 1) mod 200 + 1.
                      ListingCase{"Count401", 401, 200, 2}, ListingCase{"Count600", 600, 200, 1},
                      ListingCase{"LargestCount", 65535, 200, 136}),
    [](const ::testing::TestParamInfo<ListingCase>& info) { return std::string(info.param.name); });

TEST(ArchiveListing, SuffixCountsLinesNotSlots)
{
    const QStringList five = ArchiveListing(numberedImage(5));
    for (const QString& line : five) EXPECT_EQ(line.size(), 40) << line.toStdString();

    const ArchiveBytes tenImage = numberedImage(10);
    const QStringList ten = ArchiveListing(tenImage);
    ASSERT_EQ(ten.size(), 10);
    EXPECT_EQ(ten.at(9), FormatArchiveRecord(tenImage, 10) + "     10");
    EXPECT_EQ(ten.at(9), "01.01.26 10:10    6,10      -1,0    21,0     10");
    for (int i = 0; i < 9; ++i) EXPECT_EQ(ten.at(i).size(), 40);

    // Wrapped: line 10 is slot 67 for N = 257, and it is line 10 that gets "10".
    const ArchiveBytes image = numberedImage(257);
    const QStringList ring = ArchiveListing(image);
    EXPECT_EQ(ring.at(9), FormatArchiveRecord(image, 67) + "     10");
    EXPECT_EQ(ring.at(199), FormatArchiveRecord(image, 57) + "     200");
}

TEST(ArchiveListing, CountAbove400IsReducedOntoTheRing)
{
    ArchiveBytes image{};
    for (const auto& [n, reduced] : {std::pair{400, 400}, {401, 201}, {600, 400}, {601, 201}, {65535, 335}}) {
        setCount(image, n);
        EXPECT_EQ(ListedRecordCount(image), reduced) << n;
    }
}

TEST(ArchiveProgress, FourteenBlocks)
{
    QList<int> percent;
    for (int k = 0; k < 14; ++k) percent << ArchiveProgress(quint16(250 + 122 * k));
    EXPECT_EQ(percent, QList<int>({7, 14, 21, 28, 36, 43, 50, 57, 64, 71, 78, 85, 93, 100}));
    EXPECT_EQ(ArchiveProgress(1), 0);
    EXPECT_EQ(ArchiveProgress(1958), 100);
}

TEST(ArchiveStore, RegistersAreStoredLowByteFirstAtTheirBlock)
{
    ArchiveBytes image{};
    image.fill(0xEE);
    QByteArray frame("\x05\x03\xF4", 3);
    for (int i = 0; i < 122; ++i) frame += char(i) + QByteArray(1, char(0x80 + (i & 0x7F)));
    frame += QByteArray(2, '\0');  // the CRC: not looked at here
    const auto* bytes = reinterpret_cast<const quint8*>(frame.constData());
    ASSERT_TRUE(StoreArchiveBlock(image, 372, 122, bytes, int(frame.size())));  // second block
    EXPECT_EQ(image[243], 0xEE);
    EXPECT_EQ(image[244], 0x80);  // register 1: high byte 0x00, low byte 0x80
    EXPECT_EQ(image[245], 0x00);
    EXPECT_EQ(image[244 + 2 * 121], 0x80 + 121);
    EXPECT_EQ(image[244 + 2 * 121 + 1], 121);
    EXPECT_EQ(image[488], 0xEE);
}

TEST(ArchiveStore, NeverReadsPastTheFrameNorWritesPastTheImage)
{
    ArchiveBytes image{};
    image.fill(0xEE);
    const ArchiveBytes before = image;
    QByteArray frame(3 + 244 + 2, '\x11');
    const auto* bytes = reinterpret_cast<const quint8*>(frame.constData());
    // One byte short of the registers and the CRC: refused whole.
    EXPECT_FALSE(StoreArchiveBlock(image, 250, 122, bytes, int(frame.size()) - 1));
    EXPECT_EQ(image, before);
    // A block whose registers would reach past the image.
    EXPECT_FALSE(StoreArchiveBlock(image, quint16(250 + 5002 - 121), 122, bytes, int(frame.size())));
    EXPECT_FALSE(StoreArchiveBlock(image, 65535, 122, bytes, int(frame.size())));
    EXPECT_FALSE(StoreArchiveBlock(image, 1, 122, bytes, int(frame.size())));  // below the area
    EXPECT_EQ(image, before);
    // The last block that fits.
    EXPECT_TRUE(StoreArchiveBlock(image, quint16(250 + 5002 - 122), 122, bytes, int(frame.size())));
    EXPECT_EQ(image[ArchiveImageSize - 1], 0x11);
}

}  // namespace
