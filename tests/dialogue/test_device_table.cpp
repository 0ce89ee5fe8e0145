// Measurement answers decoded into the device table, the ID/clock/period boxes and the live channels.
#include "Crc16.h"
#include "DeviceTable.h"
#include "FakePanel.h"
#include "QStringPrint.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

using namespace qm;
using qm::test::FakePanel;

namespace {

// The example answer of instrument 3: 0x1103, pH 7.01, E -152.3, T 25.5, status 0x0011,
// clock 13:45 06.12.2026, period 15.
const std::vector<quint8> ExampleAnswer = {0x03, 0x03, 0x12, 0x11, 0x03, 0x02, 0xBD, 0xFA, 0x0D, 0x00, 0xFF, 0x00,
                                           0x11, 0x14, 0x1A, 0x0C, 0x06, 0x0D, 0x2D, 0x00, 0x0F, 0x73, 0x1A};

struct Regs {
    quint16 id = 0x1103;
    quint16 ph = 701;
    quint16 e = quint16(-1523);
    quint16 t = 255;
    quint16 status = 0x0011;
    quint16 year = 0x141A;
    quint16 date = 0x0C06;
    quint16 time = 0x0D2D;
    quint16 period = 15;
};

std::vector<quint8> answer(quint8 address, const Regs& r)
{
    std::vector<quint8> f = {address, 3, 18};
    for (quint16 w : {r.id, r.ph, r.e, r.t, r.status, r.year, r.date, r.time, r.period}) {
        f.push_back(quint8(w >> 8));
        f.push_back(quint8(w & 0xFF));
    }
    const quint16 crc = Crc16(f.data(), int(f.size()));
    f.push_back(quint8(crc & 0xFF));
    f.push_back(quint8(crc >> 8));
    return f;
}

class DeviceTableTest : public ::testing::Test {
protected:
    FakePanel panel;
    DeviceTable table{panel};

    void SetUp() override
    {
        table.FillHeaders({1, 4});
        table.setCommandAddress(5);
        panel.period = 60;
    }
    void feed(const std::vector<quint8>& f, int pollAddress)
    {
        table.HandleMeasurementAnswer(f.data(), int(f.size()), pollAddress);
    }
    QStringList row(int r) const
    {
        QStringList s;
        for (int c = 0; c < DeviceTable::UsedColumns; ++c) s << table.CellText(c, r);
        return s;
    }
    QStringList blankRow(int r) const { return {QString::number(r), "", "", "", "", "", "", ""}; }
};

TEST_F(DeviceTableTest, ExampleAnswerFillsRowThree)
{
    ASSERT_EQ(Crc16(ExampleAnswer.data(), 23), 0) << "example frame must carry a valid CRC";
    EXPECT_EQ(answer(3, Regs{}), ExampleAnswer);
    table.setPeriodPending(true);
    table.setCommandAddress(3);

    feed(ExampleAnswer, 3);

    EXPECT_EQ(row(3), (QStringList{"3", "7.01", "-152.3", "25.5", "00 11 hex", "ЧВ", "1", ""}));
    EXPECT_EQ(panel.idText, "11 03 hex");
    EXPECT_EQ(panel.clockText, "13:45 06.12.2026");
    EXPECT_FLOAT_EQ(table.LiveValues()[5], 7.01f);
    EXPECT_FLOAT_EQ(table.LiveValues()[6], 25.5f);
    EXPECT_EQ(panel.period, 15);
    EXPECT_FALSE(table.PeriodPending());
    EXPECT_EQ(panel.repainted, QList<int>{3});
    EXPECT_TRUE(panel.statusHistory.isEmpty()) << "the poll engine owns the Ok text";
    // The other rows are untouched; the registers are kept sign-extended.
    EXPECT_EQ(row(2), blankRow(2));
    EXPECT_EQ(table.Registers(2), -1523);
    EXPECT_EQ(table.Registers(8), 15);
    for (int ch : {1, 2, 3, 4, 7, 8}) EXPECT_EQ(table.LiveValues()[ch], 0.0f) << ch;
}

TEST_F(DeviceTableTest, DecimalPointWhateverTheLocale)
{
    const QLocale saved;
    for (auto lang : {QLocale::German, QLocale::Russian}) {
        QLocale::setDefault(QLocale(lang));
        Regs r;
        r.id = 0x1102;
        r.ph = 1234;
        r.e = quint16(-5);
        r.t = quint16(-1005);
        feed(answer(2, r), 2);
        EXPECT_EQ(table.CellText(1, 2), "12.34");
        EXPECT_EQ(table.CellText(2, 2), "-0.5");
        EXPECT_EQ(table.CellText(3, 2), "-100.5");
    }
    QLocale::setDefault(saved);
}

struct FixedCase {
    qint32 value;
    int decimals;
    const char* text;
};
void PrintTo(const FixedCase& c, std::ostream* os) { *os << c.value << '/' << c.decimals; }
class FixedTextTest : public ::testing::TestWithParam<FixedCase> {};
TEST_P(FixedTextTest, Writes)
{
    EXPECT_EQ(DeviceTable::FixedText(GetParam().value, GetParam().decimals), QString::fromLatin1(GetParam().text));
}
INSTANTIATE_TEST_SUITE_P(Values, FixedTextTest,
                         ::testing::Values(FixedCase{701, 2, "7.01"}, FixedCase{-5, 2, "-0.05"}, FixedCase{0, 2, "0.00"},
                                           FixedCase{-100, 2, "-1.00"}, FixedCase{255, 1, "25.5"},
                                           FixedCase{-1523, 1, "-152.3"}, FixedCase{-32768, 1, "-3276.8"},
                                           FixedCase{32767, 2, "327.67"}, FixedCase{9, 1, "0.9"}));

TEST_F(DeviceTableTest, NegativePhFromWordFFFB)
{
    Regs r;
    r.ph = 0xFFFB;
    feed(answer(3, r), 3);
    EXPECT_EQ(table.CellText(1, 3), "-0.05");
    EXPECT_FLOAT_EQ(table.LiveValues()[5], -0.05f);
}

struct StatusCase {
    quint16 status;
    const char* hex;
    const char* mode;
    const char* p1;
    const char* p2;
};
void PrintTo(const StatusCase& c, std::ostream* os) { *os << "status " << c.status; }
class StatusTest : public DeviceTableTest, public ::testing::WithParamInterface<StatusCase> {};
TEST_P(StatusTest, ColumnsFourToSeven)
{
    // Start from a row that shows everything, so that each empty cell is really cleared.
    Regs full;
    full.status = 0x0033;
    feed(answer(3, full), 3);
    Regs r;
    r.status = GetParam().status;
    feed(answer(3, r), 3);
    EXPECT_EQ(table.CellText(4, 3), QString::fromLatin1(GetParam().hex));
    EXPECT_EQ(table.CellText(5, 3), QString::fromUtf8(GetParam().mode));
    EXPECT_EQ(table.CellText(6, 3), QString::fromLatin1(GetParam().p1));
    EXPECT_EQ(table.CellText(7, 3), QString::fromLatin1(GetParam().p2));
}
INSTANTIATE_TEST_SUITE_P(Bits, StatusTest,
                         ::testing::Values(StatusCase{0x0033, "00 33 hex", "АВ", "1", "1"},
                                           StatusCase{0x0001, "00 01 hex", "ЧВ", "", ""},
                                           StatusCase{0x0004, "00 04 hex", "", "", ""},
                                           StatusCase{0x0002, "00 02 hex", "АВ", "", ""},
                                           StatusCase{0x0010, "00 10 hex", "", "1", ""},
                                           StatusCase{0xFFE0, "FF E0 hex", "", "", "1"}));

TEST_F(DeviceTableTest, TypeCodeSixteenHasNoClock)
{
    panel.clockText = "old";
    Regs r;
    r.id = 0x1003;
    feed(answer(3, r), 3);
    EXPECT_EQ(row(3)[1], "7.01");
    EXPECT_EQ(panel.idText, "10 03 hex");
    EXPECT_EQ(panel.clockText, "");
    EXPECT_FLOAT_EQ(table.LiveValues()[5], 7.01f);
}

TEST_F(DeviceTableTest, TypeCodeEighteenIsAccepted)
{
    Regs r;
    r.id = 0x1203;
    feed(answer(3, r), 3);
    EXPECT_EQ(row(3)[1], "7.01");
    EXPECT_EQ(panel.clockText, "13:45 06.12.2026");
}

class FailedIdentificationTest : public DeviceTableTest, public ::testing::WithParamInterface<quint16> {};
TEST_P(FailedIdentificationTest, BlanksRowAndBoxesKeepsChannels)
{
    feed(ExampleAnswer, 3);
    panel.repainted.clear();
    panel.setTableCurrentCell(5, 4);
    table.setPeriodPending(true);
    table.setCommandAddress(3);
    Regs r;
    r.id = GetParam();
    r.ph = 999;
    feed(answer(3, r), 3);
    EXPECT_EQ(panel.status, "3- Ошибка идентификации");
    EXPECT_EQ(row(3), blankRow(3));
    EXPECT_EQ(panel.idText, "");
    EXPECT_EQ(panel.clockText, "");
    EXPECT_FLOAT_EQ(table.LiveValues()[5], 7.01f);
    EXPECT_FLOAT_EQ(table.LiveValues()[6], 25.5f);
    EXPECT_EQ(panel.repainted, QList<int>{3});
    EXPECT_EQ(panel.currentColumn, 1);
    EXPECT_EQ(panel.currentRow, 1);
    EXPECT_TRUE(table.PeriodPending()) << "a failed answer does not consume the pending period";
    EXPECT_EQ(panel.period, 60);
}
INSTANTIATE_TEST_SUITE_P(Words, FailedIdentificationTest, ::testing::Values(0x1303, 0x0F03, 0x8003, 0xFF03, 0x0003));

TEST_F(DeviceTableTest, IdentificationNamingAnotherAddressOnlyShowsId)
{
    feed(ExampleAnswer, 3);
    panel.repainted.clear();
    panel.clockText = "13:45 06.12.2026";
    const QStringList before = row(3);
    Regs r;
    r.id = 0x1104;
    r.ph = 500;
    r.year = 0x1400;
    feed(answer(3, r), 3);
    EXPECT_EQ(panel.idText, "11 04 hex");
    EXPECT_EQ(row(3), before);
    EXPECT_EQ(row(4), blankRow(4));
    EXPECT_EQ(panel.clockText, "13:45 06.12.2026");
    EXPECT_FLOAT_EQ(table.LiveValues()[5], 7.01f);
    EXPECT_EQ(table.LiveValues()[7], 0.0f);
    EXPECT_TRUE(panel.repainted.isEmpty());
}

TEST_F(DeviceTableTest, PendingPeriodIsCopiedOnceFromTheChosenInstrument)
{
    table.setPeriodPending(true);
    table.setCommandAddress(5);
    table.setRange({1, 6});
    Regs r;
    r.id = 0x1103;
    r.period = 30;
    feed(answer(3, r), 3);
    EXPECT_EQ(panel.period, 60) << "another instrument's period";
    EXPECT_TRUE(table.PeriodPending());

    r.id = 0x1105;
    feed(answer(5, r), 5);
    EXPECT_EQ(panel.period, 30);
    EXPECT_FALSE(table.PeriodPending());

    r.period = 45;
    feed(answer(5, r), 5);
    EXPECT_EQ(panel.period, 30) << "later answers leave the box to the user";
}

TEST_F(DeviceTableTest, PendingPeriodAlsoFromAnAnswerNamingTheChosenAddress)
{
    // The instrument asked at 3 calls itself 5: the period is still its own, the row is not.
    table.setPeriodPending(true);
    table.setCommandAddress(5);
    Regs r;
    r.id = 0x1105;
    r.period = 20;
    feed(answer(3, r), 3);
    EXPECT_EQ(panel.period, 20);
    EXPECT_EQ(row(3), blankRow(3));
}

struct PeriodCase {
    quint16 reg;
    int shown;
};
void PrintTo(const PeriodCase& c, std::ostream* os) { *os << "period " << c.reg; }
class PeriodClampTest : public DeviceTableTest, public ::testing::WithParamInterface<PeriodCase> {};
TEST_P(PeriodClampTest, Clamped)
{
    table.setPeriodPending(true);
    table.setCommandAddress(3);
    Regs r;
    r.period = GetParam().reg;
    feed(answer(3, r), 3);
    EXPECT_EQ(panel.period, GetParam().shown);
}
INSTANTIATE_TEST_SUITE_P(Values, PeriodClampTest,
                         ::testing::Values(PeriodCase{0, 1}, PeriodCase{300, 255}, PeriodCase{1, 1}, PeriodCase{255, 255},
                                           PeriodCase{40000, 255}, PeriodCase{0xFFFF, 255}));

TEST_F(DeviceTableTest, ShortAnswerIsNeverReadBeyondItsEnd)
{
    feed(ExampleAnswer, 3);
    panel.repainted.clear();
    panel.idText = "keep";
    table.setPeriodPending(true);
    table.setCommandAddress(3);
    Regs r;
    r.ph = 100;
    r.period = 99;
    const std::vector<quint8> full = answer(3, r);
    for (int length : {0, 5, 20, 22}) {
        // Copied onto the heap at its exact length, so a read beyond it is caught by sanitizers.
        std::vector<quint8> cut(full.begin(), full.begin() + length);
        table.HandleMeasurementAnswer(cut.data(), length, 3);
        EXPECT_EQ(table.CellText(1, 3), "7.01") << length;
        EXPECT_EQ(table.Registers(1), 701) << length;
        EXPECT_EQ(panel.idText, "keep") << length;
        EXPECT_TRUE(table.PeriodPending()) << length;
        EXPECT_TRUE(panel.repainted.isEmpty()) << length;
    }
    table.HandleMeasurementAnswer(nullptr, 23, 3);
    EXPECT_EQ(table.CellText(1, 3), "7.01");
    // A longer frame is taken by position.
    std::vector<quint8> longer = full;
    longer.push_back(0);
    feed(longer, 3);
    EXPECT_EQ(table.CellText(1, 3), "1.00");
}

TEST_F(DeviceTableTest, RowOutsideThePolledRangeIsNeverStored)
{
    table.setRange({5, 3});
    table.setPeriodPending(true);
    table.setCommandAddress(4);
    const auto snapshot = [&] {
        QStringList all;
        for (int r = 0; r < DeviceTable::Rows; ++r)
            for (int c = 0; c < DeviceTable::Columns; ++c) all << table.CellText(c, r);
        return all;
    };
    const QStringList before = snapshot();
    Regs r;
    r.period = 25;
    // Below the first address (row 0), beyond the count (row 4), beyond ten rows (row 12),
    // and far beyond (address 255).
    for (int address : {4, 8, 16, 255}) {
        r.id = quint16(0x1100 | address);
        feed(answer(quint8(address), r), address);
        EXPECT_EQ(panel.idText, DeviceTable::WordHexText(r.id)) << address;
    }
    EXPECT_EQ(snapshot(), before);
    for (int ch = 1; ch <= DeviceTable::Channels; ++ch) EXPECT_EQ(table.LiveValues()[ch], 0.0f) << ch;
    EXPECT_TRUE(panel.repainted.isEmpty());
    EXPECT_EQ(panel.clockText, "");
    EXPECT_EQ(panel.period, 25) << "the chosen instrument's period is shown wherever it sits";

    // A failed identification from outside the range blanks the boxes only.
    panel.idText = "x";
    r.id = 0x0F10;
    feed(answer(16, r), 16);
    EXPECT_EQ(panel.status, "16- Ошибка идентификации");
    EXPECT_EQ(panel.idText, "");
    EXPECT_EQ(snapshot(), before);
    EXPECT_TRUE(panel.repainted.isEmpty());

    // A device count above ten (a value typed half-way) still stops at row ten.
    table.setRange({5, 50});
    const QStringList tenRows = snapshot();
    r.id = 0x1110;
    feed(answer(16, r), 16);
    EXPECT_EQ(snapshot(), tenRows);
}

TEST_F(DeviceTableTest, ClearDeviceRowKeepsAddressAndChannels)
{
    feed(ExampleAnswer, 3);
    panel.repainted.clear();
    panel.setTableCurrentCell(4, 3);
    table.ClearDeviceRow(3);
    EXPECT_EQ(row(3), blankRow(3));
    EXPECT_EQ(panel.idText, "");
    EXPECT_EQ(panel.clockText, "");
    EXPECT_FLOAT_EQ(table.LiveValues()[5], 7.01f);
    EXPECT_EQ(panel.repainted, QList<int>{3});
    EXPECT_EQ(panel.currentColumn, 1);
    EXPECT_EQ(panel.currentRow, 1);

    panel.repainted.clear();
    table.ClearDeviceRow(0);
    table.ClearDeviceRow(11);
    table.ClearDeviceRow(-3);
    EXPECT_TRUE(panel.repainted.isEmpty());
}

TEST_F(DeviceTableTest, MarkSilentSetsBothChannelsOfTheRowOnly)
{
    feed(ExampleAnswer, 3);
    table.MarkSilent(3);
    EXPECT_EQ(table.LiveValues()[5], -100.0f);
    EXPECT_EQ(table.LiveValues()[6], -100.0f);
    EXPECT_EQ(table.LiveValues()[4], 0.0f);
    EXPECT_EQ(table.LiveValues()[7], 0.0f);
    table.MarkSilent(10);
    EXPECT_EQ(table.LiveValues()[19], -100.0f);
    EXPECT_EQ(table.LiveValues()[20], -100.0f);
    // Outside the table nothing is written (LiveValues[0] is the unused slot before channel 1).
    table.MarkSilent(0);
    table.MarkSilent(11);
    EXPECT_EQ(table.LiveValues()[0], 0.0f);
}

TEST(WordHexText, FourUpperCaseDigits)
{
    EXPECT_EQ(DeviceTable::WordHexText(0x1005), "10 05 hex");
    EXPECT_EQ(DeviceTable::WordHexText(0), "00 00 hex");
    EXPECT_EQ(DeviceTable::WordHexText(0xFFFF), "FF FF hex");
    EXPECT_EQ(DeviceTable::WordHexText(0xABCD), "AB CD hex");
}

TEST_F(DeviceTableTest, HeadersAndAddressColumnAtStartUp)
{
    EXPECT_EQ(row(0), (QStringList{"NUM", "pH", "E", "T", "Stat", "pH25", "Р1", "Р2"}));
    for (int r = 1; r <= 4; ++r) EXPECT_EQ(table.CellText(0, r), QString::number(r));
    for (int r = 5; r <= 10; ++r) EXPECT_EQ(table.CellText(0, r), "") << r;
}

TEST_F(DeviceTableTest, LoweringTheCountBlanksRowsBeyondItWhole)
{
    table.setRange({1, 5});
    for (int a = 1; a <= 5; ++a) {
        Regs r;
        r.id = quint16(0x1100 | a);
        r.ph = quint16(700 + a);
        feed(answer(quint8(a), r), a);
    }
    table.setRange({1, 3});
    for (int r = 1; r <= 3; ++r) {
        EXPECT_EQ(table.CellText(0, r), QString::number(r));
        EXPECT_EQ(table.CellText(1, r), QStringLiteral("7.0%1").arg(r));
    }
    for (int r = 4; r <= 5; ++r) EXPECT_EQ(row(r), QStringList(8, QString())) << r;
    EXPECT_FLOAT_EQ(table.LiveValues()[9], 7.05f) << "channels are not touched by a change of range";
    EXPECT_EQ(row(0)[0], "NUM");
}

TEST_F(DeviceTableTest, RaisingTheFirstAddressRenumbersAndKeepsReadings)
{
    table.setRange({1, 3});
    feed(ExampleAnswer, 3);
    table.setRange({11, 3});
    EXPECT_EQ(table.CellText(0, 1), "11");
    EXPECT_EQ(table.CellText(0, 2), "12");
    EXPECT_EQ(table.CellText(0, 3), "13");
    EXPECT_EQ(table.CellText(1, 3), "7.01");
    EXPECT_EQ(row(4), QStringList(8, QString()));

    // Rows now belong to addresses 11..13: instrument 13 fills row 3.
    Regs r;
    r.id = 0x110D;
    r.ph = 650;
    feed(answer(13, r), 13);
    EXPECT_EQ(table.CellText(1, 3), "6.50");
    EXPECT_EQ(table.DeviceRow(13), 3);
}

TEST_F(DeviceTableTest, RenumberNeverGoesBeyondTenRows)
{
    table.setRange({1, 57});
    for (int r = 1; r <= 10; ++r) EXPECT_EQ(table.CellText(0, r), QString::number(r));
    for (int r = 11; r < DeviceTable::Rows; ++r) EXPECT_EQ(table.CellText(0, r), "") << r;
    table.setRange({150, 2});
    EXPECT_EQ(table.CellText(0, 1), "99") << "an address typed half-way is bounded to the range";
    EXPECT_EQ(table.CellText(0, 2), "100");
}

struct SpinCase {
    const char* text;
    DeviceTable::SpinRange range;
    int value;
};
void PrintTo(const SpinCase& c, std::ostream* os)
{
    *os << '"' << c.text << "\" in " << c.range.minimum << ".." << c.range.maximum;
}
class SpinValueTest : public ::testing::TestWithParam<SpinCase> {};
TEST_P(SpinValueTest, Bounded)
{
    EXPECT_EQ(DeviceTable::SpinValue(QString::fromLatin1(GetParam().text), GetParam().range), GetParam().value);
}
INSTANTIATE_TEST_SUITE_P(
    Rules, SpinValueTest,
    ::testing::Values(SpinCase{"", DeviceTable::FirstAddressSpin, 1}, SpinCase{"  ", DeviceTable::DeviceCountSpin, 1},
                      SpinCase{"", DeviceTable::CommandAddressSpin, 5}, SpinCase{"7", DeviceTable::FirstAddressSpin, 7},
                      SpinCase{"150", DeviceTable::FirstAddressSpin, 99}, SpinCase{"57", DeviceTable::DeviceCountSpin, 10},
                      SpinCase{"0", DeviceTable::DeviceCountSpin, 1}, SpinCase{"-3", DeviceTable::CommandAddressSpin, 1},
                      SpinCase{"abc", DeviceTable::CommandAddressSpin, 1},
                      SpinCase{"99999999999999999999", DeviceTable::DeviceCountSpin, 10},
                      SpinCase{"-99999999999999999999", DeviceTable::DeviceCountSpin, 1},
                      SpinCase{"1x", DeviceTable::FirstAddressSpin, 1}));

}  // namespace
