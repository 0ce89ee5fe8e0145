#pragma once
// The live channels a sample takes: for each polled instrument its latest pH and temperature, or
// the no-answer mark once the walk gave up on it. Readings come in by value; a sample reads
// channels 1..20 (device row k owns 2k - 1 and 2k).

#include "PolledRange.h"
#include "Reading.h"

#include <array>

namespace qm {

class LiveChannels {
public:
    // The polled range: a reading's row is its address in it.
    void setRange(PolledRange range) { m_range = range; }
    // An answered reading sets its row's channels; one found silent marks them.
    void take(const Reading& reading);
    // Channels 0..20; 0 is unused. Never answered: 0.
    const double* values() const { return m_values.data(); }
    double value(int channel) const { return channel >= 1 && channel <= ChannelCount ? m_values[size_t(channel)] : 0.0; }

private:
    PolledRange m_range;
    std::array<double, ChannelCount + 1> m_values{};
};

}  // namespace qm
