// The numbers and times of the trend data file and of archive files are read to exactly the
// values that the general readers give for the same text (std::from_chars, QString::toDouble and
// the program's date-time reader), whatever the form of the text.
#include "ArchiveFile.h"
#include "ArchiveLineText.h"
#include "FixedClock.h"
#include "TrendFile.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>

using namespace qm;

namespace {

bool Same(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

double FromChars(QByteArray text)
{
    text.replace(',', '.');
    if (text.startsWith('+')) text.remove(0, 1);
    double v = 0;
    std::from_chars(text.constData(), text.constData() + text.size(), v);
    return v;
}

TEST(ExactReading, TrendFileValues)
{
    QRandomGenerator random(2026);
    QList<QByteArray> texts = {"7,0100", "-100,0000", "0,0000", "-0,0001", "25,5", "+3,25", "0,1", "123456789012,345",
                               "999999999999999", "99999999999,9999", "1234567890123456,5", "0,30000000000000004",
                               "-12,3e2", "5,", ",5"};
    // Values as the program writes them: four decimals, magnitudes from 0.0001 to 10^11.
    for (int i = 0; i < 20000; ++i) {
        const double magnitude = std::pow(10.0, random.bounded(-4, 12));
        double values[20] = {(random.generateDouble() - 0.5) * magnitude};
        const QByteArray line = FormatTrendLine(0, values);
        texts << line.mid(18, line.indexOf(' ', 18) - 18);
    }
    for (const QByteArray& text : texts) {
        double values[20];
        DateTime t = 0;
        ASSERT_TRUE(ParseTrendLine("06.12.26 14:05:00 " + text, &t, values)) << text.constData();
        EXPECT_TRUE(Same(values[0], FromChars(text))) << text.constData() << ": " << values[0];
    }
}

// What an archive line holds by the general rules: the date-time text through ParseDateTimeText,
// each value field through QString::toDouble (0 when it is not a finite number).
bool General(const QString& line, ArchivePoint* point)
{
    if (!ParseDateTimeText(ArchiveDateTimeText(line), &point->Time)) return false;
    qsizetype pos = line.size() >= 15 && line.at(14) == QLatin1Char(':') ? 18 : 15;
    for (double* value : {&point->Value1, &point->Value2, &point->Value3}) {
        while (pos < line.size() && line.at(pos) == QLatin1Char(' ')) ++pos;
        const qsizetype start = pos;
        while (pos < line.size() && line.at(pos) != QLatin1Char(' ')) ++pos;
        bool ok = false;
        const double v = line.mid(start, pos - start).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        *value = ok && std::isfinite(v) ? v : 0;
    }
    return true;
}

TEST(ExactReading, ArchiveLines)
{
    // A zone with clock changes: 29 March 2026 02:30 does not exist in Berlin.
    struct Berlin {
        Berlin()
        {
            qputenv("TZ", "Europe/Berlin");
            tzset();
        }
        ~Berlin()
        {
            qunsetenv("TZ");
            tzset();
        }
    } berlin;
    const test::FixedClock clock(QDateTime(QDate(2026, 12, 6), QTime(15, 0, 0)));
    QStringList lines = {
        QStringLiteral("06.12.26 10:30    7,00     -12,3    25,0     10"),
        QStringLiteral("06.12.26 10:30:15   7,00   -12,3   25,0"),
        QStringLiteral("29.03.26 02:30    7,00     -12,3    25,0"),
        QStringLiteral("25.10.26 02:30:00    7,00     -12,3    25,0"),
        QStringLiteral("06.12.26 10:30"),
        QStringLiteral("06.12.99 23:59   +3   5,   ,5"),
        QStringLiteral("01.01.00 00:00   1e3   abc   -0,00"),
        QStringLiteral("06.12.26 10:30   1234567890123456,7   0,30000000000000004   1,2,3"),
        QStringLiteral("6.12.26 10:30 7 8 9"),
        QStringLiteral("06.12.2026 10:30 1 2 3"),
        QStringLiteral("06.12.26 10:30x 1 2 3"),
        QStringLiteral("06.12.26  10:30 1 2 3"),
        QStringLiteral("31.11.26 10:00 1 2 3"),
        QStringLiteral("06.12.26 24:00 1 2 3"),
        QStringLiteral("29.02.25 10:00 1 2 3"),
        QStringLiteral("Архив"),
        QString(),
    };
    QRandomGenerator random(7);
    const auto field = [&random](int width, int decimals) {
        const double v = (random.generateDouble() - 0.3) * std::pow(10.0, random.bounded(0, 4));
        return test::ArchiveValueText(v, width, decimals);
    };
    for (int i = 0; i < 5000; ++i) {
        const QDateTime t(QDate(1976, 1, 1).addDays(random.bounded(36500)), QTime(0, 0).addSecs(random.bounded(86400)));
        lines << t.toString(i % 3 ? QStringLiteral("dd.MM.yy hh:mm") : QStringLiteral("dd.MM.yy hh:mm:ss"))
                     + QStringLiteral("   ") + field(5, 2) + QStringLiteral("   ") + field(7, 1)
                     + QStringLiteral("   ") + field(5, random.bounded(0, 5));
    }
    ArchiveLineReader reader;
    for (const QString& line : lines) {
        ArchivePoint fast, general;
        const bool ok = General(line, &general);
        // The long-lived reader's point is the one compared, so that its per-day cache is checked.
        ASSERT_EQ(ParseArchiveLine(line, &fast), ok) << line.toStdString();
        ASSERT_EQ(reader.read(line, &fast), ok) << line.toStdString();
        if (!ok) continue;
        EXPECT_TRUE(Same(fast.Time, general.Time)) << line.toStdString();
        EXPECT_TRUE(Same(fast.Value1, general.Value1) && Same(fast.Value2, general.Value2)
                    && Same(fast.Value3, general.Value3))
            << line.toStdString();
    }
}

}  // namespace
