#pragma once
// Readings kept while the broker cannot be reached, to be published on the history topic once it
// is back, oldest first. Bounded: when full, the oldest reading goes and is counted.
//
// The bound: 100000 readings. A line of ten instruments gives one reading a second (they share
// one request a second), 3600 an hour, so the backlog holds about 27 hours; a reading is kept as
// it was decoded (about 40 bytes), 4 MB when full. It lives in memory only: a restart of the
// program during an outage loses what was not yet published (the journal still has the samples).

#include "Reading.h"

#include <deque>

namespace qm {

class OutageBacklog {
public:
    static constexpr qsizetype DefaultCapacity = 100000;

    explicit OutageBacklog(qsizetype capacity = DefaultCapacity) : m_capacity(capacity < 1 ? 1 : capacity) {}

    // The newest reading; the oldest goes when the backlog is full.
    void push(const Reading& reading);
    // Readings handed to the broker but never acknowledged come back before the rest, in their order.
    void putBack(const std::deque<Reading>& older);

    bool empty() const { return m_readings.empty(); }
    qsizetype size() const { return qsizetype(m_readings.size()); }
    qsizetype capacity() const { return m_capacity; }
    const Reading& front() const { return m_readings.front(); }
    void pop() { m_readings.pop_front(); }

    // Readings dropped since the count was last taken.
    qint64 dropped() const { return m_dropped; }
    qint64 takeDropped()
    {
        const qint64 n = m_dropped;
        m_dropped = 0;
        return n;
    }

private:
    void trim();

    std::deque<Reading> m_readings;
    qsizetype m_capacity;
    qint64 m_dropped = 0;
};

}  // namespace qm
