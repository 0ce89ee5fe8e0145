#pragma once
// Date-time values and texts shared by the whole program.
// A date-time is a double: whole days since 30 December 1899 plus the time of day as a fraction.
// Every text is written and parsed with fixed conventions: date "dd.mm.yy", time "hh:mm",
// separators "." and ":", whatever the system locale says.

#include <QDateTime>
#include <QString>
#include <functional>

namespace qm {

using DateTime = double;

constexpr DateTime OneMinute = 1.0 / 1440.0;
constexpr DateTime OneSecond = 1.0 / 86400.0;

// The computer's local clock. Tests replace it to run at fixed times.
using ClockFunction = std::function<QDateTime()>;
void SetClock(ClockFunction clock);   // an empty function restores the system clock
QDateTime CurrentDateTime();

DateTime ToDateTime(const QDateTime& t);
QDateTime FromDateTime(DateTime t);

// "dd.mm.yy  hh:mm:ss" (two blanks) of the current local time.
QString NowText();
// NowText read back as a date-time value: always whole seconds.
DateTime NowDateTime();
// n in decimal with a "0" in front when it has a single digit: 5 -> "05", 123 -> "123".
QString TwoDigits(int n);
// Today's date as "dd_mm_yy" (7 March 2024: "07_03_24"), for the names of archive files.
QString DateTag();

// "dd.mm.yy hh:mm:ss" parsed with a two-digit year in the window that starts 50 years before
// the current year. Returns false when the text is not such a date and time.
bool ParseDateTimeText(const QString& text, DateTime* out);
// Two-digit years stand for the hundred years that begin 50 years before the current year.
int TwoDigitYearWindowStart(int currentYear);
// Two-digit year yy placed in that window, for the current year or the one given.
int ExpandTwoDigitYear(int yy);
int ExpandTwoDigitYear(int yy, int currentYear);

// The Julian day of the date-time values' day 0, 30 December 1899.
constexpr qint64 DateTimeEpochJulianDay = 2415019;

}  // namespace qm
