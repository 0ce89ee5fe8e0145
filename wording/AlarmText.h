#pragma once
// Alarms in the operator's words, the same in the window, the alarm journal and the collector's
// log: the condition with its limit ("pH > 8.50", "T < 5.0", "нет ответа", "реле Р1"), the value
// with the live table's decimals ("8.90", "31.5"), and the state.

#include "Alarm.h"
#include "AlarmJournal.h"
#include "AlarmLimitsFile.h"
#include "Notice.h"

#include <QString>

namespace qm {

QString AlarmConditionText(AlarmCondition condition, std::optional<double> limit);
QString AlarmValueText(AlarmCondition condition, std::optional<double> value);
QString AlarmStateText(AlarmState state);
// A short mark for a live table cell's spoken text: "выше уставки", "ниже уставки", "нет ответа".
QString AlarmMarkText(AlarmCondition condition);

// The change as a line of the alarm journal.
AlarmJournalLine AlarmJournalLineOf(const AlarmChange& change);

// What the operator is told about alarms.cfg at path once it has been read, at start (previous
// empty) or again after it changed on disk (previous: what the read before gave). Nothing when
// there is nothing new: a missing file is the usual state of a line without limits and is told
// only when it goes away while the program runs; the same trouble as last time (the file saved
// again with the same line still damaged) is not told again.
std::optional<Notice> AlarmLimitsNotice(const QString& path, const AlarmLimitsRead& read,
                                        const std::optional<AlarmLimitsRead>& previous);

}  // namespace qm
