#include "DateTimeText.h"

#include <QRegularExpression>
#include <cmath>

namespace qm {

namespace {
ClockFunction& clockFunction()
{
    static ClockFunction f;
    return f;
}
const QDate& epoch()
{
    static const QDate d = QDate::fromJulianDay(DateTimeEpochJulianDay);
    return d;
}
}  // namespace

void SetClock(ClockFunction clock) { clockFunction() = std::move(clock); }

QDateTime CurrentDateTime()
{
    if (clockFunction()) return clockFunction()();
    return QDateTime::currentDateTime();
}

DateTime ToDateTime(const QDateTime& t)
{
    const qint64 days = epoch().daysTo(t.date());
    const QTime tm = t.time();
    const double frac = (tm.msecsSinceStartOfDay()) / 86400000.0;
    return double(days) + frac;
}

QDateTime FromDateTime(DateTime t)
{
    // Values read from files may be garbage: no date for them rather than an overflowing cast.
    if (!std::isfinite(t) || std::fabs(t) > 1.0e8) return QDateTime();
    double days = std::floor(t);
    double frac = t - days;
    qint64 ms = qint64(std::llround(frac * 86400000.0));
    if (ms >= 86400000) {
        ms -= 86400000;
        days += 1;
    }
    return QDateTime(epoch().addDays(qint64(days)), QTime::fromMSecsSinceStartOfDay(int(ms)));
}

QString TwoDigits(int n)
{
    QString s = QString::number(n);
    if (s.size() == 1) s.prepend(QLatin1Char('0'));
    return s;
}

namespace {
// "dd<separator>mm<separator>yy"
QString DateText(const QDate& d, QChar separator)
{
    return TwoDigits(d.day()) + separator + TwoDigits(d.month()) + separator + TwoDigits(d.year() % 100);
}
}  // namespace

QString NowText()
{
    const QDateTime now = CurrentDateTime();
    // Truncated, never rounded: 09:05:03.999 is still 09:05:03.
    const QTime t = now.time();
    return DateText(now.date(), QLatin1Char('.')) + QStringLiteral("  ") + TwoDigits(t.hour()) + QLatin1Char(':')
           + TwoDigits(t.minute()) + QLatin1Char(':') + TwoDigits(t.second());
}

QString DateTag() { return DateText(CurrentDateTime().date(), QLatin1Char('_')); }

DateTime NowDateTime()
{
    DateTime t = 0;
    QString text = NowText();
    text.remove(8, 1);  // the two blanks become one
    ParseDateTimeText(text, &t);
    return t;
}

int TwoDigitYearWindowStart(int currentYear) { return currentYear - 50; }

int ExpandTwoDigitYear(int yy, int currentYear)
{
    const int first = TwoDigitYearWindowStart(currentYear);
    int year = (first / 100) * 100 + yy;
    if (year < first) year += 100;
    return year;
}

int ExpandTwoDigitYear(int yy) { return ExpandTwoDigitYear(yy, CurrentDateTime().date().year()); }

bool ParseDateTimeText(const QString& text, DateTime* out)
{
    static const QRegularExpression re(
        QStringLiteral("^(\\d{1,2})\\.(\\d{1,2})\\.(\\d{1,4}) +(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))? *$"));
    if (!out) return false;
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch()) return false;
    int year = m.captured(3).toInt();
    if (m.captured(3).size() <= 2) year = ExpandTwoDigitYear(year);
    const QDate d(year, m.captured(2).toInt(), m.captured(1).toInt());
    const QTime t(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).isEmpty() ? 0 : m.captured(6).toInt());
    if (!d.isValid() || !t.isValid()) return false;
    *out = ToDateTime(QDateTime(d, t));
    return true;
}

}  // namespace qm
