// Measurement answers as the engine takes them: decoded once into a reading, which reaches the
// panel only when it identifies the polled instrument at its own address; the identification,
// clock and period boxes, the row and the live channels as the panel is told them.
#include "FakePanel.h"
#include "PollRig.h"
#include "QStringPrint.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <ostream>

using namespace qm;
using namespace qm::test;

namespace {

// Instrument 3's example answer: 0x1103, pH 7.01, E -152.3, T 25.5, status 0x0011,
// clock 13:45 06.12.2026, period 15.
const QByteArray ExampleAnswer =
    hex("03 03 12 11 03 02 BD FA 0D 00 FF 00 11 14 1A 0C 06 0D 2D 00 0F 73 1A");

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

QByteArray answer(quint8 address, const Regs& r)
{
    QByteArray f;
    f.append(char(address));
    f.append(char(3));
    f.append(char(18));
    for (quint16 w : {r.id, r.ph, r.e, r.t, r.status, r.year, r.date, r.time, r.period}) {
        f.append(char(w >> 8));
        f.append(char(w & 0xFF));
    }
    return withCrc(f);
}

// The walk polls the range; each fed frame answers the next request, whoever it names.
struct MeasurementRig : PollRig {
    explicit MeasurementRig(int first = 1, int count = 4) : PollRig(first, count)
    {
        setCommandAddress(5);
        panel.period = 60;
        connect();
    }
    void feed(const QByteArray& frame)
    {
        ASSERT_GT(tickUntilWrite(), 0);
        port.arrive(frame);
        tick(5);  // collected, then four silent ticks: judged
    }
    QStringList row(int address) const
    {
        QStringList s;
        for (int c = 1; c <= 7; ++c) s << panel.cell(c, address);
        return s;
    }
};

const QStringList BlankRow(7, QString());

TEST(Measurement, ExampleAnswerIsOneReadingForRowThree)
{
    MeasurementRig rig(3, 1);
    rig.setCommandAddress(3);
    rig.feed(ExampleAnswer);

    ASSERT_EQ(rig.panel.readings.size(), 1);
    const Reading& r = rig.panel.readings.first();
    EXPECT_EQ(r.address, 3);
    EXPECT_TRUE(r.answered);
    EXPECT_EQ(r.phRaw, 701);
    EXPECT_EQ(r.eRaw, -1523) << "registers are kept signed";
    EXPECT_EQ(r.period, 15);
    EXPECT_DOUBLE_EQ(r.ph(), 7.01);
    EXPECT_DOUBLE_EQ(r.tC(), 25.5);
    EXPECT_EQ(rig.row(3), (QStringList{"7.01", "-152.3", "25.5", "00 11 hex", "ЧВ", "1", ""}));
    EXPECT_EQ(rig.panel.idText, "11 03 hex");
    EXPECT_EQ(rig.panel.clockText, "13:45 06.12.2026");
    EXPECT_DOUBLE_EQ(rig.panel.channel(3), 7.01);
    EXPECT_DOUBLE_EQ(rig.panel.channel(3, true), 25.5);
    EXPECT_EQ(rig.panel.period, 15);
    EXPECT_EQ(rig.panel.status, "3-Ok!  ");
}

TEST(Measurement, NegativePhFromWordFFFB)
{
    MeasurementRig rig(3, 1);
    Regs r;
    r.ph = 0xFFFB;
    rig.feed(answer(3, r));
    EXPECT_EQ(rig.panel.cell(1, 3), "-0.05");
    EXPECT_DOUBLE_EQ(rig.panel.channel(3), -0.05);
}

struct TypeCase {
    quint16 id;
    const char* clock;
};
void PrintTo(const TypeCase& c, std::ostream* os) { *os << std::hex << c.id; }
class TypeCodes : public ::testing::TestWithParam<TypeCase> {};
TEST_P(TypeCodes, SixteenToEighteenAreTakenSixteenWithoutClock)
{
    MeasurementRig rig(3, 1);
    Regs r;
    r.id = GetParam().id;
    rig.feed(answer(3, r));
    ASSERT_EQ(rig.panel.readings.size(), 1);
    EXPECT_EQ(rig.panel.cell(1, 3), "7.01");
    EXPECT_EQ(rig.panel.clockText, QString::fromLatin1(GetParam().clock));
}
INSTANTIATE_TEST_SUITE_P(Family, TypeCodes,
                         ::testing::Values(TypeCase{0x1003, ""}, TypeCase{0x1103, "13:45 06.12.2026"},
                                           TypeCase{0x1203, "13:45 06.12.2026"}));

class FailedIdentification : public ::testing::TestWithParam<quint16> {};
TEST_P(FailedIdentification, BlanksRowAndBoxesKeepsChannelsAndThePendingPeriod)
{
    MeasurementRig rig(3, 1);
    rig.feed(ExampleAnswer);
    rig.setCommandAddress(3);
    Regs r;
    r.id = GetParam();
    r.ph = 999;
    rig.feed(answer(3, r));
    EXPECT_EQ(rig.panel.status, "3- Ошибка идентификации");
    EXPECT_EQ(rig.panel.cleared, QList<int>{3});
    EXPECT_EQ(rig.row(3), BlankRow);
    EXPECT_EQ(rig.panel.idText, "");
    EXPECT_EQ(rig.panel.clockText, "");
    EXPECT_EQ(rig.panel.readings.size(), 1) << "no reading of the failed answer";
    EXPECT_DOUBLE_EQ(rig.panel.channel(3), 7.01);
    EXPECT_DOUBLE_EQ(rig.panel.channel(3, true), 25.5);
    EXPECT_EQ(rig.panel.period, 60) << "\"NUM\" was 5 when the first answer came";
    // The pending period waits for an answer that passes.
    r.id = 0x1103;
    r.period = 33;
    rig.feed(answer(3, r));
    EXPECT_EQ(rig.panel.period, 33);
}
INSTANTIATE_TEST_SUITE_P(Words, FailedIdentification, ::testing::Values(0x1303, 0x0F03, 0x8003, 0xFF03, 0x0003));

TEST(Measurement, IdentificationNamingAnotherAddressOnlyShowsTheId)
{
    MeasurementRig rig(3, 2);
    rig.feed(ExampleAnswer);
    const QStringList before = rig.row(3);
    Regs r;
    r.id = 0x1104;
    r.ph = 500;
    r.year = 0x1400;
    rig.feed(answer(3, r));
    EXPECT_EQ(rig.panel.idText, "11 04 hex");
    EXPECT_EQ(rig.row(3), before);
    EXPECT_EQ(rig.row(4), BlankRow);
    EXPECT_EQ(rig.panel.clockText, "13:45 06.12.2026");
    EXPECT_EQ(rig.panel.readings.size(), 1);
    EXPECT_DOUBLE_EQ(rig.panel.channel(3), 7.01);
    EXPECT_DOUBLE_EQ(rig.panel.channel(4), 0.0);
}

TEST(Measurement, PendingPeriodIsCopiedOnceFromTheChosenInstrument)
{
    MeasurementRig rig(1, 6);  // "NUM" is 5
    Regs r;
    r.id = 0x1103;
    r.period = 30;
    rig.feed(answer(3, r));
    EXPECT_EQ(rig.panel.period, 60) << "another instrument's period";

    r.id = 0x1105;
    rig.feed(answer(5, r));
    EXPECT_EQ(rig.panel.period, 30);

    r.period = 45;
    rig.feed(answer(5, r));
    EXPECT_EQ(rig.panel.period, 30) << "later answers leave the box to the operator";

    // The instrument asked at 3 calls itself 5: the period is still its own, the row is not.
    rig.setCommandAddress(5);
    const QStringList row3 = rig.row(3);
    r.period = 20;
    r.ph = 650;
    rig.feed(answer(3, r));
    EXPECT_EQ(rig.panel.period, 20);
    EXPECT_EQ(rig.row(3), row3);
}

struct PeriodCase {
    quint16 reg;
    int shown;
};
void PrintTo(const PeriodCase& c, std::ostream* os) { *os << "period " << c.reg; }
class PeriodClamp : public ::testing::TestWithParam<PeriodCase> {};
TEST_P(PeriodClamp, IntoTheBoxesRange)
{
    MeasurementRig rig(3, 1);
    rig.setCommandAddress(3);
    Regs r;
    r.period = GetParam().reg;
    rig.feed(answer(3, r));
    EXPECT_EQ(rig.panel.period, GetParam().shown);
}
INSTANTIATE_TEST_SUITE_P(Values, PeriodClamp,
                         ::testing::Values(PeriodCase{0, 1}, PeriodCase{300, 255}, PeriodCase{1, 1}, PeriodCase{255, 255},
                                           PeriodCase{40000, 255}, PeriodCase{0xFFFF, 255}));

TEST(Measurement, ShortAnswerIsNeverReadBeyondItsEnd)
{
    for (int length : {3, 5, 20, 22}) {
        // Copied onto the heap at its exact length, so that a read beyond it is caught by sanitizers.
        const std::vector<quint8> cut(ExampleAnswer.begin(), ExampleAnswer.begin() + length);
        EXPECT_FALSE(DecodeMeasurementAnswer(cut.data(), length, 3, {})) << length;
    }
    EXPECT_FALSE(DecodeMeasurementAnswer(nullptr, 23, 3, {}));
    // A longer frame is taken by position.
    QByteArray longer = ExampleAnswer;
    longer.append('\0');
    const auto r = DecodeMeasurementAnswer(reinterpret_cast<const quint8*>(longer.constData()), int(longer.size()), 3, {});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->phRaw, 701);

    // On the line a short answer with a good CRC counts as an answer but tells nothing.
    MeasurementRig rig(3, 1);
    rig.setCommandAddress(3);
    rig.feed(withCrc(ExampleAnswer.left(20)));
    EXPECT_EQ(rig.panel.status, "3-Ok!  ");
    EXPECT_TRUE(rig.panel.readings.isEmpty());
    EXPECT_EQ(rig.panel.idText, "");
    EXPECT_EQ(rig.panel.period, 60);
}

TEST(Measurement, AnswersFromOutsideThePolledRangeAreNeverStored)
{
    MeasurementRig rig(5, 3);
    rig.setCommandAddress(4);
    Regs r;
    r.period = 25;
    // Below the first address, beyond the count, beyond ten rows, and far beyond.
    for (int address : {4, 8, 16, 255}) {
        r.id = quint16(0x1100 | address);
        rig.feed(answer(quint8(address), r));
        EXPECT_EQ(rig.panel.idText, WordHexText(r.id)) << address;
    }
    EXPECT_TRUE(rig.panel.readings.isEmpty());
    EXPECT_TRUE(rig.panel.rows.isEmpty());
    for (int address = 5; address <= 7; ++address) EXPECT_DOUBLE_EQ(rig.panel.live.value(2 * (address - 4)), 0.0);
    EXPECT_EQ(rig.panel.clockText, "");
    EXPECT_EQ(rig.panel.period, 25) << "the chosen instrument's period is shown wherever it sits";

    // A failed identification from outside the range blanks the boxes only.
    r.id = 0x0F10;
    rig.feed(answer(16, r));
    EXPECT_EQ(rig.panel.status, "16- Ошибка идентификации");
    EXPECT_EQ(rig.panel.idText, "");
    EXPECT_EQ(rig.panel.cleared, QList<int>{16});
    EXPECT_TRUE(rig.panel.rows.isEmpty());
}

}  // namespace
