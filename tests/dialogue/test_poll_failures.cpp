// The poll engine when instruments fail: silence, bad CRCs, and the port going away while the
// engine gives up on an instrument.
#include "PollRig.h"

#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;

namespace {

// Polls 1..3, all answering, until the request to `address` of the second round is out.
void pollUntilSecondRoundAsks(PollRig& rig, int address)
{
    rig.connect();
    ASSERT_NE(rig.tickUntilWrite(), 0);
    while (rig.port.writes.size() < 4 || quint8(rig.port.lastWrite().at(0)) != address) ASSERT_EQ(rig.tickUntilWrite(), 10);
}

TEST(PollSilent, SilentInstrumentIsGivenUpOnAfterThreeRequests)
{
    PollRig rig(1, 3);
    bool twoSilent = false;
    rig.allAnswer([&](int address) { return address == 2 && twoSilent; });
    pollUntilSecondRoundAsks(rig, 1);
    ASSERT_EQ(rig.panel.cell(1, 2), "7.00");  // row 2 answered in the first round
    twoSilent = true;
    ASSERT_EQ(rig.tickUntilWrite(), 10);
    ASSERT_EQ(rig.port.lastWrite(), measurementRequest(2));
    const qsizetype from = rig.panel.statusHistory.size() - 1;

    ASSERT_EQ(rig.tickUntilWrite(), 10);
    ASSERT_EQ(rig.tickUntilWrite(), 10);
    EXPECT_EQ(rig.port.lastWrite(), measurementRequest(2));
    EXPECT_EQ(rig.port.openCount, 1);
    ASSERT_EQ(rig.tickUntilWrite(), 10);  // the give-up and the next request, in one tick

    EXPECT_EQ(rig.panel.statusHistory.mid(from),
              QStringList({"2-", "2-No  0", "2-No  0", "2-", "2-No  0", "2-No  0", "2-", "2-No  0", "2-No  0", "COM1",
                           "3-"}));
    EXPECT_EQ(rig.port.lastWrite(), measurementRequest(3));
    EXPECT_EQ(rig.port.closeCount, 1);
    EXPECT_EQ(rig.port.openCount, 2);
    EXPECT_TRUE(rig.port.isOpen);
    EXPECT_TRUE(rig.engine.PortOpen());
    EXPECT_TRUE(rig.panel.linkUp);
    EXPECT_EQ(rig.engine.RetryCount(), 0);
    EXPECT_TRUE(rig.panel.cell(1, 2).isEmpty());
    EXPECT_EQ(rig.panel.liveValue(3), NoDataMark);
    EXPECT_EQ(rig.panel.liveValue(4), NoDataMark);
    EXPECT_DOUBLE_EQ(rig.panel.liveValue(1), 7.0);  // the others keep theirs
    EXPECT_DOUBLE_EQ(rig.panel.liveValue(5), 7.0);

    // Polling goes on over the reopened port.
    ASSERT_EQ(rig.tickUntilWrite(), 10);
    EXPECT_EQ(rig.port.lastWrite(), measurementRequest(1));
}

// An instrument whose answers all fail their CRC is no answering instrument: it is given up on
// after three slots like a silent one, its row blanked and its channels marked, so that its last
// good values are never taken again as if it had answered.
TEST(PollBadCrc, InstrumentWhoseAnswersAllFailIsGivenUpLikeASilentOne)
{
    PollRig rig(1, 3);
    bool twoBad = false;
    rig.instruments = [&](const QByteArray& request) {
        const int address = quint8(request.at(0));
        QByteArray answer = measurementAnswer(address, 800 + address);
        if (address == 2 && twoBad) answer[answer.size() - 1] = char(answer.back() ^ 0x5A);
        return answer;
    };
    pollUntilSecondRoundAsks(rig, 1);
    ASSERT_DOUBLE_EQ(rig.panel.channel(2), 8.02);
    twoBad = true;
    ASSERT_EQ(rig.tickUntilWrite(), 10);
    ASSERT_EQ(rig.port.lastWrite(), measurementRequest(2));
    const qsizetype from = rig.panel.statusHistory.size() - 1;

    ASSERT_EQ(rig.tickUntilWrite(), 10);
    ASSERT_EQ(rig.tickUntilWrite(), 10);
    EXPECT_EQ(rig.port.lastWrite(), measurementRequest(2));
    EXPECT_EQ(rig.port.openCount, 1);
    ASSERT_EQ(rig.tickUntilWrite(), 10);  // the give-up and the next request, in one tick

    EXPECT_EQ(rig.panel.statusHistory.mid(from),
              QStringList({"2-", "2-No  0", "2-No  0", "2-", "2-No  0", "2-No  0", "2-", "2-No  0", "2-No  0", "COM1",
                           "3-"}));
    EXPECT_EQ(rig.port.lastWrite(), measurementRequest(3));
    EXPECT_EQ(rig.port.openCount, 2);
    EXPECT_TRUE(rig.panel.cell(1, 2).isEmpty());
    EXPECT_EQ(rig.panel.channel(2), NoDataMark);
    EXPECT_EQ(rig.panel.channel(2, true), NoDataMark);
    EXPECT_DOUBLE_EQ(rig.panel.channel(1), 8.01);  // the others keep theirs

    rig.tick(5);
    EXPECT_EQ(rig.panel.status, "3-Ok!  ");
    EXPECT_EQ(rig.engine.RetryCount(), 0);
}

// An answer from an address below the polled range is no answer to the request: the walk stays
// with the instrument asked, neither going back to the first nor below the range, and no row is
// touched.
TEST(PollRange, AnswerFromBelowTheRangeLeavesTheWalkWithTheAddressAsked)
{
    for (const QByteArray& answer : {withCrc(hex("02 06 00 08 00 0F")), measurementAnswer(2)}) {
        PollRig rig(5, 3);
        rig.connect();
        ASSERT_EQ(rig.tickUntilWrite(), 10);
        ASSERT_EQ(rig.port.lastWrite(), measurementRequest(5));
        rig.panel.idText = "keep";
        rig.port.arrive(answer);
        ASSERT_EQ(rig.tickUntilWrite(), 10);
        EXPECT_EQ(rig.port.lastWrite(), measurementRequest(5));
        EXPECT_FALSE(rig.engine.RoundDone());
        EXPECT_TRUE(rig.panel.readings.isEmpty());
        for (int channel = 1; channel <= ChannelCount; ++channel) EXPECT_EQ(rig.panel.liveValue(channel), 0.0);
    }
}

// An instrument outside the rows is asked only for its archive or a command; the walk never goes
// there. A download from such an instrument that stays silent gives up on the walk's own
// instrument after three silent slots, and touches no row outside the table.
TEST(PollRange, SilentDownloadFromOutsideTheRowsGivesUpOnlyTheWalksInstrument)
{
    for (int address : {2, 9}) {
        PollRig rig(5, 3);  // rows 1..3 are addresses 5..7
        rig.allAnswer([address](int a) { return a == address; });
        rig.connect();
        ASSERT_EQ(rig.tickUntilWrite(), 10);  // 5
        rig.tick(5);                          // its answer: the walk stands at 6
        rig.setCommandAddress(address);
        rig.engine.ReadArchive();
        rig.panel.readings.clear();
        for (int slot = 0; slot < 10 && rig.port.openCount < 2; ++slot) ASSERT_NE(rig.tickUntilWrite(), 0);
        ASSERT_EQ(rig.port.openCount, 2) << "given up during the download from " << address;
        while (rig.engine.PendingRequest() == RequestKind::ReadArchive) ASSERT_EQ(rig.tickUntilWrite(), 10);

        EXPECT_EQ(rig.requestedAddresses(), QList<int>({5, address, address, address, address, 7})) << address;
        ASSERT_EQ(rig.panel.readings.size(), 1) << "only 6, given up on";
        EXPECT_EQ(rig.panel.readings.first().address, 6);
        EXPECT_FALSE(rig.panel.readings.first().answered);
        EXPECT_DOUBLE_EQ(rig.panel.liveValue(1), 7.0);
        EXPECT_EQ(rig.panel.liveValue(3), NoDataMark);
        EXPECT_EQ(rig.panel.liveValue(4), NoDataMark);
        for (int channel = 5; channel <= ChannelCount; ++channel) EXPECT_EQ(rig.panel.liveValue(channel), 0.0);
    }
}

// Instrument 2 stays silent until the tick before it is given up on (its third slot's last tick).
void reachTheGiveUpOfInstrument2(PollRig& rig)
{
    rig.allAnswer([](int address) { return address == 2; });
    rig.connect();
    while (rig.requestedAddresses().count(2) < 3) ASSERT_NE(rig.tickUntilWrite(), 0);
    rig.tick(9);
}

// The reopening of a give-up fails: the port stays closed and nothing is written to it.
TEST(PollReopen, ReopenThatFailsLeavesThePortClosedAndUnticked)
{
    PollRig rig(1, 3);
    ASSERT_NO_FATAL_FAILURE(reachTheGiveUpOfInstrument2(rig));
    const qsizetype writes = rig.port.writes.size();
    rig.port.existing.clear();  // the adapter was pulled out
    rig.tick();                 // the give-up

    ASSERT_EQ(rig.panel.notices.size(), 1);  // the detail below lists the devices present
    EXPECT_TRUE(rig.panel.notices.at(0).startsWith("Порт COM1 занят или не существует\n"));
    EXPECT_FALSE(rig.panel.connectChecked);
    EXPECT_FALSE(rig.engine.PortOpen());
    EXPECT_FALSE(rig.panel.linkUp);
    EXPECT_TRUE(rig.panel.portListEnabled);
    EXPECT_EQ(rig.port.writes.size(), writes);
    EXPECT_EQ(rig.port.writesWhileClosed, 0);
    EXPECT_EQ(rig.panel.status, "COM1");         // the slot sent nothing, so it shows nothing
    EXPECT_EQ(rig.panel.liveValue(3), NoDataMark);  // the instrument is still marked silent
    EXPECT_EQ(rig.engine.PollAddress(), 3);

    rig.tick(30);
    EXPECT_EQ(rig.port.writes.size(), writes);
    EXPECT_EQ(rig.port.writesWhileClosed, 0);
    EXPECT_EQ(rig.panel.notices.size(), 1);

    // The user plugs it back and connects: the walk goes on at once from where it was.
    rig.port.existing << PortDeviceName(0, rig.dir.path());
    rig.connect();
    rig.tick();
    EXPECT_EQ(rig.port.lastWrite(), measurementRequest(3));
}

// A port that opens but cannot be set up is told about without waiting; the ticks that follow
// only count: the port is never opened again nor used unconfigured.
TEST(PollAfterAFailedOpen, TicksAfterAConfigureFailureOfConnectOnlyCount)
{
    PollRig rig(1, 3);
    rig.port.configResult = {Port::ConfigStage::GetState, 31, QStringLiteral("Input/output error")};
    rig.connect();
    EXPECT_EQ(rig.panel.notices, QStringList({"ERROR 31: GetCommState\nInput/output error"}));
    rig.tick(30);
    EXPECT_EQ(rig.engine.TickCount(), 30);
    EXPECT_EQ(rig.port.openCount, 1);
    EXPECT_TRUE(rig.port.writes.isEmpty());
    EXPECT_FALSE(rig.port.isOpen);
    EXPECT_FALSE(rig.engine.PortOpen());
    EXPECT_TRUE(rig.panel.connectChecked);
    rig.tick(20);
    EXPECT_TRUE(rig.port.writes.isEmpty());
}

TEST(PollAfterAFailedOpen, AGiveUpWhoseReopenCannotBeSetUpOpensOnce)
{
    for (Port::ConfigStage stage : {Port::ConfigStage::GetState, Port::ConfigStage::SetState}) {
        PollRig rig(1, 3);
        ASSERT_NO_FATAL_FAILURE(reachTheGiveUpOfInstrument2(rig));
        const qsizetype writes = rig.port.writes.size();
        rig.port.configResult = {stage, 5, QString()};
        rig.tick();      // the give-up: the reopening fails to set the port up
        rig.tick(40);    // enough for several more give-ups if they happened
        EXPECT_EQ(rig.port.openCount, 2);
        EXPECT_EQ(rig.panel.notices.size(), 1);
        EXPECT_EQ(rig.port.writes.size(), writes);
        EXPECT_EQ(rig.port.writesWhileClosed, 0);
        EXPECT_FALSE(rig.engine.PortOpen());
        EXPECT_TRUE(rig.panel.connectChecked);  // a configure failure leaves the box ticked
        // Only the one give-up happened: the walk moved on once and no other row was marked.
        EXPECT_EQ(rig.engine.PollAddress(), 3);
        EXPECT_EQ(rig.panel.channel(2), NoDataMark);
        EXPECT_NE(rig.panel.channel(3), NoDataMark);
        EXPECT_DOUBLE_EQ(rig.panel.channel(1), 7.0);
    }
}

TEST(PollAfterAFailedOpen, AGiveUpWhosePortIsGoneStaysIdle)
{
    PollRig rig(1, 3);
    ASSERT_NO_FATAL_FAILURE(reachTheGiveUpOfInstrument2(rig));
    rig.port.existing.clear();
    const qsizetype writes = rig.port.writes.size();
    rig.tick();
    rig.tick(40);
    EXPECT_EQ(rig.port.openCount, 2);
    EXPECT_EQ(rig.panel.notices.size(), 1);
    EXPECT_EQ(rig.port.writes.size(), writes);
    EXPECT_EQ(rig.port.writesWhileClosed, 0);
}

}  // namespace

namespace {

// Each kind of answer to a measurement request is told as the outcome of its slot, once, in the
// words the row of the instrument shows: only an answer of the instrument asked that identifies
// it is taken, and every other says why the row may go blank.
TEST(PollExchange, EachSlotTellsHowItsExchangeWent)
{
    using Kind = ExchangeOutcome::Kind;
    // An answer of instrument 2 as a function-3 frame whose identification says idWord.
    const auto answerWithId = [](int idWord) {
        QByteArray frame = measurementAnswer(2).left(21);
        frame[3] = char(idWord >> 8);
        frame[4] = char(idWord & 0xFF);
        return withCrc(frame);
    };
    QByteArray badCrc = measurementAnswer(2);
    badCrc[badCrc.size() - 1] = char(badCrc.back() ^ 0x5A);
    const struct {
        const char* name;
        QByteArray answer;
        Kind kind;
        const char* words;
    } cases[] = {
        {"answered", measurementAnswer(2), Kind::Answered, "Последний обмен: ответ получен"},
        {"silent", {}, Kind::NoAnswer, "Последний обмен: нет ответа"},
        {"bad CRC", badCrc, Kind::BadCrc, "Последний обмен: ошибка CRC"},
        {"exception", withCrc(hex("02 83 02")), Kind::Exception,
         "Последний обмен: исключение 02 — недопустимый адрес данных"},
        {"gateway exception", withCrc(hex("02 83 0B")), Kind::Exception,
         "Последний обмен: исключение 0B — прибор не ответил шлюзу"},
        {"another address", measurementAnswer(5), Kind::OtherAddress, "Последний обмен: ответил чужой адрес 5"},
        {"not a QM4700", answerWithId(0x2002), Kind::Unidentified, "Последний обмен: ошибка идентификации"},
        {"names another address", answerWithId(0x1104), Kind::NamedOther, "Последний обмен: прибор назвался адресом 4"},
        {"short", withCrc(hex("02 03 04 11 02 02 BC")), Kind::Short, "Последний обмен: ответ короче ожидаемого"},
        {"another function", withCrc(hex("02 06 00 08 00 0F")), Kind::UnexpectedFunction,
         "Последний обмен: ответ с функцией 06 вместо 03"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PollRig rig(1, 3);
        rig.instruments = [&](const QByteArray& request) {
            const int address = quint8(request.at(0));
            return address == 2 ? c.answer : measurementAnswer(address);
        };
        rig.connect();
        for (int slot = 0; slot < 3; ++slot) ASSERT_NE(rig.tickUntilWrite(), 0);  // 1, 2, then 3 (or 2 again)
        QList<ExchangeOutcome> toTwo;
        for (const ExchangeOutcome& e : rig.panel.exchanges)
            if (e.address == 2) toTwo << e;
        ASSERT_EQ(toTwo.size(), 1);
        EXPECT_EQ(toTwo.first().kind, c.kind);
        EXPECT_EQ(rig.panel.lastExchange.value(2), QString::fromUtf8(c.words));
        EXPECT_EQ(rig.panel.exchanges.size(), 2) << "one for each slot that is over";
    }
}

}  // namespace

namespace {

// The exchange statistics count each instrument's requests by what became of their slots, from
// the connect on; a reset, or connecting again, starts them afresh.
TEST(PollExchange, StatisticsCountAScriptedFaultSequence)
{
    QByteArray badCrc = measurementAnswer(2);
    badCrc[5] = char(badCrc[5] ^ 0x01);
    // Instrument 2 answers its requests in turn with these; instrument 1 always answers.
    const QList<QByteArray> two{badCrc, withCrc(hex("02 83 04")), measurementAnswer(5),
                                measurementAnswer(2), QByteArray(), measurementAnswer(2)};
    PollRig rig(1, 2);
    int asked = 0;
    rig.instruments = [&](const QByteArray& request) {
        const int address = quint8(request.at(0));
        return address == 1 ? measurementAnswer(1) : two.value(asked++, measurementAnswer(2));
    };
    rig.connect();
    // 1, then 2 three times (bad CRC, exception, another address: given up), 1, 2, 1, 2 silent,
    // 2 answering, 1: the first nine slots are over.
    for (int slot = 0; slot < 10; ++slot) ASSERT_NE(rig.tickUntilWrite(), 0);
    ASSERT_EQ(rig.requestedAddresses(), QList<int>({1, 2, 2, 2, 1, 2, 1, 2, 2, 1}));

    const ExchangeStats& stats = rig.engine.Stats();
    EXPECT_EQ(stats.addresses(), QList<int>({1, 2})) << "the address that answered in 2's place is no instrument asked";
    //                        requests answered none  CRC  exc. other addr. other
    EXPECT_EQ(stats.of(1), (ExchangeCounts{3, 3, 0, 0, 0, 0, 0}));
    EXPECT_EQ(stats.of(2), (ExchangeCounts{6, 2, 1, 1, 1, 1, 0})) << "the kinds add up to the requests";

    rig.engine.ResetStats();
    EXPECT_TRUE(stats.addresses().isEmpty());
    ASSERT_NE(rig.tickUntilWrite(), 0);
    EXPECT_EQ(stats.of(1), (ExchangeCounts{1, 1, 0, 0, 0, 0, 0})) << "a slot is counted as it ends";
    EXPECT_TRUE(stats.of(2) == ExchangeCounts{});

    rig.disconnect();
    rig.connect();
    EXPECT_TRUE(stats.addresses().isEmpty());
}

}  // namespace
