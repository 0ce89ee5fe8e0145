#include "ReadingText.h"

#include "DateTimeText.h"

namespace qm {

namespace {
const char* const Headers[LiveColumns] = {"NUM", "pH", "E", "T", "Stat", "pH25", "Р1", "Р2"};
}  // namespace

QString LiveHeaderText(int column)
{
    return column >= 0 && column < LiveColumns ? QString::fromUtf8(Headers[column]) : QString();
}

QString LiveCellText(const Reading& reading, int column)
{
    if (!reading.answered) return QString();
    switch (LiveColumn(column)) {
    case LiveColumn::Ph: return FixedText(reading.phRaw, 2);
    case LiveColumn::E: return FixedText(reading.eRaw, 1);
    case LiveColumn::T: return FixedText(reading.tRaw, 1);
    case LiveColumn::Status: return WordHexText(reading.status);
    case LiveColumn::Alarm:
        if (reading.archiveAlarm()) return QStringLiteral("АВ");
        if (reading.clockAlarm()) return QStringLiteral("ЧВ");
        return QString();
    case LiveColumn::Relay1: return reading.relay1() ? QStringLiteral("1") : QString();
    case LiveColumn::Relay2: return reading.relay2() ? QStringLiteral("1") : QString();
    default: return QString();
    }
}

QString WordHexText(quint16 word)
{
    static const char Digits[] = "0123456789ABCDEF";
    QString s;
    s.reserve(9);
    s += QLatin1Char(Digits[(word >> 12) & 0xF]);
    s += QLatin1Char(Digits[(word >> 8) & 0xF]);
    s += QLatin1Char(' ');
    s += QLatin1Char(Digits[(word >> 4) & 0xF]);
    s += QLatin1Char(Digits[word & 0xF]);
    s += QStringLiteral(" hex");
    return s;
}

QString FixedText(qint32 value, int decimals)
{
    // Integer arithmetic: no locale, no binary rounding.
    int divisor = 1;
    for (int i = 0; i < decimals; ++i) divisor *= 10;
    const qint64 magnitude = value < 0 ? -qint64(value) : qint64(value);
    QString s = value < 0 ? QStringLiteral("-") : QString();
    s += QString::number(magnitude / divisor);
    if (decimals > 0)
        s += QLatin1Char('.') + QString::number(magnitude % divisor).rightJustified(decimals, QLatin1Char('0'));
    return s;
}

QString InstrumentClockText(const Reading& reading)
{
    if (!reading.answered || !reading.hasClock()) return QString();
    const quint16 year = reading.clockYear;
    const quint16 date = reading.clockDate;
    const quint16 time = reading.clockTime;
    return TwoDigits(time >> 8) + QLatin1Char(':') + TwoDigits(time & 0xFF) + QLatin1Char(' ') + TwoDigits(date & 0xFF)
           + QLatin1Char('.') + TwoDigits(date >> 8) + QLatin1Char('.') + TwoDigits(year >> 8) + TwoDigits(year & 0xFF);
}

}  // namespace qm
