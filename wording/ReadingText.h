#pragma once
// A reading in the live table's words: fixed decimals with "." whatever the locale, words in hex,
// the status letters and discs, the identification and the instrument's clock.

#include "Reading.h"

#include <QString>

namespace qm {

// The live table's columns.
enum class LiveColumn { Address = 0, Ph = 1, E = 2, T = 3, Status = 4, Alarm = 5, Relay1 = 6, Relay2 = 7 };
constexpr int LiveColumns = 8;

// The header row: "NUM", "pH", "E", "T", "Stat", "pH25", "Р1", "Р2".
QString LiveHeaderText(int column);
// The text of a device cell (columns 1..7) for an answered reading: "7.05", "-105.0", "25.0",
// "00 11 hex", "АВ"/"ЧВ", "1" for a lit relay disc; empty elsewhere.
QString LiveCellText(const Reading& reading, int column);

// "10 05 hex"
QString WordHexText(quint16 word);
// A register as fixed-point text with "." whatever the locale: (-5, 2) -> "-0.05".
QString FixedText(qint32 value, int decimals);
// The instrument's clock as the "Дата/Время  " box shows it, "13:45 06.12.2026"; empty for an
// instrument without a clock.
QString InstrumentClockText(const Reading& reading);

}  // namespace qm
