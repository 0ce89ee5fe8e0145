#pragma once
// When a sample of the live channels is taken, and what it carries: the rules the trend chart and
// the display-less collector share.
//   - Samples are taken only while the link is up, and only once the walk has gone through all
//     instruments since start-up (RoundDone).
//   - One sample an interval ("Интервал,с", 1..120 s), from the previous sample's time.
//   - The computer's clock set back (by hand, at the end of summer time) would leave the next
//     sample due far ahead and sampling frozen: a sample due further ahead than the longest
//     interval falls due now.
//   - A sample carries the time of the tick that takes it (whole seconds, from the program's
//     clock) and, from the live channels, only values accepted within the last round of the walk
//     (LiveChannels.h).
// The chart's window, its periodic save and the store stay with the chart; the journal takes the
// sample from whoever took it.

#include "DateTimeText.h"
#include "LiveChannels.h"

#include <array>

namespace qm {

class Sampler {
public:
    using Channels = std::array<double, ChannelCount + 1>;

    // "Интервал,с"'s range.
    static constexpr int ShortestInterval = 1;
    static constexpr int LongestInterval = 120;

    // What the poll engine tells.
    void setLinkUp(bool up) { m_linkUp = up; }
    bool linkUp() const { return m_linkUp; }
    void setRoundDone(int measurementSlots)
    {
        m_roundDone = true;
        m_live.roundDone(measurementSlots);
    }
    bool roundDone() const { return m_roundDone; }
    void setRange(PolledRange range) { m_live.setRange(range); }
    void takeReading(const Reading& reading) { m_live.take(reading); }
    // The connection was lost: nothing read before it is sampled as current again.
    void connectionLost() { m_live.connectionLost(); }
    const LiveChannels& liveChannels() const { return m_live; }

    // The seconds from one sample to the next, and the longest interval there can be: a sample
    // due further ahead than that means the clock was set back.
    void setInterval(int interval, int longestInterval = LongestInterval)
    {
        m_interval = interval;
        m_longestInterval = longestInterval;
    }
    int interval() const { return m_interval; }

    // The clock at a tick: a sample left due too far ahead by a clock set back falls due now.
    void followClock(DateTime now)
    {
        if (m_nextSampleTime - now > (m_longestInterval + 1) * OneSecond) m_nextSampleTime = now;
    }
    // Whether a tick at now takes a sample.
    bool due(DateTime now) const { return m_linkUp && m_roundDone && now >= m_nextSampleTime - Tolerance; }
    // The sample of a tick at now: the channels as they are current at the program's clock; the
    // next one falls due an interval after now.
    Channels take(DateTime now)
    {
        m_nextSampleTime = now + m_interval / 60.0 / 60.0 / 24.0;
        return m_live.sample(CurrentDateTime());
    }
    DateTime nextSampleTime() const { return m_nextSampleTime; }

    // Times come from whole-second texts; a sum of day fractions may miss the next whole second
    // by a rounding error, which must not delay a sample by a whole tick.
    static constexpr DateTime Tolerance = 1.0 / 86400000.0;

private:
    LiveChannels m_live;
    bool m_linkUp = false;
    bool m_roundDone = false;
    // The spin edit's design value until the window (or it.cfg) hands its own.
    int m_interval = 5;
    int m_longestInterval = LongestInterval;
    DateTime m_nextSampleTime = 0;
};

}  // namespace qm
