#include "AlarmText.h"

#include "AlarmLimitsFile.h"

#include <QDir>

namespace qm {

namespace {
int decimalsOf(AlarmCondition c)
{
    return RangeOf(c == AlarmCondition::PhHigh || c == AlarmCondition::PhLow ? AlarmQuantity::Ph : AlarmQuantity::T).decimals;
}
}  // namespace

QString AlarmConditionText(AlarmCondition condition, std::optional<double> limit)
{
    const QString value = limit ? QString::number(*limit, 'f', decimalsOf(condition)) : QStringLiteral("?");
    switch (condition) {
    case AlarmCondition::PhHigh: return QStringLiteral("pH > ") + value;
    case AlarmCondition::PhLow: return QStringLiteral("pH < ") + value;
    case AlarmCondition::THigh: return QStringLiteral("T > ") + value;
    case AlarmCondition::TLow: return QStringLiteral("T < ") + value;
    case AlarmCondition::NoAnswer: return QStringLiteral("нет ответа");
    case AlarmCondition::Relay1: return QStringLiteral("реле Р1");
    case AlarmCondition::Relay2: return QStringLiteral("реле Р2");
    }
    return QString();
}

QString AlarmValueText(AlarmCondition condition, std::optional<double> value)
{
    if (!HasLimit(condition) || !value) return QString();
    return QString::number(*value, 'f', decimalsOf(condition));
}

QString AlarmStateText(AlarmState state)
{
    switch (state) {
    case AlarmState::Normal: return QStringLiteral("норма");
    case AlarmState::Active: return QStringLiteral("активна, не квитирована");
    case AlarmState::Acknowledged: return QStringLiteral("активна, квитирована");
    case AlarmState::Returned: return QStringLiteral("в норме, не квитирована");
    }
    return QString();
}

QString AlarmMarkText(AlarmCondition condition)
{
    switch (condition) {
    case AlarmCondition::PhHigh:
    case AlarmCondition::THigh: return QStringLiteral("выше уставки");
    case AlarmCondition::PhLow:
    case AlarmCondition::TLow: return QStringLiteral("ниже уставки");
    case AlarmCondition::NoAnswer: return QStringLiteral("нет ответа");
    case AlarmCondition::Relay1:
    case AlarmCondition::Relay2: return QStringLiteral("реле");
    }
    return QString();
}

AlarmJournalLine AlarmJournalLineOf(const AlarmChange& c)
{
    return AlarmJournalLine{c.time, c.address, AlarmConditionText(c.condition, c.limit), AlarmValueText(c.condition, c.value),
                            AlarmStateText(c.state)};
}

std::optional<Notice> AlarmLimitsNotice(const QString& path, const AlarmLimitsRead& read,
                                        const std::optional<AlarmLimitsRead>& previous)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (!read.exists) {
        // Its alarms are off now.
        if (previous && previous->exists)
            return Notice{QStringLiteral("Файл уставок %1 удалён: тревоги по уставкам отключены.").arg(shown), QString()};
        return std::nullopt;
    }
    if (previous && read.error == previous->error && read.problems == previous->problems) return std::nullopt;
    if (!read.error.isEmpty())
        return Notice{QStringLiteral("Не удалось прочитать файл уставок %1: %2").arg(shown, read.error),
                      QStringLiteral("Тревоги по уставкам отключены, пока файл не будет исправлен.")};
    if (!read.problems.isEmpty())
        return Notice{QStringLiteral("В файле уставок %1 есть строки, которые не удалось прочитать; они не действуют, "
                                     "остальные уставки действуют.").arg(shown),
                      read.problems.join(QLatin1Char('\n'))};
    return std::nullopt;
}

}  // namespace qm
