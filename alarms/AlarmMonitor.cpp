#include "AlarmMonitor.h"

#include "DateTimeText.h"

namespace qm {

Q_LOGGING_CATEGORY(lcAlarm, "qm.alarm", QtWarningMsg)

namespace {

const char* conditionCode(AlarmCondition c)
{
    switch (c) {
    case AlarmCondition::PhHigh: return "pH>";
    case AlarmCondition::PhLow: return "pH<";
    case AlarmCondition::THigh: return "T>";
    case AlarmCondition::TLow: return "T<";
    case AlarmCondition::NoAnswer: return "no-answer";
    case AlarmCondition::Relay1: return "relay1";
    case AlarmCondition::Relay2: return "relay2";
    }
    return "?";
}

const char* stateCode(AlarmState s)
{
    switch (s) {
    case AlarmState::Normal: return "normal";
    case AlarmState::Active: return "active";
    case AlarmState::Acknowledged: return "acknowledged";
    case AlarmState::Returned: return "returned";
    }
    return "?";
}

}  // namespace

QString AlarmLogText(const AlarmChange& c)
{
    QString text = QStringLiteral("%1 address %2 %3").arg(c.time.toString(Qt::ISODate)).arg(c.address).arg(QLatin1String(conditionCode(c.condition)));
    if (c.limit) text += QString::number(*c.limit, 'f', 2);
    if (c.value) text += QStringLiteral(" value %1").arg(*c.value, 0, 'f', 2);
    return text + QStringLiteral(": %1 -> %2").arg(QLatin1String(stateCode(c.previous)), QLatin1String(stateCode(c.state)));
}

AlarmMonitor::AlarmMonitor(QObject* parent) : QObject(parent) { qRegisterMetaType<AlarmChange>(); }

void AlarmMonitor::tell(const AlarmBook::Changes& changes)
{
    for (const AlarmChange& c : changes) {
        qCDebug(lcAlarm).noquote() << AlarmLogText(c);
        emit changed(c);
    }
}

void AlarmMonitor::setLimits(const AlarmLimits& limits) { tell(m_book.setLimits(limits, CurrentDateTime())); }
void AlarmMonitor::setRange(PolledRange range) { tell(m_book.keepOnly(range, CurrentDateTime())); }
void AlarmMonitor::take(const Reading& reading) { tell(m_book.take(reading)); }
void AlarmMonitor::acknowledge(int address, AlarmCondition condition)
{
    tell(m_book.acknowledge(address, condition, CurrentDateTime()));
}
void AlarmMonitor::acknowledgeAll() { tell(m_book.acknowledgeAll(CurrentDateTime())); }

}  // namespace qm
