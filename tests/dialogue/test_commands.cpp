// The three instrument commands through the poll engine: the frames on the wire, the status
// texts, the return to measurement polling, the period read back, and clicks that race the slot.
#include "FixedClock.h"
#include "InstrumentCommands.h"
#include "PollRig.h"
#include "StatusText.h"

#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;

namespace {

const QDateTime kClockTime(QDate(2026, 12, 6), QTime(13, 45, 59));

// Polls 1..count; every instrument answers measurements, and commands with their echo (or
// with what reply() gives for the commanded one).
struct CommandRig {
    PollRig rig;
    std::function<QByteArray(const QByteArray&)> reply;

    explicit CommandRig(int count = 10) : rig(1, count)
    {
        rig.setCommandAddress(7);
        rig.setPeriod(15);
        rig.instruments = [this](const QByteArray& request) {
            const int function = quint8(request.at(1));
            if (function == 3) return measurementAnswer(quint8(request.at(0)));
            if (reply) return reply(request);
            return withCrc(request.left(6));  // function 6 echoes; function 16 start and count
        };
        rig.connect();
        EXPECT_EQ(rig.tickUntilWrite(), 10);  // 1
        rig.tick(5);                          // its answer: the walk stands at 2
    }
};

struct CommandCase {
    const char* name;
    void (PollEngine::*press)();
    const char* frame;
    const char* sent;
    const char* confirmed;
};

class CommandFrames : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandFrames, SentOnceConfirmedThenPollingGoesOn)
{
    const CommandCase& c = GetParam();
    FixedClock clock(kClockTime);
    CommandRig r;
    (r.rig.engine.*c.press)();
    r.rig.panel.statusHistory.clear();
    const qsizetype writes = r.rig.port.writes.size();

    ASSERT_EQ(r.rig.tickUntilWrite(), 5);
    EXPECT_EQ(r.rig.port.writes.size(), writes + 1);
    EXPECT_EQ(r.rig.port.lastWrite().toHex(' ').toUpper(), QByteArray(c.frame));
    EXPECT_EQ(r.rig.panel.status, QString::fromUtf8(c.sent));
    EXPECT_EQ(r.rig.engine.PendingRequest(), RequestKind::ReadMeasurement);

    r.rig.tick(5);
    EXPECT_EQ(r.rig.panel.status, QString::fromUtf8(c.confirmed));
    EXPECT_EQ(r.rig.engine.PollAddress(), 8);
    ASSERT_EQ(r.rig.tickUntilWrite(), 5);
    EXPECT_EQ(r.rig.port.lastWrite(), measurementRequest(8));
    EXPECT_EQ(r.rig.panel.statusHistory,
              QStringList({QString::fromUtf8(c.sent), "7-Ok!  ", QString::fromUtf8(c.confirmed), "8-"}));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandFrames,
    ::testing::Values(CommandCase{"Period", &PollEngine::SetPeriod, "07 06 00 08 00 0F 48 6A", "7-Период-", "7-Период-Ok!"},
                      CommandCase{"Clock", &PollEngine::SetClock,
                                  "07 10 00 05 00 03 06 14 1A 0C 06 0D 2D 82 5C", "7-Коррекция времени - ",
                                  "7-Коррекция времени -Ok!"},
                      CommandCase{"Erase", &PollEngine::EraseArchive, "07 06 00 F9 00 00 59 9D", "7-Удалить архив-",
                                  "7-Удалить архив-Ok!"}),
    [](const ::testing::TestParamInfo<CommandCase>& info) { return std::string(info.param.name); });

TEST(Commands, PeriodIsReadBackFromTheNextMatchingMeasurementAnswer)
{
    CommandRig r;
    r.rig.setPeriod(40);  // the instrument keeps 15 whatever is sent
    r.rig.engine.SetPeriod();
    ASSERT_EQ(r.rig.tickUntilWrite(), 5);
    EXPECT_EQ(quint8(r.rig.port.lastWrite().at(5)), 40);
    // The walk goes on from 8; the answers of 8, 9, 10 name other instruments.
    for (int i = 0; i < 3; ++i) ASSERT_EQ(r.rig.tickUntilWrite(), 10);
    EXPECT_EQ(r.rig.panel.period, 40);
    while (r.rig.requestedAddresses().last() != 7) ASSERT_EQ(r.rig.tickUntilWrite(), 10);
    r.rig.tick(5);
    EXPECT_EQ(r.rig.panel.period, 15);
    // Read back once: the box is the operator's again.
    r.rig.panel.period = 40;
    while (r.rig.requestedAddresses().count(7) < 2) ASSERT_NE(r.rig.tickUntilWrite(), 0);
    r.rig.tick(5);
    EXPECT_EQ(r.rig.panel.period, 40);
}

TEST(Commands, OnlyThePeriodCommandAwaitsThePeriod)
{
    for (auto press : {&PollEngine::EraseArchive, &PollEngine::SetClock}) {
        CommandRig r;
        // The period asked for when "NUM" was chosen comes with 7's first answer.
        while (!r.rig.requestedAddresses().contains(7)) ASSERT_NE(r.rig.tickUntilWrite(), 0);
        r.rig.tick(5);
        ASSERT_EQ(r.rig.panel.period, 15);
        r.rig.panel.period = 40;
        (r.rig.engine.*press)();
        ASSERT_NE(r.rig.tickUntilWrite(), 0);
        while (r.rig.requestedAddresses().count(7) < 2) ASSERT_NE(r.rig.tickUntilWrite(), 0);
        r.rig.tick(5);
        EXPECT_EQ(r.rig.panel.period, 40);
    }
}

TEST(Commands, PeriodValueIsKeptWithinOneTo255)
{
    for (const auto& [value, sent] : {std::pair{0, 1}, {-3, 1}, {1, 1}, {255, 255}, {256, 255}, {1000, 255}}) {
        CommandRig r;
        r.rig.setPeriod(value);
        r.rig.engine.SetPeriod();
        ASSERT_EQ(r.rig.tickUntilWrite(), 5);
        EXPECT_EQ(quint8(r.rig.port.lastWrite().at(4)), 0) << value;
        EXPECT_EQ(quint8(r.rig.port.lastWrite().at(5)), sent) << value;
    }
}

TEST(Commands, TheLatestPressWins)
{
    CommandRig r;
    r.rig.engine.SetPeriod();
    r.rig.engine.EraseArchive();
    const qsizetype writes = r.rig.port.writes.size();
    ASSERT_EQ(r.rig.tickUntilWrite(), 5);
    ASSERT_EQ(r.rig.tickUntilWrite(), 10);
    EXPECT_EQ(r.rig.port.writes.size(), writes + 2);
    EXPECT_EQ(r.rig.port.writes.at(writes), hex("07 06 00 F9 00 00 59 9D"));
    EXPECT_EQ(r.rig.port.lastWrite(), measurementRequest(8));
}

TEST(Commands, AddressIsTakenWhenTheFrameIsBuilt)
{
    CommandRig r;
    r.rig.engine.EraseArchive();
    r.rig.setCommandAddress(9);
    ASSERT_EQ(r.rig.tickUntilWrite(), 5);
    EXPECT_EQ(r.rig.port.lastWrite(), withCrc(hex("09 06 00 F9 00 00")));
    EXPECT_EQ(r.rig.panel.status, "9-Удалить архив-");
}

TEST(Commands, BroadcastAddressIsNeverCommanded)
{
    CommandRig r;
    r.rig.setCommandAddress(0);
    r.rig.engine.EraseArchive();
    ASSERT_EQ(r.rig.tickUntilWrite(), 5);
    EXPECT_NE(quint8(r.rig.port.lastWrite().at(0)), 0);
}

TEST(Commands, InstrumentBeyondThePolledRangeIsFollowedByTheFirstAddress)
{
    CommandRig r(4);
    r.rig.setCommandAddress(9);
    r.rig.engine.SetClock();
    ASSERT_EQ(r.rig.tickUntilWrite(), 5);
    ASSERT_EQ(quint8(r.rig.port.lastWrite().at(0)), 9);
    r.rig.tick(5);
    EXPECT_EQ(r.rig.panel.status, "9-Коррекция времени -Ok!");
    EXPECT_TRUE(r.rig.engine.RoundDone());
    ASSERT_EQ(r.rig.tickUntilWrite(), 5);
    EXPECT_EQ(r.rig.port.lastWrite(), measurementRequest(1));
}

TEST(Commands, ExceptionAnswerGetsNoConfirmation)
{
    CommandRig r;
    r.reply = [](const QByteArray& request) { return withCrc(QByteArray(1, request.at(0)) + hex("86 03")); };
    r.rig.engine.SetPeriod();
    ASSERT_EQ(r.rig.tickUntilWrite(), 5);
    r.rig.panel.statusHistory.clear();
    r.rig.tick(5);
    EXPECT_EQ(r.rig.panel.statusHistory, QStringList({"7-Ok!  "}));
    ASSERT_EQ(r.rig.tickUntilWrite(), 5);
    EXPECT_EQ(r.rig.port.lastWrite(), measurementRequest(8));
}

TEST(Commands, UnansweredCommandIsNotRepeated)
{
    CommandRig r;
    r.reply = [](const QByteArray&) { return QByteArray(); };
    r.rig.engine.SetClock();
    const qsizetype writes = r.rig.port.writes.size();
    ASSERT_EQ(r.rig.tickUntilWrite(), 5);
    r.rig.panel.statusHistory.clear();
    ASSERT_EQ(r.rig.tickUntilWrite(), 10);
    EXPECT_EQ(r.rig.port.writes.size(), writes + 2);
    // The missed answer is charged to the instrument being polled.
    EXPECT_EQ(r.rig.panel.statusHistory, QStringList({"2-No  0", "2-No  0", "2-"}));
    EXPECT_EQ(r.rig.port.lastWrite(), measurementRequest(2));
}

struct AnswerTextCase {
    const char* name;
    const char* frame;  // without the CRC
    const char* literal;
};

class CommandAnswerTexts : public ::testing::TestWithParam<AnswerTextCase> {};

TEST_P(CommandAnswerTexts, OnlyThreeAnswersConfirm)
{
    const AnswerTextCase& c = GetParam();
    const QByteArray frame = withCrc(hex(c.frame));
    const std::optional<RequestKind> confirmed = ConfirmedCommand(reinterpret_cast<const quint8*>(frame.constData()));
    EXPECT_EQ(confirmed ? StatusText(walk::CommandConfirmed{7, *confirmed}).mid(1) : QString(), QString::fromUtf8(c.literal));
}

INSTANTIATE_TEST_SUITE_P(
    Replies, CommandAnswerTexts,
    ::testing::Values(AnswerTextCase{"Clock", "07 10 00 05 00 03", "-Коррекция времени -Ok!"},
                      // The echoed start and count are not compared.
                      AnswerTextCase{"ClockOtherEcho", "07 10 01 00 00 07", "-Коррекция времени -Ok!"},
                      AnswerTextCase{"Period", "07 06 00 08 00 0F", "-Период-Ok!"},
                      AnswerTextCase{"PeriodOtherHighByte", "07 06 01 08 00 0F", "-Период-Ok!"},
                      AnswerTextCase{"Erase", "07 06 00 F9 00 00", "-Удалить архив-Ok!"},
                      AnswerTextCase{"OtherRegister", "07 06 00 05 00 00", ""},
                      AnswerTextCase{"ExceptionOfWrite", "07 86 03", ""},
                      AnswerTextCase{"ExceptionOfMultipleWrite", "07 90 02", ""},
                      AnswerTextCase{"Read", "07 03 02 00 00", ""}),
    [](const ::testing::TestParamInfo<AnswerTextCase>& info) { return std::string(info.param.name); });

TEST(Commands, PcClockIsTheLocalDateAndTimeWithoutSeconds)
{
    {
        FixedClock clock(kClockTime);
        const PcClock c = ReadPcClock();
        EXPECT_EQ((QList<int>{c.year, c.month, c.day, c.hour, c.minute}), (QList<int>{26, 12, 6, 13, 45}));
    }
    {
        FixedClock clock(QDateTime(QDate(2000, 1, 1), QTime(0, 0, 59)));
        const PcClock c = ReadPcClock();
        EXPECT_EQ((QList<int>{c.year, c.month, c.day, c.hour, c.minute}), (QList<int>{0, 1, 1, 0, 0}));
    }
    {
        FixedClock clock(QDateTime(QDate(2099, 2, 28), QTime(23, 59, 0)));
        const PcClock c = ReadPcClock();
        EXPECT_EQ((QList<int>{c.year, c.month, c.day, c.hour, c.minute}), (QList<int>{99, 2, 28, 23, 59}));
    }
}

TEST(Commands, CommandPendingWhileThePortIsClosedIsDroppedByConnecting)
{
    PollRig rig(1, 3);
    rig.setCommandAddress(7);
    rig.engine.EraseArchive();
    rig.tick(30);
    EXPECT_TRUE(rig.port.writes.isEmpty());
    rig.connect();
    ASSERT_EQ(rig.tickUntilWrite(), 1);
    EXPECT_EQ(rig.port.lastWrite(), measurementRequest(1));
}

}  // namespace
