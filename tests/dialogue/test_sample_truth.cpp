// What a sample carries for each instrument, against the age of its reading: only a value accepted
// within the last round of the walk; never a value held from before a reconnect, through a
// download, or for an instrument whose answers are rejected; 0 for one never answered.
#include "DateTimeText.h"
#include "PollRig.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

using namespace qm;
using namespace qm::test;

namespace {

// Three instruments, 1..3, answering pH 7.0A unless told otherwise; the clock moves 100 ms a tick.
struct TruthRig : PollRig {
    QDateTime clock{QDate(2026, 12, 7), QTime(10, 0, 0)};
    QSet<int> silent;
    QSet<int> badCrc;
    QSet<int> wrongAddress;
    int archiveRecords = 200;

    TruthRig() : PollRig(1, 3)
    {
        SetClock([this] { return clock; });
        setCommandAddress(1);
        instruments = [this](const QByteArray& request) -> QByteArray {
            const int address = quint8(request.at(0));
            if (silent.contains(address)) return {};
            if (quint8(request.at(5)) == 122) return archiveBlock(address);
            QByteArray answer = measurementAnswer(wrongAddress.contains(address) ? 5 : address, 700 + address);
            if (badCrc.contains(address)) answer[answer.size() - 1] = char(answer.back() ^ 0x5A);
            return answer;
        };
        connect();
    }
    ~TruthRig() { SetClock({}); }

    // A block of an archive of archiveRecords records (the count first, then zeros).
    QByteArray archiveBlock(int address) const
    {
        QByteArray f;
        f.append(char(address));
        f.append(char(3));
        f.append(char(244));
        f.append(char(archiveRecords >> 8));
        f.append(char(archiveRecords & 0xFF));
        f.append(QByteArray(242, '\0'));
        return withCrc(f);
    }
    void step(int ticks = 1)
    {
        for (int i = 0; i < ticks; ++i) {
            clock = clock.addMSecs(100);
            tick();
        }
    }
    void runSlots(int n) { step(10 * n); }
    // The pH channel of each instrument in a sample taken now.
    std::vector<double> sample() const
    {
        const auto channels = panel.live.sample(clock);
        return {channels[1], channels[3], channels[5]};
    }
};

struct TruthCase {
    const char* name;
    std::function<void(TruthRig&)> run;
    std::vector<double> expected;  // pH of instruments 1, 2, 3
};
void PrintTo(const TruthCase& c, std::ostream* os) { *os << c.name; }

constexpr double None = NoDataMark;

class SampleTruth : public ::testing::TestWithParam<TruthCase> {};

TEST_P(SampleTruth, OnlyCurrentValuesAreSampled)
{
    TruthRig rig;
    GetParam().run(rig);
    EXPECT_EQ(rig.sample(), GetParam().expected) << rig.panel.statusHistory.join('|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Ages, SampleTruth,
    ::testing::Values(
        TruthCase{"AllAnswering", [](TruthRig& r) { r.runSlots(7); }, {7.01, 7.02, 7.03}},
        // The port lost and opened again five seconds later: nothing from before counts.
        TruthCase{"RightAfterAReconnect",
                  [](TruthRig& r) {
                      r.runSlots(7);
                      r.disconnect();
                      r.step(50);
                      r.connect();
                      r.step(6);  // the first request answered
                  },
                  {7.01, None, None}},
        TruthCase{"AReconnectWithOneInstrumentSilent",
                  [](TruthRig& r) {
                      r.runSlots(7);
                      r.disconnect();
                      r.step(50);
                      r.silent.insert(2);
                      r.connect();
                      r.runSlots(5);  // 1, then 2 three times and given up, then 3
                      r.step(6);
                  },
                  {7.01, None, 7.03}},
        // Answers that fail their CRC, or come from another address, are no answers: the
        // instrument is given up on and its last good value is not kept.
        TruthCase{"BadCrc",
                  [](TruthRig& r) {
                      r.runSlots(4);
                      r.badCrc.insert(2);
                      r.runSlots(6);
                  },
                  {7.01, None, 7.03}},
        TruthCase{"WrongAddress",
                  [](TruthRig& r) {
                      r.runSlots(4);
                      r.wrongAddress.insert(2);
                      r.runSlots(6);
                  },
                  {7.01, None, 7.03}},
        // A download holds the walk for fourteen slots: nobody's value stays current through it.
        TruthCase{"DuringADownload",
                  [](TruthRig& r) {
                      r.runSlots(7);
                      r.engine.ReadArchive();
                      r.runSlots(8);
                  },
                  {None, None, None}},
        // An instrument silent since start-up is "never answered" until it is given up on.
        TruthCase{"NeverAnswered",
                  [](TruthRig& r) {
                      r.silent.insert(3);
                      r.runSlots(4);  // 1, 2, then 3 twice
                      r.step(5);
                  },
                  {7.01, 7.02, 0.0}},
        TruthCase{"NeverAnsweredAndGivenUp",
                  [](TruthRig& r) {
                      r.silent.insert(3);
                      r.runSlots(6);
                  },
                  {7.01, 7.02, None}}),
    [](const ::testing::TestParamInfo<TruthCase>& info) { return std::string(info.param.name); });

}  // namespace
