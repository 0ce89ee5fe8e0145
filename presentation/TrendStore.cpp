#include "TrendStore.h"

namespace qm {

TrendStore::TrendStore() : m_block(size_t(Channels + 1) * TrendCapacity, 0.0) {}

DateTime TrendStore::TrendTime(int i) const { return m_block[size_t(i - 1)]; }
double TrendStore::TrendValue(int channel, int i) const { return m_block[size_t(channel) * TrendCapacity + size_t(i - 1)]; }
int TrendStore::TrendCount() const { return m_count; }

}  // namespace qm
