#include "AlarmBook.h"

#include <algorithm>

namespace qm {

namespace {

struct LimitSide {
    AlarmQuantity quantity;
    bool high;
};

LimitSide sideOf(AlarmCondition c)
{
    switch (c) {
    case AlarmCondition::PhHigh: return {AlarmQuantity::Ph, true};
    case AlarmCondition::PhLow: return {AlarmQuantity::Ph, false};
    case AlarmCondition::THigh: return {AlarmQuantity::T, true};
    default: return {AlarmQuantity::T, false};
    }
}

// The limit of that side, with its deadband and delay; nullopt when none is set.
std::optional<double> limitOf(const AlarmLimits& limits, int address, AlarmCondition c, double* deadband = nullptr,
                              int* delay = nullptr)
{
    const LimitSide side = sideOf(c);
    const AlarmLimit* l = FindLimit(limits, address, side.quantity);
    if (!l) return std::nullopt;
    if (deadband) *deadband = l->deadband;
    if (delay) *delay = l->delaySeconds;
    return side.high ? l->high : l->low;
}

constexpr AlarmCondition LimitConditions[] = {AlarmCondition::PhHigh, AlarmCondition::PhLow, AlarmCondition::THigh,
                                              AlarmCondition::TLow};

}  // namespace

AlarmBook::Entry& AlarmBook::entry(int address, AlarmCondition condition)
{
    auto [it, added] = m_entries.try_emplace(Key{address, int(condition)});
    if (added) {
        it->second.alarm.address = address;
        it->second.alarm.condition = condition;
    }
    return it->second;
}

AlarmChange AlarmBook::changeOf(const Entry& e, AlarmState previous)
{
    AlarmChange c;
    c.time = e.alarm.changedAt;
    c.address = e.alarm.address;
    c.condition = e.alarm.condition;
    c.limit = e.alarm.limit;
    c.value = e.alarm.value;
    c.state = e.alarm.state;
    c.previous = previous;
    return c;
}

void AlarmBook::turn(Entry& e, bool on, const QDateTime& now, Changes& changes)
{
    if (e.on == on) return;
    e.on = on;
    const AlarmState previous = e.alarm.state;
    AlarmState next = previous;
    if (on)
        next = AlarmState::Active;  // from normal a new alarm, from returned the same one again
    else
        next = previous == AlarmState::Acknowledged ? AlarmState::Normal : AlarmState::Returned;
    if (next == previous) return;
    if (previous == AlarmState::Normal) e.alarm.raisedAt = now;
    e.alarm.state = next;
    e.alarm.changedAt = now;
    changes << changeOf(e, previous);
}

void AlarmBook::judgeLimit(int address, AlarmCondition condition, double value, const QDateTime& now, Changes& changes)
{
    double deadband = 0;
    int delay = 0;
    const std::optional<double> limit = limitOf(m_limits, address, condition, &deadband, &delay);
    const auto found = m_entries.find(Key{address, int(condition)});
    if (!limit && found == m_entries.end()) return;  // nothing set, nothing to remember
    Entry& e = entry(address, condition);
    e.alarm.value = value;
    if (!limit) {
        e.beyondSince.reset();
        turn(e, false, now, changes);
        return;
    }
    e.alarm.limit = limit;
    // Values are hundredths and tenths read from registers, limits decimals as typed: a value on
    // the limit (or on the deadband's edge) must count as on it, whatever the binary rounding.
    constexpr double Tolerance = 1e-9;
    const bool high = sideOf(condition).high;
    const bool beyond = high ? value > *limit + Tolerance : value < *limit - Tolerance;
    const bool back = high ? value <= *limit - deadband + Tolerance : value >= *limit + deadband - Tolerance;
    if (e.on) {
        if (back) turn(e, false, now, changes);
        return;
    }
    if (!beyond) {
        e.beyondSince.reset();
        return;
    }
    // A clock set back would make the run look as if it had not begun yet: it begins now.
    if (!e.beyondSince || *e.beyondSince > now) e.beyondSince = now;
    if (e.beyondSince->msecsTo(now) >= qint64(delay) * 1000) {
        e.beyondSince.reset();
        turn(e, true, now, changes);
    }
}

AlarmBook::Changes AlarmBook::setLimits(const AlarmLimits& limits, const QDateTime& now)
{
    m_limits = limits;
    Changes changes;
    for (auto& [key, e] : m_entries) {
        if (!HasLimit(e.alarm.condition)) continue;
        e.beyondSince.reset();
        const std::optional<double> limit = limitOf(m_limits, key.first, e.alarm.condition);
        if (!limit) turn(e, false, now, changes);
    }
    return changes;
}

AlarmBook::Changes AlarmBook::take(const Reading& r)
{
    Changes changes;
    const QDateTime& now = r.received;
    const int address = r.address;
    if (!r.answered) {
        turn(entry(address, AlarmCondition::NoAnswer), true, now, changes);
        for (AlarmCondition c : LimitConditions)
            if (auto it = m_entries.find(Key{address, int(c)}); it != m_entries.end()) it->second.beyondSince.reset();
        return changes;
    }
    if (auto it = m_entries.find(Key{address, int(AlarmCondition::NoAnswer)}); it != m_entries.end())
        turn(it->second, false, now, changes);
    judgeLimit(address, AlarmCondition::PhHigh, r.ph(), now, changes);
    judgeLimit(address, AlarmCondition::PhLow, r.ph(), now, changes);
    judgeLimit(address, AlarmCondition::THigh, r.tC(), now, changes);
    judgeLimit(address, AlarmCondition::TLow, r.tC(), now, changes);
    for (const auto& [condition, on] : {std::pair{AlarmCondition::Relay1, r.relay1()}, std::pair{AlarmCondition::Relay2, r.relay2()}}) {
        if (on || m_entries.count(Key{address, int(condition)})) turn(entry(address, condition), on, now, changes);
    }
    return changes;
}

AlarmBook::Changes AlarmBook::acknowledge(int address, AlarmCondition condition, const QDateTime& now)
{
    Changes changes;
    const auto it = m_entries.find(Key{address, int(condition)});
    if (it == m_entries.end()) return changes;
    Entry& e = it->second;
    const AlarmState previous = e.alarm.state;
    if (previous == AlarmState::Active)
        e.alarm.state = AlarmState::Acknowledged;
    else if (previous == AlarmState::Returned)
        e.alarm.state = AlarmState::Normal;
    else
        return changes;
    e.alarm.changedAt = now;
    changes << changeOf(e, previous);
    return changes;
}

AlarmBook::Changes AlarmBook::acknowledgeAll(const QDateTime& now)
{
    Changes changes;
    // Newest first, as the operator sees them listed.
    for (const Alarm& a : alarms())
        if (IsUnacknowledged(a.state)) changes << acknowledge(a.address, a.condition, now);
    return changes;
}

AlarmBook::Changes AlarmBook::keepOnly(PolledRange range, const QDateTime& now)
{
    Changes changes;
    for (auto& [key, e] : m_entries) {
        if (range.rowOf(key.first)) continue;
        e.beyondSince.reset();
        turn(e, false, now, changes);
    }
    return changes;
}

AlarmState AlarmBook::state(int address, AlarmCondition condition) const
{
    const auto it = m_entries.find(Key{address, int(condition)});
    return it == m_entries.end() ? AlarmState::Normal : it->second.alarm.state;
}

QList<Alarm> AlarmBook::alarms() const
{
    QList<Alarm> out;
    for (const auto& [key, e] : m_entries)
        if (e.alarm.state != AlarmState::Normal) out << e.alarm;
    std::stable_sort(out.begin(), out.end(), [](const Alarm& a, const Alarm& b) { return a.raisedAt > b.raisedAt; });
    return out;
}

bool AlarmBook::anyUnacknowledged() const
{
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [](const auto& kv) { return IsUnacknowledged(kv.second.alarm.state); });
}

}  // namespace qm
