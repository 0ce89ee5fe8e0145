#include "TrendReadout.h"

#include <algorithm>
#include <cmath>

namespace qm {

TrendReadout::TrendReadout(const TrendStore& store, const TrendPlot& series, SlotName name)
    : m_store(store), m_series(series), m_name(std::move(name))
{
}

int TrendReadout::nearest(DateTime t) const
{
    const int count = m_store.TrendCount();
    if (count == 0) return 0;
    const double* times = m_store.times();
    int best = 0;  // 0-based here
    if (m_store.ascending()) {
        const int after = int(std::lower_bound(times, times + count, t) - times);
        best = after == count || (after > 0 && t - times[after - 1] <= times[after] - t) ? after - 1 : after;
    } else {
        // Times loaded out of order: look at every one (a few microseconds for a full store).
        for (int j = 1; j < count; ++j)
            if (std::fabs(times[j] - t) < std::fabs(times[best] - t)) best = j;
    }
    return best + 1;
}

QList<ReadoutRow> TrendReadout::rows(int sample) const
{
    QList<ReadoutRow> rows;
    for (int slot = 1; slot <= 4; ++slot) {
        const TrendPlot::Series& s = m_series.series[slot];
        if (!s.drawn()) continue;
        rows.append(ReadoutRow{s.colour, m_name ? m_name(slot) : QString(),
                               CursorReadout::valueText(m_store.TrendValue(s.channel, sample), s.channel % 2 == 0)});
    }
    return rows;
}

}  // namespace qm
