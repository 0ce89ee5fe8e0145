#include "Crc16.h"

#include "FakePort.h"

#include <gtest/gtest.h>

using qm::Crc16;
using qm::test::hex;

namespace {

quint16 crcOf(const QByteArray& bytes)
{
    return Crc16(reinterpret_cast<const quint8*>(bytes.constData()), int(bytes.size()));
}

struct CrcCase {
    const char* frame;
    quint16 crc;
};

class CrcVectors : public ::testing::TestWithParam<CrcCase> {};

TEST_P(CrcVectors, MatchesPublishedValues)
{
    EXPECT_EQ(crcOf(hex(GetParam().frame)), GetParam().crc);
}

// CRC words: low byte goes first on the wire, so "85 CC" is 0xCC85.
INSTANTIATE_TEST_SUITE_P(Modbus, CrcVectors,
                         ::testing::Values(CrcCase{"313233343536373839", 0x4B37},  // check value of "123456789"
                                           CrcCase{"010300000009", 0xCC85},
                                           CrcCase{"050300000009", 0x4884},
                                           CrcCase{"07060008000F", 0x6A48},
                                           CrcCase{"070600F90000", 0x9D59},
                                           CrcCase{"07100005000306141A0C060D2D", 0x5C82}));

TEST(Crc16, WholeFrameWithItsCrcGivesZero)
{
    EXPECT_EQ(crcOf(hex("03 03 12 11 03 02 BD FA 0D 00 FF 00 11 14 1A 0C 06 0D 2D 00 0F 73 1A")), 0);
    EXPECT_EQ(crcOf(hex("FF FF")), 0);  // two FF bytes alone pass the test
    EXPECT_NE(crcOf(hex("03 03 12 11 03 02 BD FA 0D 00 FF 00 11 14 1A 0C 06 0D 2D 00 0F 73 1B")), 0);
}

}  // namespace
