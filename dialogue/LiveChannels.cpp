#include "LiveChannels.h"

namespace qm {

void LiveChannels::take(const Reading& reading)
{
    const int row = m_range.rowOf(reading.address);
    if (!row) return;
    m_values[size_t(2 * row - 1)] = reading.answered ? reading.ph() : NoDataMark;
    m_values[size_t(2 * row)] = reading.answered ? reading.tC() : NoDataMark;
}

}  // namespace qm
