#pragma once
// alarms.cfg: the alarm limits, one limit a line, in a form a service engineer writes by hand and
// copies between computers:
//
//   # ADDRESS QUANTITY LOW HIGH DEADBAND DELAY_S
//   2 pH 6.5 8.5 0.05 10
//   3 T  -   40  0.5  30
//
// QUANTITY is pH or T; "-" is an absent limit (and a deadband or delay of 0); numbers take a
// decimal point (a comma is read too); "#" starts a comment. A line that cannot be read is
// ignored and named, the rest are read. The same checks serve the file and the limits dialog, so
// that whatever the dialog accepts, the file reads back.
// Pure reading and writing: the window shows what comes back.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace qm {

enum class AlarmQuantity : quint8 { Ph, T };

// The limits of one quantity of one instrument. A value beyond high (or below low) for delay
// seconds raises the alarm; it returns once the value is back deadband inside the limit.
struct AlarmLimit {
    int address = 1;
    AlarmQuantity quantity = AlarmQuantity::Ph;
    std::optional<double> low, high;
    double deadband = 0;
    int delaySeconds = 0;

    bool operator==(const AlarmLimit&) const = default;
};
// At most one limit per address and quantity.
using AlarmLimits = QList<AlarmLimit>;

// The sensible range of each quantity: pH 0..14, T -20..150 °C (the registers would hold far more,
// but no limit outside these ranges is a real one).
struct QuantityRange {
    double min, max;
    int decimals;  // as the live table shows the value
};
QuantityRange RangeOf(AlarmQuantity quantity);
constexpr int AlarmAddressMax = 247;  // the highest Modbus slave address
constexpr int AlarmDelayMax = 3600;

QString AlarmFileName();  // "alarms.cfg"
QString QuantityName(AlarmQuantity quantity);  // "pH", "T"

const AlarmLimit* FindLimit(const AlarmLimits& limits, int address, AlarmQuantity quantity);

// What is wrong with a limit, in the operator's words (to follow "строка N: " or stand alone);
// empty when it is sound: each limit within its quantity's range, low below high, a deadband of 0
// or more that leaves the two limits apart, a delay of 0..3600 seconds.
QString AlarmLimitProblem(const AlarmLimit& limit);
// A number as the file and the dialog take it: decimal point or comma, optional sign. "-" or an
// empty text is no number (nullopt with *absent set).
std::optional<double> ParseLimitNumber(const QString& text, bool* absent = nullptr);
// A number as the file writes it: "6.5", "8.5", "0.05", "-".
QString LimitNumberText(std::optional<double> value);

struct AlarmLimitsRead {
    AlarmLimits limits;
    bool exists = false;  // the file was there
    QString error;        // it could not be read at all; empty otherwise
    // One entry per line that was ignored: "строка 3: ...".
    QStringList problems;

    bool operator==(const AlarmLimitsRead&) const = default;
};

AlarmLimitsRead ParseAlarmLimits(const QByteArray& text);
// Reads the file at path; a missing file is no error (exists false).
AlarmLimitsRead ReadAlarmLimitsFile(const QString& path);

// "2 pH 6.5 8.5 0.05 10"
QByteArray AlarmLimitLine(const AlarmLimit& limit);
// The file's text with its limits replaced by limits: a line whose limit is still there gets the
// new values (its own comment kept), one whose limit is gone is dropped, comments and lines that
// could not be read stay as they are, and new limits are added at the end. An empty old text
// starts with a comment that explains the form.
QByteArray UpdateAlarmLimitsText(const QByteArray& old, const AlarmLimits& limits);
// Writes limits into the file at path (whole or not at all), keeping what UpdateAlarmLimitsText
// keeps of the file that is there. Empty on success, else the failure in the operator's words.
QString WriteAlarmLimitsFile(const QString& path, const AlarmLimits& limits);

}  // namespace qm
