// The instrument's archive area as a download keeps it: the listing's order (the ring) and
// line-number suffixes, the progress of the blocks, and the blocks stored into the image.
#include "ArchiveDownload.h"
#include "RecordBytes.h"

#include <algorithm>

#include <cmath>
#include <gtest/gtest.h>

using namespace qm;

namespace {

// Writes a record into slot s of the image the way a download stores it.
void putRecord(ArchiveBytes& image, int slot, int year, int minutes, float ph = 7.0f, float e = -12.3f, float t = 25.0f)
{
    const test::RecordBytes r = test::EncodeRecord(year, minutes, ph, e, t);
    std::copy(r.begin(), r.end(), image.begin() + ArchiveHeaderBytes + ArchiveRecordBytes * (slot - 1));
}

void setCount(ArchiveBytes& image, int n)
{
    image[0] = quint8(n & 0xFF);
    image[1] = quint8(n >> 8);
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
