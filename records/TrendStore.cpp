#include "TrendStore.h"

#include <cstring>

namespace qm {

TrendStore::TrendStore() : m_block(size_t(Channels + 1) * TrendCapacity, 0.0) {}

void TrendStore::AddSample(DateTime time, const double* live, int limit)
{
    limit = qBound(1, limit, TrendCapacity);
    if (m_count > 0 && time < m_block[size_t(m_count - 1)]) m_ascending = false;
    if (limit > m_count) {
        ++m_count;
    } else if (m_count >= 2) {
        // Full: every row moves down by one; the new sample takes the last entry.
        for (int row = 0; row <= Channels; ++row) {
            double* p = m_block.data() + size_t(row) * TrendCapacity;
            std::memmove(p, p + 1, sizeof(double) * size_t(m_count - 1));
        }
        ++m_dropped;
    } else {
        // One sample held and a limit of one: it is overwritten, which no renderer can follow.
        ++m_generation;
        m_ascending = true;
    }
    const size_t last = size_t(m_count - 1);
    m_block[last] = time;
    for (int ch = 1; ch <= Channels; ++ch) m_block[size_t(ch) * TrendCapacity + last] = live[ch];
    ++m_appended;
}

bool TrendStore::AppendLoaded(DateTime time, const double* values)
{
    if (m_count >= TrendCapacity) return false;
    if (m_count > 0 && time < m_block[size_t(m_count - 1)]) m_ascending = false;
    const size_t i = size_t(m_count);
    m_block[i] = time;
    for (int ch = 1; ch <= Channels; ++ch) m_block[size_t(ch) * TrendCapacity + i] = values[ch - 1];
    ++m_count;
    ++m_appended;
    return true;
}

void TrendStore::Clear()
{
    m_count = 0;
    m_ascending = true;
    ++m_generation;
}

}  // namespace qm
