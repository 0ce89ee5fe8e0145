// A reading in the live table's words: fixed decimals with "." in any locale, words in hex, the
// status letters and relay discs, the instrument's clock.
#include "QStringPrint.h"
#include "ReadingText.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <ostream>

using namespace qm;

namespace {

Reading answered(quint16 status = 0x0011)
{
    Reading r;
    r.address = 3;
    r.answered = true;
    r.id = 0x1103;
    r.phRaw = 701;
    r.eRaw = -1523;
    r.tRaw = 255;
    r.status = status;
    r.clockYear = 0x141A;
    r.clockDate = 0x0C06;
    r.clockTime = 0x0D2D;
    return r;
}

struct FixedCase {
    qint32 value;
    int decimals;
    const char* text;
};
void PrintTo(const FixedCase& c, std::ostream* os) { *os << c.value << '/' << c.decimals; }
class FixedTextTest : public ::testing::TestWithParam<FixedCase> {};
TEST_P(FixedTextTest, WritesWithAPointInAnyLocale)
{
    const QLocale saved;
    for (auto lang : {QLocale::C, QLocale::German, QLocale::Russian}) {
        QLocale::setDefault(QLocale(lang));
        EXPECT_EQ(FixedText(GetParam().value, GetParam().decimals), QString::fromLatin1(GetParam().text));
    }
    QLocale::setDefault(saved);
}
INSTANTIATE_TEST_SUITE_P(Values, FixedTextTest,
                         ::testing::Values(FixedCase{701, 2, "7.01"}, FixedCase{-5, 2, "-0.05"}, FixedCase{0, 2, "0.00"},
                                           FixedCase{-100, 2, "-1.00"}, FixedCase{255, 1, "25.5"},
                                           FixedCase{-1523, 1, "-152.3"}, FixedCase{-32768, 1, "-3276.8"},
                                           FixedCase{32767, 2, "327.67"}, FixedCase{9, 1, "0.9"}, FixedCase{-5, 1, "-0.5"}));

struct StatusCase {
    quint16 status;
    const char* hex;
    const char* mode;
    const char* p1;
    const char* p2;
};
void PrintTo(const StatusCase& c, std::ostream* os) { *os << "status " << c.status; }
class StatusColumns : public ::testing::TestWithParam<StatusCase> {};
TEST_P(StatusColumns, FourToSeven)
{
    const Reading r = answered(GetParam().status);
    EXPECT_EQ(LiveCellText(r, 4), QString::fromLatin1(GetParam().hex));
    EXPECT_EQ(LiveCellText(r, 5), QString::fromUtf8(GetParam().mode));
    EXPECT_EQ(LiveCellText(r, 6), QString::fromLatin1(GetParam().p1));
    EXPECT_EQ(LiveCellText(r, 7), QString::fromLatin1(GetParam().p2));
}
INSTANTIATE_TEST_SUITE_P(Bits, StatusColumns,
                         ::testing::Values(StatusCase{0x0033, "00 33 hex", "АВ", "1", "1"},
                                           StatusCase{0x0001, "00 01 hex", "ЧВ", "", ""},
                                           StatusCase{0x0004, "00 04 hex", "", "", ""},
                                           StatusCase{0x0002, "00 02 hex", "АВ", "", ""},
                                           StatusCase{0x0010, "00 10 hex", "", "1", ""},
                                           StatusCase{0xFFE0, "FF E0 hex", "", "", "1"}));

TEST(ReadingText, RowHeadersHexAndClock)
{
    const Reading r = answered();
    QStringList row, headers;
    for (int c = 0; c < LiveColumns; ++c) {
        row << LiveCellText(r, c);
        headers << LiveHeaderText(c);
    }
    EXPECT_EQ(row, (QStringList{"", "7.01", "-152.3", "25.5", "00 11 hex", "ЧВ", "1", ""}));
    EXPECT_EQ(headers, (QStringList{"NUM", "pH", "E", "T", "Stat", "pH25", "Р1", "Р2"}));
    EXPECT_EQ(InstrumentClockText(r), "13:45 06.12.2026");
    EXPECT_EQ(WordHexText(0x1005), "10 05 hex");
    EXPECT_EQ(WordHexText(0), "00 00 hex");
    EXPECT_EQ(WordHexText(0xFFFF), "FF FF hex");
    EXPECT_EQ(WordHexText(0xABCD), "AB CD hex");
    // A silent instrument reads nothing.
    const Reading silent = Reading::silent(3, {});
    for (int c = 1; c < LiveColumns; ++c) EXPECT_EQ(LiveCellText(silent, c), "") << c;
    EXPECT_EQ(InstrumentClockText(silent), "");
}

}  // namespace
