#include "LiveChannels.h"

#include <algorithm>

namespace qm {

namespace {
constexpr qint64 kSlotMs = 1000;
// A sample may come a little before the answer's own time (the sample time is taken once per
// tick); a reading "from the future" beyond this is a clock that was set back: not current.
constexpr qint64 kEarlyMs = 1000;
}  // namespace

void LiveChannels::take(const Reading& reading)
{
    const int row = m_range.rowOf(reading.address);
    if (!row) return;
    Row& r = m_rows[size_t(row)];
    r.received = reading.received;
    if (!reading.answered) {
        r.state = Row::State::Silent;
        return;
    }
    r.state = Row::State::Answered;
    r.ph = reading.ph();
    r.t = reading.tC();
}

void LiveChannels::connectionLost()
{
    for (Row& r : m_rows)
        if (r.state != Row::State::NeverAnswered) r.state = Row::State::Lost;
}

qint64 LiveChannels::freshForMs() const
{
    return (std::max(m_range.count(), m_roundSlots) + 1) * kSlotMs + kSlotMs / 2;
}

std::array<double, ChannelCount + 1> LiveChannels::sample(const QDateTime& now) const
{
    std::array<double, ChannelCount + 1> out{};
    for (int row = 1; row <= MaxDevices; ++row) {
        const Row& r = m_rows[size_t(row)];
        double ph = 0, t = 0;
        switch (r.state) {
        case Row::State::NeverAnswered:
            break;
        case Row::State::Silent:
        case Row::State::Lost:
            ph = t = NoDataMark;
            break;
        case Row::State::Answered: {
            const qint64 age = r.received.msecsTo(now);
            const bool current = r.received.isValid() && now.isValid() && age >= -kEarlyMs && age <= freshForMs();
            ph = current ? r.ph : NoDataMark;
            t = current ? r.t : NoDataMark;
            break;
        }
        }
        out[size_t(2 * row - 1)] = ph;
        out[size_t(2 * row)] = t;
    }
    return out;
}

}  // namespace qm
