// Modbus TCP as the engine's RTU frames see it: requests become ADUs with a new transaction id and
// the address as unit id; only the answer to the request outstanding comes back, as an RTU frame.
#include "ModbusTcpFraming.h"

#include "FakePort.h"

#include <gtest/gtest.h>

using qm::ModbusTcpFraming;
using qm::test::hex;
using qm::test::withCrc;

namespace {

QByteArray adu(int transaction, int unit, const char* pdu, int protocol = 0)
{
    const QByteArray body = hex(pdu);
    QByteArray out;
    for (int word : {transaction, protocol, int(body.size()) + 1}) out.append(char(word >> 8)).append(char(word & 0xFF));
    return out + char(unit) + body;
}

QByteArray request(ModbusTcpFraming& framing, const char* rtu)
{
    const QByteArray frame = withCrc(hex(rtu));
    return framing.request(reinterpret_cast<const quint8*>(frame.constData()), frame.size());
}

const char* const kRead = "03 04 02 BC 00 FA";  // two registers: 700, 250

TEST(ModbusTcp, ARequestGoesOutAsAnAduWithANewTransactionAndTheAddressAsUnit)
{
    ModbusTcpFraming framing;
    EXPECT_EQ(request(framing, "05 03 00 00 00 09").toHex(' '), QByteArray("00 01 00 00 00 06 05 03 00 00 00 09"));
    EXPECT_EQ(request(framing, "07 10 00 05 00 03 06 14 1A 0C 06 0D 2D").toHex(' '),
              QByteArray("00 02 00 00 00 0d 07 10 00 05 00 03 06 14 1a 0c 06 0d 2d"));
    EXPECT_EQ(framing.transaction(), 2);
}

// The request outstanding is transaction 2 to unit 5; what arrives, in segments, and the RTU
// frames handed on.
struct AnswerCase {
    const char* what;
    QList<QByteArray> segments;
    QList<QByteArray> frames;
};

void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.what; }

class ModbusTcpAnswers : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(ModbusTcpAnswers, OnlyTheAnswerToTheRequestOutstandingIsHandedOn)
{
    ModbusTcpFraming framing;
    request(framing, "05 03 00 00 00 02");
    request(framing, "05 03 00 00 00 02");
    QList<QByteArray> frames;
    for (const QByteArray& segment : GetParam().segments) {
        QByteArray out;
        framing.receive(segment, out);
        if (!out.isEmpty()) frames << out;
    }
    EXPECT_EQ(frames, GetParam().frames);
}

const QByteArray kFrame = withCrc(hex("05") + hex(kRead));

INSTANTIATE_TEST_SUITE_P(
    Gateway, ModbusTcpAnswers,
    ::testing::Values(
        AnswerCase{"the answer", {adu(2, 5, kRead)}, {kFrame}},
        AnswerCase{"the answer in three segments", {adu(2, 5, kRead).left(3), adu(2, 5, kRead).mid(3, 6), adu(2, 5, kRead).mid(9)}, {kFrame}},
        AnswerCase{"an answer to the older transaction, then the answer", {adu(1, 5, kRead) + adu(2, 5, kRead)}, {kFrame}},
        AnswerCase{"an answer to the older transaction alone", {adu(1, 5, kRead)}, {}},
        AnswerCase{"another unit", {adu(2, 6, kRead)}, {}},
        AnswerCase{"another protocol", {adu(2, 5, kRead, 1)}, {}},
        AnswerCase{"the answer twice", {adu(2, 5, kRead), adu(2, 5, kRead)}, {kFrame}},
        AnswerCase{"a byte count that does not fit", {adu(2, 5, "03 06 02 BC 00 FA")}, {}},
        AnswerCase{"a gateway exception goes on for the engine to judge", {adu(2, 5, "83 0B")}, {withCrc(hex("05 83 0B"))}},
        // Nothing tells where an answer after them would start.
        AnswerCase{"bytes that are no Modbus TCP, and what follows", {hex("00 02 00 00 00 00 05 03") + adu(2, 5, kRead)}, {}}));

TEST(ModbusTcp, ANewRequestForgetsThePartOfAnOlderAnswer)
{
    ModbusTcpFraming framing;
    request(framing, "05 03 00 00 00 02");
    QByteArray out;
    framing.receive(adu(1, 5, kRead).left(5), out);
    request(framing, "05 03 00 00 00 02");
    framing.receive(adu(2, 5, kRead), out);
    EXPECT_EQ(out, kFrame);
}

}  // namespace
