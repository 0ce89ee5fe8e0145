#pragma once
// The live channels a sample takes: for each polled instrument what it measured within the last
// round of the walk, and nothing older. A reading comes in by value; a sample asks at its own
// time and gets, for device row k, channels 2k - 1 (pH) and 2k (temperature):
//   - the values of a reading accepted within the last round of the walk: the range's count of
//     one-second slots, or the measurement slots the last round took when instruments given up
//     on made it longer, plus one for a command's slot and half a slot for the timers' drift;
//   - 0 in both while the instrument has not answered since start-up (the mark the files use
//     for "never answered");
//   - the no-answer mark -100 in both for anything else: an instrument given up on, a value read
//     before the connection was lost, and a value held from longer ago (a download or command
//     held the walk, its answers were rejected).
// So a held value never passes for a new measurement.

#include "PolledRange.h"
#include "Reading.h"

#include <QDateTime>

#include <array>

namespace qm {

class LiveChannels {
public:
    // The polled range: a reading's row is its address in it, and the round is its count of slots.
    void setRange(PolledRange range) { m_range = range; }
    // An answered reading sets its row's channels; one found silent marks them.
    void take(const Reading& reading);
    // The walk went round once in that many measurement slots: a round with instruments given up
    // on takes longer, and a value from its last visit stays current that much longer.
    void roundDone(int measurementSlots) { m_roundSlots = measurementSlots; }
    // The connection was lost (the port stays closed): whatever was read before is no current value
    // of the connection that comes next, however soon it comes.
    void connectionLost();
    // The channels as a sample taken at `now` carries them: channels 0..20, 0 unused.
    std::array<double, ChannelCount + 1> sample(const QDateTime& now) const;
    // How long a reading counts as current: a round of slots (the range's count, or as many as
    // the last round took) and one more for a command, and half a slot for the timers' drift.
    qint64 freshForMs() const;

private:
    struct Row {
        enum class State { NeverAnswered, Answered, Silent, Lost } state = State::NeverAnswered;
        double ph = 0;
        double t = 0;
        QDateTime received;
    };
    PolledRange m_range;
    int m_roundSlots = 0;
    std::array<Row, MaxDevices + 1> m_rows{};  // 1..10
};

}  // namespace qm
