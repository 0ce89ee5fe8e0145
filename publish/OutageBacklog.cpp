#include "OutageBacklog.h"

namespace qm {

void OutageBacklog::push(const Reading& reading)
{
    m_readings.push_back(reading);
    trim();
}

void OutageBacklog::putBack(const std::deque<Reading>& older)
{
    m_readings.insert(m_readings.begin(), older.begin(), older.end());
    trim();
}

void OutageBacklog::trim()
{
    while (qsizetype(m_readings.size()) > m_capacity) {
        m_readings.pop_front();
        ++m_dropped;
    }
}

}  // namespace qm
