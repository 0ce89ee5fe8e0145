#pragma once
// Alarms in the operator's words, the same in the window, the alarm journal and the collector's
// log: the condition with its limit ("pH > 8.50", "T < 5.0", "нет ответа", "реле Р1"), the value
// with the live table's decimals ("8.90", "31.5"), and the state.

#include "Alarm.h"
#include "AlarmJournal.h"

#include <QString>

namespace qm {

QString AlarmConditionText(AlarmCondition condition, std::optional<double> limit);
QString AlarmValueText(AlarmCondition condition, std::optional<double> value);
QString AlarmStateText(AlarmState state);
// A short mark for a live table cell's spoken text: "выше уставки", "ниже уставки", "нет ответа".
QString AlarmMarkText(AlarmCondition condition);

// The change as a line of the alarm journal.
AlarmJournalLine AlarmJournalLineOf(const AlarmChange& change);

}  // namespace qm
