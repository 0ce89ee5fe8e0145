#pragma once
// What an alarm is: which instrument, which condition, and where it stands in the acknowledgement
// cycle of alarm-management practice. A change of that state is the one fact the alarm logic
// tells (to the window, the journal, the log and, later, the publisher).

#include <QDateTime>
#include <QMetaType>

#include <optional>

namespace qm {

// What raises an alarm.
enum class AlarmCondition : quint8 {
    PhHigh,    // pH above its high limit
    PhLow,     // pH below its low limit
    THigh,     // temperature above its high limit
    TLow,      // temperature below its low limit
    NoAnswer,  // the instrument stopped answering (the walk gave up on it)
    Relay1,    // the instrument's own status bit "Р1"
    Relay2,    // the instrument's own status bit "Р2"
};
constexpr int AlarmConditionCount = 7;

enum class AlarmState : quint8 {
    Normal,        // no alarm
    Active,        // active, not acknowledged
    Acknowledged,  // active, acknowledged
    Returned,      // back to normal, not yet acknowledged
};

constexpr bool IsActive(AlarmState s) { return s == AlarmState::Active || s == AlarmState::Acknowledged; }
constexpr bool IsUnacknowledged(AlarmState s) { return s == AlarmState::Active || s == AlarmState::Returned; }
// The conditions measured against a limit.
constexpr bool HasLimit(AlarmCondition c) { return c <= AlarmCondition::TLow; }

// One change of one alarm's state.
struct AlarmChange {
    QDateTime time;  // when it happened (the reading's time, or the operator's acknowledgement)
    int address = 0;
    AlarmCondition condition = AlarmCondition::NoAnswer;
    std::optional<double> limit;  // the limit in force, for the conditions that have one
    std::optional<double> value;  // the latest value of the quantity, for those conditions
    AlarmState state = AlarmState::Normal;
    AlarmState previous = AlarmState::Normal;

    // A new alarm: one that was normal and is active now (the sound starts again for it).
    bool raised() const { return previous == AlarmState::Normal && state == AlarmState::Active; }
};

// An alarm as it stands.
struct Alarm {
    int address = 0;
    AlarmCondition condition = AlarmCondition::NoAnswer;
    AlarmState state = AlarmState::Normal;
    QDateTime raisedAt;   // when it last went from normal to active
    QDateTime changedAt;  // its last change
    std::optional<double> limit;
    std::optional<double> value;
};

}  // namespace qm

Q_DECLARE_METATYPE(qm::AlarmChange)
