#pragma once
// The alarms of the polled instruments: readings in, changes out, with no clock, timer, file or
// widget of its own, so that it is tested as a table and both programs (the window and the
// display-less collector) run the same logic.
//
// A limit condition is on once the value has been beyond the limit (strictly above the high
// limit, strictly below the low one) in every reading for the limit's delay, counted from the
// first such reading by the readings' own times; it is off again once a reading is back inside by
// the deadband (at or below high - deadband, at or above low + deadband). A value wobbling around
// its limit therefore raises one alarm. "No answer" is on from the reading of a give-up to the
// next answered reading; "Р1" and "Р2" follow the instrument's status bits. While an instrument
// does not answer, its limit conditions stay as they were and their delays start again.
//
// The states: a condition that comes on makes a normal alarm active; one that goes off makes an
// active alarm returned (still waiting for acknowledgement), an acknowledged one normal.
// Acknowledging makes an active alarm acknowledged (it stays until its condition goes off) and a
// returned one normal. A returned alarm whose condition comes on again before it was
// acknowledged is the same alarm, active again, not a new one.

#include "Alarm.h"
#include "AlarmLimitsFile.h"
#include "PolledRange.h"
#include "Reading.h"

#include <QList>

#include <map>

namespace qm {

class AlarmBook {
public:
    using Changes = QList<AlarmChange>;

    // The limits in force from now on. An alarm whose limit was taken away returns as if its value
    // had come back; a delay under way starts again.
    Changes setLimits(const AlarmLimits& limits, const QDateTime& now);
    const AlarmLimits& limits() const { return m_limits; }

    // A reading of a polled instrument (or the fact that it was given up on).
    Changes take(const Reading& reading);

    Changes acknowledge(int address, AlarmCondition condition, const QDateTime& now);
    Changes acknowledgeAll(const QDateTime& now);

    // Only the instruments of range are polled now: the alarms of the others return, since
    // nothing more will be known of them.
    Changes keepOnly(PolledRange range, const QDateTime& now);

    AlarmState state(int address, AlarmCondition condition) const;
    // Every alarm that is not normal, the most recently raised first.
    QList<Alarm> alarms() const;
    bool anyUnacknowledged() const;

private:
    struct Entry {
        Alarm alarm;
        bool on = false;                     // the condition, after delay and deadband
        std::optional<QDateTime> beyondSince;  // the first reading of a run beyond the limit
    };
    using Key = std::pair<int, int>;  // address, condition

    Entry& entry(int address, AlarmCondition condition);
    void turn(Entry& e, bool on, const QDateTime& now, Changes& changes);
    void judgeLimit(int address, AlarmCondition condition, double value, const QDateTime& now, Changes& changes);
    static AlarmChange changeOf(const Entry& e, AlarmState previous);

    AlarmLimits m_limits;
    std::map<Key, Entry> m_entries;
};

}  // namespace qm
