#pragma once
// How a measurement exchange with an instrument went, in the operator's words: for the live
// table's rows (tooltip and accessible description), the exchange statistics and the collector's
// log. Modbus exception codes are named by what they mean.

#include "EngineEvents.h"
#include "ExchangeStats.h"

#include <QString>
#include <QStringList>

namespace qm {

// What an exception code means: 0x02 -> "недопустимый адрес данных".
QString ModbusExceptionMeaning(quint8 code);

// "ответ получен", "нет ответа", "ошибка CRC", "исключение 02 — недопустимый адрес данных",
// "ответил чужой адрес 5", ...
QString ExchangeText(const ExchangeOutcome& outcome);

// A row's words for its instrument's last exchange: "Последний обмен: нет ответа".
QString LastExchangeText(const ExchangeOutcome& outcome);

// The exchange statistics window: its columns' captions and what each counts (for their
// tooltips), a row of counts, and since when they count.
QStringList ExchangeStatsCaptions();
QStringList ExchangeStatsHints();
QStringList ExchangeStatsRow(int address, const ExchangeCounts& counts);
QString ExchangeStatsSince(const QDateTime& since);

}  // namespace qm
