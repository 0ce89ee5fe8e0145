#pragma once
// The trend store: up to 10000 samples of the 20 live channels, oldest first, in one block
// allocated once. Sampling appends or rolls one sample at a time; the chart's renderer uses the
// running counters to redraw only the ends that changed.

#include "DateTimeText.h"
#include "PolledRange.h"

#include <QtGlobal>
#include <vector>

namespace qm {

class TrendStore {
public:
    static constexpr int TrendCapacity = 10000;
    static constexpr int Channels = ChannelCount;

    TrendStore();

    // 1-based like the rest of the program: TrendTime(1) is the oldest sample held.
    DateTime TrendTime(int i) const { return m_block[size_t(i - 1)]; }
    double TrendValue(int channel, int i) const { return m_block[size_t(channel) * TrendCapacity + size_t(i - 1)]; }
    int TrendCount() const { return m_count; }

    // Contiguous rows for fast readers: times()[j] and values(ch)[j], j = 0..TrendCount()-1.
    const double* times() const { return m_block.data(); }
    const double* values(int channel) const { return m_block.data() + size_t(channel) * TrendCapacity; }

    // One sample of the sampling tick. limit is the points setting (already at most TrendCapacity):
    // below it the store grows; otherwise the oldest sample is dropped and the new one takes the last
    // entry (a store of one sample is simply overwritten). live[1..20] are the channels.
    void AddSample(DateTime time, const double* live, int limit);
    // Appends one loaded sample (values[0..19] = channels 1..20); false once the store is full.
    bool AppendLoaded(DateTime time, const double* values);
    void Clear();

    // Change tracking for the renderer. generation() changes whenever the store changes other
    // than by appending at the end or dropping at the front; appended()/dropped() count those.
    quint64 generation() const { return m_generation; }
    quint64 appended() const { return m_appended; }
    quint64 dropped() const { return m_dropped; }
    // True while every sample is at or after the one before it.
    bool ascending() const { return m_ascending; }

private:
    std::vector<double> m_block;  // row 0 times, rows 1..20 channels; allocated once
    int m_count = 0;
    quint64 m_generation = 0;
    quint64 m_appended = 0;
    quint64 m_dropped = 0;
    bool m_ascending = true;
};

}  // namespace qm
