#pragma once
// Date-time values on QCustomPlot's time axes.
//
// The program's date-time is days since 30.12.1899 in local wall-clock time; QCustomPlot's
// date-time ticker labels keys counted in seconds since 01.01.1970 00:00. ChartKey treats the
// wall-clock time as if it were UTC and the tickers made here label in UTC, so a label shows
// exactly the day and time the value holds, with no daylight-saving jumps.

#include "DateTimeText.h"

#include <QString>

class QCPAxis;

namespace qm {

constexpr double UnixEpochDays = 25569.0;  // 01.01.1970 as a date-time

inline double ChartKey(DateTime t) { return (t - UnixEpochDays) * 86400.0; }
inline DateTime FromChartKey(double key) { return key / 86400.0 + UnixEpochDays; }

// The label format of a time axis: "dd.mm" with the date, then " hh:mm" with the time
// (in QDateTime's letters "dd.MM" and " hh:mm"); empty when neither is wanted.
QString TimeLabelFormat(bool withDate, bool withTime);

// Gives the axis a date-time ticker in UTC (if it has none yet) and sets its label format;
// an empty format brings back the ticker's default labels.
void SetTimeLabelFormat(QCPAxis* axis, const QString& format);

// The ticker's own default format, used for the empty format.
QString DefaultTimeLabelFormat();

}  // namespace qm
