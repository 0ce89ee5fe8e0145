// The poll engine with instruments that answer: the slot tick by tick, the address walk, and
// what the status line says for each kind of answer.
#include "PollRig.h"

#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;

namespace {

// Ticks to the first request after connecting on a fresh start (TickCount starts at 0).
void startPolling(PollRig& rig)
{
    rig.connect();
    ASSERT_EQ(rig.tickUntilWrite(), 10);
}

// Starts polling and lets the instruments before `address` answer, until the request to it is out.
void pollUntilAsked(PollRig& rig, int address)
{
    rig.allAnswer([address](int a) { return a == address; });
    startPolling(rig);
    while (quint8(rig.port.lastWrite().at(0)) != address) ASSERT_EQ(rig.tickUntilWrite(), 10);
    rig.instruments = nullptr;
}

TEST(PollSlot, AnsweredSlotTickByTick)
{
    PollRig rig(1, 5);
    pollUntilAsked(rig, 3);
    ASSERT_EQ(rig.port.lastWrite(), measurementRequest(3));
    ASSERT_EQ(rig.panel.status, "3-");

    rig.port.arrive(measurementAnswer(3, 701, 255));
    rig.panel.statusHistory.clear();
    rig.panel.readings.clear();
    const qsizetype writes = rig.port.writes.size();

    rig.tick();  // 1: the 23 bytes are read
    EXPECT_TRUE(rig.port.incoming.isEmpty());
    for (int t = 2; t <= 4; ++t) {
        rig.tick();
        EXPECT_EQ(rig.panel.status, "3-") << "tick " << t;
        EXPECT_TRUE(rig.panel.readings.isEmpty()) << "tick " << t;
    }
    rig.tick();  // 5: judged and dispatched
    EXPECT_EQ(rig.panel.status, "3-Ok!  ");
    EXPECT_TRUE(rig.engine.PortOpen());
    EXPECT_EQ(rig.engine.RetryCount(), 0);
    EXPECT_EQ(rig.engine.PollAddress(), 4);
    ASSERT_EQ(rig.panel.readings.size(), 1);
    EXPECT_DOUBLE_EQ(rig.panel.channel(3), 7.01);
    EXPECT_DOUBLE_EQ(rig.panel.channel(3, true), 25.5);

    for (int t = 6; t <= 9; ++t) {
        rig.tick();
        EXPECT_EQ(rig.port.writes.size(), writes) << "tick " << t;
    }
    rig.tick();  // 10: the next slot
    ASSERT_EQ(rig.port.writes.size(), writes + 1);
    EXPECT_EQ(rig.port.lastWrite(), measurementRequest(4));
    EXPECT_EQ(rig.panel.statusHistory, QStringList({"3-Ok!  ", "4-"}));
}

TEST(PollSlot, MeasurementRequestOnTheWire)
{
    PollRig rig(5, 1);
    startPolling(rig);
    EXPECT_EQ(rig.port.lastWrite(), hex("05 03 00 00 00 09 84 48"));
}

TEST(PollWalk, ThreeInstrumentsAnsweringArePolledInTurnOncePerSecond)
{
    PollRig rig(1, 3);
    rig.allAnswer();
    startPolling(rig);
    for (int slot = 0; slot < 6; ++slot) ASSERT_EQ(rig.tickUntilWrite(), 10) << "slot " << slot;
    EXPECT_EQ(rig.requestedAddresses(), QList<int>({1, 2, 3, 1, 2, 3, 1}));
    EXPECT_TRUE(rig.engine.RoundDone());
    EXPECT_EQ(rig.panel.statusHistory.mid(rig.panel.statusHistory.indexOf("1-")),
              QStringList({"1-", "1-Ok!  ", "2-", "2-Ok!  ", "3-", "3-Ok!  ", "1-", "1-Ok!  ", "2-", "2-Ok!  ", "3-",
                           "3-Ok!  ", "1-"}));
}

TEST(PollWalk, RoundDoneIsSetWhenTheWalkPassesTheLastAddress)
{
    PollRig rig(1, 3);
    rig.allAnswer();
    startPolling(rig);                    // request to 1
    ASSERT_EQ(rig.tickUntilWrite(), 10);  // request to 2
    ASSERT_EQ(rig.tickUntilWrite(), 10);  // request to 3
    rig.tick(4);
    EXPECT_FALSE(rig.engine.RoundDone());
    EXPECT_EQ(rig.engine.PollAddress(), 3);
    rig.tick();  // the answer of 3 is judged
    EXPECT_TRUE(rig.engine.RoundDone());
    EXPECT_EQ(rig.engine.PollAddress(), 1);
}

struct AnswerCase {
    const char* name;
    int count;           // instruments polled from 1
    QByteArray answer;   // from instrument 7, which was asked for its measurement
    const char* status;  // what the status line says after the answer
    int next;            // the next request's address
    bool roundDone;
};

void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.name; }

class PollAnswers : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(PollAnswers, StatusAndTheWalkAfterAnAnswer)
{
    const AnswerCase& c = GetParam();
    PollRig rig(1, c.count);
    if (c.count >= 7) {
        pollUntilAsked(rig, 7);
    } else {
        // 7 lies outside the walk: it is asked by a command.
        startPolling(rig);
        rig.setCommandAddress(7);
        rig.engine.SetPeriod();
        ASSERT_EQ(rig.tickUntilWrite(), 10);
        ASSERT_EQ(quint8(rig.port.lastWrite().at(0)), 7);
    }
    rig.port.arrive(c.answer);
    rig.panel.statusHistory.clear();
    rig.panel.readings.clear();
    ASSERT_EQ(rig.tickUntilWrite(), 10);
    EXPECT_EQ(rig.panel.statusHistory.at(0), QString::number(quint8(c.answer.at(0))) + "-Ok!  ");
    EXPECT_EQ(rig.panel.statusHistory.last(), QStringLiteral("%1-").arg(c.next));
    EXPECT_EQ(rig.port.lastWrite(), measurementRequest(c.next));
    EXPECT_EQ(rig.engine.RoundDone(), c.roundDone);
    if (c.next != 7) {
        // Answered: the answer's text stays until the next request, no missed-answer text between.
        EXPECT_EQ(rig.panel.statusHistory.at(rig.panel.statusHistory.size() - 2), QString::fromUtf8(c.status))
            << rig.panel.statusHistory.join('|').toStdString();
        EXPECT_LE(rig.panel.statusHistory.size(), 3);
        EXPECT_EQ(rig.engine.RetryCount(), 0);
    } else {
        // Not the measurement asked for: the slot counts as silent and 7 is asked again.
        EXPECT_TRUE(rig.panel.statusHistory.contains(QString::fromUtf8(c.status)));
        EXPECT_EQ(rig.panel.statusHistory.mid(rig.panel.statusHistory.size() - 3), QStringList({"7-No  0", "7-No  0", "7-"}));
        EXPECT_EQ(rig.engine.RetryCount(), 2);
        EXPECT_TRUE(rig.panel.readings.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PollAnswers,
    ::testing::Values(AnswerCase{"Measurement", 10, measurementAnswer(7), "7-Ok!  ", 8, false},
                      // Any other answer to a measurement request is none: 7 is asked again.
                      AnswerCase{"Period", 10, withCrc(hex("07 06 00 08 00 0F")), "7-Период-Ok!", 7, false},
                      AnswerCase{"Erase", 10, withCrc(hex("07 06 00 F9 00 00")), "7-Удалить архив-Ok!", 7, false},
                      AnswerCase{"Clock", 10, withCrc(hex("07 10 00 05 00 03")), "7-Коррекция времени -Ok!", 7, false},
                      AnswerCase{"OtherRegister", 10, withCrc(hex("07 06 00 01 00 00")), "7-Ok!  ", 7, false},
                      AnswerCase{"Exception", 10, withCrc(hex("07 83 02")), "7-Ok!  ", 7, false},
                      AnswerCase{"OtherFunction", 10, withCrc(hex("07 04 02 00 00")), "7-Ok!  ", 7, false},
                      AnswerCase{"FromAddress4", 10, measurementAnswer(4), "4-Ok!  ", 7, false},
                      // A command to 7 while 1..3 are polled: the walk wraps after its answer.
                      AnswerCase{"PeriodOutsideRange", 3, withCrc(hex("07 06 00 08 00 0F")), "7-Период-Ok!", 1, true}),
    [](const ::testing::TestParamInfo<AnswerCase>& info) { return std::string(info.param.name); });

TEST(PollAnswers, TwoBytesFFFFAreAFrameButNoAnswer)
{
    PollRig rig(1, 3);
    pollUntilAsked(rig, 2);
    rig.port.arrive(hex("FF FF"));
    rig.tick(5);
    EXPECT_EQ(rig.panel.status, "255-Ok!  ");
    // The walk stays with the address asked, never with 255 or the broadcast address 0; the slot
    // was not answered by 2, so it ends with the missed-answer texts and 2 is asked again.
    ASSERT_EQ(rig.tickUntilWrite(), 5);
    EXPECT_EQ(rig.port.lastWrite(), measurementRequest(2));
    EXPECT_EQ(rig.panel.statusHistory.mid(rig.panel.statusHistory.size() - 4),
              QStringList({"255-Ok!  ", "2-No  0", "2-No  0", "2-"}));
}

// An instrument set to the wrong address (or a foreign device) answering for address 2: its
// answers are none, so 2 is given up on like a silent instrument (its row blank, its channels
// marked), every other instrument keeps its turn and the rounds complete, so the trend is sampled.
TEST(PollWalk, MisaddressedAnswersAreSilenceAndTheRoundsGoOn)
{
    for (int from : {0, 1, 3, 200, 255}) {
        PollRig rig(1, 3);
        rig.instruments = [from](const QByteArray& request) {
            const int address = quint8(request.at(0));
            return measurementAnswer(address == 2 ? from : address);
        };
        startPolling(rig);
        for (int slot = 0; slot < 8; ++slot) ASSERT_EQ(rig.tickUntilWrite(), 10) << from << " slot " << slot;
        EXPECT_EQ(rig.requestedAddresses(), QList<int>({1, 2, 2, 2, 3, 1, 2, 2, 2})) << from;
        EXPECT_TRUE(rig.engine.RoundDone()) << from;
        EXPECT_TRUE(rig.panel.statusHistory.contains(QString::number(from) + "-Ok!  ")) << from;
        EXPECT_EQ(rig.panel.channel(2), NoDataMark) << from;
        EXPECT_TRUE(rig.panel.cell(1, 2).isEmpty()) << from;
        EXPECT_DOUBLE_EQ(rig.panel.channel(3), 7.0) << from;
        for (const Reading& r : rig.panel.readings) {
            if (r.address == 2) {
                EXPECT_FALSE(r.answered) << from;
            }
        }
    }
}

TEST(PollAnswers, AnswerSplitOverTwoTicksCountsAsOneAnswer)
{
    PollRig rig(1, 3);
    startPolling(rig);
    const QByteArray answer = measurementAnswer(1);
    rig.port.arrive(answer.left(10));
    rig.tick(2);  // one silent tick between the parts
    rig.port.arrive(answer.mid(10));
    rig.tick(4);
    EXPECT_EQ(rig.panel.status, "1-");
    rig.tick();  // fourth silent tick after the last part
    EXPECT_EQ(rig.panel.status, "1-Ok!  ");
    EXPECT_EQ(rig.panel.readings.size(), 1);
    ASSERT_EQ(rig.tickUntilWrite(), 3);
    EXPECT_EQ(rig.port.lastWrite(), measurementRequest(2));
}

TEST(PollAnswers, TwoAnswersMergedIntoOneFrameAreABadFrame)
{
    PollRig rig(1, 3);
    startPolling(rig);
    const int before = rig.engine.RetryCount();  // the checks of the slot before the first request
    rig.port.arrive(measurementAnswer(1));
    rig.tick(3);
    rig.port.arrive(measurementAnswer(1));
    rig.tick(5);
    EXPECT_EQ(rig.engine.RetryCount(), before);  // a bad frame is silence: only the checks count
    EXPECT_TRUE(rig.panel.readings.isEmpty());
    EXPECT_EQ(rig.engine.PollAddress(), 1);
    EXPECT_EQ(rig.tickUntilWrite(), 2);
    EXPECT_EQ(rig.panel.statusHistory.mid(rig.panel.statusHistory.size() - 3), QStringList({"1-No  0", "1-No  0", "1-"}));
    EXPECT_EQ(rig.port.lastWrite(), measurementRequest(1));
}

TEST(PollAnswers, NoTextShowsTheBytesOfAnUnfinishedFrame)
{
    PollRig rig(1, 3);
    startPolling(rig);
    rig.tick(6);
    rig.port.arrive(measurementAnswer(1).left(7));  // read on tick 7, not judged by tick 9
    rig.tick(3);
    EXPECT_EQ(rig.panel.status, "1-No  7");
}

TEST(PollButtons, ButtonsNameTheNextRequest)
{
    PollRig rig;
    rig.connect();
    rig.engine.ReadArchive();
    ASSERT_EQ(rig.tickUntilWrite(), 10);  // the first block; nothing answers
    ASSERT_EQ(rig.tickUntilWrite(), 10);  // asked again
    const qsizetype writes = rig.port.writes.size();
    rig.engine.ReadArchive();
    EXPECT_EQ(rig.engine.PendingRequest(), RequestKind::ReadArchive);
    EXPECT_TRUE(rig.engine.DownloadRunning());
    rig.engine.SetPeriod();
    EXPECT_EQ(rig.engine.PendingRequest(), RequestKind::SetPeriod);
    rig.engine.SetClock();
    EXPECT_EQ(rig.engine.PendingRequest(), RequestKind::SetClock);
    rig.engine.EraseArchive();
    EXPECT_EQ(rig.engine.PendingRequest(), RequestKind::EraseArchive);
    EXPECT_EQ(rig.port.writes.size(), writes);
}

}  // namespace
