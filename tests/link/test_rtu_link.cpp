// Framing on the wire: requests leave with their CRC in one write; answers are judged by
// silence, four ticks after their last byte. Over a TCP stream, by their length instead.
#include "RtuLink.h"

#include "FakePort.h"

#include <gtest/gtest.h>

#include <cstring>

using qm::RtuLink;
using qm::test::FakePort;
using qm::test::hex;
using qm::test::withCrc;
using Verdict = RtuLink::Verdict;

namespace {

const QByteArray kAnswer = withCrc(hex("01 03 12 11 01 02 BC FA 0D 00 FA 00 11 14 1A 0C 06 0D 2D 00 0F"));

struct Line {
    FakePort port;
    RtuLink link;
    Line() { port.isOpen = true; }
    Verdict tick() { return link.Collect(port); }
};

struct SendCase {
    const char* body;
    const char* wire;
};

void PrintTo(const SendCase& c, std::ostream* os) { *os << c.wire; }

class SendFrames : public ::testing::TestWithParam<SendCase> {};

TEST_P(SendFrames, GoOutWithCrcLowByteFirstInOneWrite)
{
    Line line;
    const QByteArray body = hex(GetParam().body);
    std::memcpy(line.link.TxBuffer(), body.constData(), size_t(body.size()));
    line.link.Send(line.port, int(body.size()));
    ASSERT_EQ(line.port.writes.size(), 1);
    EXPECT_EQ(line.port.writes.at(0).toHex(' '), hex(GetParam().wire).toHex(' '));
}

INSTANTIATE_TEST_SUITE_P(Requests, SendFrames,
                         ::testing::Values(SendCase{"05 03 00 00 00 09", "05 03 00 00 00 09 84 48"},
                                           SendCase{"01 03 00 00 00 09", "01 03 00 00 00 09 85 CC"},
                                           SendCase{"07 06 00 08 00 0F", "07 06 00 08 00 0F 48 6A"},
                                           SendCase{"07 10 00 05 00 03 06 14 1A 0C 06 0D 2D",
                                                    "07 10 00 05 00 03 06 14 1A 0C 06 0D 2D 82 5C"}));

TEST(Collect, WholeAnswerIsJudgedOnTheFourthSilentTickNotEarlier)
{
    Line line;
    line.port.arrive(kAnswer);
    EXPECT_EQ(line.tick(), Verdict::Pending);  // the bytes arrive
    EXPECT_EQ(line.link.RxCount(), 23);
    EXPECT_EQ(line.link.SilentTicks(), 0);
    for (int silent = 1; silent <= 3; ++silent) {
        EXPECT_EQ(line.tick(), Verdict::Pending) << "silent tick " << silent;
        EXPECT_EQ(line.link.SilentTicks(), silent);
    }
    EXPECT_EQ(line.tick(), Verdict::Valid);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(line.link.RxBuffer()), line.link.RxCount()), kAnswer);
}

TEST(Collect, AnswerSplitOverTwoTicksWithASilentTickBetweenIsOneFrame)
{
    Line line;
    line.port.arrive(kAnswer.left(9));
    EXPECT_EQ(line.tick(), Verdict::Pending);
    EXPECT_EQ(line.tick(), Verdict::Pending);  // silent
    line.port.arrive(kAnswer.mid(9));
    EXPECT_EQ(line.tick(), Verdict::Pending);
    EXPECT_EQ(line.link.SilentTicks(), 0);
    EXPECT_EQ(line.tick(), Verdict::Pending);
    EXPECT_EQ(line.tick(), Verdict::Pending);
    EXPECT_EQ(line.tick(), Verdict::Pending);
    EXPECT_EQ(line.tick(), Verdict::Valid);
    EXPECT_EQ(line.link.RxCount(), 23);
}

TEST(Collect, TwoAnswersCloserThanFourTicksMergeIntoOneBadFrame)
{
    Line line;
    line.port.arrive(kAnswer);
    line.tick();
    line.tick();
    line.tick();
    line.port.arrive(kAnswer);
    EXPECT_EQ(line.tick(), Verdict::Pending);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(line.tick(), Verdict::Pending);
    EXPECT_EQ(line.tick(), Verdict::Bad);
    EXPECT_EQ(line.link.RxCount(), 46);
}

TEST(Collect, VerdictsOfShortFramesAndSilence)
{
    struct Case {
        QByteArray bytes;
        Verdict verdict;
    } cases[] = {
        {hex("FF FF"), Verdict::Valid},               // no minimum length: FF FF passes the CRC
        {withCrc(hex("02 83 02")), Verdict::Valid},   // an exception answer is a frame like any other
        {QByteArray(), Verdict::NoFrame},
        {hex("01 03 12 11 01 02 BC FA 0D 00 FA 00 11 14 1A 0C 06 0D 2D 00 0F 00 00"), Verdict::Bad},
    };
    for (const Case& c : cases) {
        Line line;
        line.port.arrive(c.bytes);
        const int pending = c.bytes.isEmpty() ? 3 : 4;  // silence alone is judged on its fourth tick
        for (int i = 0; i < pending; ++i) ASSERT_EQ(line.tick(), Verdict::Pending) << c.bytes.toHex(' ').constData();
        EXPECT_EQ(line.tick(), c.verdict) << c.bytes.toHex(' ').constData();
        EXPECT_EQ(line.link.RxCount(), c.bytes.size());
    }
}

TEST(Collect, APortThatCannotTellCountsAsSilence)
{
    Line line;
    line.port.isOpen = false;  // bytesQueued() gives -1
    line.port.arrive(kAnswer);
    for (int i = 0; i < 4; ++i) line.tick();
    EXPECT_EQ(line.link.SilentTicks(), 4);
    EXPECT_EQ(line.link.RxCount(), 0);
}

TEST(Collect, AnswerAfterTheCallerResetsRxCountStartsAtIndexZero)
{
    Line line;
    line.port.arrive(hex("FF FF"));
    for (int i = 0; i < 5; ++i) line.tick();
    line.link.FrameHandled();
    line.port.arrive(kAnswer);
    for (int i = 0; i < 4; ++i) line.tick();
    EXPECT_EQ(line.tick(), Verdict::Valid);
    EXPECT_EQ(line.link.RxBuffer()[0], 0x01);
}

// A line that never falls silent must not run past RxBuffer: what does not fit is drained and
// dropped, and the oversized frame fails as a bad one.
TEST(Collect, ReceiveBufferIsNeverWrittenBeyondItsEnd)
{
    Line line;
    QByteArray flood(3000, char(0xA5));
    for (int i = 0; i < 5; ++i) {  // 15000 bytes without a pause
        line.port.arrive(flood);
        EXPECT_EQ(line.tick(), Verdict::Pending);
        EXPECT_TRUE(line.port.incoming.isEmpty()) << "the queue is drained every tick";
        EXPECT_LE(line.link.RxCount(), RtuLink::RxSize);
    }
    EXPECT_EQ(line.link.RxCount(), RtuLink::RxSize);
    EXPECT_EQ(line.link.SilentTicks(), 0);  // dropped bytes still count as arriving
    for (int i = 0; i < 3; ++i) EXPECT_EQ(line.tick(), Verdict::Pending);
    EXPECT_EQ(line.tick(), Verdict::Bad);

    // The next answer is collected normally.
    line.link.FrameHandled();
    line.port.arrive(kAnswer);
    for (int i = 0; i < 4; ++i) line.tick();
    EXPECT_EQ(line.tick(), Verdict::Valid);
}

TEST(Collect, ExcessArrivingWhenTheBufferIsExactlyFullIsDropped)
{
    Line line;
    line.port.arrive(QByteArray(RtuLink::RxSize - 2, char(0x11)));
    line.tick();
    line.port.arrive(hex("22 33 44 55"));
    line.tick();
    EXPECT_EQ(line.link.RxCount(), RtuLink::RxSize);
    EXPECT_EQ(line.link.RxBuffer()[RtuLink::RxSize - 2], 0x22);
    EXPECT_EQ(line.link.RxBuffer()[RtuLink::RxSize - 1], 0x33);
    EXPECT_TRUE(line.port.incoming.isEmpty());
}

// Over a TCP stream there is no silence between answers: a gateway passes bytes on in whatever
// segments it likes. What arrives before each tick, the verdict of each tick (V valid, B bad,
// n no frame, . pending) and the answers taken, as the engine handles them.
struct StreamCase {
    const char* what;
    QList<QByteArray> arrivals;
    const char* verdicts;
    QList<QByteArray> answers;
};

void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.what; }

class OverAStream : public ::testing::TestWithParam<StreamCase> {};

TEST_P(OverAStream, AnAnswerIsTakenWhenItsLengthSaysItIsWhole)
{
    const StreamCase& c = GetParam();
    FakePort port;
    port.isOpen = true;
    port.framedBy = FakePort::Framing::ByLength;
    RtuLink link;
    QString verdicts;
    QList<QByteArray> answers;
    for (qsizetype i = 0; i < qsizetype(std::strlen(c.verdicts)); ++i) {
        if (i < c.arrivals.size()) port.arrive(c.arrivals.at(i));
        const Verdict v = link.Collect(port);
        verdicts += v == Verdict::Valid ? 'V' : v == Verdict::Bad ? 'B' : v == Verdict::NoFrame ? 'n' : '.';
        if (v == Verdict::Valid) answers << QByteArray(reinterpret_cast<const char*>(link.RxBuffer()), link.RxCount());
        if (v == Verdict::Valid || v == Verdict::Bad) link.FrameHandled();
    }
    EXPECT_EQ(verdicts.toStdString(), c.verdicts);
    EXPECT_EQ(answers, c.answers);
}

QList<QByteArray> byteByByte(const QByteArray& bytes)
{
    QList<QByteArray> out;
    for (char b : bytes) out << QByteArray(1, b);
    return out;
}

const QByteArray kEcho = withCrc(hex("07 06 00 08 00 0F"));
const QByteArray kException = withCrc(hex("01 83 02"));
QByteArray corrupted(QByteArray bytes)
{
    bytes[11] = char(bytes[11] ^ 0x10);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Tcp, OverAStream,
    ::testing::Values(
        StreamCase{"in one segment", {kAnswer}, "V...n", {kAnswer}},
        StreamCase{"byte by byte", byteByByte(kAnswer), "......................V", {kAnswer}},
        StreamCase{"cut inside its header", {kAnswer.left(2), kAnswer.mid(2)}, ".V", {kAnswer}},
        StreamCase{"glued to the next", {kAnswer + kEcho}, "VV", {kAnswer, kEcho}},
        StreamCase{"glued to the start of the next", {kAnswer + kEcho.left(3), kEcho.mid(3)}, "VV", {kAnswer, kEcho}},
        StreamCase{"after bytes that begin no answer", {hex("FF 00") + kAnswer}, "V", {kAnswer}},
        StreamCase{"an instrument's exception", {kException}, "V", {kException}},
        StreamCase{"gateway exception 0x0B is silence", {withCrc(hex("01 83 0B"))}, "....n", {}},
        StreamCase{"gateway exception 0x0A before an answer", {withCrc(hex("01 83 0A")) + kAnswer}, "V", {kAnswer}},
        StreamCase{"a bad CRC waits for silence, as on a serial line", {corrupted(kAnswer)}, "....B", {}},
        StreamCase{"a function without a known length, by silence", {withCrc(hex("01 2B 0E 01"))}, "....V",
                   {withCrc(hex("01 2B 0E 01"))}}));

TEST(OverAStreamToo, AnAnswerStillHeldWhenTheNextRequestGoesOutIsNotItsAnswer)
{
    FakePort port;
    port.isOpen = true;
    port.framedBy = FakePort::Framing::ByLength;
    RtuLink link;
    port.arrive(kAnswer + kEcho);
    ASSERT_EQ(link.Collect(port), Verdict::Valid);
    link.FrameHandled();  // the echo is held behind it
    const QByteArray request = hex("02 03 00 00 00 09");
    std::memcpy(link.TxBuffer(), request.constData(), size_t(request.size()));
    link.Send(port, int(request.size()));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(link.Collect(port), Verdict::Pending);
    EXPECT_EQ(link.Collect(port), Verdict::NoFrame);
}

}  // namespace
